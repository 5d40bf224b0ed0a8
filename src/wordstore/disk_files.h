// Writing the tools' files so that a failure leaves nothing half written and
// is told in Spanish ("no queda espacio en el disco").
#pragma once

#include <QByteArray>
#include <QString>

namespace korivanta::diskfiles {

// What an errno value means for a teacher, in Spanish.
QString errorText(int errnum);

// Writes `bytes` to a file that must not exist yet, and syncs it to the disk.
// On failure nothing is left at `path`; returns why, or empty.
QString writeNewFile(const QString &path, const QByteArray &bytes);

// Flushes a file or folder to the disk (a folder: the names it holds).
bool syncPath(const QString &path, bool folder);

} // namespace korivanta::diskfiles
