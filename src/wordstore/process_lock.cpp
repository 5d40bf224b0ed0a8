#include "wordstore/process_lock.h"

#include <QDeadlineTimer>
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
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        const Result r = tryOnce();
        if (r != Result::Busy || deadline.hasExpired())
            return r;
        QThread::msleep(50);
    }
}

ProcessLock::Result ProcessLock::tryOnce()
{
    const QByteArray name = QFile::encodeName(m_path);
    // The file itself only names the lock; the kernel's lock on it is the
    // lock, and it goes with the process whatever way the process ends.
    // Several tries: the holder removes the file as it lets go, and a file
    // opened just before that is no longer the one at the path.
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, m_groupWritable ? 0664 : 0644);
        if (fd < 0 && errno == EACCES)
            fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC); // someone else's lock file
        if (fd < 0)
            return Result::NoPermission;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            return err == EWOULDBLOCK ? Result::Busy : Result::NoPermission;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(name.constData(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            if (m_groupWritable && held.st_uid == ::geteuid())
                ::fchmod(fd, 0664);
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
