// The game window's painted scene and its two icons, as the build embeds them:
// their formats, and that the painting lies where the window's controls do
// (button discs under the hotspots, the keys on the black poncho, light
// grounds under the texts the program writes).
#include "app/twips.h"
#include "game/con_obj_layout.h"
#include "game/keyboard_table.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

#include <algorithm>

using namespace korivanta;

namespace {

const QString kBackground = QStringLiteral(":/pictures/background.bmp");
const QString kIcon = QStringLiteral(":/pictures/icon.ico");
const QString kHand = QStringLiteral(":/pictures/hand.ico");

// The pixel of the hand pointer that points: the tip of the raised finger.
constexpr QPoint kHandHotspot{10, 1};

QRect pixelRect(const ControlRect &c)
{
    return fromTwips(c.left, c.top, c.width, c.height);
}

bool yellowish(QRgb c)
{
    return qRed(c) >= 200 && qGreen(c) >= 160 && qBlue(c) <= 150;
}

bool nearBlack(QRgb c)
{
    return qRed(c) <= 60 && qGreen(c) <= 60 && qBlue(c) <= 60;
}

// Light and without a strong tint: a ground on which dark text reads.
bool lightGround(QRgb c)
{
    return qGray(c) >= 190 && std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)}) <= 60;
}

QString rgbText(QRgb c)
{
    return QStringLiteral("RGB(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

// Bits per pixel as the file states them: the BMP's info header, or the
// bitmap header of an ICO's first image.
int storedBitDepth(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray data = file.readAll();
    const auto u16 = [&](qsizetype at) {
        return at + 2 <= data.size() ? qFromLittleEndian<quint16>(data.constData() + at) : -1;
    };
    const auto u32 = [&](qsizetype at) {
        return at + 4 <= data.size() ? qint64(qFromLittleEndian<quint32>(data.constData() + at)) : qint64(-1);
    };
    if (data.startsWith("BM"))
        return u16(28);
    if (u16(0) == 0 && u16(2) == 1 && u16(4) >= 1) { // ICONDIR of an icon
        const qint64 offset = u32(6 + 12);
        return offset < 0 ? -1 : u16(offset + 14);
    }
    return -1;
}

QImage background()
{
    static const QImage image = QImage(kBackground).convertToFormat(QImage::Format_RGB32);
    return image;
}

} // namespace

class TestScenePictures : public QObject {
    Q_OBJECT

private slots:
    void formats_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("bitDepth");
        QTest::addRow("background") << kBackground << QByteArray("bmp") << QSize(707, 546) << 24;
        QTest::addRow("window icon") << kIcon << QByteArray("ico") << QSize(32, 32) << 8;
        QTest::addRow("hand pointer") << kHand << QByteArray("ico") << QSize(32, 32) << 8;
    }

    void formats()
    {
        QFETCH(QString, path);
        QFETCH(QByteArray, format);
        QFETCH(QSize, size);
        QFETCH(int, bitDepth);
        QImageReader reader(path);
        QCOMPARE(reader.format(), format);
        const QImage image = reader.read();
        QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(image.size(), size);
        QCOMPARE(storedBitDepth(path), bitDepth);
    }

    void backgroundCoversClientArea()
    {
        // The picture is drawn unscaled from the top-left corner and must fill
        // the whole client area (its last rows fall outside).
        const QSize client = sizeFromTwips(kConObjClientWidth, kConObjClientHeight);
        QCOMPARE(background().width(), client.width());
        QVERIFY(background().height() >= client.height());
    }

    void buttonDiscUnderHotspot_data()
    {
        QTest::addColumn<QString>("hotspot");
        for (const char *name : {"Image2", "Image5", "Image6", "Image7", "Image40"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void buttonDiscUnderHotspot()
    {
        QFETCH(QString, hotspot);
        const QRect r = pixelRect(controlRect(hotspot.toStdString()));
        const QPoint centre = r.center();
        const double radius = std::min(r.width(), r.height()) / 2.0;
        const QImage image = background();
        QVERIFY2(yellowish(image.pixel(centre)), qPrintable(rgbText(image.pixel(centre))));
        // The disc reaches out to near the hotspot's edges to the left, right
        // and below (above lies the disc's gloss) ...
        for (const QPoint dir : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, 1)}) {
            const QPoint p = centre + dir * (0.8 * radius);
            QVERIFY2(yellowish(image.pixel(p)),
                     qPrintable(
                         QStringLiteral("inside at (%1, %2): %3").arg(p.x()).arg(p.y()).arg(rgbText(image.pixel(p)))));
        }
        // ... and ends there: beyond it lies the purple stepped cross.
        for (const QPoint dir : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const QPoint p = centre + dir * (1.2 * radius);
            QVERIFY2(!yellowish(image.pixel(p)),
                     qPrintable(
                         QStringLiteral("outside at (%1, %2): %3").arg(p.x()).arg(p.y()).arg(rgbText(image.pixel(p)))));
        }
    }

    void keysOnBlackPoncho_data()
    {
        QTest::addColumn<int>("key");
        for (int i = 0; i < int(kKeyboard.size()); ++i)
            QTest::addRow("key %d %s", i, qPrintable(QString::fromUtf16(kKeyboard[i].letters))) << i;
    }

    void keysOnBlackPoncho()
    {
        // The key pictures have near-black corners: everything around and
        // under a key, a few pixels beyond its rectangle, must be near-black.
        QFETCH(int, key);
        const KeyRow &k = kKeyboard[std::size_t(key)];
        const QImage image = background();
        const QRect keyRect = fromTwips(k.left, k.top, k.width, k.height);
        for (const QRect &ring : {keyRect, keyRect.adjusted(-4, -4, 4, 4)}) {
            for (int x = ring.left(); x <= ring.right(); ++x) {
                for (int y = ring.top(); y <= ring.bottom(); ++y) {
                    if (x != ring.left() && x != ring.right() && y != ring.top() && y != ring.bottom())
                        continue;
                    QVERIFY2(nearBlack(image.pixel(x, y)),
                             qPrintable(QStringLiteral("(%1, %2): %3").arg(x).arg(y).arg(rgbText(image.pixel(x, y)))));
                }
            }
        }
    }

    void lightGroundUnderText_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("grow");
        // The board's title (dark olive) and the Spanish word (dark green).
        QTest::newRow("Label3") << QStringLiteral("Label3") << 0;
        QTest::newRow("Label1") << QStringLiteral("Label1") << 0;
        // The white mat round the word's picture.
        QTest::newRow("Image4 mat") << QStringLiteral("Image4") << 2;
    }

    void lightGroundUnderText()
    {
        QFETCH(QString, control);
        QFETCH(int, grow);
        const QRect r = pixelRect(controlRect(control.toStdString())).adjusted(-grow, -grow, grow, grow);
        const QImage image = background();
        const QList<QPoint> points{r.topLeft(),
                                   r.topRight(),
                                   r.bottomLeft(),
                                   r.bottomRight(),
                                   QPoint(r.center().x(), r.top()),
                                   QPoint(r.center().x(), r.bottom()),
                                   QPoint(r.left(), r.center().y()),
                                   QPoint(r.right(), r.center().y()),
                                   r.center()};
        for (const QPoint &p : points) {
            QVERIFY2(lightGround(image.pixel(p)),
                     qPrintable(QStringLiteral("(%1, %2): %3").arg(p.x()).arg(p.y()).arg(rgbText(image.pixel(p)))));
        }
    }

    void iconsHaveTransparentSurround_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QPoint>("opaque");
        QTest::addRow("window icon") << kIcon << QPoint(16, 16);
        QTest::addRow("hand pointer") << kHand << kHandHotspot;
    }

    void iconsHaveTransparentSurround()
    {
        QFETCH(QString, path);
        QFETCH(QPoint, opaque);
        const QImage image = QImage(path).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!image.isNull());
        QCOMPARE(qAlpha(image.pixel(opaque)), 255);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(image.pixel(31, 0)), 0);
    }

    void handPointsWithItsFingertip()
    {
        // Nothing of the hand lies above or left of the hotspot's row and
        // column but the finger itself: the tip is the topmost part.
        const QImage image = QImage(kHand).convertToFormat(QImage::Format_ARGB32);
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < kHandHotspot.y(); ++y)
                QCOMPARE(qAlpha(image.pixel(x, y)), 0);
        int topLeftOpaque = 0;
        for (int x = 0; x < kHandHotspot.x() - 3; ++x)
            for (int y = 0; y < 10; ++y)
                topLeftOpaque += qAlpha(image.pixel(x, y)) > 0;
        QCOMPARE(topLeftOpaque, 0);
    }
};

QTEST_GUILESS_MAIN(TestScenePictures)
#include "tst_scene_pictures.moc"
