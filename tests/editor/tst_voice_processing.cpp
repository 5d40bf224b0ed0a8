// The processing of a recording into the game's voice format, on synthetic
// samples: silence trimmed with a margin, peak normalised, any capture
// format turned into mono 22050 Hz, silence refused; and the WAV written.
#include "editor/recording/voice_processing.h"
#include "stored_voice.h"
#include "support/media_fixtures.h"
#include "support/words_fixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace korivanta;
using namespace korivanta::recording;

namespace {

struct Signal {
    std::vector<std::int16_t> interleaved;
};

// `silenceBefore` seconds of silence, `toneSeconds` of a sine of `frequency`
// at `amplitude` (0..1) in every channel (the right one at `rightScale` of
// it), then `silenceAfter` seconds of silence, plus a little hiss everywhere.
std::vector<std::int16_t> makeSignal(int rate, int channels, double silenceBefore, double toneSeconds,
                                     double silenceAfter, double frequency, double amplitude, double rightScale = 1.0,
                                     double hiss = 0.0005)
{
    const auto before = static_cast<long>(silenceBefore * rate);
    const auto tone = static_cast<long>(toneSeconds * rate);
    const auto after = static_cast<long>(silenceAfter * rate);
    std::vector<std::int16_t> out;
    unsigned seed = 12345;
    for (long i = 0; i < before + tone + after; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double noise = hiss * (static_cast<double>((seed >> 16) & 0x7fff) / 16384.0 - 1.0);
        const double value = (i >= before && i < before + tone)
                                 ? amplitude * std::sin(2 * std::numbers::pi * frequency * (i - before) / rate)
                                 : 0.0;
        for (int c = 0; c < channels; ++c) {
            const double scaled = (c == 1 ? rightScale : 1.0) * value + noise;
            out.push_back(static_cast<std::int16_t>(std::lround(scaled * 32767)));
        }
    }
    return out;
}

double peakOf(const std::vector<std::int16_t> &s)
{
    int peak = 0;
    for (auto v : s)
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    return peak / 32767.0;
}

// Frequency measured by counting the tone's upward swings (from below -20 %
// to above +20 % of the peak, so that the quiet margins count for nothing).
double measuredFrequency(const std::vector<std::int16_t> &s, int rate)
{
    const double level = 0.2 * peakOf(s) * 32767;
    int swings = 0;
    long first = -1, last = -1;
    bool low = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] < -level) {
            low = true;
        } else if (low && s[i] > level) {
            low = false;
            ++swings;
            if (first < 0)
                first = static_cast<long>(i);
            last = static_cast<long>(i);
        }
    }
    if (swings < 2)
        return 0;
    return (swings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

} // namespace

class TestVoiceProcessing : public QObject {
    Q_OBJECT
private slots:
    void processing_data();
    void processing();
    void silenceIsRefused_data();
    void silenceIsRefused();
    void wavIsWrittenInTheGameFormat();
    void failedWriteLeavesTheOldFile();
};

void TestVoiceProcessing::processing_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<double>("before");
    QTest::addColumn<double>("tone");
    QTest::addColumn<double>("after");
    QTest::addColumn<double>("frequency");
    QTest::addColumn<double>("amplitude");
    QTest::addColumn<double>("rightScale");

    QTest::newRow("silence around a tone") << 22050 << 1 << 1.0 << 0.5 << 1.5 << 440.0 << 0.5 << 1.0;
    QTest::newRow("quiet tone") << 22050 << 1 << 0.3 << 1.0 << 0.3 << 300.0 << 0.02 << 1.0;
    QTest::newRow("loud tone, no silence") << 22050 << 1 << 0.0 << 1.0 << 0.0 << 440.0 << 0.99 << 1.0;
    QTest::newRow("stereo 48 kHz") << 48000 << 2 << 0.7 << 0.8 << 0.4 << 440.0 << 0.3 << 0.5;
    QTest::newRow("stereo 44.1 kHz, one side only") << 44100 << 2 << 0.2 << 1.2 << 0.9 << 660.0 << 0.2 << 0.0;
    QTest::newRow("mono 16 kHz") << 16000 << 1 << 0.5 << 0.6 << 0.5 << 500.0 << 0.4 << 1.0;
}

void TestVoiceProcessing::processing()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(double, before);
    QFETCH(double, tone);
    QFETCH(double, after);
    QFETCH(double, frequency);
    QFETCH(double, amplitude);
    QFETCH(double, rightScale);

    const VoiceProcessingSettings settings;
    const ProcessedVoice voice = processVoice(
        makeSignal(rate, channels, before, tone, after, frequency, amplitude, rightScale), rate, channels, settings);
    QVERIFY2(voice.ok(), qPrintable(voice.error));

    // Trimmed: the tone and at most a margin on each side (plus a few samples
    // for the tone's first and last zero-crossing quarter waves).
    const double seconds = static_cast<double>(voice.samples.size()) / kVoiceSampleRate;
    const double expectedMax =
        tone + std::min(before, settings.marginSeconds) + std::min(after, settings.marginSeconds);
    QVERIFY2(seconds <= expectedMax + 0.005, qPrintable(QString::number(seconds)));
    QVERIFY2(seconds >= tone - 1.0 / frequency, qPrintable(QString::number(seconds)));
    // The margin itself is kept (quiet start), when there was silence.
    const auto marginSamples =
        static_cast<std::size_t>(0.8 * std::min(before, settings.marginSeconds) * kVoiceSampleRate);
    const std::vector<std::int16_t> lead(voice.samples.begin(),
                                         voice.samples.begin() + static_cast<long>(marginSamples));
    QVERIFY(peakOf(lead) < 0.05);

    // Normalised: the peak at -1 dBFS whatever the input's level.
    QVERIFY2(std::fabs(peakOf(voice.samples) - settings.peakTarget) < 0.01,
             qPrintable(QString::number(peakOf(voice.samples))));

    // Mono 22050 Hz: the tone keeps its pitch after resampling.
    QVERIFY2(std::fabs(measuredFrequency(voice.samples, kVoiceSampleRate) - frequency) < frequency * 0.01,
             qPrintable(QString::number(measuredFrequency(voice.samples, kVoiceSampleRate))));
}

void TestVoiceProcessing::silenceIsRefused_data()
{
    QTest::addColumn<std::vector<std::int16_t>>("samples");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::newRow("digital silence") << std::vector<std::int16_t>(22050, 0) << 22050 << 1;
    QTest::newRow("room hiss only") << makeSignal(48000, 2, 2.0, 0, 0, 440, 0, 1.0, 0.002) << 48000 << 2;
    QTest::newRow("no samples") << std::vector<std::int16_t>{} << 22050 << 1;
}

void TestVoiceProcessing::silenceIsRefused()
{
    QFETCH(std::vector<std::int16_t>, samples);
    QFETCH(int, rate);
    QFETCH(int, channels);
    const ProcessedVoice voice = processVoice(samples, rate, channels);
    QVERIFY(!voice.ok());
    QVERIFY(voice.samples.empty());
    QVERIFY(voice.error.contains(QStringLiteral("silencio")));
}

void TestVoiceProcessing::wavIsWrittenInTheGameFormat()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("palabra.wav"));
    writeFile(path, "an older recording");

    const std::vector<std::int16_t> samples = makeSignal(22050, 1, 0, 0.5, 0, 440, 0.5);
    QCOMPARE(writeVoiceWav(path, samples), QString());

    const std::optional<StoredVoice> stored = readStoredVoice(path);
    QVERIFY(stored);
    QVERIFY2(stored->inGameFormat(), qPrintable(stored->formatText()));
    QVERIFY(stored->samples == samples);
    // Only the WAV is left: no temporary file beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("palabra.wav")});
    QVERIFY(QFileInfo(path).permissions() & QFile::ReadOther);
}

void TestVoiceProcessing::failedWriteLeavesTheOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("palabra.wav"));
    writeFile(path, "an older recording");

    // Nothing to write: refused, the old file is untouched.
    QVERIFY(!writeVoiceWav(path, {}).isEmpty());
    QCOMPARE(fileBytes(path), QByteArray("an older recording"));
    // A folder that does not exist: refused with a reason, nothing created.
    const QString missing = dir.filePath(QStringLiteral("no-existe/palabra.wav"));
    QVERIFY(!writeVoiceWav(missing, makeSignal(22050, 1, 0, 0.2, 0, 440, 0.5)).isEmpty());
    QVERIFY(!QFileInfo::exists(missing));
}

QTEST_GUILESS_MAIN(TestVoiceProcessing)
#include "tst_voice_processing.moc"
