// A teacher's sound reaches the school's words only as a sound the game plays:
// every kind libsndfile reads is converted into 16-bit PCM (one channel, a
// rate the game plays), a WAV the game already plays is kept byte for byte,
// and what cannot be converted (not a sound, cut short, far too long, a rate
// no voice survives) is refused with a Spanish reason naming the file, the
// school's files untouched.
#include "media/media_file_checks.h"
#include "support/media_fixtures.h"
#include "support/school_fixture.h"
#include "support/sound_kinds.h"
#include "support/words_fixture.h"
#include "wordstore/school_store.h"
#include "wordstore/word_sound.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace korivanta;
using namespace korivanta::wordstore;

Q_DECLARE_METATYPE(korivanta::SoundKind)

class TestWordSound : public QObject {
    Q_OBJECT

private slots:
    void importedSoundsArePlayableOrRefused_data();
    void importedSoundsArePlayableOrRefused();
    void checkingAndWritingConvertAlike();
};

void TestWordSound::importedSoundsArePlayableOrRefused_data()
{
    QTest::addColumn<SoundKind>("kind");
    QTest::addColumn<int>("rate");     // of the stored sound; 0: refused
    QTest::addColumn<int>("channels"); // of the stored sound
    QTest::addColumn<bool>("asItIs");  // the stored bytes are the teacher's
    QTest::addColumn<QString>("reason");

    using M = SoundMaking;
    constexpr int wav = SF_FORMAT_WAV;
    // clang-format off
    QTest::newRow("16-bit mono, as the game plays it") << SoundKind{M::Tone, wav | SF_FORMAT_PCM_16, 22050, 1, 0.5} << 22050 << 1 << true << QString();
    QTest::newRow("16-bit stereo")       << SoundKind{M::Tone, wav | SF_FORMAT_PCM_16, 44100, 2, 0.5}   << 44100 << 2 << true << QString();
    QTest::newRow("24-bit")              << SoundKind{M::Tone, wav | SF_FORMAT_PCM_24, 44100, 1, 0.5}   << 44100 << 1 << false << QString();
    QTest::newRow("float32")             << SoundKind{M::Tone, wav | SF_FORMAT_FLOAT, 48000, 1, 0.5}    << 48000 << 1 << false << QString();
    QTest::newRow("IMA-ADPCM")           << SoundKind{M::Tone, wav | SF_FORMAT_IMA_ADPCM, 22050, 1, 0.5} << 22050 << 1 << false << QString();
    QTest::newRow("mu-law")              << SoundKind{M::Tone, wav | SF_FORMAT_ULAW, 8000, 1, 0.5}      << 8000 << 1 << false << QString();
    QTest::newRow("6 channels")          << SoundKind{M::Tone, wav | SF_FORMAT_PCM_16, 48000, 6, 0.5}   << 48000 << 1 << false << QString();
    QTest::newRow("384 kHz")             << SoundKind{M::Tone, wav | SF_FORMAT_PCM_16, 384000, 1, 0.5}  << 44100 << 1 << false << QString();
    QTest::newRow("6 kHz")               << SoundKind{M::Tone, wav | SF_FORMAT_PCM_16, 6000, 1, 0.5}    << 22050 << 1 << false << QString();
    QTest::newRow("FLAC")                << SoundKind{M::Tone, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 0.5} << 44100 << 1 << false << QString();
    QTest::newRow("Ogg Vorbis")          << SoundKind{M::Tone, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1, 0.5} << 44100 << 1 << false << QString();
    QTest::newRow("30 s, the longest")   << SoundKind{M::Tone, wav | SF_FORMAT_PCM_16, 8000, 1, 30.0}   << 8000 << 1 << true << QString();
    QTest::newRow("31 s")                << SoundKind{M::Tone, wav | SF_FORMAT_PCM_16, 8000, 1, 31.0}   << 0 << 0 << false
                                         << "dura 31 segundos, y el sonido de una palabra dura como mucho 30 segundos";
    QTest::newRow("two hours")           << SoundKind{M::SparseHours, 0, 22050, 1, 0}                   << 0 << 0 << false
                                         << "dura 2 horas, y el sonido de una palabra dura como mucho 30 segundos";
    QTest::newRow("4 Hz")                << SoundKind{M::Tone, wav | SF_FORMAT_PCM_16, 4, 1, 2.0}       << 0 << 0 << false
                                         << "tiene una frecuencia de muestreo de 4 Hz, demasiado baja para oír una voz";
    QTest::newRow("truncated")           << SoundKind{M::CutTone, wav | SF_FORMAT_PCM_16, 22050, 1, 0.5} << 0 << 0 << false
                                         << "está cortado: anuncia 22050 bytes de sonido y solo trae 19050";
    QTest::newRow("two hours claimed, 0.1 s there") << SoundKind{M::ShortHours, 0, 22050, 1, 0}         << 0 << 0 << false
                                         << "está cortado: anuncia 317520000 bytes de sonido y solo trae 4410";
    QTest::newRow("no sound in it")      << SoundKind{M::EmptyWav, 0, 22050, 1, 0}                      << 0 << 0 << false
                                         << "no tiene sonido";
    QTest::newRow("not a sound")         << SoundKind{M::Text, 0, 0, 0, 0}                              << 0 << 0 << false
                                         << "no es un archivo de sonido que se pueda leer";
    // clang-format on
}

void TestWordSound::importedSoundsArePlayableOrRefused()
{
    QFETCH(SoundKind, kind);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(bool, asItIs);
    QFETCH(QString, reason);

    // A word already there: a refused import must leave it and its files alone.
    SchoolWithOneWord f;
    auto &[package, school, teacher, store] = f;

    const QString sound = teacher.filePath(QStringLiteral("voz de wawa.wav"));
    QVERIFY(makeSound(sound, kind));
    const QString csv = teacher.filePath(QStringLiteral("palabras.csv"));
    writeFile(csv, "nom_ay,nom_esp,categoria,sonido\nwawa,bebé,persona,voz de wawa.wav\n");
    const QMap<QString, QByteArray> before = folderSnapshot(school.path());

    const wordtool::ImportResult result = store.importCsv(csv);
    if (rate == 0) {
        QVERIFY(!result.ok());
        const QString errors = result.errors.join('\n');
        QVERIFY2(errors.contains(QStringLiteral("el sonido «%1» de la palabra «wawa» %2").arg(sound, reason)),
                 qPrintable(errors));
        QCOMPARE(folderSnapshot(school.path()), before);
        return;
    }
    QVERIFY2(result.ok(), qPrintable(result.errors.join('\n')));
    const QList<SchoolWord> words = store.schoolWords(nullptr);
    const auto wawa = std::find_if(words.cbegin(), words.cend(),
                                   [](const SchoolWord &w) { return w.word.nomAy == QLatin1String("wawa"); });
    QVERIFY(wawa != words.cend());
    const QString stored = store.localFile(wawa->word.sonido);
    QVERIFY2(stored.startsWith(school.path()), qPrintable(stored));
    // The game's own check passes, and the sound is the teacher's: as long,
    // as loud (a tone at half of full scale), in 16-bit PCM.
    QCOMPARE(media_checks::wavProblem(stored), QString());
    const std::optional<SoundReading> r = readSound(stored);
    QVERIFY(r);
    QCOMPARE(r->format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    QCOMPARE(r->rate, rate);
    QCOMPARE(r->channels, channels);
    QVERIFY2(std::abs(r->seconds - kind.seconds) < 0.01 * kind.seconds + 0.005,
             qPrintable(QString::number(r->seconds)));
    QVERIFY2(r->peak > 0.4 && r->peak < 0.6, qPrintable(QString::number(r->peak)));
    if (asItIs)
        QCOMPARE(fileBytes(stored), fileBytes(sound));
}

// An import checks a sound with its rows, keeping only the digest, and
// converts it again when it writes it, refusing a file whose conversion
// differs (it changed in between): both conversions must agree, and the
// digest must follow the sound.
void TestWordSound::checkingAndWritingConvertAlike()
{
    QTemporaryDir teacher;
    const QString sound = teacher.filePath(QStringLiteral("voz.wav"));
    QVERIFY(makeSound(sound, {SoundMaking::Tone, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 1, 0.5}));
    const wordsound::Converted checked = wordsound::convert(sound, false);
    QCOMPARE(checked.problem, QString());
    QVERIFY(checked.wav.isEmpty());
    const wordsound::Converted again = wordsound::convert(sound, true);
    QCOMPARE(again.digest, checked.digest);
    QCOMPARE(QCryptographicHash::hash(again.wav, QCryptographicHash::Sha256), checked.digest);

    QVERIFY(makeSound(sound, {SoundMaking::Tone, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 1, 0.6}));
    QVERIFY(wordsound::convert(sound, false).digest != checked.digest);
}

QTEST_GUILESS_MAIN(TestWordSound)
#include "tst_word_sound.moc"
