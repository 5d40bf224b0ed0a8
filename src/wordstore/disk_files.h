// Writing the tools' files so that a failure leaves nothing half written and
// is told in Spanish ("no queda espacio en el disco").
#pragma once

#include <QByteArray>
#include <QString>

namespace korivanta::diskfiles {

// What an errno value means for a teacher, in Spanish.
QString errorText(int errnum);

// Writes `bytes` to a file that must not exist yet, and syncs it to the disk.
// On failure nothing is left at `path`; returns why, or empty. A group-writable
// file gets mode 0664 whatever the umask, else the umask's share of 0644.
QString writeNewFile(const QString &path, const QByteArray &bytes, bool groupWritable = false);

// Makes a folder, mode 2775 (group-writable, new entries take its group)
// whatever the umask when `groupWritable`, else 0755 less the umask. Returns
// why it failed, or empty.
QString makeFolder(const QString &path, bool groupWritable);

// Flushes a file or folder to the disk (a folder: the names it holds).
bool syncPath(const QString &path, bool folder);

} // namespace korivanta::diskfiles
