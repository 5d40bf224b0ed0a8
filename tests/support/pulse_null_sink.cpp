#include "support/pulse_null_sink.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

namespace korivanta {

bool PulseNullSink::start()
{
    const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (pulseaudio.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("pactl")).isEmpty()) {
        m_error = QStringLiteral("pulseaudio or pactl not installed");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_socket = m_dir.filePath(QStringLiteral("pa"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), m_dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("PULSE_SERVER"));
    m_server.setProcessEnvironment(env);
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.setStandardErrorFile(m_dir.filePath(QStringLiteral("server.log")));
    // A test that crashes leaves the server behind: it ends itself after
    // 30 s without a client.
    m_server.start(pulseaudio,
                   {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=30"),
                    QStringLiteral("--use-pid-file=no"), QStringLiteral("-L"),
                    QStringLiteral("module-null-sink sink_name=nullsink"), QStringLiteral("-L"),
                    QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + m_socket});
    if (!m_server.waitForStarted(5000)) {
        m_error = QStringLiteral("pulseaudio did not start: ") + m_server.errorString();
        return false;
    }
    const QDeadlineTimer deadline(10000);
    while (!QFileInfo(m_socket).exists()) {
        if (deadline.hasExpired() || m_server.state() != QProcess::Running) {
            m_error = QStringLiteral("pulseaudio gave no socket");
            return false;
        }
        QThread::msleep(20);
    }
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(m_socket));
    return true;
}

QStringList PulseNullSink::sinkInputs() const
{
    QProcess pactl;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:") + m_socket);
    pactl.setProcessEnvironment(env);
    pactl.start(QStringLiteral("pactl"),
                {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")});
    if (!pactl.waitForFinished(10000))
        return {};
    return QString::fromUtf8(pactl.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

PulseNullSink::~PulseNullSink()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    m_server.terminate();
    if (!m_server.waitForFinished(3000)) {
        m_server.kill();
        m_server.waitForFinished(3000);
    }
}

} // namespace korivanta
