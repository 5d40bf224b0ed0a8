// One writer at a time across programs: a lock held through the kernel on a
// hidden file, so that a program killed while holding it (or a power cut)
// never leaves a lock behind that keeps the next one waiting.
#pragma once

#include <QString>

#include <functional>

namespace korivanta::wordstore {

class ProcessLock {
public:
    // NotAFile: something else than a plain file is at the lock's path (a
    // link, a FIFO), put there by someone; it is left alone.
    enum class Result { Taken, Busy, NoPermission, NotAFile };

    // `groupWritable`: a lock file this run makes gets mode 0664 whatever the
    // umask, so that every member of the folder's group can take it after it.
    explicit ProcessLock(const QString &path, bool groupWritable = false);
    ~ProcessLock();
    ProcessLock(const ProcessLock &) = delete;
    ProcessLock &operator=(const ProcessLock &) = delete;

    // Waits up to `timeoutMs` for another holder to let go.
    Result tryLock(int timeoutMs);
    // Tries, and while another holds the lock asks `keepWaiting` (with the
    // milliseconds waited so far) whether to try again; `keepWaiting` does the
    // pausing between tries (a window runs its events there).
    Result tryLock(const std::function<bool(qint64 waitedMs)> &keepWaiting);
    // Removes the file and lets go; also done by the destructor.
    void unlock();

private:
    Result tryOnce();

    QString m_path;
    bool m_groupWritable;
    int m_fd = -1;
};

} // namespace korivanta::wordstore
