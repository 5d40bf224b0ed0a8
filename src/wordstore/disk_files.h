// Writing the tools' files so that a failure leaves nothing half written and
// is told in Spanish ("no queda espacio en el disco").
#pragma once

#include <QByteArray>
#include <QString>

namespace korivanta::diskfiles {

// What an errno value means for a teacher, in Spanish.
QString errorText(int errnum);

// A folder that others may write in (the school's) is never trusted: the
// functions that take a `top` reach what is below it from opened folder
// handles, step by step, and refuse a link on the way instead of following
// it; the last name is never followed either. An empty `top`, or a path not
// below it, is reached by its path as usual.

// Writes `bytes` to a file that must not exist yet, and syncs it to the disk.
// On failure nothing is left at `path`; returns why, or empty. A group-writable
// file gets mode 0664 whatever the umask, else the umask's share of 0644.
QString writeNewFile(const QString &path, const QByteArray &bytes, bool groupWritable = false, const QString &top = {});

// Puts a copy of `made` (a file in this program's own private folder) at
// `path` in one step: its bytes go into a new hidden file beside `path`, named
// `prefix` and six random letters and made exclusively, with mode `mode`;
// that file is synced and renamed over `path`, and the folder synced. Returns
// why it failed, or empty; on failure `path` is as it was and nothing is left.
QString placeFile(const QString &made, const QString &path, const QString &prefix, int mode, const QString &top = {});

// Makes a folder, mode 2775 (group-writable, new entries take its group)
// whatever the umask when `groupWritable`, else 0755 less the umask. Returns
// why it failed, or empty.
QString makeFolder(const QString &path, bool groupWritable, const QString &top = {});

// Renames a file to a name in the same folder that must not exist yet.
// Returns why it failed, or empty.
QString renameNew(const QString &from, const QString &to, const QString &top = {});

// Removes a file (never what a link points to), or an empty folder; false
// when it could not.
bool removeFile(const QString &path, const QString &top = {});
bool removeEmptyFolder(const QString &path, const QString &top = {});

// Removes the files of `folder` whose names start with `prefix`: the hidden
// copies a killed run left behind.
void removeFilesStartingWith(const QString &folder, const QString &prefix, const QString &top = {});

// The folder `folder` at or below `top`, opened without following any link
// below `top`: its descriptor, or -1 with why in `error`.
int openFolderBelow(const QString &top, const QString &folder, QString *error);

// The first thing in the tree under `top` that is neither a plain file nor a
// folder (a link, a FIFO, a device), told in Spanish; empty when there is
// none or `top` does not exist. The tree is walked from opened handles.
QString untrustedEntry(const QString &top);

// What a teacher is told of such a thing at `path`.
QString untrustedText(const QString &path);

// Flushes a file or folder to the disk (a folder: the names it holds).
bool syncPath(const QString &path, bool folder);

} // namespace korivanta::diskfiles
