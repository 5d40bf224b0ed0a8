// Another program's connection to a words database that holds its exclusive
// lock (BEGIN EXCLUSIVE) until release() or its end, as a program in the
// middle of a long write would.
#pragma once

#include <QString>

class ExclusiveHolder {
public:
    explicit ExclusiveHolder(const QString &file);
    ~ExclusiveHolder();
    ExclusiveHolder(const ExclusiveHolder &) = delete;
    ExclusiveHolder &operator=(const ExclusiveHolder &) = delete;

    bool held() const { return m_held; }
    // Rolls back and closes; nothing when already released.
    void release();

private:
    QString m_name;
    bool m_held = false;
};
