// The editor's panel for recording a word in the teacher's voice: "Grabar",
// a live level meter, "Detener", "Escuchar" and "Grabar de nuevo". Each
// finished recording is stored at outputPath() and announced by
// recordingSaved(). Without any microphone the record buttons are disabled and
// the panel says why; the rest of the window is unaffected.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QSoundEffect;

namespace korivanta::recording {

class VoiceRecorder;

class RecordPanel : public QWidget {
    Q_OBJECT
public:
    explicit RecordPanel(QWidget *parent = nullptr);
    ~RecordPanel() override;

    // Where recordings are written (the file is replaced by each new one).
    void setOutputPath(const QString &path);
    QString outputPath() const;

    // The recording made last, or empty.
    const QString &recordingPath() const { return m_recordingPath; }

    // How "Escuchar" plays a file; by default a QSoundEffect of the panel's.
    void setPlayFunction(std::function<void(const QString &)> play) { m_play = std::move(play); }

    VoiceRecorder &recorder() { return *m_recorder; }

    // Forgets the last recording (for a new word); the file stays.
    void clear();

signals:
    void recordingSaved(const QString &path);

private:
    void record();
    void play();
    void onFinished(const QString &path);
    void onFailed(const QString &reason);
    void updateControls();

    VoiceRecorder *m_recorder;
    QPushButton *m_recordButton;
    QPushButton *m_stopButton;
    QPushButton *m_playButton;
    QPushButton *m_recordAgainButton;
    QProgressBar *m_levelMeter;
    QLabel *m_status;
    QSoundEffect *m_effect = nullptr;
    QString m_recordingPath;
    bool m_inputAvailable = false;
    std::function<void(const QString &)> m_play;
};

} // namespace korivanta::recording
