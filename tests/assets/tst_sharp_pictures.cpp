// The copies at twice the size that the asset pipeline puts beside every
// picture of the windows and of the media root (<name>@2x.<ext>): each has
// exactly twice the width and height of its picture, the same format and bit
// depth, the same frames and timing for an animation, and shows the same
// picture: shrunk to half it matches the picture closely, while it is not the
// picture merely pixel-doubled (it holds detail the picture cannot).
#include "media/sharp_pictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTextStream>
#include <QtEndian>
#include <QtTest>

using namespace korivanta;

namespace {

QString mediaRoot()
{
    return qEnvironmentVariable("KORIVANTA_TEST_DRIVE_C") + QStringLiteral("/Trab_zumel");
}

// Bits per pixel stored in a BMP (0 for anything else).
int bmpBitDepth(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray header = file.read(30);
    if (header.size() < 30 || !header.startsWith("BM"))
        return 0;
    return qFromLittleEndian<quint16>(header.constData() + 28);
}

// Mean absolute difference per colour channel of two pictures of one size.
double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size())
        return 255;
    qint64 sum = 0;
    for (int r = 0; r < x.height(); ++r) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(r));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(r));
        for (int c = 0; c < x.width(); ++c)
            sum += qAbs(qRed(p[c]) - qRed(q[c])) + qAbs(qGreen(p[c]) - qGreen(q[c])) + qAbs(qBlue(p[c]) - qBlue(q[c]));
    }
    return double(sum) / (3.0 * x.width() * x.height());
}

// The word folder's pictures, by the words of the word list.
QStringList wordPictures()
{
    QStringList files;
    QFile csv(qEnvironmentVariable("KORIVANTA_SOURCE_DIR") + QStringLiteral("/assets/words.csv"));
    if (!csv.open(QIODevice::ReadOnly | QIODevice::Text))
        return files;
    QTextStream in(&csv);
    const qsizetype column = in.readLine().split(u',').indexOf(QStringLiteral("nom_ay"));
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (!line.trimmed().isEmpty())
            files << mediaRoot() + QStringLiteral("/dibujos/") +
                         line.split(u',').value(column).normalized(QString::NormalizationForm_C) +
                         QStringLiteral(".bmp");
    }
    return files;
}

} // namespace

class TestSharpPictures : public QObject {
    Q_OBJECT

private slots:
    void sharpName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sharp");
        QTest::addRow("resource") << ":/pictures/key_00.bmp"
                                  << ":/pictures/key_00@2x.bmp";
        QTest::addRow("dotted folder") << "/a.b/dibujos/uta"
                                       << "/a.b/dibujos/uta@2x";
        QTest::addRow("word with accent") << "/m/dibujos/ch'ä.bmp"
                                          << "/m/dibujos/ch'ä@2x.bmp";
        QTest::addRow("two dots") << "/m/la_mano.old.gif"
                                  << "/m/la_mano.old@2x.gif";
    }

    void sharpName()
    {
        QFETCH(QString, file);
        QFETCH(QString, sharp);
        QCOMPARE(korivanta::sharpName(file), sharp);
    }

    void picture_data()
    {
        QTest::addColumn<QString>("file");
        const QStringList names = QDir(QStringLiteral(":/pictures")).entryList(QDir::Files, QDir::Name);
        int windowPictures = 0;
        for (const QString &name : names) {
            if (name.contains(QLatin1Char('@')))
                continue;
            QTest::addRow("%s", qPrintable(name)) << QStringLiteral(":/pictures/") + name;
            ++windowPictures;
        }
        QVERIFY2(windowPictures == 71, qPrintable(QString::number(windowPictures)));
        const QStringList words = wordPictures();
        QVERIFY(!words.isEmpty());
        for (const QString &file : words)
            QTest::addRow("%s", qPrintable(QFileInfo(file).fileName())) << file;
    }

    void picture()
    {
        QFETCH(QString, file);
        const QString sharp = korivanta::sharpName(file);
        QVERIFY2(QFileInfo::exists(sharp), qPrintable(sharp));

        QImageReader reader(file);
        QImageReader sharpReader(sharp);
        QCOMPARE(sharpReader.format(), reader.format());
        // (Scaled as RGB: scaling an indexed picture paints, which needs a GUI application.)
        const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
        const QImage big = sharpReader.read().convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!image.isNull() && !big.isNull(), qPrintable(reader.errorString() + sharpReader.errorString()));
        QCOMPARE(big.size(), image.size() * 2);
        QCOMPARE(bmpBitDepth(sharp), bmpBitDepth(file));
        if (image.isGrayscale())
            QVERIFY2(big.isGrayscale(), "the copy of a grey picture is not grey");
        QCOMPARE(sharpReader.imageFormat() == QImage::Format_Indexed8, reader.imageFormat() == QImage::Format_Indexed8);

        // The same picture in the same place...
        const QImage half = big.scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const double apart = meanDifference(half, image);
        QVERIFY2(apart < 8.0, qPrintable(QStringLiteral("half-size copy differs by %1").arg(apart)));
        // ...with detail of its own, not the picture's pixels doubled.
        const QImage doubled = image.scaled(big.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const double detail = meanDifference(big, doubled);
        QVERIFY2(detail > 0.5, qPrintable(QStringLiteral("only %1 from the doubled picture").arg(detail)));
    }

    void animation_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addRow("instructions") << mediaRoot() + QStringLiteral("/animaciones/anima_adivina.gif");
        QTest::addRow("hand") << mediaRoot() + QStringLiteral("/la_mano.gif");
    }

    // The copy plays like the animation: same frames, delays and looping, every
    // frame twice the size and, shrunk to half, the animation's frame.
    void animation()
    {
        QFETCH(QString, file);
        QImageReader reader(file);
        QImageReader sharp(korivanta::sharpName(file));
        QVERIFY2(sharp.canRead(), qPrintable(sharp.fileName()));
        QCOMPARE(sharp.size(), reader.size() * 2);
        QCOMPARE(sharp.imageCount(), reader.imageCount());
        QCOMPARE(sharp.loopCount(), reader.loopCount());
        int frames = 0;
        while (reader.canRead()) {
            const QImage frame = reader.read().convertToFormat(QImage::Format_RGB32);
            const int delay = reader.nextImageDelay();
            QVERIFY(sharp.canRead());
            const QImage big = sharp.read().convertToFormat(QImage::Format_RGB32);
            QCOMPARE(sharp.nextImageDelay(), delay);
            QCOMPARE(big.size(), frame.size() * 2);
            const QImage half = big.scaled(frame.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const double apart = meanDifference(half, frame);
            QVERIFY2(apart < 10.0, qPrintable(QStringLiteral("frame %1 differs by %2").arg(frames).arg(apart)));
            ++frames;
        }
        QCOMPARE(frames, sharp.imageCount());
    }
};

QTEST_GUILESS_MAIN(TestSharpPictures)
#include "tst_sharp_pictures.moc"
