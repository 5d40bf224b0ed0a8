// Counts of words said in Spanish: how many words an import added, updated
// and left as they were, and a number of words with its noun in agreement.
#pragma once

#include <QString>

namespace korivanta::wordtool {

// "se agregaron 2 palabras, se actualizaron 1 y 3 quedaron como estaban"
// (singular where one, counts of zero left out, "palabra(s)" on the first
// count said; all zero: "no cambió ninguna palabra"). Starts in small letters,
// without a full stop, to be put into a sentence.
QString importCounts(qsizetype added, qsizetype updated, qsizetype unchanged);

// "1 palabra", "3 palabras"; an adjective agrees with it ("1 palabra propia",
// "3 palabras propias").
QString wordCount(qsizetype n, const QString &adjective = {});

} // namespace korivanta::wordtool
