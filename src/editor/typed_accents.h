// The Aymara field composes letters the way the game's keyboard does on a
// layout without ä, ï, ü or ñ: ":" (or the double quote, or a dead
// diaeresis) then a vowel gives the vowel with a diaeresis, "~" then "n" gives
// ñ — only where the result is a letter of the game's keys; anything else is
// left as typed.
#pragma once

#include <QString>

namespace korivanta::editor {

// `text` with every such pair composed; `cursor` (a position in `text`, may
// be null) is moved to the same place in the result.
QString composeTypedAccents(const QString &text, int *cursor = nullptr);

} // namespace korivanta::editor
