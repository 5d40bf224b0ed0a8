// Catches what the code under test writes to stderr (file descriptor 2), for
// tests that check the warnings a component prints.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

namespace korivanta {

class StderrCapture {
public:
    StderrCapture();  // from here on, stderr goes to a temporary file
    ~StderrCapture(); // puts stderr back if finish() was not called

    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    // Puts stderr back and returns everything written since the start.
    QString finish();

    // The program's own warning lines ("korivanta: aviso: ...") among the text.
    static QStringList warnings(const QString &text);

private:
    std::FILE *m_sink = nullptr;
    int m_saved = -1;
};

} // namespace korivanta
