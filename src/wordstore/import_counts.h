// What an import did, said in Spanish: how many words were added, updated
// and left as they were.
#pragma once

#include <QString>

namespace korivanta::wordtool {

// "se agregaron 2 palabras, se actualizaron 1 y 3 quedaron como estaban"
// (singular where one, counts of zero left out, "palabra(s)" on the first
// count said; all zero: "no cambió ninguna palabra"). Starts in small letters,
// without a full stop, to be put into a sentence.
QString importCounts(qsizetype added, qsizetype updated, qsizetype unchanged);

} // namespace korivanta::wordtool
