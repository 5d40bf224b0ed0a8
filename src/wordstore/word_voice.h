// The synthetic voice of the words, the same one the build gives the game's
// words: the build's own Python sound module, run with the system's python3.
#pragma once

#include <QString>

namespace korivanta::wordtool {

// The script that speaks one word: installed under ../share/korivanta/tools
// next to the program, else the one of the source tree the program was built from.
QString findVoiceScript(const QString &executableDir);

// What is missing to speak words (python3, espeak-ng, sox or the script), as
// a Spanish message; empty when nothing is.
QString voiceMissing(const QString &script);

// Speaks `word` into the WAV file `wavPath`; an error message, or empty.
QString speakWord(const QString &script, const QString &word, const QString &wavPath);

} // namespace korivanta::wordtool
