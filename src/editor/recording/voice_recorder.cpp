#include "editor/recording/voice_recorder.h"

#include <QAudioDevice>
#include <QAudioSource>
#include <QMediaDevices>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace korivanta::recording {

namespace {

const QString kNoInput = QStringLiteral("No hay micrófono: conecte uno para grabar la voz.");

// 16-bit PCM, mono 22050 Hz if the device takes it; else the device's own
// rate and channels in 16-bit; invalid when neither is possible.
QAudioFormat chooseFormat(const QAudioDevice &device)
{
    QAudioFormat wanted;
    wanted.setSampleRate(kVoiceSampleRate);
    wanted.setChannelCount(kVoiceChannels);
    wanted.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(wanted))
        return wanted;
    QAudioFormat own = device.preferredFormat();
    own.setSampleFormat(QAudioFormat::Int16);
    if (device.isFormatSupported(own))
        return own;
    return {};
}

} // namespace

// Where the input writes what it records (Qt's push mode: the audio backend
// delivers each period as it comes, which PulseAudio's pull mode in Qt 6.4
// does not do until the stream ends).
class VoiceRecorder::SampleSink : public QIODevice {
public:
    explicit SampleSink(VoiceRecorder &recorder) : m_recorder(recorder)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override
    {
        m_recorder.append(data, length);
        return length;
    }

private:
    VoiceRecorder &m_recorder;
};

VoiceRecorder::VoiceRecorder(QObject *parent) : QObject(parent)
{
    m_levelTimer.setInterval(50);
    connect(&m_levelTimer, &QTimer::timeout, this, &VoiceRecorder::emitLevel);
}

VoiceRecorder::~VoiceRecorder()
{
    closeSource();
}

bool VoiceRecorder::inputAvailable()
{
    return !QMediaDevices::audioInputs().isEmpty();
}

bool VoiceRecorder::start()
{
    if (isRecording())
        return true;
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull() || !inputAvailable()) {
        emit failed(kNoInput);
        return false;
    }
    m_format = chooseFormat(device);
    if (!m_format.isValid()) {
        emit failed(QStringLiteral("El micrófono no graba en un formato que el programa conozca."));
        return false;
    }
    m_samples.clear();
    m_pendingByte.clear();
    m_peakSinceLevel = 0;
    m_stopQueued = false;
    m_sink = std::make_unique<SampleSink>(*this);
    m_source = std::make_unique<QAudioSource>(device, m_format);
    // Small fragments (about 40 ms): left alone, PulseAudio hands a recording
    // stream its data in fragments of about two seconds, which leaves the
    // meter still while the teacher speaks.
    m_source->setBufferSize(m_format.bytesForDuration(40000));
    m_source->start(m_sink.get());
    if (m_source->error() != QAudio::NoError || m_source->state() == QAudio::StoppedState) {
        closeSource();
        emit failed(QStringLiteral("No se pudo abrir el micrófono: conecte uno para grabar la voz."));
        return false;
    }
    connect(m_source.get(), &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && m_source && m_source->error() != QAudio::NoError) {
            closeSource();
            m_samples.clear();
            emit levelChanged(0);
            emit failed(QStringLiteral("El micrófono dejó de funcionar durante la grabación."));
        }
    });
    m_levelTimer.start();
    emit started();
    return true;
}

std::size_t VoiceRecorder::maximumSamples() const
{
    return static_cast<std::size_t>(m_format.sampleRate()) * static_cast<std::size_t>(m_format.channelCount()) *
           static_cast<std::size_t>(m_maximumMs) / 1000;
}

void VoiceRecorder::append(const char *data, qint64 length)
{
    if (!isRecording() || length <= 0)
        return;
    // Samples are two bytes; a write may in principle split one.
    m_pendingByte.append(data, length);
    const std::size_t maximum = maximumSamples();
    const std::size_t count = static_cast<std::size_t>(m_pendingByte.size()) / sizeof(std::int16_t);
    const std::size_t kept = std::min(count, maximum - std::min(maximum, m_samples.size()));
    const std::size_t before = m_samples.size();
    m_samples.resize(before + kept);
    std::memcpy(m_samples.data() + before, m_pendingByte.constData(), kept * sizeof(std::int16_t));
    m_pendingByte.remove(0, static_cast<qsizetype>(count * sizeof(std::int16_t)));
    for (std::size_t i = before; i < m_samples.size(); ++i)
        m_peakSinceLevel = std::max(m_peakSinceLevel, std::abs(static_cast<int>(m_samples[i])));

    // Not from inside the input's own write: stopping destroys it.
    if (m_samples.size() >= maximum && !m_stopQueued) {
        m_stopQueued = true;
        QMetaObject::invokeMethod(this, &VoiceRecorder::stop, Qt::QueuedConnection);
    }
}

void VoiceRecorder::emitLevel()
{
    emit levelChanged(std::min(1.0, m_peakSinceLevel / 32767.0));
    m_peakSinceLevel = 0;
}

void VoiceRecorder::closeSource()
{
    m_levelTimer.stop();
    if (m_source) {
        m_source->disconnect(this);
        m_source->stop();
        m_source.reset();
    }
    m_sink.reset();
}

void VoiceRecorder::cancel()
{
    closeSource();
    m_samples.clear();
    emit levelChanged(0);
}

void VoiceRecorder::stop()
{
    if (!isRecording())
        return;
    closeSource();
    emit levelChanged(0);

    std::vector<std::int16_t> samples;
    samples.swap(m_samples);
    const ProcessedVoice voice = processVoice(samples, m_format.sampleRate(), m_format.channelCount(), m_settings);
    if (!voice.ok()) {
        emit failed(voice.error);
        return;
    }
    if (m_outputPath.isEmpty()) {
        emit failed(QStringLiteral("No se sabe dónde guardar la grabación."));
        return;
    }
    const QString error = writeVoiceWav(m_outputPath, voice.samples);
    if (!error.isEmpty()) {
        emit failed(error);
        return;
    }
    emit finished(m_outputPath);
}

} // namespace korivanta::recording
