// Recording the teacher's voice from the default microphone (Qt Multimedia).
//
// start() opens the default audio input for 16-bit PCM, mono 22050 Hz when
// the device takes it (otherwise its own rate and channels, converted
// afterwards), and collects the samples; levelChanged() gives the live peak
// level (0..1) about 20 times a second for a meter. stop(), or the maximum
// length, ends the recording: the samples pass through processVoice() and are
// written with writeVoiceWav() to outputPath(), and finished() or failed()
// tells how it went.
#pragma once

#include "editor/recording/voice_processing.h"

#include <QAudioFormat>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <vector>

class QAudioSource;

namespace korivanta::recording {

class VoiceRecorder : public QObject {
    Q_OBJECT
public:
    explicit VoiceRecorder(QObject *parent = nullptr);
    ~VoiceRecorder() override;

    // Whether the computer has any audio input at all.
    static bool inputAvailable();

    // The WAV file every recording is written to (replaced each time).
    void setOutputPath(const QString &path) { m_outputPath = path; }
    const QString &outputPath() const { return m_outputPath; }

    // Longest recording; reaching it stops as stop() does. 10 s by default.
    void setMaximumMilliseconds(int milliseconds) { m_maximumMs = milliseconds; }
    int maximumMilliseconds() const { return m_maximumMs; }

    void setProcessingSettings(const VoiceProcessingSettings &settings) { m_settings = settings; }

    bool isRecording() const { return m_source != nullptr; }

    // Starts recording. False, with failed() emitted, when there is no input
    // or it cannot be opened.
    bool start();
    // Ends the recording and stores it (finished() or failed()). Nothing when
    // not recording.
    void stop();
    // Ends the recording and throws it away.
    void cancel();

    // The format the input was opened with (valid while and after recording).
    const QAudioFormat &captureFormat() const { return m_format; }

signals:
    void started();
    void levelChanged(double level);
    void finished(const QString &path);
    void failed(const QString &reason);

private:
    class SampleSink;
    void append(const char *data, qint64 length);
    std::size_t maximumSamples() const;
    void emitLevel();
    void closeSource();

    QString m_outputPath;
    int m_maximumMs = 10000;
    VoiceProcessingSettings m_settings;
    QAudioFormat m_format;
    std::unique_ptr<SampleSink> m_sink;
    std::unique_ptr<QAudioSource> m_source;
    QByteArray m_pendingByte;
    std::vector<std::int16_t> m_samples;
    QTimer m_levelTimer;
    int m_peakSinceLevel = 0;
    bool m_stopQueued = false;
};

} // namespace korivanta::recording
