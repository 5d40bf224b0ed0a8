#include "editor/recording/record_panel.h"

#include "editor/recording/voice_recorder.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMediaDevices>
#include <QProgressBar>
#include <QPushButton>
#include <QSoundEffect>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

namespace korivanta::recording {

namespace {

const QString kNoInputText = QStringLiteral("No hay micrófono: conecte uno para grabar la voz.");

QPushButton *makeButton(const QString &text, const QString &name, const QString &accessible, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(accessible);
    return button;
}

} // namespace

RecordPanel::RecordPanel(QWidget *parent)
    : QWidget(parent), m_recorder(new VoiceRecorder(this)),
      m_recordButton(
          makeButton(QStringLiteral("Grabar"), QStringLiteral("recordButton"), QStringLiteral("Grabar la voz"), this)),
      m_stopButton(makeButton(QStringLiteral("Detener"), QStringLiteral("stopButton"),
                              QStringLiteral("Detener la grabación"), this)),
      m_playButton(makeButton(QStringLiteral("Escuchar"), QStringLiteral("playButton"),
                              QStringLiteral("Escuchar la grabación"), this)),
      m_recordAgainButton(makeButton(QStringLiteral("Grabar de nuevo"), QStringLiteral("recordAgainButton"),
                                     QStringLiteral("Grabar de nuevo la voz"), this)),
      m_levelMeter(new QProgressBar(this)), m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("recordPanel"));
    setAccessibleName(QStringLiteral("Grabación de la voz"));
    m_levelMeter->setObjectName(QStringLiteral("levelMeter"));
    m_levelMeter->setAccessibleName(QStringLiteral("Nivel del micrófono"));
    m_levelMeter->setRange(0, 100);
    m_levelMeter->setValue(0);
    m_levelMeter->setTextVisible(false);
    m_status->setObjectName(QStringLiteral("recordStatus"));
    m_status->setWordWrap(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_recordButton);
    buttons->addWidget(m_recordAgainButton);
    buttons->addWidget(m_stopButton);
    buttons->addWidget(m_playButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(buttons);
    layout->addWidget(m_levelMeter);
    layout->addWidget(m_status);

    connect(m_recordButton, &QPushButton::clicked, this, &RecordPanel::record);
    connect(m_recordAgainButton, &QPushButton::clicked, this, &RecordPanel::record);
    connect(m_stopButton, &QPushButton::clicked, m_recorder, &VoiceRecorder::stop);
    connect(m_playButton, &QPushButton::clicked, this, &RecordPanel::play);
    connect(m_recorder, &VoiceRecorder::levelChanged, this,
            [this](double level) { m_levelMeter->setValue(static_cast<int>(std::lround(level * 100))); });
    connect(m_recorder, &VoiceRecorder::finished, this, &RecordPanel::onFinished);
    connect(m_recorder, &VoiceRecorder::failed, this, &RecordPanel::onFailed);

    // A microphone plugged in (or pulled out) while the editor is open.
    auto *devices = new QMediaDevices(this);
    connect(devices, &QMediaDevices::audioInputsChanged, this, [this] {
        m_inputAvailable = VoiceRecorder::inputAvailable();
        m_status->setText(m_inputAvailable ? QString() : kNoInputText);
        updateControls();
    });
    m_inputAvailable = VoiceRecorder::inputAvailable();
    if (!m_inputAvailable)
        m_status->setText(kNoInputText);
    updateControls();
}

RecordPanel::~RecordPanel() = default;

void RecordPanel::setOutputPath(const QString &path)
{
    m_recorder->setOutputPath(path);
}

QString RecordPanel::outputPath() const
{
    return m_recorder->outputPath();
}

void RecordPanel::clear()
{
    m_recorder->cancel();
    m_recordingPath.clear();
    m_status->setText(m_inputAvailable ? QString() : kNoInputText);
    updateControls();
}

void RecordPanel::record()
{
    // An input that cannot be opened counts as no microphone until the
    // devices change; failed() has already put the reason on show.
    if (!m_recorder->start()) {
        m_inputAvailable = false;
        updateControls();
        return;
    }
    m_status->setText(
        QStringLiteral("Grabando… (como mucho %1 segundos)").arg(m_recorder->maximumMilliseconds() / 1000));
    updateControls();
}

void RecordPanel::play()
{
    if (m_recordingPath.isEmpty())
        return;
    if (m_play) {
        m_play(m_recordingPath);
        return;
    }
    if (!m_effect)
        m_effect = new QSoundEffect(this);
    // The file is replaced by every recording: load it afresh.
    m_effect->setSource(QUrl());
    m_effect->setSource(QUrl::fromLocalFile(m_recordingPath));
    m_effect->play();
}

void RecordPanel::onFinished(const QString &path)
{
    m_recordingPath = path;
    m_status->setText(QStringLiteral("Grabación lista."));
    updateControls();
    emit recordingSaved(path);
}

void RecordPanel::onFailed(const QString &reason)
{
    m_status->setText(reason);
    updateControls();
}

void RecordPanel::updateControls()
{
    const bool recording = m_recorder->isRecording();
    const bool haveRecording = !m_recordingPath.isEmpty();
    m_recordButton->setVisible(!haveRecording);
    m_recordAgainButton->setVisible(haveRecording);
    m_recordButton->setEnabled(m_inputAvailable && !recording);
    m_recordAgainButton->setEnabled(m_inputAvailable && !recording);
    m_stopButton->setEnabled(recording);
    m_playButton->setEnabled(haveRecording && !recording);
    m_levelMeter->setEnabled(recording);
}

} // namespace korivanta::recording
