// The game window con_obj as it is built: every control's container, place,
// shown state, text, tooltip, pointer, colours and font; which control lies in
// front where controls overlap; and where real mouse input lands. The tables
// below are the window's drawing, written out here on their own so that a
// wrong number in the program's tables shows up. Mouse events go through the
// window like real input.
#define QTEST_QPA_MOUSE_HANDLING
#include <QtTest>

#include "app/fonts.h"
#include "app/modulo1.h"
#include "game/image_control.h"
#include "support/drawn_layout.h"
#include "support/game_fixture.h"
#include "support/keys.h"

#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include <memory>
#include <optional>

using namespace korivanta;

namespace {

QPoint centreOf(const QRect &r)
{
    return {r.x() + r.width() / 2, r.y() + r.height() / 2};
}

// --- The drawing --------------------------------------------------------

struct Placed {
    QString name;
    QString container;
    QString kind; // image, hotspot, label, text, data, picturebox, frame, player, button
    QRect rect;   // pixels, inside the container
    bool shown;   // at creation
    bool enabled;
    std::optional<QString> text; // at creation
    QString tooltip;
    bool hand; // the hand pointer, else the arrow
};

struct Key {
    int left, top, width, height;
    int pictureWidth, pictureHeight;
    const char16_t *tooltip; // between quote characters
    int overlay;
};

const Key kKeys[32] = {
    {2640, 4440, 720, 495, 48, 33, nullptr, 3},           {5040, 4440, 720, 510, 48, 34, nullptr, 0},
    {4320, 4440, 675, 480, 45, 32, nullptr, 1},           {3480, 4440, 675, 480, 45, 32, nullptr, 2},
    {1920, 4440, 675, 480, 45, 32, nullptr, 4},           {1080, 4440, 825, 525, 55, 35, u"P Glotalizada", 5},
    {720, 5040, 825, 525, 55, 35, u"Q Glotalizada", 6},   {1680, 5040, 780, 510, 52, 34, nullptr, 7},
    {2640, 5040, 675, 480, 45, 32, nullptr, 8},           {3480, 5040, 675, 480, 45, 32, nullptr, 9},
    {4320, 5040, 780, 510, 52, 34, nullptr, 10},          {5160, 5040, 795, 570, 53, 38, nullptr, 11},
    {5830, 4320, 825, 525, 55, 35, u"T Aspirada", 12},    {6240, 4920, 840, 570, 56, 38, u"Ch Aspirada", 13},
    {480, 5640, 825, 525, 55, 35, u"K Glotalizada", 14},  {1320, 5640, 675, 480, 45, 32, nullptr, 15},
    {2040, 5640, 675, 480, 45, 32, nullptr, 16},          {2880, 5640, 675, 480, 45, 32, nullptr, 17},
    {3720, 5640, 675, 480, 45, 32, nullptr, 18},          {4440, 5640, 675, 480, 45, 32, nullptr, 19},
    {5160, 5640, 675, 480, 45, 32, nullptr, 20},          {5880, 5520, 675, 480, 45, 32, nullptr, 21},
    {6600, 5520, 825, 525, 55, 35, u"Q Aspirada", 22},    {360, 6240, 825, 525, 55, 35, u"Ch Glotalizada", 23},
    {1200, 6240, 825, 525, 55, 35, u"T Glotalizada", 24}, {2160, 6240, 675, 510, 45, 34, nullptr, 25},
    {2880, 6240, 675, 480, 45, 32, nullptr, 26},          {3600, 6240, 675, 480, 45, 32, nullptr, 27},
    {4440, 6240, 675, 480, 45, 32, nullptr, 28},          {5160, 6240, 675, 480, 45, 32, nullptr, 29},
    {5880, 6120, 825, 525, 55, 35, u"K Aspirada", 30},    {6720, 6120, 825, 525, 55, 35, u"P Aspirada", 31},
};

// The chart's areas, inside Frame2.
const int kAreas[32][4] = {
    {5400, 1320, 255, 255}, {6000, 1320, 255, 255}, {6720, 1320, 375, 255}, {7560, 1320, 375, 255},
    {8280, 1320, 375, 255}, {5400, 1800, 375, 375}, {6000, 1800, 375, 375}, {6720, 1800, 495, 375},
    {7560, 1800, 375, 375}, {8280, 1800, 495, 375}, {5400, 2280, 375, 375}, {6000, 2280, 375, 375},
    {6720, 2280, 495, 375}, {7560, 2280, 375, 375}, {8280, 2280, 495, 375}, {6000, 2760, 375, 375},
    {7560, 2760, 375, 375}, {8400, 2760, 375, 375}, {6000, 3230, 375, 375}, {6720, 3240, 495, 375},
    {5400, 3680, 375, 375}, {6000, 3680, 390, 300}, {6720, 3670, 495, 375}, {6000, 4080, 375, 375},
    {5400, 4560, 495, 375}, {6720, 4560, 375, 375}, {480, 4920, 255, 255},  {1320, 4920, 255, 255},
    {840, 5520, 375, 255},  {2040, 5280, 375, 495}, {2520, 5280, 375, 495}, {3120, 5280, 375, 495},
};

int keyUnder(int overlay)
{
    for (int i = 0; i < 32; ++i)
        if (kKeys[i].overlay == overlay)
            return i;
    qFatal("overlay %d greys no key", overlay);
}

QRect keyRect(int i)
{
    return pxRect(kKeys[i].left, kKeys[i].top, kKeys[i].width, kKeys[i].height);
}

QString keyName(int i)
{
    return QStringLiteral("Image10_%1").arg(i);
}

QString overlayName(int k)
{
    return QStringLiteral("Image41_%1").arg(k);
}

QString areaName(int i)
{
    return QStringLiteral("Image75_%1").arg(i);
}

const QList<Placed> &drawing()
{
    static const QList<Placed> all = [] {
        QList<Placed> d;
        const QString window = QStringLiteral("con_obj");
        const auto add = [&](const char *name, const QString &container, const char *kind, int l, int t, int w, int h,
                             bool shown, std::optional<QString> text = std::nullopt, bool hand = false) {
            d.append({QString::fromLatin1(name), container, QString::fromLatin1(kind), pxRect(l, t, w, h), shown, true,
                      std::move(text), QString(), hand});
        };
        add("Image4", window, "image", 600, 720, 2535, 1935, true);
        add("Label3", window, "label", 3960, 240, 2415, 375, true, QStringLiteral("PALABRA"));
        add("Label1", window, "label", 4800, 840, 1575, 375, true, QStringLiteral("Label1"));
        add("Text5", window, "text", 4680, 1560, 2175, 450, true, QStringLiteral("......\r\n"));
        add("Text3", window, "text", 9240, 6360, 735, 360, true, QStringLiteral("Text3"));
        add("Text4", window, "text", 9120, 6720, 615, 375, true, QStringLiteral("Text4"));
        add("Text1", window, "text", 840, 1080, 2055, 375, false, QStringLiteral("Text1"));
        d.last().enabled = false;
        add("Text2", window, "text", 4560, 480, 1815, 285, false, QStringLiteral("Text2"));
        add("Data1", window, "data", 5040, 120, 1140, 375, false);
        add("Image2", window, "hotspot", 7680, 600, 975, 975, true, std::nullopt, true);
        add("Image5", window, "hotspot", 9360, 480, 975, 1095, true, std::nullopt, true);
        add("Image6", window, "hotspot", 7680, 2520, 975, 855, true, std::nullopt, true);
        add("Image7", window, "hotspot", 9360, 2520, 975, 855, false, std::nullopt, true);
        add("Image40", window, "hotspot", 8520, 4200, 975, 975, true, std::nullopt, true);
        add("Image1", window, "hotspot", 7920, 1800, 2535, 3375, true, std::nullopt, true);
        add("Image73", window, "image", 1735, 2800, 1470, 1005, false);
        add("Image74", window, "image", 4615, 2850, 1395, 1035, false);
        add("Picture1", window, "picturebox", 5520, 2150, 4200, 2130, false);
        add("Frame2", window, "frame", 480, 1440, 9135, 6015, true);
        add("Marchoso2", window, "player", 6990, 160, 3375, 2415, true,
            QStringLiteral("c:\\Trab_zumel\\animaciones\\anima_adivina.gif"));
        add("Marchoso1", window, "player", 4670, 1410, 2205, 2520, false, QString());

        const QString frame = QStringLiteral("Frame2");
        const QString panel = QStringLiteral("Picture1");
        add("Image3", frame, "image", 120, 120, 8850, 5775, true);
        add("Command38", frame, "button", 1800, 3480, 1455, 495, true, QStringLiteral("Volver"), true);
        add("Command1", panel, "button", 3120, 1200, 495, 375, true, QStringLiteral("wali"), true);
        add("Label11", panel, "label", 1560, 730, 1695, 240, true, QStringLiteral("Label11"));
        add("Label12", panel, "label", 1200, 1560, 1695, 375, true, QStringLiteral("Label12"));

        for (int i = 0; i < 32; ++i) {
            const Key &k = kKeys[i];
            const QString tip =
                k.tooltip ? QLatin1Char('"') + QString::fromUtf16(k.tooltip) + QLatin1Char('"') : QString();
            d.append({keyName(i), window, QStringLiteral("image"), keyRect(i), true, true, std::nullopt, tip, true});
        }
        for (int k = 0; k < 32; ++k)
            d.append({overlayName(k), window, QStringLiteral("image"), keyRect(keyUnder(k)), false, true, std::nullopt,
                      QString(), false});
        for (int i = 0; i < 32; ++i) {
            const int *a = kAreas[i];
            d.append({areaName(i), frame, QStringLiteral("hotspot"), pxRect(a[0], a[1], a[2], a[3]), true, true,
                      std::nullopt, QString(), true});
        }
        return d;
    }();
    return all;
}

QList<WordRow> someWords()
{
    return {
        {QStringLiteral("uta"), QStringLiteral("casa"), QStringLiteral("hogar"), QVariant(), QVariant()},
        {QStringLiteral("qala"), QStringLiteral("piedra"), QStringLiteral("naturaleza"), QVariant(), QVariant()},
    };
}

QString shownText(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *button = qobject_cast<QPushButton *>(w))
        return button->text();
    if (auto *player = qobject_cast<AnimationPlayer *>(w))
        return player->animationFile();
    return QString();
}

// What a control looked like the moment the window was made, before its load.
struct AtCreation {
    bool shown = false;
    bool enabled = false;
    QString text;
};

// A widget drawn on white, without its own background.
QImage drawn(QWidget *w)
{
    QImage image(w->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    w->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool lands(QWidget *hit, QWidget *target)
{
    return hit && (hit == target || target->isAncestorOf(hit));
}

QString nameOf(QWidget *w)
{
    return w ? w->objectName() : QStringLiteral("(the window itself)");
}

// The pictures of the keys, signs, chart and panel are made by the asset
// pipeline; a tree without that step has none.
bool picturesBuilt()
{
    return QFile::exists(QStringLiteral(":/pictures/key_00.bmp"));
}

// The hand pointer is the window's own picture; without the built pictures
// the program falls back to the toolkit's pointing hand.
bool isHand(const QCursor &c)
{
    if (QFile::exists(QStringLiteral(":/pictures/hand.ico")))
        return c.shape() == Qt::BitmapCursor && !c.pixmap().isNull();
    return c.shape() == Qt::PointingHandCursor || c.shape() == Qt::BitmapCursor;
}

} // namespace

class TestConObjLayout : public QObject {
    Q_OBJECT

    // One game window, opened once, for the checks that change nothing.
    std::unique_ptr<GameFixture> m_fx;
    QHash<QString, AtCreation> m_created;

    QWidget *control(const QString &name) { return m_fx->control(name); }

    // A fresh game window, shown on the screen, for the checks that change it.
    static std::unique_ptr<GameFixture> openGame()
    {
        auto fx = std::make_unique<GameFixture>(someWords());
        fx->aceptar();
        if (!QTest::qWaitForWindowExposed(&fx->game()))
            qFatal("the game window does not show");
        return fx;
    }

private slots:
    void initTestCase()
    {
        installFontSubstitutes();
        m_fx = std::make_unique<GameFixture>(someWords());
        m_fx->flow().setConObjCreatedHook([this](ConObj &window) {
            for (QWidget *w : window.findChildren<QWidget *>())
                if (!w->objectName().isEmpty())
                    m_created.insert(w->objectName(), {!w->isHidden(), w->isEnabled(), shownText(w)});
        });
        m_fx->aceptar();
        QVERIFY(QTest::qWaitForWindowExposed(&m_fx->game()));
        QVERIFY(m_fx->errors.isEmpty());
    }

    void cleanupTestCase() { m_fx.reset(); }

    // --- The window ---------------------------------------------------------

    void windowHasItsCaptionSizeAndPlace()
    {
        ConObj &game = m_fx->game();
        QCOMPARE(game.windowTitle(), QStringLiteral("Conocer Objetos"));
        QCOMPARE(game.size(), QSize(707, 543));
        QCOMPARE(game.minimumSize(), game.maximumSize());
        QCOMPARE(game.geometry().topLeft(), pxPoint(1185, 570));
    }

    // --- Every control as it is made ---------------------------------------

    void controlIsMadeInItsPlace_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < drawing().size(); ++i)
            QTest::newRow(qPrintable(drawing()[i].name)) << i;
    }

    void controlIsMadeInItsPlace()
    {
        QFETCH(int, row);
        const Placed &p = drawing()[row];
        QWidget *w = control(p.name);
        QCOMPARE(w->parentWidget()->objectName(), p.container);
        QCOMPARE(w->geometry(), p.rect);
        QVERIFY2(m_created.contains(p.name), "made with the window");
        const AtCreation &made = m_created[p.name];
        QCOMPARE(made.shown, p.shown);
        QCOMPARE(made.enabled, p.enabled);
        if (p.text)
            QCOMPARE(made.text, *p.text);

        if (p.kind == QLatin1String("image") || p.kind == QLatin1String("hotspot")) {
            auto *image = qobject_cast<ImageControl *>(w);
            QVERIFY(image);
            if (p.kind == QLatin1String("hotspot"))
                QVERIFY(image->picture().isNull());
        } else if (p.kind == QLatin1String("label")) {
            QVERIFY(qobject_cast<QLabel *>(w));
        } else if (p.kind == QLatin1String("text")) {
            QVERIFY(qobject_cast<QLineEdit *>(w));
        } else if (p.kind == QLatin1String("button")) {
            QVERIFY(qobject_cast<QPushButton *>(w));
        } else if (p.kind == QLatin1String("frame")) {
            QVERIFY(qobject_cast<QFrame *>(w));
        } else if (p.kind == QLatin1String("player")) {
            QVERIFY(qobject_cast<AnimationPlayer *>(w));
        } else if (p.kind == QLatin1String("picturebox")) {
            QCOMPARE(w->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(), 3);
        }
    }

    // The load hides Image6 and the activation hides Frame2; the learner first
    // sees the scene with the keyboard, the boxes and the instructions.
    void firstViewOfTheWindow()
    {
        for (const char *name : {"Image4", "Label3", "Label1", "Text5", "Text3", "Text4", "Marchoso2", "Image1",
                                 "Image2", "Image5", "Image40"})
            QVERIFY2(control(QString::fromLatin1(name))->isVisible(), name);
        for (const char *name :
             {"Image6", "Frame2", "Image7", "Picture1", "Image73", "Image74", "Marchoso1", "Text1", "Text2", "Data1"})
            QVERIFY2(!control(QString::fromLatin1(name))->isVisible(), name);
        for (int i = 0; i < 32; ++i) {
            QVERIFY(control(keyName(i))->isVisible());
            QVERIFY(!control(overlayName(i))->isVisible());
        }
    }

    void animationPlayersHaveTheWindowColour()
    {
        QCOMPARE(m_fx->marchoso(1).backColor, QColor(128, 64, 64));
        QCOMPARE(m_fx->marchoso(2).backColor, QColor(128, 64, 64));
    }

    void controlHasItsTooltip_data() { controlIsMadeInItsPlace_data(); }

    void controlHasItsTooltip()
    {
        QFETCH(int, row);
        const Placed &p = drawing()[row];
        QCOMPARE(control(p.name)->toolTip(), p.tooltip);
    }

    void controlHasItsPointer_data() { controlIsMadeInItsPlace_data(); }

    void controlHasItsPointer()
    {
        QFETCH(int, row);
        const Placed &p = drawing()[row];
        const QCursor c = control(p.name)->cursor();
        if (p.hand)
            QVERIFY2(isHand(c), qPrintable(QStringLiteral("shape %1").arg(c.shape())));
        else
            QCOMPARE(c.shape(), Qt::ArrowCursor);
    }

    // The scene's pictures: the hand pointer, the window's icon and the
    // background, drawn unscaled from the top-left corner.
    void scenePicturesShowAsDrawn()
    {
        for (const char *file : {":/pictures/hand.ico", ":/pictures/icon.ico", ":/pictures/background.bmp"})
            if (!QFile::exists(QString::fromLatin1(file)))
                QSKIP("the scene pictures are not built in this tree");
        const QCursor c = control(QStringLiteral("Image2"))->cursor();
        QCOMPARE(c.shape(), Qt::BitmapCursor);
        QCOMPARE(c.pixmap().size(), QSize(32, 32));
        QVERIFY(m_fx->game().windowIcon().availableSizes().contains(QSize(32, 32)));

        const QImage background(QStringLiteral(":/pictures/background.bmp"));
        QCOMPARE(background.size(), QSize(707, 546));
        const QImage shown = m_fx->game().grab().toImage();
        // Bare window surface, where no control lies.
        for (QPoint at : {QPoint(1000, 4000), QPoint(3500, 2800), QPoint(4000, 7400), QPoint(100, 100)}) {
            const QPoint p = pxPoint(at.x(), at.y());
            QCOMPARE(nameOf(m_fx->game().childAt(p)), nameOf(nullptr));
            QCOMPARE(QColor(shown.pixel(p)), QColor(background.pixel(p)));
        }
    }

    void controlHasASpanishAccessibleName_data() { controlIsMadeInItsPlace_data(); }

    void controlHasASpanishAccessibleName()
    {
        QFETCH(int, row);
        const Placed &p = drawing()[row];
        const QString name = control(p.name)->accessibleName();
        QVERIFY2(!name.trimmed().isEmpty(), qPrintable(p.name));
        QVERIFY2(name != p.name && !name.contains(QLatin1Char('_')), qPrintable(name));
    }

    void picturesHaveTheirSizes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("grey");
        if (!picturesBuilt())
            QSKIP("the window pictures are not built in this tree");
        for (int i = 0; i < 32; ++i)
            QTest::addRow("key %d", i) << keyName(i) << QSize(kKeys[i].pictureWidth, kKeys[i].pictureHeight) << false;
        for (int k = 0; k < 32; ++k) {
            const Key &key = kKeys[keyUnder(k)];
            QTest::addRow("overlay %d", k) << overlayName(k) << QSize(key.pictureWidth, key.pictureHeight) << true;
        }
        QTest::newRow("chart") << "Image3" << QSize(590, 385) << false;
        QTest::newRow("hit sign") << "Image73" << QSize(98, 67) << false;
        QTest::newRow("miss sign") << "Image74" << QSize(93, 69) << false;
        QTest::newRow("completion panel") << "Picture1" << QSize(280, 142) << false;
    }

    // Every picture is shown unscaled and fills its control exactly.
    void picturesHaveTheirSizes()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(bool, grey);
        auto *image = qobject_cast<ImageControl *>(control(name));
        QVERIFY(image);
        QCOMPARE(image->picture().size(), size);
        QCOMPARE(image->size(), size);
        if (grey) {
            const QImage picture = image->picture().toImage();
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    const QRgb c = picture.pixel(x, y);
                    QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
                }
        }
    }

    // --- Text, colours and fonts -------------------------------------------

    void textShowingControlHasItsLook_data()
    {
        QTest::addColumn<QColor>("colour");     // invalid: the standard one
        QTest::addColumn<QColor>("background"); // invalid: transparent
        QTest::addColumn<QString>("family");
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<int>("alignment");
        const int centre = Qt::AlignHCenter;
        const int left = Qt::AlignLeft;
        const QColor none;
        QTest::newRow("Label3") << QColor(64, 64, 0) << none << "Times New Roman" << 12.0 << true << centre;
        QTest::newRow("Label1") << QColor(0, 64, 0) << none << "MS Sans Serif" << 8.25 << true << centre;
        QTest::newRow("Label11") << QColor(0, 0, 255) << none << "MS Sans Serif" << 8.25 << true << centre;
        QTest::newRow("Label12") << QColor(0, 64, 0) << none << "Arial" << 9.0 << true << centre;
        QTest::newRow("Text5") << QColor(0, 64, 0) << QColor(192, 255, 192) << "Arial Black" << 12.0 << false << centre;
        QTest::newRow("Text3") << QColor(0, 0, 192) << QColor(255, 192, 128) << "Arial" << 11.25 << true << left;
        QTest::newRow("Text4") << QColor(255, 0, 0) << QColor(255, 192, 128) << "Arial" << 11.25 << true << left;
        QTest::newRow("Text1") << QColor(64, 64, 0) << QColor(255, 255, 128) << "Times New Roman" << 9.75 << true
                               << centre;
        QTest::newRow("Text2") << QColor(0, 0, 0) << QColor(224, 224, 224) << "MS Sans Serif" << 8.25 << false
                               << centre;
        QTest::newRow("Command38") << none << QColor(0, 192, 192) << "Comic Sans MS" << 12.0 << false << centre;
        QTest::newRow("Command1") << none << QColor(255, 255, 0) << "MS Sans Serif" << 8.25 << false << centre;
    }

    void textShowingControlHasItsLook()
    {
        QFETCH(QColor, colour);
        QFETCH(QColor, background);
        QFETCH(QString, family);
        QFETCH(double, points);
        QFETCH(bool, bold);
        QFETCH(int, alignment);
        QWidget *w = control(QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(w->font().family(), family);
        QCOMPARE(w->font().pointSizeF(), points);
        QCOMPARE(w->font().bold(), bold);
        QVERIFY(!w->font().italic());

        if (auto *label = qobject_cast<QLabel *>(w)) {
            QCOMPARE(label->palette().color(QPalette::WindowText), colour);
            QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), alignment);
            QVERIFY(!label->autoFillBackground());
            QVERIFY(!background.isValid());
        } else if (auto *edit = qobject_cast<QLineEdit *>(w)) {
            QCOMPARE(edit->palette().color(QPalette::Text), colour);
            QCOMPARE(int(edit->alignment() & Qt::AlignHorizontal_Mask), alignment);
            // Inside the frame, at the end away from the text.
            const QPoint inside = alignment == Qt::AlignLeft ? QPoint(edit->width() - 5, edit->height() / 2)
                                                             : QPoint(4, edit->height() / 2);
            QCOMPARE(pixelOf(edit, inside), background);
        } else {
            auto *button = qobject_cast<QPushButton *>(w);
            QVERIFY(button);
            QCOMPARE(pixelOf(button, QPoint(4, button->height() / 2)), background);
            QCOMPARE(pixelOf(button, QPoint(button->width() - 5, 4)), background);
        }
    }

    // "Arial Black" is a heavy face: where it is missing, the mask box (and so
    // the answer shown in it) is drawn in a heavy face of its stand-in, with
    // clearly more ink than the stand-in's regular face.
    void maskBoxFontIsHeavy()
    {
        const QFont font = control(QStringLiteral("Text5"))->font();
        const QFontInfo shown(font);
        QVERIFY2(QFontDatabase::weight(shown.family(), shown.styleName()) >= QFont::Bold,
                 qPrintable(shown.family() + QLatin1Char(' ') + shown.styleName()));
        QVERIFY(shown.style() == QFont::StyleNormal);

        QFont regular(shown.family());
        regular.setPointSizeF(font.pointSizeF());
        const auto ink = [](const QFont &f) {
            const QString text = QStringLiteral("chhichhi qala anu");
            QImage image(QFontMetrics(f).boundingRect(text).size() + QSize(8, 8), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter p(&image);
            p.setFont(f);
            p.setPen(Qt::black);
            p.drawText(image.rect(), Qt::AlignCenter, text);
            p.end();
            qint64 sum = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    sum += 255 - qGray(image.pixel(x, y));
            return sum;
        };
        const qint64 heavy = ink(font);
        const qint64 plain = ink(regular);
        QVERIFY2(heavy * 10 > plain * 12, qPrintable(QStringLiteral("ink %1 against %2").arg(heavy).arg(plain)));
    }

    // Every label shows its text as it is: a word with markup shows its tags
    // and its ampersand, drawn as a plain-text label draws them.
    void labelsShowTheirTextAsPlainText_data()
    {
        QTest::addColumn<QString>("text");
        const QString spanish = QStringLiteral("<i>sol</i> & luna");
        QTest::newRow("Label1") << spanish;
        QTest::newRow("Label11") << spanish;
        QTest::newRow("Label12") << QStringLiteral("<b>inti</b>");
    }

    void labelsShowTheirTextAsPlainText()
    {
        QFETCH(QString, text);
        GameFixture fx({{QStringLiteral("<b>inti</b>"), QStringLiteral("<i>sol</i> & luna"), QStringLiteral("hogar"),
                         QVariant(), QVariant()}});
        fx.aceptar();
        auto *label = fx.control<QLabel>(QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(label->text(), text);
        QLabel plain;
        plain.setTextFormat(Qt::PlainText);
        plain.setText(text);
        plain.setFont(label->font());
        plain.setPalette(label->palette());
        plain.setAlignment(label->alignment());
        plain.setWordWrap(label->wordWrap());
        plain.resize(label->size());
        QCOMPARE(drawn(label), drawn(&plain));
    }

    // The mask box shows the start of a word longer than itself after every
    // change: the word's set-up, a key, the answer.
    void maskBoxShowsTheStartOfALongWord()
    {
        const QString word = QStringLiteral("anu").repeated(14);
        GameFixture fx({{word, QStringLiteral("perro"), QStringLiteral("animal"), QVariant(), QVariant()}});
        ConObj &game = fx.aceptar();
        QVERIFY(QTest::qWaitForWindowExposed(&game));
        auto *box = fx.control<QLineEdit>(QStringLiteral("Text5"));
        QVERIFY(QFontMetrics(box->font()).horizontalAdvance(QString(word.size(), QLatin1Char('.'))) > box->width());
        // The character at the box's left edge, as the box is drawn.
        const auto leftmost = [box] {
            box->grab();
            return box->inputMethodQuery(Qt::ImCursorPosition, QPointF(4, box->height() / 2.0)).toInt();
        };
        QCOMPARE(leftmost(), 0);
        runHandler([&] { game.Image10_Click(keyFor(QStringLiteral("u"))); });
        QVERIFY(fx.text(QStringLiteral("Text5")).startsWith(QStringLiteral("..u")));
        QCOMPARE(leftmost(), 0);
        runHandler([&] { game.Image7_Click(); });
        QCOMPARE(fx.text(QStringLiteral("Text5")), word);
        QCOMPARE(leftmost(), 0);
    }

    void graphemePanelIsPaleYellow()
    {
        QWidget *frame = control(QStringLiteral("Frame2"));
        // The frame's margin around the chart.
        QCOMPARE(pixelOf(frame, QPoint(3, 3)), QColor(255, 255, 128));
        QCOMPARE(pixelOf(frame, QPoint(frame->width() - 3, frame->height() - 3)), QColor(255, 255, 128));
    }

    // The score, tries and mask boxes are for reading: no typing, no tab stop.
    void readingBoxesTakeNoInputOrFocus_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("Text3") << "Text3";
        QTest::newRow("Text4") << "Text4";
        QTest::newRow("Text5") << "Text5";
    }

    void readingBoxesTakeNoInputOrFocus()
    {
        QFETCH(QString, name);
        auto *box = qobject_cast<QLineEdit *>(control(name));
        QVERIFY(box);
        QVERIFY(box->isReadOnly());
        QVERIFY(!(box->focusPolicy() & Qt::TabFocus));
        QVERIFY(!(box->focusPolicy() & Qt::ClickFocus));
    }

    void tabKeyFollowsTheTabIndexes()
    {
        const QList<std::pair<const char *, int>> tabIndexes = {
            {"Frame2", 0},    {"Command38", 1},  {"Label3", 2},   {"Text1", 3},   {"Text5", 4},
            {"Text2", 5},     {"Label1", 7},     {"Picture1", 8}, {"Label12", 9}, {"Label11", 10},
            {"Command1", 11}, {"Marchoso1", 12}, {"Text3", 13},   {"Text4", 14},  {"Marchoso2", 15},
        };
        ConObj &game = m_fx->game();
        QStringList expected;
        for (const auto &[name, index] : tabIndexes) {
            Q_UNUSED(index);
            QWidget *w = control(QString::fromLatin1(name));
            if (w->focusPolicy() & Qt::TabFocus)
                expected << QString::fromLatin1(name);
        }
        QCOMPARE(expected, QStringList({"Command38", "Text1", "Text2", "Command1"}));

        // The tab key goes round the controls in a ring; read it from the
        // lowest tab index.
        QStringList ring;
        for (QWidget *w = game.nextInFocusChain(); w != &game; w = w->nextInFocusChain())
            if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty())
                ring << w->objectName();
        const qsizetype first = ring.indexOf(expected.first());
        QVERIFY(first >= 0);
        QCOMPARE(ring.mid(first) + ring.mid(0, first), expected);
    }

    // --- Stacking: which control a point of the window belongs to ---------

    void eachKeyTakesItsOwnCentre_data()
    {
        QTest::addColumn<int>("key");
        for (int i = 0; i < 32; ++i)
            QTest::addRow("key %d", i) << i;
    }

    void eachKeyTakesItsOwnCentre()
    {
        QFETCH(int, key);
        QWidget *hit = m_fx->game().childAt(centreOf(keyRect(key)));
        QCOMPARE(nameOf(hit), keyName(key));
        QVERIFY(isHand(hit->cursor()));
    }

    void shownOverlayLiesInFrontOfItsKey_data()
    {
        QTest::addColumn<int>("overlay");
        for (int k = 0; k < 32; ++k)
            QTest::addRow("overlay %d", k) << k;
    }

    void shownOverlayLiesInFrontOfItsKey()
    {
        QFETCH(int, overlay);
        const auto fx = openGame();
        const int key = keyUnder(overlay);
        QWidget *cover = fx->control(overlayName(overlay));
        const QRect r = keyRect(key);
        cover->show();
        for (QPoint p : {centreOf(r), r.topLeft(), r.bottomRight()}) {
            QWidget *hit = fx->game().childAt(p);
            QCOMPARE(nameOf(hit), overlayName(overlay));
            QCOMPARE(hit->cursor().shape(), Qt::ArrowCursor);
        }
        cover->hide();
        QCOMPARE(nameOf(fx->game().childAt(centreOf(r))), keyName(key));
    }

    void frontmostControlTakesThePoint_data()
    {
        QTest::addColumn<QStringList>("shown"); // shown for the case; the others as the window first shows
        QTest::addColumn<QStringList>("hidden");
        QTest::addColumn<QPoint>("at"); // twips on the window
        QTest::addColumn<QString>("front");
        const auto centre = [](int l, int t, int w, int h) { return QPoint(l + w / 2, t + h / 2); };
        const QPoint sonido = centre(7680, 600, 975, 975);
        const QPoint grafemario = centre(9360, 480, 975, 1095);
        const QPoint siguiente = centre(7680, 2520, 975, 855);
        const QPoint respuesta = centre(9360, 2520, 975, 855);
        const QPoint volver = centre(8520, 4200, 975, 975);
        const QPoint mask = centre(4680, 1560, 2175, 450);
        using L = QStringList;

        QTest::newRow("instructions over Sonido") << L{} << L{} << sonido << "Marchoso2";
        QTest::newRow("instructions over Grafemario") << L{} << L{} << grafemario << "Marchoso2";
        QTest::newRow("Sonido without instructions") << L{} << L{"Marchoso2"} << sonido << "Image2";
        QTest::newRow("Grafemario without instructions") << L{} << L{"Marchoso2"} << grafemario << "Image5";

        QTest::newRow("hidden Siguiente leaves Image1") << L{} << L{} << siguiente << "Image1";
        QTest::newRow("Siguiente over Image1") << L{"Image6"} << L{} << siguiente << "Image6";
        QTest::newRow("hidden Respuesta leaves Image1") << L{} << L{} << respuesta << "Image1";
        QTest::newRow("Respuesta over Image1") << L{"Image7"} << L{} << respuesta << "Image7";
        QTest::newRow("Volver over Image1") << L{} << L{} << volver << "Image40";
        QTest::newRow("bare Image1") << L{} << L{} << QPoint(10200, 3000) << "Image1";

        QTest::newRow("panel over Image1") << L{"Picture1"} << L{} << QPoint(9500, 3000) << "Picture1";
        QTest::newRow("panel over Siguiente") << L{"Picture1", "Image6"} << L{} << siguiente << "Picture1";
        QTest::newRow("hand over the mask") << L{"Marchoso1"} << L{} << mask << "Marchoso1";
        QTest::newRow("hand over the miss sign")
            << L{"Marchoso1", "Image74"} << L{} << QPoint(5300, 3300) << "Marchoso1";
        QTest::newRow("miss sign") << L{"Image74"} << L{} << QPoint(5300, 3300) << "Image74";
        QTest::newRow("mask") << L{} << L{} << mask << "Text5";

        const L panel{"Frame2"};
        QTest::newRow("chart over the mask") << panel << L{} << mask << "Frame2";
        QTest::newRow("chart over a key") << panel << L{} << centre(3480, 5040, 675, 480) << "Frame2";
        QTest::newRow("chart over a used key")
            << L{"Frame2", "Image41_9"} << L{} << centre(3480, 5040, 675, 480) << "Frame2";
        QTest::newRow("chart over the score") << panel << L{} << QPoint(9400, 6540) << "Frame2";
        QTest::newRow("chart over the tries") << panel << L{} << QPoint(9300, 6900) << "Frame2";
        QTest::newRow("chart over Volver") << panel << L{} << volver << "Frame2";
        QTest::newRow("chart over the picture") << panel << L{} << centre(600, 720, 2535, 1935) << "Frame2";
        QTest::newRow("chart over the panel") << L{"Frame2", "Picture1"} << L{} << QPoint(7000, 3300) << "Frame2";
        QTest::newRow("chart over the hand") << L{"Frame2", "Marchoso1"} << L{} << mask << "Frame2";
        QTest::newRow("chart over the hit sign")
            << L{"Frame2", "Image73"} << L{} << centre(1735, 2800, 1470, 1005) << "Frame2";
        QTest::newRow("instructions over the chart") << panel << L{} << QPoint(8000, 2000) << "Marchoso2";
        QTest::newRow("chart without instructions") << panel << L{"Marchoso2"} << QPoint(8000, 2000) << "Frame2";
    }

    void frontmostControlTakesThePoint()
    {
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        QFETCH(QPoint, at);
        QFETCH(QString, front);
        const auto fx = openGame();
        for (const QString &name : shown)
            fx->control(name)->show();
        for (const QString &name : hidden)
            fx->control(name)->hide();
        QWidget *hit = fx->game().childAt(pxPoint(at.x(), at.y()));
        QVERIFY2(lands(hit, fx->control(front)), qPrintable(nameOf(hit)));
    }

    void insideTheChartEachAreaTakesItsPoint_data()
    {
        QTest::addColumn<QPoint>("at"); // pixels inside Frame2
        QTest::addColumn<QString>("front");
        for (int i = 0; i < 32; ++i) {
            const QRect r = pxRect(kAreas[i][0], kAreas[i][1], kAreas[i][2], kAreas[i][3]);
            QTest::addRow("area %d centre", i) << centreOf(r) << areaName(i);
            QTest::addRow("area %d corner", i) << r.bottomRight() << areaName(i);
        }
        QTest::newRow("Volver") << centreOf(pxRect(1800, 3480, 1455, 495)) << "Command38";
        QTest::newRow("chart title") << pxPoint(3000, 600) << "Image3";
        QTest::newRow("chart paragraph") << pxPoint(1500, 2000) << "Image3";
    }

    void insideTheChartEachAreaTakesItsPoint()
    {
        QFETCH(QPoint, at);
        QFETCH(QString, front);
        QCOMPARE(nameOf(control(QStringLiteral("Frame2"))->childAt(at)), front);
    }

    void insideTheCompletionPanel_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Command1", "Label11", "Label12"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void insideTheCompletionPanel()
    {
        QFETCH(QString, name);
        QWidget *panel = control(QStringLiteral("Picture1"));
        QCOMPARE(nameOf(panel->childAt(centreOf(control(name)->geometry()))), name);
    }

    // A hotspot draws nothing: the painted button shows through it.
    void hotspotsDrawNothing_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Image1", "Image2", "Image5", "Image6", "Image40", "Image75_0", "Image75_29"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void hotspotsDrawNothing()
    {
        QFETCH(QString, name);
        const auto fx = openGame();
        fx->control(QStringLiteral("Marchoso2"))->hide();
        QWidget *hotspot = fx->control(name);
        QWidget *container = hotspot->parentWidget();
        hotspot->show();
        const QImage with = container->grab(hotspot->geometry()).toImage();
        hotspot->hide();
        const QImage without = container->grab(hotspot->geometry()).toImage();
        QCOMPARE(with, without);
    }

    // The word's picture is stretched to the frame, inside a thin border.
    void wordPictureIsStretchedInsideABorder()
    {
        const auto fx = openGame();
        auto *image = qobject_cast<ImageControl *>(fx->control(QStringLiteral("Image4")));
        QPixmap red(10, 10);
        red.fill(Qt::red);
        image->setPicture(red);
        const QImage shown = image->grab().toImage();
        QCOMPARE(shown.size(), image->size());
        QCOMPARE(QColor(shown.pixel(image->width() / 2, image->height() / 2)), QColor(Qt::red));
        QCOMPARE(QColor(shown.pixel(image->width() - 3, image->height() - 3)), QColor(Qt::red));
        QCOMPARE(QColor(shown.pixel(0, image->height() / 2)), QColor(Qt::black));
        QCOMPARE(QColor(shown.pixel(image->width() / 2, image->height() - 1)), QColor(Qt::black));
    }

    // --- Real mouse input --------------------------------------------------

    // The first click greys the key with its overlay and speaks the grapheme;
    // the overlay then takes the clicks, so a second click says nothing.
    void usedKeyTakesNoClick_data() { eachKeyTakesItsOwnCentre_data(); }

    void usedKeyTakesNoClick()
    {
        QFETCH(int, key);
        const auto fx = openGame();
        QWindow *window = fx->game().windowHandle();
        const QPoint at = centreOf(keyRect(key));
        fx->sound().played.clear();
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        QCOMPARE(fx->sound().played.size(), 1);
        QVERIFY(fx->control(overlayName(kKeys[key].overlay))->isVisible());
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        QCOMPARE(fx->sound().played.size(), 1);
        QVERIFY(fx->errors.isEmpty());
    }

    // A double-click is one click (its second press arrives as a double-click,
    // which nothing handles): Sonido and the chart's letters play once. A
    // click after it is a click again.
    void doubleClickIsOneClick_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("chart");
        QTest::newRow("Sonido") << "Image2" << false;
        for (int i : {0, 22, 31})
            QTest::addRow("chart letter %d", i) << areaName(i) << true;
    }

    void doubleClickIsOneClick()
    {
        QFETCH(QString, name);
        QFETCH(bool, chart);
        const auto fx = openGame();
        QWindow *window = fx->game().windowHandle();
        fx->control(QStringLiteral("Marchoso2"))->hide();
        fx->control(QStringLiteral("Frame2"))->setVisible(chart);
        QWidget *target = fx->control(name);
        const QPoint at = target->mapTo(&fx->game(), target->rect().center());
        QCOMPARE(nameOf(fx->game().childAt(at)), name);
        fx->sound().played.clear();
        QTest::mouseDClick(window, Qt::LeftButton, {}, at);
        QCOMPARE(fx->sound().played.size(), 1);
        QTest::mouseClick(window, Qt::LeftButton, {}, at);
        QCOMPARE(fx->sound().played.size(), 2);
        QVERIFY(fx->errors.isEmpty());
    }

    // A key shown greyed by hand (as the locked keyboard shows them) is no
    // different: the click reaches the overlay only.
    void clickOnAShownOverlayReachesNoKey_data() { shownOverlayLiesInFrontOfItsKey_data(); }

    void clickOnAShownOverlayReachesNoKey()
    {
        QFETCH(int, overlay);
        const auto fx = openGame();
        fx->control(overlayName(overlay))->show();
        fx->sound().played.clear();
        QTest::mouseClick(fx->game().windowHandle(), Qt::LeftButton, {}, centreOf(keyRect(keyUnder(overlay))));
        QCOMPARE(fx->sound().played, QStringList());
    }

    // While the instructions play, a click on the painted Sonido or Grafemario
    // button reaches the animation player and neither hotspot reacts.
    void instructionsTakeTheClicksOverSonidoAndGrafemario_data()
    {
        QTest::addColumn<bool>("instructions");
        QTest::newRow("instructions shown") << true;
        QTest::newRow("instructions gone") << false;
    }

    void instructionsTakeTheClicksOverSonidoAndGrafemario()
    {
        QFETCH(bool, instructions);
        const auto fx = openGame();
        QWindow *window = fx->game().windowHandle();
        fx->control(QStringLiteral("Marchoso2"))->setVisible(instructions);
        fx->sound().played.clear();
        QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(pxRect(7680, 600, 975, 975)));
        QCOMPARE(fx->sound().played.size(), instructions ? 0 : 1);
        QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(pxRect(9360, 480, 975, 1095)));
        QCOMPARE(fx->control(QStringLiteral("Frame2"))->isVisible(), !instructions);
    }

    // A shown chart panel takes the clicks over the keyboard behind it.
    void chartPanelTakesTheClicksOverTheKeyboard()
    {
        const auto fx = openGame();
        QWindow *window = fx->game().windowHandle();
        fx->control(QStringLiteral("Frame2"))->show();
        fx->sound().played.clear();
        for (int key : {0, 9, 23, 31})
            QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(keyRect(key)));
        QCOMPARE(fx->sound().played, QStringList());
        fx->control(QStringLiteral("Frame2"))->hide();
        QTest::mouseClick(window, Qt::LeftButton, {}, centreOf(keyRect(9)));
        QCOMPARE(fx->sound().played.size(), 1);
    }

    // The window's own surface gets the pointer's movements only where no
    // control lies; inside the instruction area such a movement hides the
    // instructions, a movement over a control there does not.
    void movesOverControlsNeverReachTheWindow_data()
    {
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QPoint>("at"); // twips, inside the area X 800..7900, Y 2640..8000
        QTest::addColumn<QString>("over");
        using L = QStringList;
        QTest::newRow("a key") << L{} << QPoint(3817, 5280) << "Image10_9";
        QTest::newRow("a used key") << L{"Image41_9"} << QPoint(3817, 5280) << "Image41_9";
        QTest::newRow("a wide key") << L{} << QPoint(1560, 6500) << "Image10_24";
        QTest::newRow("the hit sign") << L{"Image73"} << QPoint(2470, 3300) << "Image73";
        QTest::newRow("the miss sign") << L{"Image74"} << QPoint(5300, 3300) << "Image74";
        QTest::newRow("the hand") << L{"Marchoso1"} << QPoint(5300, 3300) << "Marchoso1";
        QTest::newRow("Siguiente") << L{"Image6"} << QPoint(7750, 3000) << "Image6";
        QTest::newRow("the panel") << L{"Picture1"} << QPoint(6000, 3300) << "Picture1";
        QTest::newRow("the panel's Spanish word") << L{"Picture1"} << QPoint(7500, 3000) << "Label11";
        QTest::newRow("the panel's Aymara word") << L{"Picture1"} << QPoint(7000, 3900) << "Label12";
        QTest::newRow("the chart panel's margin") << L{"Frame2"} << QPoint(3000, 7395) << "Frame2";
        QTest::newRow("the chart") << L{"Frame2"} << QPoint(3000, 3000) << "Image3";
        QTest::newRow("a chart area") << L{"Frame2"} << QPoint(6127, 6187) << "Image75_24";
        QTest::newRow("the chart's Volver") << L{"Frame2"} << QPoint(3007, 5167) << "Command38";
    }

    void movesOverControlsNeverReachTheWindow()
    {
        QFETCH(QStringList, shown);
        QFETCH(QPoint, at);
        QFETCH(QString, over);
        const auto fx = openGame();
        for (const QString &name : shown)
            fx->control(name)->show();
        const QPoint p = pxPoint(at.x(), at.y());
        QCOMPARE(nameOf(fx->game().childAt(p)), over);
        QWidget *instructions = fx->control(QStringLiteral("Marchoso2"));
        QVERIFY(instructions->isVisible());
        QTest::mouseMove(fx->game().windowHandle(), p);
        QTest::mouseMove(fx->game().windowHandle(), p + QPoint(1, 1));
        QVERIFY(instructions->isVisible());
        QVERIFY(fx->errors.isEmpty());
    }

    void moveOverTheBareWindowHidesTheInstructions_data()
    {
        QTest::addColumn<QPoint>("at"); // twips
        QTest::newRow("left of the keyboard's top row") << QPoint(1000, 4000);
        QTest::newRow("between the picture and the mask") << QPoint(3500, 2800);
        QTest::newRow("below the keyboard") << QPoint(4000, 7400);
    }

    void moveOverTheBareWindowHidesTheInstructions()
    {
        QFETCH(QPoint, at);
        const auto fx = openGame();
        const QPoint p = pxPoint(at.x(), at.y());
        QCOMPARE(nameOf(fx->game().childAt(p)), nameOf(nullptr));
        QWidget *instructions = fx->control(QStringLiteral("Marchoso2"));
        QVERIFY(instructions->isVisible());
        QTest::mouseMove(fx->game().windowHandle(), p);
        QVERIFY(!instructions->isVisible());
    }

    // Over a used key the pointer is on its overlay, which has no pointer
    // handling: the hit and miss signs stay.
    void signsStayOverAUsedKey()
    {
        const auto fx = openGame();
        QWindow *window = fx->game().windowHandle();
        QWidget *hit = fx->control(QStringLiteral("Image73"));
        const QPoint key = centreOf(keyRect(9));
        hit->show();
        fx->control(overlayName(kKeys[9].overlay))->show();
        QTest::mouseMove(window, key);
        QTest::mouseMove(window, key + QPoint(1, 1));
        QVERIFY(hit->isVisible());
        fx->control(overlayName(kKeys[9].overlay))->hide();
        QTest::mouseMove(window, key);
        QVERIFY(!hit->isVisible());
    }

    // Image1 gets the pointer's movements only where nothing lies in front of
    // it; there they close the completion panel.
    void panelClosesOnlyOverTheUncoveredPartOfImage1_data()
    {
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QPoint>("at"); // twips
        QTest::addColumn<bool>("closes");
        using L = QStringList;
        const QPoint respuesta(9847, 2947);
        QTest::newRow("Volver") << L{} << QPoint(9007, 4900) << false;
        QTest::newRow("shown Respuesta") << L{"Image7"} << respuesta << false;
        QTest::newRow("the panel itself") << L{} << QPoint(9500, 3000) << false;
        QTest::newRow("hidden Respuesta") << L{} << respuesta << true;
        QTest::newRow("right of the panel") << L{} << QPoint(10200, 3000) << true;
        QTest::newRow("below the panel") << L{} << QPoint(8100, 4800) << true;
    }

    void panelClosesOnlyOverTheUncoveredPartOfImage1()
    {
        QFETCH(QStringList, shown);
        QFETCH(QPoint, at);
        QFETCH(bool, closes);
        const auto fx = openGame();
        QWidget *panel = fx->control(QStringLiteral("Picture1"));
        panel->show();
        for (const QString &name : shown)
            fx->control(name)->show();
        QTest::mouseMove(fx->game().windowHandle(), pxPoint(at.x(), at.y()));
        QCOMPARE(!panel->isVisible(), closes);
    }
};

QTEST_MAIN(TestConObjLayout)
#include "tst_con_obj_layout.moc"
