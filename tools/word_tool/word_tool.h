// korivanta-palabras: the teacher's command-line tool for the game's words
// (list them, import new ones from a CSV file, make a word's spoken sound).
#pragma once

#include <QStringList>

class QTextStream;

namespace korivanta::wordtool {

// Runs the tool with its arguments (without the program name). The default
// database and media are found from `executableDir` as the game finds them.
// Returns the exit status: 0 done, 1 failed or bad rows, 2 wrong usage.
int run(const QStringList &arguments, const QString &executableDir, QTextStream &out, QTextStream &err);

} // namespace korivanta::wordtool
