// The pictures made by the pictures asset step, as the windows receive them
// from the resources: format, pixel size and bit depth, and the features of
// their content that the game relies on (keys that show the scene around their
// oval, readable label fields in the completion panel, letters centred on the
// chart's areas, free places for the buttons drawn over the pictures).
#include "app/twips.h"
#include "game/con_obj_layout.h"
#include "game/key_oval.h"
#include "game/keyboard_table.h"
#include "graphemes/chart_table.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

using namespace korivanta;

namespace {

QString keyPath(int key, bool grey)
{
    return QStringLiteral(":/pictures/key_%1%2.bmp").arg(key, 2, 10, QChar('0')).arg(grey ? "_grey" : "");
}

// The BMP file header's bits per pixel and compression, read from the bytes.
struct BmpHeader {
    QByteArray magic;
    int bitCount = 0;
    quint32 compression = ~0u;
};

BmpHeader readHeader(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(54);
    if (bytes.size() < 54)
        return {};
    BmpHeader h;
    h.magic = bytes.left(2);
    h.bitCount = qFromLittleEndian<quint16>(bytes.constData() + 28);
    h.compression = qFromLittleEndian<quint32>(bytes.constData() + 30);
    return h;
}

QImage load(const QString &path, QByteArray *format = nullptr)
{
    QImageReader reader(path);
    if (format)
        *format = reader.format();
    return reader.read();
}

QRect pixelRect(const ControlRect &c)
{
    return fromTwips(c.left, c.top, c.width, c.height);
}

int luminance(QRgb c)
{
    return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
}

int maxChannel(QRgb c)
{
    return std::max({qRed(c), qGreen(c), qBlue(c)});
}

// The mean colour of the bright pixels: the body of an oval, without its dark
// letters and the dark corners around it.
QColor brightMean(const QImage &image, QRect area, int threshold = 110)
{
    qint64 r = 0, g = 0, b = 0, n = 0;
    area &= image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (maxChannel(c) < threshold)
                continue;
            r += qRed(c), g += qGreen(c), b += qBlue(c), ++n;
        }
    return n ? QColor(int(r / n), int(g / n), int(b / n)) : QColor();
}

enum class Hue { Green, Yellow, Red, Salmon };

bool hasHue(QColor c, Hue hue)
{
    const int r = c.red(), g = c.green(), b = c.blue();
    switch (hue) {
    case Hue::Green: return g > r + 40 && g > b + 40;
    case Hue::Yellow: return r > 170 && g > 140 && b < g - 60 && std::abs(r - g) < 70;
    case Hue::Red: return r > g + 60 && r > b + 60;
    case Hue::Salmon: return r > 200 && r > g + 40 && r > b + 40 && g > 60;
    }
    return false;
}

Hue keyHue(KeyClass c)
{
    switch (c) {
    case KeyClass::Simple: return Hue::Green;
    case KeyClass::Aspirated: return Hue::Yellow;
    case KeyClass::Glottalized: return Hue::Red;
    }
    return Hue::Green;
}

// A letter's ink on the chart: saturated pixels of its class's colour.
bool isChartInk(QRgb c, int chartRow)
{
    const int r = qRed(c), g = qGreen(c), b = qBlue(c);
    switch (chartRow) {
    case 1: return r > 150 && g > 100 && b < 90 && r > g + 25; // gold
    case 2: return r > 150 && g < 110 && b < 110;              // red
    default: return g > r + 50 && g > b + 40 && g < 200;       // green
    }
}

} // namespace

class PanelPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void keyPictures_data();
    void keyPictures();
    void greyCopies_data();
    void greyCopies();
    void keysShowTheSceneAroundTheOval_data();
    void keysShowTheSceneAroundTheOval();
    void windowPictures_data();
    void windowPictures();
    void signColours_data();
    void signColours();
    void completionPanelFields();
    void chartLettersOnTheirAreas_data();
    void chartLettersOnTheirAreas();
    void chartKeepsTheVolverButtonFree();
};

void PanelPicturesTest::keyPictures_data()
{
    QTest::addColumn<int>("key");
    for (int i = 0; i < int(kKeyboard.size()); ++i)
        QTest::addRow("key %d %s", i, qPrintable(QString::fromUtf16(kKeyboard[size_t(i)].letters))) << i;
}

// Each key is a 24-bit BMP of exactly its control's picture size, an oval of
// its class's colour whose corners blend into the black poncho behind it.
void PanelPicturesTest::keyPictures()
{
    QFETCH(int, key);
    const KeyRow &row = kKeyboard[size_t(key)];
    const QString path = keyPath(key, false);

    QByteArray format;
    const QImage image = load(path, &format);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(format, QByteArray("bmp"));
    QCOMPARE(image.size(), QSize(row.pictureWidth, row.pictureHeight));
    QCOMPARE(image.size(), sizeFromTwips(row.width, row.height));

    const BmpHeader header = readHeader(path);
    QCOMPARE(header.magic, QByteArray("BM"));
    QCOMPARE(header.bitCount, 24);
    QCOMPARE(header.compression, 0u);

    const QRect r = image.rect();
    for (const QPoint corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        QVERIFY2(
            maxChannel(image.pixel(corner)) < 40,
            qPrintable(
                QString("corner %1,%2 is %3").arg(corner.x()).arg(corner.y()).arg(QColor(image.pixel(corner)).name())));

    const QColor body = brightMean(image, image.rect());
    QVERIFY2(hasHue(body, keyHue(row.keyClass)), qPrintable(body.name()));

    // The letters are dark on the oval: the middle band holds ink much darker
    // than the body around it.
    const QRect middle(r.width() / 4, r.height() / 4, r.width() / 2, r.height() / 2);
    int darkest = 255;
    for (int y = middle.top(); y <= middle.bottom(); ++y)
        for (int x = middle.left(); x <= middle.right(); ++x)
            darkest = std::min(darkest, luminance(image.pixel(x, y)));
    QVERIFY2(darkest < luminance(body.rgb()) - 80, qPrintable(QString::number(darkest)));
}

void PanelPicturesTest::greyCopies_data()
{
    keyPictures_data();
}

// Each key's grey copy: same size, 8 bits per pixel with a palette of grey
// levels, dark corners like the key, and an oval lighter than a plain grey
// conversion of the key would be, so that the key looks used.
void PanelPicturesTest::greyCopies()
{
    QFETCH(int, key);
    const KeyRow &row = kKeyboard[size_t(key)];
    const QString path = keyPath(key, true);

    QByteArray format;
    const QImage grey = load(path, &format);
    QVERIFY2(!grey.isNull(), qPrintable(path));
    QCOMPARE(format, QByteArray("bmp"));
    QCOMPARE(grey.size(), QSize(row.pictureWidth, row.pictureHeight));
    QCOMPARE(grey.format(), QImage::Format_Indexed8);
    QVERIFY(grey.isGrayscale());
    QCOMPARE(grey.colorCount(), 256);

    const BmpHeader header = readHeader(path);
    QCOMPARE(header.magic, QByteArray("BM"));
    QCOMPARE(header.bitCount, 8);
    QCOMPARE(header.compression, 0u);

    const QRect r = grey.rect();
    for (const QPoint corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        QVERIFY(maxChannel(grey.pixel(corner)) < 40);

    const QImage coloured = load(keyPath(key, false));
    qint64 keyOval = 0, greyOval = 0, n = 0;
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x) {
            if (maxChannel(coloured.pixel(x, y)) < 110)
                continue;
            keyOval += luminance(coloured.pixel(x, y));
            greyOval += qGray(grey.pixel(x, y));
            ++n;
        }
    QVERIFY(n > r.width() * r.height() / 4);
    QVERIFY2(greyOval > keyOval, qPrintable(QString("%1 <= %2").arg(greyOval / n).arg(keyOval / n)));
}

void PanelPicturesTest::keysShowTheSceneAroundTheOval_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("grey");
    for (int i = 0; i < int(kKeyboard.size()); ++i) {
        const QString letters = QString::fromUtf16(kKeyboard[size_t(i)].letters);
        QTest::addRow("key %d %s", i, qPrintable(letters)) << i << false;
        QTest::addRow("grey copy %d %s", i, qPrintable(letters)) << i << true;
    }
}

// A key lies over the painted scene: outside its oval (the pixels that
// keyOvalCovers leaves out, the same mask the asset step cuts the button by)
// the key picture holds exactly the background's pixels under the key, so no
// seam shows round a key. A grey copy can only hold grey levels: there it
// holds each scene pixel's grey level by qGray, and since the poncho under the
// keys is a neutral grey, that is the scene's own colour, so a used key sits
// on the scene as seamlessly (a tinted ground under a key fails here). Inside
// the oval the button covers the scene: most of its pixels differ from it.
void PanelPicturesTest::keysShowTheSceneAroundTheOval()
{
    QFETCH(int, key);
    QFETCH(bool, grey);
    const KeyRow &row = kKeyboard[size_t(key)];
    const QImage picture = load(keyPath(key, grey)).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!picture.isNull());
    const QImage scene = load(QStringLiteral(":/pictures/background.bmp")).convertToFormat(QImage::Format_RGB32);
    QVERIFY(!scene.isNull());
    const QRect place = fromTwips(row.left, row.top, row.width, row.height);
    QVERIFY(scene.rect().contains(place));
    QCOMPARE(picture.size(), place.size());

    int outside = 0, inside = 0, covered = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb under = scene.pixel(place.topLeft() + QPoint(x, y));
            const QRgb shown = picture.pixel(x, y);
            if (keyOvalCovers(picture.width(), picture.height(), x, y)) {
                ++inside;
                covered += shown != under;
                continue;
            }
            ++outside;
            const QRgb expected = grey ? qRgb(qGray(under), qGray(under), qGray(under)) : under;
            QVERIFY2(shown == expected, qPrintable(QStringLiteral("at %1,%2: %3, the scene there %4")
                                                       .arg(x)
                                                       .arg(y)
                                                       .arg(QColor(shown).name(), QColor(under).name())));
            QVERIFY2(
                shown == under,
                qPrintable(
                    QStringLiteral("at %1,%2: the scene's %3 is not grey").arg(x).arg(y).arg(QColor(under).name())));
        }
    // The oval leaves every corner to the scene and covers most of the picture.
    QVERIFY2(outside >= 4 && inside > 2 * outside,
             qPrintable(QStringLiteral("%1 in, %2 out").arg(inside).arg(outside)));
    QVERIFY2(covered > inside * 9 / 10,
             qPrintable(QStringLiteral("%1 of %2 oval pixels drawn").arg(covered).arg(inside)));
}

void PanelPicturesTest::windowPictures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("control");
    QTest::addRow("chart") << "chart.bmp"
                           << "Image3";
    QTest::addRow("hit sign") << "jisaw.bmp"
                              << "Image73";
    QTest::addRow("miss sign") << "janiw.bmp"
                               << "Image74";
    QTest::addRow("completion panel") << "panel.bmp"
                                      << "Picture1";
}

// The other pictures are 24-bit BMPs exactly the size of the control showing them.
void PanelPicturesTest::windowPictures()
{
    QFETCH(QString, file);
    QFETCH(QString, control);
    const QString path = ":/pictures/" + file;
    const ControlRect &c = controlRect(control.toStdString());

    QByteArray format;
    const QImage image = load(path, &format);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(format, QByteArray("bmp"));
    QCOMPARE(image.size(), sizeFromTwips(c.width, c.height));
    const BmpHeader header = readHeader(path);
    QCOMPARE(header.bitCount, 24);
    QCOMPARE(header.compression, 0u);
}

void PanelPicturesTest::signColours_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("hue");
    QTest::addRow("Jisaw, green") << "jisaw.bmp" << int(Hue::Green);
    QTest::addRow("Janiw, salmon-red") << "janiw.bmp" << int(Hue::Salmon);
}

// The hit sign is a green oval and the miss sign a salmon-red one, both on a cream ground.
void PanelPicturesTest::signColours()
{
    QFETCH(QString, file);
    QFETCH(int, hue);
    const QImage image = load(":/pictures/" + file);
    QVERIFY(!image.isNull());
    const QRect r = image.rect();
    for (const QPoint corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
        const QRgb c = image.pixel(corner);
        QVERIFY2(qRed(c) > 220 && qGreen(c) > 210 && qBlue(c) > 170 && qBlue(c) < qRed(c),
                 qPrintable(QColor(c).name()));
    }
    // The oval's colour, sampled on a ring between the word and the rim.
    const QRect ring(r.width() / 8, r.height() / 2 + r.height() / 5, r.width() * 3 / 4, r.height() / 10);
    const QColor body = brightMean(image, ring, 0);
    QVERIFY2(hasHue(body, Hue(hue)), qPrintable(body.name()));
}

// The two labels of the completion panel lie wholly on light fields of their
// colour (the blue and the dark green texts must stay readable), and the place
// of the "wali" button holds no text.
void PanelPicturesTest::completionPanelFields()
{
    const QImage panel = load(":/pictures/panel.bmp");
    QVERIFY(!panel.isNull());

    const QRect label11 = pixelRect(controlRect("Label11"));
    const QRect label12 = pixelRect(controlRect("Label12"));
    const QRect wali = pixelRect(controlRect("Command1"));
    QVERIFY(panel.rect().contains(label11) && panel.rect().contains(label12) && panel.rect().contains(wali));

    for (int y = label11.top(); y <= label11.bottom(); ++y)
        for (int x = label11.left(); x <= label11.right(); ++x) {
            const QRgb c = panel.pixel(x, y);
            const bool lightCyan = qBlue(c) > 200 && qGreen(c) > 200 && qRed(c) < qBlue(c) - 30;
            QVERIFY2(lightCyan, qPrintable(QString("Label11 at %1,%2: %3").arg(x).arg(y).arg(QColor(c).name())));
        }
    for (int y = label12.top(); y <= label12.bottom(); ++y)
        for (int x = label12.left(); x <= label12.right(); ++x) {
            const QRgb c = panel.pixel(x, y);
            const bool lightGreen = qGreen(c) > qRed(c) + 20 && qGreen(c) > qBlue(c) + 20 && luminance(c) > 170;
            QVERIFY2(lightGreen, qPrintable(QString("Label12 at %1,%2: %3").arg(x).arg(y).arg(QColor(c).name())));
        }
    for (int y = wali.top(); y <= wali.bottom(); ++y)
        for (int x = wali.left(); x <= wali.right(); ++x)
            QVERIFY2(luminance(panel.pixel(x, y)) > 150, qPrintable(QString("wali at %1,%2").arg(x).arg(y)));
}

void PanelPicturesTest::chartLettersOnTheirAreas_data()
{
    QTest::addColumn<int>("area");
    for (int i = 0; i < int(kChart.size()); ++i)
        QTest::addRow("area %d %s", i, qPrintable(QString::fromUtf16(kChart[size_t(i)].letters))) << i;
}

// Each letter of the chart is drawn in its row's colour, centred on the area
// that plays its sound: the area lies in the frame, and so does the chart.
void PanelPicturesTest::chartLettersOnTheirAreas()
{
    QFETCH(int, area);
    const QImage chart = load(":/pictures/chart.bmp");
    QVERIFY(!chart.isNull());

    const ChartRow &row = kChart[size_t(area)];
    const ControlRect &image3 = controlRect("Image3");
    const QRect spot =
        fromTwips(row.left, row.top, row.width, row.height).translated(-pixels(image3.left), -pixels(image3.top));
    QVERIFY(chart.rect().contains(spot));

    const int chartRow = area < 15 ? area / 5 : 0;
    QRect ink;
    int n = 0;
    for (int y = spot.top(); y <= spot.bottom(); ++y)
        for (int x = spot.left(); x <= spot.right(); ++x)
            if (isChartInk(chart.pixel(x, y), chartRow)) {
                ink |= QRect(x, y, 1, 1);
                ++n;
            }
    QVERIFY2(n >= 15, qPrintable(QString("%1 ink pixels").arg(n)));
    // Centred: the ink leaves the same margin (within a pixel) on opposite sides.
    const int left = ink.left() - spot.left(), right = spot.right() - ink.right();
    const int top = ink.top() - spot.top(), bottom = spot.bottom() - ink.bottom();
    QVERIFY2(
        std::abs(left - right) <= 1 && std::abs(top - bottom) <= 1,
        qPrintable(QString("margins left %1 right %2 top %3 bottom %4").arg(left).arg(right).arg(top).arg(bottom)));
}

// The "Volver" button is drawn by the program over the chart: no text lies under it.
void PanelPicturesTest::chartKeepsTheVolverButtonFree()
{
    const QImage chart = load(":/pictures/chart.bmp");
    QVERIFY(!chart.isNull());
    const ControlRect &image3 = controlRect("Image3");
    const QRect button = pixelRect(controlRect("Command38")).translated(-pixels(image3.left), -pixels(image3.top));
    QVERIFY(chart.rect().contains(button));
    for (int y = button.top(); y <= button.bottom(); ++y)
        for (int x = button.left(); x <= button.right(); ++x)
            QVERIFY2(luminance(chart.pixel(x, y)) > 150, qPrintable(QString("at %1,%2").arg(x).arg(y)));
}

QTEST_MAIN(PanelPicturesTest)
#include "tst_panel_pictures.moc"
