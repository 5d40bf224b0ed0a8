#include "wordstore/root_drop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace korivanta::wordstore {

namespace {

// Why another user could change what is in the folder `path`, or empty.
QString folderOpenToOthers(const QString &path, const struct stat &st)
{
    if (st.st_uid != 0)
        return QStringLiteral("«%1» pertenece a otro usuario").arg(path);
    const bool sticky = st.st_mode & S_ISVTX;
    if ((st.st_mode & S_IWOTH) && !sticky)
        return QStringLiteral("todos pueden escribir en «%1»").arg(path);
    if ((st.st_mode & S_IWGRP) && st.st_gid != 0 && !sticky)
        return QStringLiteral("el grupo de «%1» puede escribir en ella").arg(path);
    return {};
}

} // namespace

QString sharedFolderReason(const QString &folder)
{
    // The folders from the root down, by their real names: a link above the
    // folder is judged by the folder it leads to, and the last part by itself.
    QString path = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    while (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink() && path != QLatin1String("/"))
        path = QFileInfo(path).absolutePath();
    const QFileInfo info(path);
    const QString parent = info.absolutePath();
    QString real = path == QLatin1String("/") ? path : QDir(parent).canonicalPath();
    if (real.isEmpty())
        return QStringLiteral("no se puede leer la carpeta «%1»").arg(parent);
    QStringList chain;
    for (QString p = real;; p = QFileInfo(p).absolutePath()) {
        chain.prepend(p);
        if (p == QLatin1String("/"))
            break;
    }
    if (path != QLatin1String("/"))
        chain << QDir(real).filePath(info.fileName());
    for (const QString &p : std::as_const(chain)) {
        struct stat st {};
        if (::lstat(QFile::encodeName(p).constData(), &st) != 0)
            return QStringLiteral("no se puede leer la carpeta «%1»").arg(p);
        if (S_ISLNK(st.st_mode))
            return QStringLiteral("«%1» es un enlace").arg(p);
        if (!S_ISDIR(st.st_mode))
            continue; // the folder's own place holds a file: the program says so later
        if (const QString reason = folderOpenToOthers(p, st); !reason.isEmpty())
            return reason;
    }
    return {};
}

DropResult dropRootFor(const QStringList &folders, QString *error, const char *user)
{
    error->clear();
    if (::geteuid() != 0 && ::getuid() != 0)
        return DropResult::NotRoot;
    QString reason;
    for (const QString &f : folders) {
        if (f.isEmpty())
            continue;
        reason = sharedFolderReason(f);
        if (!reason.isEmpty())
            break;
    }
    if (reason.isEmpty())
        return DropResult::KeptRoot;

    const auto failed = [&](const QString &why) {
        *error = QStringLiteral("como administrador no se trabaja en una carpeta que otros usuarios pueden cambiar "
                                "(%1), y no se pudo pasar al usuario %2: %3")
                     .arg(reason, QString::fromLatin1(user), why);
        return DropResult::Failed;
    };
    errno = 0;
    const struct passwd *pw = ::getpwnam(user);
    if (!pw)
        return failed(QStringLiteral("el usuario no existe (lo crea el paquete korivanta: reinstálelo con «sudo "
                                     "apt-get install --reinstall korivanta»)"));
    if (pw->pw_uid == 0)
        return failed(QStringLiteral("es otro nombre de root"));
    const uid_t uid = pw->pw_uid;
    const gid_t gid = pw->pw_gid;
    const QByteArray home = pw->pw_dir ? QByteArray(pw->pw_dir) : QByteArray("/");
    // Its own group and those it belongs to (korivanta), nothing of root's.
    int count = 0;
    ::getgrouplist(user, gid, nullptr, &count);
    std::vector<gid_t> groups(std::size_t(count > 0 ? count : 1), gid);
    if (count > 0 && ::getgrouplist(user, gid, groups.data(), &count) < 0)
        groups.assign(1, gid);
    groups.resize(std::size_t(count > 0 ? count : 1));
    if (::setgroups(groups.size(), groups.data()) != 0 || ::setresgid(gid, gid, gid) != 0 ||
        ::setresuid(uid, uid, uid) != 0)
        return failed(QString::fromLocal8Bit(std::strerror(errno)));
    // For good: neither the user nor the group of root can be taken back,
    // and root's group is not among those kept.
    if (::setuid(0) == 0 || ::seteuid(0) == 0 || ::setgid(0) == 0 || ::getuid() != uid || ::geteuid() != uid ||
        ::getgid() != gid || ::getegid() != gid)
        return failed(QStringLiteral("root se pudo recuperar"));
    gid_t held[256];
    const int kept = ::getgroups(0, nullptr);
    if (kept < 0 || kept > int(std::size(held)))
        return failed(QStringLiteral("no se pueden leer sus grupos"));
    const int heldCount = ::getgroups(kept, held);
    if (heldCount < 0 || std::find(held, held + heldCount, gid_t(0)) != held + heldCount)
        return failed(QStringLiteral("quedó el grupo de root"));
    // What root's environment names is not this user's.
    qputenv("HOME", home);
    qputenv("USER", user);
    qputenv("LOGNAME", user);
    return DropResult::Dropped;
}

} // namespace korivanta::wordstore
