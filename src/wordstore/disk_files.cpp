#include "wordstore/disk_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

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

namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    Fd &operator=(Fd &&other) noexcept
    {
        if (this != &other) {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = other.release();
        }
        return *this;
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// `path`'s folder, opened below `top` when it is there (else by its path), and
// its last name.
struct Place {
    Fd folder;
    QByteArray name;
    QString error;
};

void locate(const QString &path, const QString &top, Place *place)
{
    const QFileInfo info(path);
    place->name = QFile::encodeName(info.fileName());
    const int fd = openFolderBelow(top, info.absolutePath(), &place->error);
    if (fd >= 0)
        place->folder = Fd(fd);
}

// Writes all `size` bytes; 0, or the errno of the failure.
int writeAll(int fd, const char *data, qsizetype size)
{
    for (qsizetype done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n < 0 && errno != EINTR)
            return errno;
        if (n > 0)
            done += n;
    }
    return 0;
}

bool below(const QString &top, const QString &path)
{
    return !top.isEmpty() && (path == top || path.startsWith(top + QLatin1Char('/')));
}

} // namespace

int openFolderBelow(const QString &top, const QString &folder, QString *error)
{
    const QString cleanTop = QDir::cleanPath(top);
    const QString cleanFolder = QDir::cleanPath(folder);
    if (!below(cleanTop, cleanFolder)) {
        const int fd = ::open(QFile::encodeName(cleanFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            *error = QStringLiteral("no se puede abrir la carpeta «%1»: %2").arg(cleanFolder, errorText(errno));
        return fd;
    }
    // The top itself is the school's folder, which only root places; nothing
    // under it is followed if it is a link.
    Fd current(::open(QFile::encodeName(cleanTop).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (current.get() < 0) {
        *error = QStringLiteral("no se puede abrir la carpeta «%1»: %2").arg(cleanTop, errorText(errno));
        return -1;
    }
    QString reached = cleanTop;
    const QStringList parts = cleanFolder.mid(cleanTop.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        reached += QLatin1Char('/') + part;
        const int next = ::openat(current.get(), QFile::encodeName(part).constData(),
                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            const int failure = errno;
            struct stat st {};
            if (failure == ELOOP || failure == ENOTDIR ||
                (::fstatat(current.get(), QFile::encodeName(part).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                 !S_ISDIR(st.st_mode)))
                *error = untrustedText(reached);
            else
                *error = QStringLiteral("no se puede abrir la carpeta «%1»: %2").arg(reached, errorText(failure));
            return -1;
        }
        current = Fd(next);
    }
    return current.release();
}

QString writeNewFile(const QString &path, const QByteArray &bytes, bool groupWritable, const QString &top)
{
    Place place;
    locate(path, top, &place);
    if (place.folder.get() < 0)
        return place.error;
    const int fd = ::openat(place.folder.get(), place.name.constData(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return errorText(errno);
    int failure = 0;
    if (groupWritable && ::fchmod(fd, 0664) != 0)
        failure = errno;
    if (!failure)
        failure = writeAll(fd, bytes.constData(), bytes.size());
    if (!failure && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && !failure)
        failure = errno;
    if (failure) {
        ::unlinkat(place.folder.get(), place.name.constData(), 0);
        return errorText(failure);
    }
    return {};
}

QString placeFile(const QString &made, const QString &path, const QString &prefix, int mode, const QString &top)
{
    const Fd source(::open(QFile::encodeName(made).constData(), O_RDONLY | O_CLOEXEC));
    if (source.get() < 0)
        return QStringLiteral("no se puede leer «%1»: %2").arg(made, errorText(errno));
    Place place;
    locate(path, top, &place);
    if (place.folder.get() < 0)
        return place.error;
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray name;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        name = QFile::encodeName(prefix);
        for (int i = 0; i < 6; ++i)
            name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))];
        fd = ::openat(place.folder.get(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return QStringLiteral("no se puede crear un archivo nuevo junto a «%1»: %2").arg(path, errorText(errno));
    int failure = ::fchmod(fd, mode_t(mode)) == 0 ? 0 : errno;
    char buffer[1 << 16];
    while (!failure) {
        const ssize_t n = ::read(source.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            failure = errno;
            break;
        }
        if (n == 0)
            break;
        failure = writeAll(fd, buffer, n);
    }
    if (!failure && ::fsync(fd) != 0)
        failure = errno;
    if (::close(fd) != 0 && !failure)
        failure = errno;
    if (!failure && ::renameat(place.folder.get(), name.constData(), place.folder.get(), place.name.constData()) != 0)
        failure = errno;
    if (failure) {
        ::unlinkat(place.folder.get(), name.constData(), 0);
        return QStringLiteral("no se puede escribir «%1»: %2").arg(path, errorText(failure));
    }
    // The rename itself is on the disk once the folder is synced.
    ::fsync(place.folder.get());
    return {};
}

QString makeFolder(const QString &path, bool groupWritable, const QString &top)
{
    Place place;
    locate(path, top, &place);
    if (place.folder.get() < 0)
        return place.error;
    if (::mkdirat(place.folder.get(), place.name.constData(), groupWritable ? 02775 : 0755) != 0)
        return errorText(errno);
    if (!groupWritable)
        return {};
    // The mode is set on the folder just made, reached without following a
    // link that someone may have put in its place meanwhile.
    const Fd made(
        ::openat(place.folder.get(), place.name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (made.get() < 0)
        return untrustedText(QDir::cleanPath(path));
    if (::fchmod(made.get(), 02775) != 0) {
        const int failure = errno;
        ::unlinkat(place.folder.get(), place.name.constData(), AT_REMOVEDIR);
        return errorText(failure);
    }
    return {};
}

QString renameNew(const QString &from, const QString &to, const QString &top)
{
    Place place;
    locate(to, top, &place);
    if (place.folder.get() < 0)
        return place.error;
    if (QFileInfo(from).absolutePath() != QFileInfo(to).absolutePath())
        return errorText(EXDEV);
    const QByteArray fromName = QFile::encodeName(QFileInfo(from).fileName());
    if (::renameat2(place.folder.get(), fromName.constData(), place.folder.get(), place.name.constData(),
                    RENAME_NOREPLACE) != 0)
        return errorText(errno);
    return {};
}

bool removeFile(const QString &path, const QString &top)
{
    Place place;
    locate(path, top, &place);
    return place.folder.get() >= 0 && ::unlinkat(place.folder.get(), place.name.constData(), 0) == 0;
}

void removeFilesStartingWith(const QString &folder, const QString &prefix, const QString &top)
{
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name.startsWith(prefix))
            removeFile(dir.absoluteFilePath(name), top);
}

bool removeEmptyFolder(const QString &path, const QString &top)
{
    Place place;
    locate(path, top, &place);
    return place.folder.get() >= 0 && ::unlinkat(place.folder.get(), place.name.constData(), AT_REMOVEDIR) == 0;
}

QString untrustedText(const QString &path)
{
    return QStringLiteral(
               "«%1» no es un archivo ni una carpeta común sino un enlace u otra cosa que alguien puso en "
               "la carpeta de las palabras de la escuela; por seguridad no se escribe, cambia ni borra nada a "
               "través de él (bórrelo y vuelva a intentarlo)")
        .arg(path);
}

QString untrustedEntry(const QString &top)
{
    struct stat st {};
    const QByteArray topName = QFile::encodeName(QDir::cleanPath(top));
    if (::lstat(topName.constData(), &st) != 0)
        return {};
    if (!S_ISDIR(st.st_mode))
        return untrustedText(QDir::cleanPath(top));
    // Depth first, each folder opened from its parent's handle.
    struct Pending {
        int fd;
        QString path;
    };
    std::vector<Pending> pending;
    const int first = ::open(topName.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (first < 0)
        return {};
    pending.push_back({first, QDir::cleanPath(top)});
    QString found;
    while (!pending.empty()) {
        const Pending folder = pending.back();
        pending.pop_back();
        DIR *dir = ::fdopendir(folder.fd);
        if (!dir) {
            ::close(folder.fd);
            continue;
        }
        while (found.isEmpty()) {
            const struct dirent *entry = ::readdir(dir);
            if (!entry)
                break;
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            const QString path = folder.path + QLatin1Char('/') + QFile::decodeName(name);
            if (::fstatat(::dirfd(dir), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // gone meanwhile
            if (S_ISDIR(st.st_mode)) {
                const int fd =
                    ::openat(::dirfd(dir), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (fd >= 0)
                    pending.push_back({fd, path});
                else if (errno == ELOOP || errno == ENOTDIR)
                    found = untrustedText(path);
            } else if (!S_ISREG(st.st_mode)) {
                found = untrustedText(path);
            }
        }
        ::closedir(dir);
        if (!found.isEmpty())
            break;
    }
    for (const Pending &p : pending)
        ::close(p.fd);
    return found;
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
