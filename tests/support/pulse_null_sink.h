// A sound server of the test's own: PulseAudio with one null sink, so that
// sounds are really decoded and played on machines without a sound card (CI).
// Start it before anything asks Qt for audio devices: Qt connects to the
// server named by PULSE_SERVER the first time it looks.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace korivanta {

class PulseNullSink {
public:
    PulseNullSink() = default;
    ~PulseNullSink(); // ends the server
    PulseNullSink(const PulseNullSink &) = delete;
    PulseNullSink &operator=(const PulseNullSink &) = delete;

    // Starts the server and points PULSE_SERVER at it. False (with the reason
    // in error()) when pulseaudio is not installed or does not come up.
    bool start();
    const QString &error() const { return m_error; }

    // The playback streams open on the server now, one line each
    // ("pactl list short sink-inputs"); empty on failure.
    QStringList sinkInputs() const;

private:
    QTemporaryDir m_dir;
    QProcess m_server;
    QString m_socket;
    QString m_error;
};

} // namespace korivanta
