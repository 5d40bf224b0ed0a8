// The real sound player returns at once whatever it is given, and a sound that
// cannot be played costs exactly one warning line per call. Runs on a null
// sink of its own when PulseAudio is installed, else without an audio device;
// the checks that need one are skipped without.
#include "media/media_file_checks.h"
#include "media/media_paths.h"
#include "media/qt_sound_player.h"

#include "support/media_fixtures.h"
#include "support/pulse_null_sink.h"
#include "support/stderr_capture.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cstdio>
#include <memory>

#include <sys/stat.h>

using namespace korivanta;

namespace {

QByteArray riff(const QByteArray &chunks)
{
    QByteArray out("RIFF");
    const quint32 size = qToLittleEndian(quint32(4 + chunks.size()));
    out.append(reinterpret_cast<const char *>(&size), 4);
    return out + "WAVE" + chunks;
}

QByteArray chunk(const char *id, const QByteArray &body)
{
    QByteArray out(id, 4);
    const quint32 size = qToLittleEndian(quint32(body.size()));
    out.append(reinterpret_cast<const char *>(&size), 4);
    return out + body;
}

QByteArray fmtBody(quint16 tag, quint16 channels, quint32 rate, quint16 bits)
{
    QByteArray b(16, '\0');
    qToLittleEndian(tag, b.data());
    qToLittleEndian(channels, b.data() + 2);
    qToLittleEndian(rate, b.data() + 4);
    qToLittleEndian(quint32(rate * channels * bits / 8), b.data() + 8);
    qToLittleEndian(quint16(channels * bits / 8), b.data() + 12);
    qToLittleEndian(bits, b.data() + 14);
    return b;
}

} // namespace

class TestSoundPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void unplayableSoundWarnsOncePerCall_data();
    void unplayableSoundWarnsOncePerCall();
    void repeatedCallsWarnEachTime();
    void preloadIsSilent();
    void playableSoundPlaysOrWarnsOfNoDevice();
    void bothSpellingsShareOneSound();
    void soundsOfDifferentFilesPlayTogether();
    void decodingFailureFoundLaterStillWarnsOnce();
    void destroyedWhilePlaying();
    void recordingPutInPlaceAfterAFailedPlayPlays();
    void changedFileIsCheckedAgain_data();
    void changedFileIsCheckedAgain();
    void rewrittenSoundPlaysItsNewContent();
    void quickRepeatedPlaysLeaveNoStream();
    void soundLengthComesFromTheHeader_data();
    void soundLengthComesFromTheHeader();
    void longSoundIsNotCutByTheClosing();
    void burstLeavesNoStreamAtRest_data();
    void burstLeavesNoStreamAtRest();

private:
    QString programPath(const QString &name) const { return QStringLiteral("c:\\Trab_zumel\\sonido\\") + name; }

    QTemporaryDir m_driveC;
    std::unique_ptr<MediaPaths> m_paths;
    PulseNullSink m_sink;
    bool m_ownSink = false; // m_sink runs: sinkInputs() counts the streams of this test alone
};

void TestSoundPlayer::initTestCase()
{
    m_ownSink = m_sink.start();
    if (!m_ownSink)
        qWarning("no null sink, testing without an audio device: %s", qPrintable(m_sink.error()));
    QVERIFY(m_driveC.isValid());
    m_paths = std::make_unique<MediaPaths>(m_driveC.path());
    const QString dir = m_driveC.filePath(QStringLiteral("Trab_zumel/sonido/"));
    writeFile(dir + QStringLiteral("bien.wav"), wavBytes(2000));
    writeFile(dir + QStringLiteral("otro.wav"), wavBytes(2000, 660));
    writeFile(dir + QStringLiteral("texto.wav"), "esto no es un sonido\n");
    writeFile(dir + QStringLiteral("vacio.wav"), QByteArray());
    writeFile(dir + QStringLiteral("sin_formato.wav"), riff(chunk("data", QByteArray(100, '\0'))));
    writeFile(dir + QStringLiteral("sin_datos.wav"), riff(chunk("fmt ", fmtBody(1, 1, 22050, 16))));
    writeFile(dir + QStringLiteral("adpcm.wav"),
              riff(chunk("fmt ", fmtBody(2, 1, 22050, 4)) + chunk("data", QByteArray(100, '\0'))));
    writeFile(dir + QStringLiteral("cortado.wav"), wavBytes(300).left(30));
    QDir().mkpath(dir + QStringLiteral("carpeta.wav"));
    const QByteArray data(2000, '\0');
    for (quint32 rate : {2u, 10u, 25u, 7999u, 192001u})
        writeFile(dir + QStringLiteral("%1hz.wav").arg(rate),
                  riff(chunk("fmt ", fmtBody(1, 1, rate, 16)) + chunk("data", data)));
    writeFile(dir + QStringLiteral("tres_canales.wav"),
              riff(chunk("fmt ", fmtBody(1, 3, 22050, 16)) + chunk("data", data)));
    writeFile(dir + QStringLiteral("cortado_en_datos.wav"), wavBytes(300).left(2000));
    QByteArray lying = riff(chunk("fmt ", fmtBody(1, 1, 22050, 16)) + chunk("data", data));
    qToLittleEndian(quint32(0x7ffffff0), lying.data() + lying.size() - data.size() - 4);
    writeFile(dir + QStringLiteral("miente.wav"), lying);
    writeFile(dir + QStringLiteral("sin_muestras.wav"),
              riff(chunk("fmt ", fmtBody(1, 2, 22050, 16)) + chunk("data", "ab")));
    QVERIFY(::mkfifo(QFile::encodeName(dir + QStringLiteral("tuberia.wav")).constData(), 0600) == 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir + QStringLiteral("cero.wav")));
    writeFile(m_driveC.filePath(QStringLiteral("Trab_zumel/grafemario/ch'.wav")), wavBytes(2000));
}

void TestSoundPlayer::unplayableSoundWarnsOncePerCall_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason"); // a pattern the warning must hold

    QTest::newRow("empty path") << QString() << QStringLiteral("vacía");
    QTest::newRow("missing file") << programPath(QStringLiteral("nada.wav")) << QStringLiteral("no existe");
    QTest::newRow("missing folder") << QStringLiteral("c:\\Trab_zumel\\nada\\bien.wav") << QStringLiteral("no existe");
    QTest::newRow("other drive") << QStringLiteral("d:\\Trab_zumel\\sonido\\bien.wav") << QStringLiteral("unidad D:");
    QTest::newRow("text named .wav") << programPath(QStringLiteral("texto.wav"))
                                     << QStringLiteral("no es un archivo WAV");
    QTest::newRow("empty file") << programPath(QStringLiteral("vacio.wav")) << QStringLiteral("no es un archivo WAV");
    QTest::newRow("no format chunk") << programPath(QStringLiteral("sin_formato.wav")) << QStringLiteral("formato");
    QTest::newRow("no data chunk") << programPath(QStringLiteral("sin_datos.wav")) << QStringLiteral("datos");
    QTest::newRow("compressed format") << programPath(QStringLiteral("adpcm.wav")) << QStringLiteral("formato 2");
    QTest::newRow("cut in the header") << programPath(QStringLiteral("cortado.wav")) << QStringLiteral("formato");
    QTest::newRow("folder") << programPath(QStringLiteral("carpeta.wav")) << QStringLiteral("carpeta");
    // Headers Qt's decoder must never see: it divides by what they give
    // (SIGFPE below 8,000 Hz) or waits for data they promise (a hang at exit).
    for (const char *rate : {"2", "10", "25", "7999", "192001"})
        QTest::addRow("%s Hz", rate) << programPath(QStringLiteral("%1hz.wav").arg(rate))
                                     << QStringLiteral(" %1 Hz").arg(rate);
    QTest::newRow("three channels") << programPath(QStringLiteral("tres_canales.wav")) << QStringLiteral("3 canales");
    QTest::newRow("cut in the data") << programPath(QStringLiteral("cortado_en_datos.wav"))
                                     << QStringLiteral("cortado");
    QTest::newRow("data size beyond the file")
        << programPath(QStringLiteral("miente.wav")) << QStringLiteral("cortado");
    QTest::newRow("less than one sample") << programPath(QStringLiteral("sin_muestras.wav")) << QStringLiteral("datos");
    // Never opened in a way that waits, never read without end.
    QTest::newRow("named pipe") << programPath(QStringLiteral("tuberia.wav")) << QStringLiteral("tubería");
    QTest::newRow("link to /dev/zero") << programPath(QStringLiteral("cero.wav"))
                                       << QStringLiteral("dispositivo|enlace simbólico");
}

void TestSoundPlayer::unplayableSoundWarnsOncePerCall()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QtSoundPlayer player(*m_paths);

    StderrCapture capture;
    player.PlaySoundFile(path);
    QTest::qWait(100); // room for a late second warning, which must not come
    const QString text = capture.finish();

    const QStringList warnings = StderrCapture::warnings(text);
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings[0].contains(QStringLiteral("«") + path + QStringLiteral("»")), qPrintable(warnings[0]));
    QVERIFY2(warnings[0].contains(QRegularExpression(reason)), qPrintable(warnings[0]));
    QVERIFY(!player.isPlaying(path));
}

void TestSoundPlayer::repeatedCallsWarnEachTime()
{
    QtSoundPlayer player(*m_paths);
    StderrCapture capture;
    for (int i = 0; i < 3; ++i)
        player.PlaySoundFile(programPath(QStringLiteral("texto.wav")));
    player.PlaySoundFile(QString());
    QTest::qWait(100);
    QCOMPARE(StderrCapture::warnings(capture.finish()).size(), 4);
}

void TestSoundPlayer::preloadIsSilent()
{
    QtSoundPlayer player(*m_paths);
    StderrCapture capture;
    player.preload({programPath(QStringLiteral("bien.wav")), programPath(QStringLiteral("nada.wav")),
                    programPath(QStringLiteral("texto.wav")), QString()});
    QTest::qWait(100);
    QVERIFY(StderrCapture::warnings(capture.finish()).isEmpty());

    // The problem found while preloading is told when the sound is played.
    StderrCapture again;
    player.PlaySoundFile(programPath(QStringLiteral("nada.wav")));
    QTest::qWait(50);
    QCOMPARE(StderrCapture::warnings(again.finish()).size(), 1);
}

void TestSoundPlayer::playableSoundPlaysOrWarnsOfNoDevice()
{
    QtSoundPlayer player(*m_paths);
    const QString path = programPath(QStringLiteral("bien.wav"));
    StderrCapture capture;
    player.PlaySoundFile(path);
    QTest::qWait(100);
    const QStringList warnings = StderrCapture::warnings(capture.finish());
    if (QtSoundPlayer::audioOutputAvailable()) {
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
        QTRY_VERIFY(player.isPlaying(path));
    } else {
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(QStringLiteral("dispositivo")), qPrintable(warnings[0]));
        QVERIFY(!player.isPlaying(path));
    }
}

void TestSoundPlayer::bothSpellingsShareOneSound()
{
    if (!QtSoundPlayer::audioOutputAvailable())
        QSKIP("no audio device: nothing plays");
    QtSoundPlayer player(*m_paths);
    const QString keyboard = QStringLiteral("c:\\Trab_zumel\\grafemario\\ch'.wav");
    const QString panel = QStringLiteral("c:\\Trab_zumel\\Grafemario\\CH'.WAV");
    player.preload({keyboard});
    player.PlaySoundFile(panel);
    // One effect for the file: the keyboard's spelling sees it playing.
    QTRY_VERIFY(player.isPlaying(keyboard));
}

void TestSoundPlayer::soundsOfDifferentFilesPlayTogether()
{
    if (!QtSoundPlayer::audioOutputAvailable())
        QSKIP("no audio device: nothing plays");
    QtSoundPlayer player(*m_paths);
    const QString first = programPath(QStringLiteral("bien.wav"));
    const QString second = programPath(QStringLiteral("otro.wav"));
    player.preload({first, second});
    player.PlaySoundFile(first);
    player.PlaySoundFile(second);
    QTRY_VERIFY(player.isPlaying(first) && player.isPlaying(second));
}

void TestSoundPlayer::decodingFailureFoundLaterStillWarnsOnce()
{
    if (!QtSoundPlayer::audioOutputAvailable())
        QSKIP("no audio device: no decoding happens");
    // Extensible format whose sub-format is no known one: the header looks
    // playable, and only the decoder finds out, a moment later.
    QByteArray fmt = fmtBody(0xfffe, 1, 22050, 16);
    fmt.append(QByteArray::fromHex("1600100004000000"));
    fmt.append(QByteArray(16, '\x99'));
    const QString path = programPath(QStringLiteral("extensible.wav"));
    writeFile(m_driveC.filePath(QStringLiteral("Trab_zumel/sonido/extensible.wav")),
              riff(chunk("fmt ", fmt) + chunk("data", QByteArray(200, '\0'))));

    QtSoundPlayer player(*m_paths);
    StderrCapture capture;
    player.PlaySoundFile(path);
    QTest::qWait(300);
    QCOMPARE(StderrCapture::warnings(capture.finish()).size(), 1);

    QVERIFY(!player.isPlaying(path));

    // Known by now: the next call is not tried again, and warns once.
    StderrCapture again;
    player.PlaySoundFile(path);
    QTest::qWait(100);
    QCOMPARE(StderrCapture::warnings(again.finish()).size(), 1);
}

void TestSoundPlayer::destroyedWhilePlaying()
{
    StderrCapture capture; // no device: the plays warn
    {
        QtSoundPlayer player(*m_paths);
        player.preload({programPath(QStringLiteral("bien.wav"))});
        player.PlaySoundFile(programPath(QStringLiteral("bien.wav")));
        player.PlaySoundFile(programPath(QStringLiteral("otro.wav"))); // still decoding
    }
    QTest::qWait(100); // late notifications of the deleted effects must go nowhere
}

// A sound missing at its first play is looked for again at the next: the
// recording put in place meanwhile plays (or, without a device, the warning is
// about the device, no longer about a missing file).
void TestSoundPlayer::recordingPutInPlaceAfterAFailedPlayPlays()
{
    const QString path = programPath(QStringLiteral("grabada_despues.wav"));
    QtSoundPlayer player(*m_paths);
    StderrCapture before;
    player.PlaySoundFile(path);
    const QStringList missing = StderrCapture::warnings(before.finish());
    QCOMPARE(missing.size(), 1);
    QVERIFY2(missing[0].contains(QStringLiteral("no existe")), qPrintable(missing[0]));

    writeFile(m_driveC.filePath(QStringLiteral("Trab_zumel/sonido/grabada_despues.wav")), wavBytes(300));
    StderrCapture after;
    player.PlaySoundFile(path);
    QTest::qWait(100);
    const QStringList warnings = StderrCapture::warnings(after.finish());
    if (QtSoundPlayer::audioOutputAvailable()) {
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
        QTRY_VERIFY(player.isPlaying(path));
    } else {
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(QStringLiteral("dispositivo")), qPrintable(warnings[0]));
    }
}

// A file played once and then changed on disk (rewritten in place or replaced
// by a rename) is judged and decoded as it is now, not as it was.
void TestSoundPlayer::changedFileIsCheckedAgain_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("then");
    QTest::addColumn<bool>("byRename");
    QTest::addColumn<QString>("reason"); // of the one warning of the second play; empty: it plays
    QTest::addColumn<bool>("needsDevice");

    const QByteArray text("esto no es un sonido\n");

    QTest::newRow("sound rewritten as text") << wavBytes(300) << text << false << "no es un archivo WAV" << false;
    QTest::newRow("sound replaced by text") << wavBytes(300) << text << true << "no es un archivo WAV" << false;
    // Long enough to be still playing when looked at, however slow the machine.
    QTest::newRow("text rewritten as sound") << text << wavBytes(3000) << false << QString() << true;
    QTest::newRow("sound replaced by one of an unknown format")
        << wavBytes(300) << riff(chunk("fmt ", fmtBody(0x55, 1, 22050, 16)) + chunk("data", QByteArray(200, '\0')))
        << true << "formato 85" << false;
}

void TestSoundPlayer::changedFileIsCheckedAgain()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, then);
    QFETCH(bool, byRename);
    QFETCH(QString, reason);
    QFETCH(bool, needsDevice);
    if (needsDevice && !QtSoundPlayer::audioOutputAvailable())
        QSKIP("no audio device: no decoding happens");

    const QString file = m_driveC.filePath(QStringLiteral("Trab_zumel/sonido/cambia.wav"));
    const QString path = programPath(QStringLiteral("CAMBIA.WAV"));
    writeFile(file, first);
    QtSoundPlayer player(*m_paths);
    StderrCapture quiet;
    player.PlaySoundFile(path);
    QTest::qWait(200); // decoded (or refused) as it first was
    quiet.finish();

    if (byRename) {
        writeFile(file + QStringLiteral(".nuevo"), then);
        QVERIFY(std::rename(QFile::encodeName(file + QStringLiteral(".nuevo")).constData(),
                            QFile::encodeName(file).constData()) == 0);
    } else {
        writeFile(file, then);
    }
    StderrCapture capture;
    player.PlaySoundFile(path);
    QTest::qWait(300);
    const QStringList warnings = StderrCapture::warnings(capture.finish());
    if (reason.isEmpty()) {
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
        QTRY_VERIFY(player.isPlaying(path));
    } else {
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(reason), qPrintable(warnings[0]));
        QVERIFY(!player.isPlaying(path));
    }
}

// A short sound rewritten in place as a long one: the next play decodes the
// file anew and plays the long one (the short copy would have ended long ago).
void TestSoundPlayer::rewrittenSoundPlaysItsNewContent()
{
    if (!QtSoundPlayer::audioOutputAvailable())
        QSKIP("no audio device: nothing plays");
    const QString file = m_driveC.filePath(QStringLiteral("Trab_zumel/sonido/regrabada.wav"));
    const QString path = programPath(QStringLiteral("regrabada.wav"));
    writeFile(file, wavBytes(100));
    QtSoundPlayer player(*m_paths);
    player.PlaySoundFile(path);
    QTRY_VERIFY(player.isReady(path));
    QTRY_VERIFY(!player.isPlaying(path));

    writeFile(file, wavBytes(8000));
    player.PlaySoundFile(path);
    QTRY_VERIFY(player.isPlaying(path));
    QTest::qWait(1500);
    QVERIFY(player.isPlaying(path));
}

// A learner clicking one sound about every 50 ms, then a pause: once the
// sound has ended no playback stream is left open on the sound server, and
// at no time does one sound hold more than one.
void TestSoundPlayer::quickRepeatedPlaysLeaveNoStream()
{
    if (!QtSoundPlayer::audioOutputAvailable() || !m_sink.sinkInputs().isEmpty())
        QSKIP("needs the test's own null sink, with no stream open");
    QtSoundPlayer player(*m_paths);
    const QString path = programPath(QStringLiteral("bien.wav"));
    player.preload({path});
    QTRY_VERIFY(player.isReady(path));
    int most = 0;
    for (int i = 0; i < 40; ++i) {
        player.PlaySoundFile(path);
        QTest::qWait(50);
        if (i % 10 == 9)
            most = qMax(most, int(m_sink.sinkInputs().size()));
    }
    QVERIFY2(most <= 1, qPrintable(QString::number(most)));
    QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(path), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_sink.sinkInputs(), QStringList(), 5000);
}

// The player closes a stream once the sound's length (read from its header)
// and a margin have passed: a length read too short would cut sounds.
void TestSoundPlayer::soundLengthComesFromTheHeader_data()
{
    QTest::addColumn<QByteArray>("wav");
    QTest::addColumn<qint64>("lengthMs");

    const auto pcm = [](quint16 tag, quint16 channels, quint32 rate, quint16 bits, int frames) {
        return riff(chunk("fmt ", fmtBody(tag, channels, rate, bits)) +
                    chunk("data", QByteArray(frames * channels * bits / 8, '\0')));
    };
    QTest::newRow("16-bit mono, 22050 Hz, 350 ms") << wavBytes(350) << qint64(350);
    QTest::newRow("16-bit stereo, 44100 Hz, 2 s") << pcm(1, 2, 44100, 16, 88200) << qint64(2000);
    QTest::newRow("8-bit mono, 8000 Hz, 1.5 s") << pcm(1, 1, 8000, 8, 12000) << qint64(1500);
    QTest::newRow("32-bit float stereo, 48000 Hz, 10 s") << pcm(3, 2, 48000, 32, 480000) << qint64(10000);
    QTest::newRow("a fraction of a millisecond rounds up") << pcm(1, 1, 44100, 16, 45) << qint64(2);
    QTest::newRow("extra chunk before the data")
        << riff(chunk("fmt ", fmtBody(1, 1, 16000, 16)) + chunk("LIST", QByteArray(7, 'x')) + QByteArray(1, '\0') +
                chunk("data", QByteArray(16000 * 2 * 3, '\0')))
        << qint64(3000);
}

void TestSoundPlayer::soundLengthComesFromTheHeader()
{
    QFETCH(QByteArray, wav);
    QFETCH(qint64, lengthMs);
    const QString file = m_driveC.filePath(QStringLiteral("Trab_zumel/sonido/largo.wav"));
    writeFile(file, wav);
    qint64 read = -1;
    QCOMPARE(media_checks::wavProblem(file, &read), QString());
    QCOMPARE(read, lengthMs);
}

void TestSoundPlayer::longSoundIsNotCutByTheClosing()
{
    if (!m_ownSink || !QtSoundPlayer::audioOutputAvailable() || !m_sink.sinkInputs().isEmpty())
        QSKIP("needs the test's own null sink, with no stream open");
    const QString path = programPath(QStringLiteral("larguisimo.wav"));
    writeFile(m_driveC.filePath(QStringLiteral("Trab_zumel/sonido/larguisimo.wav")),
              wavBytes(QtSoundPlayer::kCloseAfterEndMs + 4000));
    QtSoundPlayer player(*m_paths);
    player.PlaySoundFile(path);
    QTRY_VERIFY(player.isPlaying(path));
    // Past the margin a sound of no length would be closed at.
    QTest::qWait(QtSoundPlayer::kCloseAfterEndMs + 1000);
    QVERIFY(player.isPlaying(path));
    QCOMPARE(m_sink.sinkInputs().size(), 1);
}

// A burst of plays as a class gives it, then nobody touches the game: a
// short while after the last sound has ended no stream is left open on the
// sound server and no effect reports itself playing (Qt 6.4 sometimes never
// sees the end of a sound, and its stream then stays open for ever). A play
// after the rest still sounds, and its stream closes again.
void TestSoundPlayer::burstLeavesNoStreamAtRest_data()
{
    QTest::addColumn<QList<int>>("lengthsMs"); // one file per length
    QTest::addColumn<int>("plays");
    QTest::addColumn<int>("everyMs");

    QTest::newRow("keys of grapheme length, one every 120 ms") << QList<int>{350, 420, 300, 500, 380, 450} << 40 << 120;
    QTest::newRow("short and long sounds, overlapping") << QList<int>{30, 900, 150, 1500} << 30 << 70;
    QTest::newRow("clicks shorter than the server's buffer") << QList<int>{15, 25, 40} << 45 << 30;
    QTest::newRow("sounds left to end between clicks") << QList<int>{200, 260} << 8 << 500;
}

void TestSoundPlayer::burstLeavesNoStreamAtRest()
{
    QFETCH(QList<int>, lengthsMs);
    QFETCH(int, plays);
    QFETCH(int, everyMs);
    if (!m_ownSink || !QtSoundPlayer::audioOutputAvailable() || !m_sink.sinkInputs().isEmpty())
        QSKIP("needs the test's own null sink, with no stream open");

    QStringList paths;
    for (int i = 0; i < lengthsMs.size(); ++i) {
        const QString name = QStringLiteral("rafaga_%1_%2.wav").arg(QTest::currentDataTag()[0]).arg(i);
        writeFile(m_driveC.filePath(QStringLiteral("Trab_zumel/sonido/") + name), wavBytes(lengthsMs[i], 300 + 50 * i));
        paths << programPath(name);
    }
    QtSoundPlayer player(*m_paths);
    player.preload(paths);
    QTRY_VERIFY(std::all_of(paths.begin(), paths.end(), [&](const QString &p) { return player.isReady(p); }));

    // Files in a fixed shuffled order, the same one now and then twice running.
    for (int i = 0; i < plays; ++i) {
        player.PlaySoundFile(paths[(i * 7 + i / 3) % paths.size()]);
        QTest::qWait(everyMs);
    }
    const int longest = *std::max_element(lengthsMs.begin(), lengthsMs.end());
    const int rest = longest + QtSoundPlayer::kCloseAfterEndMs + 3000;
    QTRY_COMPARE_WITH_TIMEOUT(m_sink.sinkInputs(), QStringList(), rest);
    for (const QString &path : paths)
        QVERIFY2(!player.isPlaying(path), qPrintable(path));

    const QString &again = paths[std::max_element(lengthsMs.begin(), lengthsMs.end()) - lengthsMs.begin()];
    player.PlaySoundFile(again);
    QTRY_VERIFY(player.isPlaying(again));
    QTRY_COMPARE_WITH_TIMEOUT(m_sink.sinkInputs(), QStringList(), rest);
    QVERIFY(!player.isPlaying(again));
}

QTEST_MAIN(TestSoundPlayer)
#include "tst_sound_player.moc"
