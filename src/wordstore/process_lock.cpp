#include "wordstore/process_lock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korivanta::wordstore {

ProcessLock::ProcessLock(const QString &path, bool groupWritable) : m_path(path), m_groupWritable(groupWritable) {}

ProcessLock::~ProcessLock()
{
    unlock();
}

ProcessLock::Result ProcessLock::tryLock(int timeoutMs)
{
    return tryLock([timeoutMs](qint64 waitedMs) {
        if (waitedMs >= timeoutMs)
            return false;
        QThread::msleep(50);
        return true;
    });
}

ProcessLock::Result ProcessLock::tryLock(const std::function<bool(qint64 waitedMs)> &keepWaiting)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const Result r = tryOnce();
        if (r != Result::Busy || !keepWaiting(waited.elapsed()))
            return r;
    }
}

ProcessLock::Result ProcessLock::tryOnce()
{
    const QByteArray name = QFile::encodeName(m_path);
    // The file itself only names the lock; the kernel's lock on it is the
    // lock, and it goes with the process whatever way the process ends.
    // Several tries: the holder removes the file as it lets go, and a file
    // opened just before that is no longer the one at the path.
    // The folder may be shared: a link or a FIFO put at the path is never
    // opened through, and only a file this run made has its mode set.
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    for (int attempt = 0; attempt < 100; ++attempt) {
        bool made = true;
        int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | kFlags, m_groupWritable ? 0664 : 0644);
        if (fd < 0 && errno == EEXIST) {
            made = false;
            fd = ::open(name.constData(), O_RDWR | kFlags);
            if (fd < 0 && errno == EACCES)
                fd = ::open(name.constData(), O_RDONLY | kFlags); // someone else's lock file
            if (fd < 0 && errno == ENOENT)
                continue; // let go of meanwhile
        }
        if (fd < 0)
            return errno == ELOOP ? Result::NotAFile : Result::NoPermission;
        struct stat held {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            return Result::NotAFile;
        }
        if (made && m_groupWritable && ::fchmod(fd, 0664) != 0) {
            const int err = errno;
            ::unlink(name.constData());
            ::close(fd);
            return err == EPERM || err == EACCES ? Result::NoPermission : Result::NotAFile;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            return err == EWOULDBLOCK ? Result::Busy : Result::NoPermission;
        }
        struct stat named {};
        if (::lstat(name.constData(), &named) == 0 && held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            m_fd = fd;
            return Result::Taken;
        }
        ::close(fd);
    }
    return Result::Busy;
}

void ProcessLock::unlock()
{
    if (m_fd < 0)
        return;
    // Removed while still held, so nobody takes a lock on a file that is
    // about to disappear from under the next one.
    ::unlink(QFile::encodeName(m_path).constData());
    ::close(m_fd);
    m_fd = -1;
}

} // namespace korivanta::wordstore
