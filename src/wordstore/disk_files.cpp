#include "wordstore/disk_files.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korivanta::diskfiles {

QString errorText(int errnum)
{
    switch (errnum) {
    case ENOSPC: return QStringLiteral("no queda espacio en el disco");
    case EDQUOT: return QStringLiteral("se acabó el espacio en disco permitido a este usuario");
    case EACCES:
    case EPERM: return QStringLiteral("no hay permiso para escribir allí");
    case EROFS: return QStringLiteral("el disco es de solo lectura");
    case EIO: return QStringLiteral("error de lectura o escritura en el disco");
    case EEXIST: return QStringLiteral("ya existe un archivo con ese nombre");
    case ENOENT: return QStringLiteral("la carpeta no existe");
    default: return QString::fromLocal8Bit(std::strerror(errnum));
    }
}

QString writeNewFile(const QString &path, const QByteArray &bytes, bool groupWritable)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return errorText(errno);
    int failure = 0;
    if (groupWritable && ::fchmod(fd, 0664) != 0)
        failure = errno;
    for (qsizetype done = 0; done < bytes.size() && !failure;) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            failure = errno;
        else if (n > 0)
            done += n;
    }
    if (!failure && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && !failure)
        failure = errno;
    if (failure) {
        ::unlink(name.constData());
        return errorText(failure);
    }
    return {};
}

QString makeFolder(const QString &path, bool groupWritable)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), groupWritable ? 02775 : 0755) != 0)
        return errorText(errno);
    if (groupWritable && ::chmod(name.constData(), 02775) != 0) {
        const int failure = errno;
        ::rmdir(name.constData());
        return errorText(failure);
    }
    return {};
}

bool syncPath(const QString &path, bool folder)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace korivanta::diskfiles
