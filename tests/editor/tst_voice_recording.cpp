// Recording through the panel from a real sound server of the test's own: a
// PulseAudio server whose default source, the microphone, is a 440 Hz sine wave. The WAV stored must be 16-bit PCM mono
// 22050 Hz, hold the tone's frequency (measured by sox), have no silence beyond the margin at either end, and be
// normalised.
#include "editor/recording/record_panel.h"
#include "editor/recording/voice_processing.h"
#include "editor/recording/voice_recorder.h"
#include "stored_voice.h"
#include "support/pulse_null_sink.h"

#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace korivanta;
using namespace korivanta::recording;

namespace {

bool pactl(const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(10000) || process.exitCode() != 0) {
        qWarning() << "pactl" << arguments << process.readAllStandardError();
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    return true;
}

} // namespace

class TestVoiceRecording : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void recordsTheToneIntoTheGameFormat();
    void maximumLengthStopsTheRecording();

private:
    PulseNullSink m_server;
    QTemporaryDir m_dir;
};

void TestVoiceRecording::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    // The microphone: a 440 Hz sine wave source (a null sink's monitor would
    // not do: Qt does not list monitors as inputs).
    QVERIFY(pactl({QStringLiteral("load-module"), QStringLiteral("module-sine-source"),
                   QStringLiteral("source_name=sine_input"), QStringLiteral("frequency=440"),
                   QStringLiteral("rate=44100")}));
    QVERIFY(pactl({QStringLiteral("set-default-source"), QStringLiteral("sine_input")}));
    // Quieter than a full-scale tone, so that normalising shows.
    QVERIFY(pactl({QStringLiteral("set-source-volume"), QStringLiteral("sine_input"), QStringLiteral("60%")}));
    QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty());
}

void TestVoiceRecording::recordsTheToneIntoTheGameFormat()
{
    RecordPanel panel;
    const QString path = m_dir.filePath(QStringLiteral("voz.wav"));
    panel.setOutputPath(path);
    panel.show();
    auto *record = panel.findChild<QPushButton *>(QStringLiteral("recordButton"));
    auto *stop = panel.findChild<QPushButton *>(QStringLiteral("stopButton"));
    auto *play = panel.findChild<QPushButton *>(QStringLiteral("playButton"));
    auto *again = panel.findChild<QPushButton *>(QStringLiteral("recordAgainButton"));
    auto *meter = panel.findChild<QProgressBar *>(QStringLiteral("levelMeter"));
    QVERIFY(record && stop && play && again && meter);
    QVERIFY(record->isEnabled());
    QVERIFY(!stop->isEnabled());
    QVERIFY(!play->isEnabled());

    QSignalSpy saved(&panel, &RecordPanel::recordingSaved);
    QSignalSpy levels(&panel.recorder(), &VoiceRecorder::levelChanged);
    QTest::mouseClick(record, Qt::LeftButton);
    QVERIFY(panel.recorder().isRecording());
    QVERIFY(stop->isEnabled());
    QVERIFY(!record->isEnabled());
    int highestMeter = 0;
    QElapsedTimer clock;
    clock.start();
    // Two seconds at least; the sine source may hand over its first data
    // late, so the meter is given up to six.
    while (clock.elapsed() < 2000 || (highestMeter == 0 && clock.elapsed() < 6000)) {
        QTest::qWait(50);
        highestMeter = std::max(highestMeter, meter->value());
    }
    QTest::mouseClick(stop, Qt::LeftButton);
    auto *status = panel.findChild<QLabel *>(QStringLiteral("recordStatus"));
    QVERIFY2(saved.count() == 1 || saved.wait(5000), qPrintable(status->text()));
    QVERIFY2(saved.count() == 1, qPrintable(status->text()));
    QCOMPARE(saved.at(0).at(0).toString(), path);

    // The meter followed the tone (about 20 levels a second while recording).
    QVERIFY2(highestMeter > 5, qPrintable(QString::number(highestMeter)));
    QVERIFY2(levels.count() >= 30, qPrintable(QString::number(levels.count())));
    QCOMPARE(meter->value(), 0);
    QVERIFY(play->isEnabled());
    QVERIFY(again->isVisible() && again->isEnabled());
    QVERIFY(!record->isVisible());

    // "Escuchar" plays the file just stored.
    QStringList played;
    panel.setPlayFunction([&played](const QString &file) { played << file; });
    QTest::mouseClick(play, Qt::LeftButton);
    QCOMPARE(played, QStringList{path});

    // Format, read back by libsndfile.
    const std::optional<StoredVoice> stored = readStoredVoice(path);
    QVERIFY(stored);
    QVERIFY2(stored->inGameFormat(), qPrintable(stored->formatText()));
    const std::vector<std::int16_t> &samples = stored->samples;

    // About the time recorded, and whatever silence the stream began
    // or ended with is trimmed down to the margin: the tone is loud within
    // the margin's reach of either end.
    const double seconds = stored->seconds();
    const double recorded = static_cast<double>(clock.elapsed()) / 1000;
    // The sine source renders up to its two-second latency ahead of time, so
    // the recording may hold that much more than the time it lasted.
    QVERIFY2(seconds > 1.5 && seconds < recorded + 2.2, qPrintable(QString::number(seconds)));
    int peakSoFar = 0;
    for (std::int16_t s : samples)
        peakSoFar = std::max(peakSoFar, std::abs(static_cast<int>(s)));
    const auto loud = [&](std::int16_t s) { return std::abs(static_cast<int>(s)) >= peakSoFar / 10; };
    const auto firstLoud = std::find_if(samples.begin(), samples.end(), loud) - samples.begin();
    const auto lastLoud = samples.rend() - std::find_if(samples.rbegin(), samples.rend(), loud) - 1;
    const long reach = static_cast<long>((VoiceProcessingSettings{}.marginSeconds + 0.01) * 22050);
    QVERIFY2(firstLoud <= reach, qPrintable(QString::number(firstLoud)));
    QVERIFY2(static_cast<long>(samples.size()) - 1 - lastLoud <= reach, qPrintable(QString::number(lastLoud)));

    // Normalised: peak at -1 dBFS.
    int peak = 0;
    for (std::int16_t s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    QVERIFY2(std::abs(peak / 32767.0 - VoiceProcessingSettings{}.peakTarget) < 0.02, qPrintable(QString::number(peak)));

    // The tone's frequency, measured by sox.
    QProcess sox;
    sox.start(QStringLiteral("sox"), {path, QStringLiteral("-n"), QStringLiteral("stat")});
    QVERIFY(sox.waitForFinished(10000));
    const QString report = QString::fromUtf8(sox.readAllStandardError());
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("Rough\\s+frequency:\\s+(\\d+)")).match(report);
    QVERIFY2(match.hasMatch(), qPrintable(report));
    const int frequency = match.captured(1).toInt();
    QVERIFY2(std::abs(frequency - 440) <= 10, qPrintable(report));
}

void TestVoiceRecording::maximumLengthStopsTheRecording()
{
    VoiceRecorder recorder;
    const QString path = m_dir.filePath(QStringLiteral("corta.wav"));
    recorder.setOutputPath(path);
    recorder.setMaximumMilliseconds(600);
    QSignalSpy finished(&recorder, &VoiceRecorder::finished);
    QVERIFY(recorder.start());
    QVERIFY(finished.wait(5000));
    QVERIFY(!recorder.isRecording());
    const std::optional<StoredVoice> stored = readStoredVoice(path);
    QVERIFY(stored);
    const double seconds = stored->seconds();
    QVERIFY2(seconds > 0.4 && seconds <= 0.6 + 0.001, qPrintable(QString::number(seconds)));
}

QTEST_MAIN(TestVoiceRecording)
#include "tst_voice_recording.moc"
