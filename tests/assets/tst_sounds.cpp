// The built sound files: every grapheme, the instructions, the praise and every
// word of the word list lies under its exact name in the media root, is a
// 16-bit PCM WAV of plausible length, and actually sounds.
#include "game/keyboard_table.h"
#include "media/media_files.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <optional>

using namespace korivanta;

namespace {

struct Wav {
    int format = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    QByteArray data; // the samples, little-endian 16-bit
    qsizetype frames() const { return data.size() / 2; }
    double seconds() const { return sampleRate ? double(frames()) / sampleRate : 0; }
    int sample(qsizetype i) const { return qFromLittleEndian<qint16>(data.constData() + 2 * i); }
};

// Reads a RIFF/WAVE file chunk by chunk; sets why on failure.
std::optional<Wav> readWav(const QString &path, QString *why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = "cannot open " + path;
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || bytes.left(4) != "RIFF" || bytes.mid(8, 4) != "WAVE") {
        *why = "not a RIFF/WAVE file";
        return std::nullopt;
    }
    if (qFromLittleEndian<quint32>(bytes.constData() + 4) + 8 != quint32(bytes.size())) {
        *why = "RIFF size does not match the file size";
        return std::nullopt;
    }
    Wav wav;
    bool haveFormat = false, haveData = false;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        const qsizetype body = at + 8;
        if (body + qsizetype(size) > bytes.size()) {
            *why = "chunk " + QString::fromLatin1(id) + " runs past the end of the file";
            return std::nullopt;
        }
        if (id == "fmt " && size >= 16) {
            const char *f = bytes.constData() + body;
            wav.format = qFromLittleEndian<quint16>(f);
            wav.channels = qFromLittleEndian<quint16>(f + 2);
            wav.sampleRate = int(qFromLittleEndian<quint32>(f + 4));
            wav.bitsPerSample = qFromLittleEndian<quint16>(f + 14);
            haveFormat = true;
        } else if (id == "data") {
            wav.data = bytes.mid(body, size);
            haveData = true;
        }
        at = body + size + (size & 1);
    }
    if (!haveFormat || !haveData) {
        *why = haveFormat ? "no data chunk" : "no fmt chunk";
        return std::nullopt;
    }
    return wav;
}

int peak(const Wav &wav)
{
    int p = 0;
    for (qsizetype i = 0; i < wav.frames(); ++i)
        p = std::max(p, std::abs(wav.sample(i)));
    return p;
}

// Seconds from the first to the last sample louder than 1/30 of the peak (a
// stop burst and an aspiration are far quieter than the vowel).
double soundingSeconds(const Wav &wav)
{
    const int threshold = peak(wav) / 30;
    qsizetype first = -1, last = -1;
    for (qsizetype i = 0; i < wav.frames(); ++i) {
        if (std::abs(wav.sample(i)) > threshold) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    return first < 0 ? 0 : double(last - first) / wav.sampleRate;
}

// Where the game looks for a file it names "c:\Trab_zumel\...", under the
// build's drive C folder, with the name kept exactly as written.
QString onDriveC(const QString &programPath)
{
    QString relative = programPath;
    relative.remove(0, 3); // "c:\"
    relative.replace(u'\\', u'/');
    return qEnvironmentVariable("KORIVANTA_TEST_DRIVE_C") + u'/' + relative;
}

QString graphemeFile(const QString &grapheme)
{
    return onDriveC(QString::fromUtf16(kKeyboardSoundFolder) + grapheme + ".wav");
}

QString grapheme(int key)
{
    return QString::fromUtf16(kKeyboard[key].grapheme);
}

QStringList wordsOfList()
{
    QFile csv(qEnvironmentVariable("KORIVANTA_SOURCE_DIR") + "/assets/words.csv");
    if (!csv.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList words;
    csv.readLine(); // header
    while (!csv.atEnd()) {
        const QString line = QString::fromUtf8(csv.readLine()).trimmed();
        if (!line.isEmpty())
            words << line.section(u',', 0, 0);
    }
    return words;
}

} // namespace

class TstSounds : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void soundFile_data();
    void soundFile();
    void graphemeSoundsAllDiffer();
    void wordFolderHoldsTheListOnly();
    void modifiedGraphemesSoundLonger_data();
    void modifiedGraphemesSoundLonger();
};

void TstSounds::initTestCase()
{
    QVERIFY2(QFileInfo(qEnvironmentVariable("KORIVANTA_TEST_DRIVE_C") + "/Trab_zumel").isDir(),
             "KORIVANTA_TEST_DRIVE_C must name the build's drive_c with the media root");
    QVERIFY2(!wordsOfList().isEmpty(), "KORIVANTA_SOURCE_DIR must name the sources with assets/words.csv");
}

void TstSounds::soundFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<double>("minSeconds");
    QTest::addColumn<double>("maxSeconds");

    for (int key = 0; key < int(kKeyboard.size()); ++key)
        QTest::addRow("grapheme %s", qPrintable(grapheme(key)))
            << grapheme(key) + ".wav" << graphemeFile(grapheme(key)) << 0.15 << 2.0;
    QTest::newRow("instructions") << "adivinar_palabra.wav" << onDriveC(QString::fromUtf16(kInstructionSound)) << 1.5
                                  << 8.0;
    QTest::newRow("praise") << "bien.wav" << onDriveC(QString::fromUtf16(kPraiseSound)) << 0.5 << 5.0;
    for (const QString &word : wordsOfList())
        QTest::addRow("word %s", qPrintable(word))
            << word + ".wav" << onDriveC(QString::fromUtf16(kWordSoundFolder) + word + ".wav") << 0.2 << 3.0;
}

void TstSounds::soundFile()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(double, minSeconds);
    QFETCH(double, maxSeconds);

    // The name is stored composed (NFC) and exactly as the game spells it.
    QCOMPARE(name, name.normalized(QString::NormalizationForm_C));
    QVERIFY2(QDir(QFileInfo(path).path()).entryList(QDir::Files).contains(name), qPrintable("missing: " + path));

    QString why;
    const std::optional<Wav> wav = readWav(path, &why);
    QVERIFY2(wav, qPrintable(why));
    QCOMPARE(wav->format, 1); // PCM
    QCOMPARE(wav->channels, 1);
    QCOMPARE(wav->bitsPerSample, 16);
    QVERIFY2(wav->sampleRate >= 8000 && wav->sampleRate <= 48000, qPrintable(QString::number(wav->sampleRate)));
    QVERIFY2(wav->seconds() >= minSeconds && wav->seconds() <= maxSeconds,
             qPrintable(QString("lasts %1 s").arg(wav->seconds())));
    // Not silent: the loudest sample reaches at least -20 dBFS.
    QVERIFY2(peak(*wav) > 3277, qPrintable(QString("peak %1").arg(peak(*wav))));
}

// Each key must say something of its own: a synthesiser that drops the
// apostrophe or the "h" would make "ch'", "chh" and "ch" the same sound.
void TstSounds::graphemeSoundsAllDiffer()
{
    QHash<QByteArray, QString> seen;
    for (int key = 0; key < int(kKeyboard.size()); ++key) {
        QString why;
        const std::optional<Wav> wav = readWav(graphemeFile(grapheme(key)), &why);
        QVERIFY2(wav, qPrintable(grapheme(key) + ": " + why));
        const QByteArray hash = QCryptographicHash::hash(wav->data, QCryptographicHash::Sha1);
        QVERIFY2(!seen.contains(hash), qPrintable(grapheme(key) + " sounds exactly like " + seen.value(hash)));
        seen.insert(hash, grapheme(key));
    }
}

// The package installs the whole word folder: one sound for each word of the
// list, and nothing of a word that left it.
void TstSounds::wordFolderHoldsTheListOnly()
{
    QSet<QString> expected;
    for (const QString &word : wordsOfList())
        expected << word.normalized(QString::NormalizationForm_C) + ".wav";
    const QString folder = QFileInfo(onDriveC(QString::fromUtf16(kWordSoundFolder) + "x.wav")).path();
    QSet<QString> present;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        present << name.normalized(QString::NormalizationForm_C);
    QStringList stray = (present - expected).values(), missing = (expected - present).values();
    stray.sort();
    missing.sort();
    QVERIFY2(stray.isEmpty() && missing.isEmpty(),
             qPrintable(QString("not of the list: %1; missing: %2").arg(stray.join(u' '), missing.join(u' '))));
}

// The aspirated stops (a breath after the release), the glottalised ones (a
// stop in the throat before the vowel) and the lengthened vowels all take
// longer to say than the plain grapheme they are written from.
void TstSounds::modifiedGraphemesSoundLonger_data()
{
    QTest::addColumn<QString>("plain");
    QTest::addColumn<QString>("modified");
    QTest::addColumn<double>("minExtraSeconds");
    QTest::addColumn<double>("minRatio");

    QStringList keys;
    for (int key = 0; key < int(kKeyboard.size()); ++key)
        keys << grapheme(key);
    int rows = 0;
    for (const QString &g : keys) {
        QString plain = g.normalized(QString::NormalizationForm_D);
        if (plain.endsWith(QChar(0x0308))) {
            plain = plain.chopped(1).normalized(QString::NormalizationForm_C);
            if (keys.contains(plain))
                QTest::addRow("%s from %s", qPrintable(g), qPrintable(plain)) << plain << g << 0.0 << 1.5;
        } else if (g.size() > 1 && (g.endsWith(u'\'') || g.endsWith(u'h')) && keys.contains(g.chopped(1))) {
            QTest::addRow("%s from %s", qPrintable(g), qPrintable(g.chopped(1))) << g.chopped(1) << g << 0.03 << 1.0;
        } else {
            continue;
        }
        ++rows;
    }
    QCOMPARE(rows, 13); // 5 aspirated, 5 glottalised, 3 long vowels
}

void TstSounds::modifiedGraphemesSoundLonger()
{
    QFETCH(QString, plain);
    QFETCH(QString, modified);
    QFETCH(double, minExtraSeconds);
    QFETCH(double, minRatio);

    QString why;
    const std::optional<Wav> a = readWav(graphemeFile(plain), &why);
    QVERIFY2(a, qPrintable(why));
    const std::optional<Wav> b = readWav(graphemeFile(modified), &why);
    QVERIFY2(b, qPrintable(why));
    const double plainSeconds = soundingSeconds(*a), modifiedSeconds = soundingSeconds(*b);
    const QString figures = QString("%1 %2 s, %3 %4 s").arg(plain).arg(plainSeconds).arg(modified).arg(modifiedSeconds);
    QVERIFY2(modifiedSeconds >= plainSeconds + minExtraSeconds, qPrintable(figures));
    QVERIFY2(modifiedSeconds >= plainSeconds * minRatio, qPrintable(figures));
}

QTEST_GUILESS_MAIN(TstSounds)
#include "tst_sounds.moc"
