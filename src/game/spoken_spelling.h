// A word as a screen reader spells it to the learner: key by key, each key by
// its spoken name ("ch glotalizada, i, y, a, r, a"), counted in keys ("Seis
// teclas"), never character by character: the keys are what the learner
// presses and learns.
#pragma once

#include <QString>
#include <QStringView>

namespace korivanta {

// The word spelled by its keys, the names joined by ", ". A character that no
// key writes is read as itself ("apóstrofo" for an apostrophe).
QString spelledByKeys(QStringView word);

// What the mask shows of the word, key by key: a key whose characters are all
// shown is read by its name, a key partly shown by what is shown of it, and a
// key not shown at all as "oculta".
QString spelledMask(QStringView word, QStringView mask);

// How many keys write the word.
int keyCount(QStringView word);

// "Una tecla", "Seis teclas", "Veintidós teclas" (digits from 21 on).
QString keyCountText(int keys);

// What a key's kind adds to its spoken name: "consonante simple" or "vocal"
// for a plain key, nothing for a key whose name already says its kind
// ("p glotalizada", "t aspirada", "ä larga").
QString keyKindDescription(int key);

} // namespace korivanta
