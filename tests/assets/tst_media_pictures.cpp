// The pictures and animations the build puts under the media root: every word
// of the word list has its picture under its exact name, in the format and size
// the picture box shows, and the two animations are animated GIFs of their
// players' sizes, the instructions looping forever and the hand playing once,
// both drawn over the scene under their players.
#include "app/twips.h"
#include "game/con_obj_layout.h"
#include "media/media_files.h"
#include "media/media_paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QMovie>
#include <QSet>
#include <QTextStream>
#include <QtEndian>
#include <QtTest>

using namespace korivanta;

namespace {

struct Word {
    QString nomAy;
    QString nomEsp;
    QString categoria;
    QString emoji;
};

// The fields of one CSV line; a field in double quotes may hold commas and "" for a quote.
QStringList csvFields(const QString &line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

QList<Word> readWords()
{
    QList<Word> words;
    QFile file(qEnvironmentVariable("KORIVANTA_SOURCE_DIR") + QStringLiteral("/assets/words.csv"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return words;
    QTextStream in(&file);
    const QStringList header = csvFields(in.readLine());
    const qsizetype ay = header.indexOf(QStringLiteral("nom_ay"));
    const qsizetype esp = header.indexOf(QStringLiteral("nom_esp"));
    const qsizetype cat = header.indexOf(QStringLiteral("categoria"));
    const qsizetype emoji = header.indexOf(QStringLiteral("emoji"));
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.trimmed().isEmpty())
            continue;
        const QStringList f = csvFields(line);
        words.append({f.value(ay).normalized(QString::NormalizationForm_C), f.value(esp), f.value(cat),
                      f.value(emoji).trimmed()});
    }
    return words;
}

QString driveC()
{
    return qEnvironmentVariable("KORIVANTA_TEST_DRIVE_C");
}
QString mediaRoot()
{
    return driveC() + QStringLiteral("/Trab_zumel");
}

QSize controlSize(std::string_view name)
{
    const ControlRect &r = controlRect(name);
    return sizeFromTwips(r.width, r.height);
}

} // namespace

class TestMediaPictures : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void wordPicture_data();
    void wordPicture();
    void picturesTellWordsApart();
    void wordFolderHoldsTheListOnly();

    void animation_data();
    void animation();
    void animationSitsOnTheScene_data();
    void animationSitsOnTheScene();

private:
    QList<Word> m_words;
};

void TestMediaPictures::initTestCase()
{
    QVERIFY2(!driveC().isEmpty(), "KORIVANTA_TEST_DRIVE_C is not set");
    m_words = readWords();
    QVERIFY2(!m_words.isEmpty(), "the word list could not be read");
}

void TestMediaPictures::wordPicture_data()
{
    QTest::addColumn<QString>("nomAy");
    for (const Word &w : readWords())
        QTest::addRow("%s", qPrintable(w.nomAy)) << w.nomAy;
}

// The picture is where the program looks for it (the word folder + the word's
// name + ".bmp"), under that exact name, a 24-bit uncompressed BMP of the picture
// box's size that shows something rather than one flat colour.
void TestMediaPictures::wordPicture()
{
    QFETCH(QString, nomAy);
    const QString exact = mediaRoot() + QStringLiteral("/dibujos/") + nomAy + QStringLiteral(".bmp");
    QVERIFY2(QFileInfo::exists(exact), qPrintable(exact));
    const QString programPath = QString::fromUtf16(kWordPictureFolder) + nomAy + QStringLiteral(".bmp");
    QCOMPARE(MediaPaths(driveC()).resolve(programPath), exact);

    QFile file(exact);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray header = file.read(54);
    QCOMPARE(header.size(), 54);
    QCOMPARE(header.left(2), QByteArray("BM"));
    const auto *h = reinterpret_cast<const uchar *>(header.constData());
    const QSize expected = controlSize("Image4");
    QCOMPARE(qFromLittleEndian<qint32>(h + 18), expected.width());
    QCOMPARE(qAbs(qFromLittleEndian<qint32>(h + 22)), expected.height());
    QCOMPARE(qFromLittleEndian<quint16>(h + 28), quint16(24)); // bits per pixel
    QCOMPARE(qFromLittleEndian<quint32>(h + 30), quint32(0));  // no compression
    file.close();

    QImageReader reader(exact, "bmp");
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), expected);

    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    QVERIFY2(colours.size() >= 32, qPrintable(QStringLiteral("only %1 colours").arg(colours.size())));
}

// No two words of one category share a picture: the board would show one
// picture for two answers (an emoji given to two words of a category, a
// colour word, a drawn word or a fallback repeated). Words of two categories
// share one only when the word list gives both the same emoji.
void TestMediaPictures::picturesTellWordsApart()
{
    QHash<QByteArray, QList<Word>> seen;
    for (const Word &w : std::as_const(m_words)) {
        QImage image(mediaRoot() + QStringLiteral("/dibujos/") + w.nomAy + QStringLiteral(".bmp"), "bmp");
        QVERIFY2(!image.isNull(), qPrintable(w.nomAy));
        image = image.convertToFormat(QImage::Format_RGB32);
        const QByteArray digest = QCryptographicHash::hash(
            QByteArrayView(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()),
            QCryptographicHash::Sha1);
        for (const Word &other : seen.value(digest)) {
            const QString pair = QStringLiteral("%1 (%2) and %3 (%4) have the same picture")
                                     .arg(w.nomAy, w.categoria, other.nomAy, other.categoria);
            QVERIFY2(w.categoria != other.categoria, qPrintable(pair));
            QVERIFY2(!w.emoji.isEmpty() && w.emoji == other.emoji, qPrintable(pair));
        }
        seen[digest].append(w);
    }
}

// The package installs the whole word folder: it holds each word's picture
// and its copy at twice the size, and nothing of a word that left the list.
void TestMediaPictures::wordFolderHoldsTheListOnly()
{
    QSet<QString> expected;
    for (const Word &w : std::as_const(m_words))
        expected << w.nomAy + QStringLiteral(".bmp") << w.nomAy + QStringLiteral("@2x.bmp");
    QSet<QString> present;
    for (const QString &name : QDir(mediaRoot() + QStringLiteral("/dibujos")).entryList(QDir::Files | QDir::Hidden))
        present << name.normalized(QString::NormalizationForm_C);
    QStringList stray = (present - expected).values(), missing = (expected - present).values();
    stray.sort();
    missing.sort();
    QVERIFY2(stray.isEmpty() && missing.isEmpty(),
             qPrintable(QStringLiteral("not of the list: %1; missing: %2").arg(stray.join(u' '), missing.join(u' '))));
}

void TestMediaPictures::animation_data()
{
    QTest::addColumn<QString>("programPath");
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("loopCount");

    QTest::addRow("instructions loop forever")
        << QString::fromUtf16(kInstructionAnimation) << QStringLiteral("animaciones/anima_adivina.gif")
        << controlSize("Marchoso2") << -1;
    QTest::addRow("hand plays once") << QString::fromUtf16(kHandAnimation) << QStringLiteral("la_mano.gif")
                                     << controlSize("Marchoso1") << 0;
}

// Each animation is an animated GIF at its exact path, of its player's size in
// every frame, with the looping its player relies on, and short enough to be a
// greeting or a reward.
void TestMediaPictures::animation()
{
    QFETCH(QString, programPath);
    QFETCH(QString, relative);
    QFETCH(QSize, size);
    QFETCH(int, loopCount);

    const QString exact = mediaRoot() + QLatin1Char('/') + relative;
    QVERIFY2(QFileInfo::exists(exact), qPrintable(exact));
    QCOMPARE(MediaPaths(driveC()).resolve(programPath), exact);

    QImageReader reader(exact);
    QCOMPARE(reader.format(), QByteArray("gif"));
    QVERIFY(reader.supportsAnimation());
    QCOMPARE(reader.size(), size);
    QVERIFY2(reader.imageCount() > 1, qPrintable(QString::number(reader.imageCount())));
    QCOMPARE(reader.loopCount(), loopCount);

    int frames = 0;
    int duration = 0;
    QSet<QByteArray> distinct;
    while (reader.canRead()) {
        const QImage frame = reader.read();
        QVERIFY2(!frame.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(frame.size(), size);
        const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
        distinct.insert(QByteArray(reinterpret_cast<const char *>(rgb.constBits()), rgb.sizeInBytes()));
        duration += reader.nextImageDelay();
        ++frames;
    }
    QCOMPARE(frames, reader.imageCount());
    QVERIFY2(distinct.size() > 1, "every frame is the same picture");
    QVERIFY2(duration >= 500 && duration <= 3000, qPrintable(QStringLiteral("%1 ms").arg(duration)));

    QMovie movie(exact);
    QVERIFY(movie.isValid());
    QCOMPARE(movie.frameCount(), frames);
    QCOMPARE(movie.loopCount(), loopCount);
}

void TestMediaPictures::animationSitsOnTheScene_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("player");
    QTest::addColumn<QList<QRect>>("bare");

    // The hand, its glow and its sparkles keep 3 pixels clear of every edge.
    const QSize hand = controlSize("Marchoso1");
    const int clear = 3;
    QTest::addRow("hand, round it") << QStringLiteral("la_mano.gif") << QStringLiteral("Marchoso1")
                                    << QList<QRect>{QRect(0, 0, hand.width(), clear),
                                                    QRect(0, hand.height() - clear, hand.width(), clear),
                                                    QRect(0, 0, clear, hand.height()),
                                                    QRect(hand.width() - clear, 0, clear, hand.height())};
    // The instructions lie on a card with rounded corners.
    const QSize guess = controlSize("Marchoso2");
    const int corner = 2;
    QTest::addRow("instructions, the card's corners")
        << QStringLiteral("animaciones/anima_adivina.gif") << QStringLiteral("Marchoso2")
        << QList<QRect>{QRect(0, 0, corner, corner), QRect(guess.width() - corner, 0, corner, corner),
                        QRect(0, guess.height() - corner, corner, corner),
                        QRect(guess.width() - corner, guess.height() - corner, corner, corner)};
}

// An animation is drawn over the scene under its player, so the player's back
// colour shows nowhere: in every frame, the pixels that the drawing leaves
// bare hold the background's pixels under the player. A GIF holds 256 colours
// for the scene and the drawing together, so it holds the scene to within the
// error of its shared palette (made without dithering, so a scene pixel keeps
// one colour through the frames): no channel off by more than 40 and the mean
// error of the channels under 3 (the pipeline's palettes stay near 34 and 1.8;
// the scene cut one pixel off its place is off by 16 on average).
void TestMediaPictures::animationSitsOnTheScene()
{
    QFETCH(QString, relative);
    QFETCH(QString, player);
    QFETCH(QList<QRect>, bare);
    constexpr int kMaxError = 40;
    constexpr double kMeanError = 3.0;

    const QImage background = QImage(QStringLiteral(":/pictures/background.bmp")).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!background.isNull());
    const ControlRect &r = controlRect(player.toStdString());
    const QRect place = fromTwips(r.left, r.top, r.width, r.height);
    QVERIFY(background.rect().contains(place));
    const QImage scene = background.copy(place);

    QImageReader reader(mediaRoot() + QLatin1Char('/') + relative);
    int frames = 0;
    while (reader.canRead()) {
        const QImage frame = reader.read().convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!frame.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(frame.size(), scene.size());
        qint64 total = 0, channels = 0;
        for (const QRect &area : bare)
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x) {
                    const QRgb shown = frame.pixel(x, y), under = scene.pixel(x, y);
                    for (const int error :
                         {std::abs(qRed(shown) - qRed(under)), std::abs(qGreen(shown) - qGreen(under)),
                          std::abs(qBlue(shown) - qBlue(under))}) {
                        QVERIFY2(error <= kMaxError,
                                 qPrintable(QStringLiteral("frame %1 at %2,%3: %4, the scene there %5")
                                                .arg(frames)
                                                .arg(x)
                                                .arg(y)
                                                .arg(QColor(shown).name(), QColor(under).name())));
                        total += error;
                        ++channels;
                    }
                }
        QVERIFY(channels > 0);
        const double mean = double(total) / double(channels);
        QVERIFY2(mean < kMeanError, qPrintable(QStringLiteral("frame %1: mean error %2").arg(frames).arg(mean)));
        ++frames;
    }
    QVERIFY(frames > 1);
}

QTEST_MAIN(TestMediaPictures)
#include "tst_media_pictures.moc"
