// Root never works in a folder that others may change: a program of the
// school's words started as root (sudo, or the package's scripts) becomes the
// school's own system user before it opens anything there, for good.
//
// A link planted in the school's folder by a member of its group could
// otherwise make root write, change or read any file of the computer. The
// system user `_korivanta` (group korivanta, no shell, no home; made by the
// package) may do in the school's folder just what a teacher may, and nothing
// outside it that a teacher may not.
#pragma once

#include <QString>
#include <QStringList>

namespace korivanta::wordstore {

// The identity root becomes.
inline constexpr char kStoreUser[] = "_korivanta";

// Why a folder is one others could change under root: it, or a folder above
// it, belongs to another user or is writable by a group or by everyone
// (a sticky folder such as /tmp only protects what root owns in it). Empty
// when only root can change it. A missing folder is judged by the nearest
// folder above it that exists.
QString sharedFolderReason(const QString &folder);

enum class DropResult { NotRoot, KeptRoot, Dropped, Failed };

// Run as root: when one of `folders` is shared (sharedFolderReason), gives up
// root for good to `user` (its own group, and its supplementary groups) and
// checks that root cannot be taken back. `error` gets why it failed, in
// Spanish: the program must then stop. Not root: nothing to do.
DropResult dropRootFor(const QStringList &folders, QString *error, const char *user = kStoreUser);

} // namespace korivanta::wordstore
