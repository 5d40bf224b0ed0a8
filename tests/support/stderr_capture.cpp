#include "support/stderr_capture.h"

#include <QByteArray>

#include <unistd.h>

namespace korivanta {

StderrCapture::StderrCapture()
{
    std::fflush(stderr);
    m_sink = std::tmpfile();
    m_saved = ::dup(STDERR_FILENO);
    if (!m_sink || m_saved < 0 || ::dup2(fileno(m_sink), STDERR_FILENO) < 0)
        qFatal("cannot redirect stderr");
}

StderrCapture::~StderrCapture()
{
    if (m_saved >= 0)
        finish();
}

QString StderrCapture::finish()
{
    std::fflush(stderr);
    ::dup2(m_saved, STDERR_FILENO);
    ::close(m_saved);
    m_saved = -1;

    QByteArray text;
    std::rewind(m_sink);
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, m_sink)) > 0)
        text.append(buffer, qsizetype(n));
    std::fclose(m_sink);
    m_sink = nullptr;
    return QString::fromUtf8(text);
}

QStringList StderrCapture::warnings(const QString &text)
{
    QStringList found;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("korivanta: aviso: ")))
            found.append(line);
    }
    return found;
}

} // namespace korivanta
