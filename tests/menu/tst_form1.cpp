// The category menu Form1: its window, the place, look and tab order of every
// control, and what its option buttons and push buttons do when clicked with
// the mouse. Mouse events go through the window like real input.
#define QTEST_QPA_MOUSE_HANDLING
#include <QtTest>

#include "app/fonts.h"
#include "app/modulo1.h"
#include "support/drawn_layout.h"
#include "support/game_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QTextLayout>

#include <algorithm>

using namespace korivanta;

namespace {

const QColor kWindowColour(255, 224, 192);
const QColor kLabelColour(64, 0, 0);
const QColor kButtonColour(255, 192, 128);

QList<WordRow> someWords()
{
    return {
        {QStringLiteral("uta"), QStringLiteral("casa"), QStringLiteral("hogar"), QVariant(), QVariant()},
        {QStringLiteral("qala"), QStringLiteral("piedra"), QStringLiteral("naturaleza"), QVariant(), QVariant()},
    };
}

// The controls that the tab key reaches, in the order it reaches them.
QStringList tabChain(QWidget *window)
{
    QStringList names;
    QWidget *w = window;
    while ((w = w->nextInFocusChain()) != window) {
        if (!names.isEmpty() && names.first() == w->objectName())
            break;
        if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            names << w->objectName();
    }
    return names;
}

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installFontSubstitutes(); }

    // --- The window ---------------------------------------------------------

    void windowHasItsCaptionSizeAndColour()
    {
        GameFixture fx(someWords());
        Form1 &menu = fx.form1();
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        QCOMPARE(menu.windowTitle(), QStringLiteral("SOFTWARE EDUCATIVO (Versión Demo)"));
        QCOMPARE(menu.size(), QSize(385, 239));
        QCOMPARE(menu.minimumSize(), menu.maximumSize());
        // Bare window surface: right of the title's row, above the buttons.
        QCOMPARE(pixelOf(&menu, QPoint(380, 5)), kWindowColour);
        QCOMPARE(pixelOf(&menu, QPoint(360, 190)), kWindowColour);
        QCOMPARE(fx.flow().conObj(), nullptr);
    }

    // --- Every control ------------------------------------------------------

    void controlHasItsKindTextAndPlace_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text"); // null: the wording is free
        QTest::addColumn<QRect>("rect");

        const auto row = [](const char *name, const char *kind, const char *text, int l, int t, int w, int h) {
            QTest::newRow(name) << QString::fromLatin1(kind) << (text ? QString::fromUtf8(text) : QString())
                                << pxRect(l, t, w, h);
        };
        row("Label1", "label", "KORIVANTA DEMO", 2280, 120, 3375, 735);
        row("Label2", "label", nullptr, 120, 2640, 1935, 255);
        row("Label3", "label", "Categoría", 2640, 600, 1215, 375);
        row("Option1", "option", "Naturaleza", 2640, 960, 1935, 375);
        row("Option2", "option", "Animales", 2640, 1320, 1935, 495);
        row("Option3", "option", "Colores", 2640, 1800, 1935, 255);
        row("Option4", "option", "Insectos", 2640, 2040, 1935, 495);
        row("Option5", "option", "Personas", 2640, 2520, 1935, 255);
        row("Command1", "button", "Aceptar", 3840, 3000, 1215, 375);
        row("Label4", "label", nullptr, 240, 2880, 1935, 615);
        row("Command2", "button", "Salir", 2160, 3000, 1215, 375);
    }

    void controlHasItsKindTextAndPlace()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        QFETCH(QRect, rect);
        GameFixture fx(someWords());
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        auto *w = fx.form1().findChild<QWidget *>(name);
        QVERIFY2(w, qPrintable(name));
        QCOMPARE(w->parentWidget(), &fx.form1());
        QVERIFY(!w->isHidden());
        QCOMPARE(w->geometry(), rect);

        QString shown;
        if (kind == QLatin1String("label")) {
            auto *label = qobject_cast<QLabel *>(w);
            QVERIFY(label);
            shown = label->text();
        } else if (kind == QLatin1String("option")) {
            auto *option = qobject_cast<QRadioButton *>(w);
            QVERIFY(option);
            shown = option->text();
        } else {
            auto *button = qobject_cast<QPushButton *>(w);
            QVERIFY(button);
            shown = button->text();
        }
        if (text.isNull())
            QVERIFY(!shown.trimmed().isEmpty());
        else
            QCOMPARE(shown, text);
        QVERIFY(!w->accessibleName().isEmpty());
    }

    void tabKeyFollowsTheTabIndexes()
    {
        // Tab index of each control; the labels take no focus.
        const QList<std::pair<const char *, int>> tabIndexes = {
            {"Label1", 0},  {"Label2", 1},  {"Label3", 2},   {"Option1", 3}, {"Option2", 4},   {"Option3", 5},
            {"Option4", 6}, {"Option5", 7}, {"Command1", 8}, {"Label4", 9},  {"Command2", 10},
        };
        GameFixture fx(someWords());
        QStringList expected;
        // The controls in the order of their tab indexes (the list is in it).
        for (int i = 0; i < tabIndexes.size(); ++i)
            QCOMPARE(tabIndexes[i].second, i);
        for (const auto &[name, index] : tabIndexes) {
            QWidget *w = fx.form1().findChild<QWidget *>(QString::fromLatin1(name));
            QVERIFY2(w, name);
            if (w->focusPolicy() & Qt::TabFocus)
                expected << QString::fromLatin1(name);
            else
                QVERIFY2(qobject_cast<QLabel *>(w), name);
        }
        QCOMPARE(expected,
                 QStringList({"Option1", "Option2", "Option3", "Option4", "Option5", "Command1", "Command2"}));
        QCOMPARE(tabChain(&fx.form1()), expected);
    }

    void controlHasItsFont_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("bold");
        QTest::newRow("Label1") << "Arial" << 12.0 << true;
        QTest::newRow("Label2") << "MS Sans Serif" << 8.25 << true;
        QTest::newRow("Label3") << "MS Sans Serif" << 8.25 << false;
        QTest::newRow("Label4") << "MS Sans Serif" << 8.25 << false;
        for (const char *name : {"Option1", "Option2", "Option3", "Option4", "Option5", "Command1", "Command2"})
            QTest::newRow(name) << "MS Sans Serif" << 8.25 << false;
    }

    void controlHasItsFont()
    {
        QFETCH(QString, family);
        QFETCH(double, points);
        QFETCH(bool, bold);
        GameFixture fx(someWords());
        QWidget *w = fx.form1().findChild<QWidget *>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(w);
        QCOMPARE(w->font().family(), family);
        QCOMPARE(w->font().pointSizeF(), points);
        QCOMPARE(w->font().bold(), bold);
        QVERIFY(!w->font().italic());
    }

    void labelsAreTransparentDarkRedAndAligned_data()
    {
        QTest::addColumn<int>("alignment");
        QTest::newRow("Label1") << int(Qt::AlignLeft);
        QTest::newRow("Label2") << int(Qt::AlignHCenter);
        QTest::newRow("Label3") << int(Qt::AlignLeft);
        QTest::newRow("Label4") << int(Qt::AlignHCenter);
    }

    void labelsAreTransparentDarkRedAndAligned()
    {
        QFETCH(int, alignment);
        GameFixture fx(someWords());
        QVERIFY(QTest::qWaitForWindowExposed(&fx.form1()));
        auto *label = fx.form1().findChild<QLabel *>(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(label);
        QCOMPARE(int(label->alignment() & Qt::AlignHorizontal_Mask), alignment);
        QCOMPARE(label->palette().color(QPalette::WindowText), kLabelColour);
        QVERIFY(!label->autoFillBackground());
        // The window's colour shows through the label's empty bottom-right corner.
        const QPoint corner = label->geometry().bottomRight() - QPoint(1, 1);
        QCOMPARE(pixelOf(&fx.form1(), corner), kWindowColour);
    }

    void optionButtonsHaveTheWindowColour()
    {
        GameFixture fx(someWords());
        for (int i = 1; i <= 5; ++i) {
            auto *option = fx.form1().findChild<QRadioButton *>(QStringLiteral("Option%1").arg(i));
            QVERIFY(option);
            QVERIFY(QTest::qWaitForWindowExposed(&fx.form1()));
            // Right end of the button, past its caption.
            QCOMPARE(pixelOf(option, QPoint(option->width() - 3, option->height() / 2)), kWindowColour);
        }
    }

    // Only the labels are dark red: the option buttons' captions are drawn in
    // the standard text colour. Dark red ink, even blended with the window's
    // colour at the glyphs' edges, has far more red than green; black ink
    // blended with the window's colour never has more than the window itself.
    void optionCaptionsAreNotDarkRed()
    {
        GameFixture fx(someWords());
        QVERIFY(QTest::qWaitForWindowExposed(&fx.form1()));
        const auto reddish = [](QRgb c) { return qRed(c) - qGreen(c) > 40; };
        for (int i = 1; i <= 5; ++i) {
            auto *option = fx.form1().findChild<QRadioButton *>(QStringLiteral("Option%1").arg(i));
            QVERIFY(option);
            QStyleOptionButton style;
            style.initFrom(option);
            style.text = option->text();
            const QRect caption = option->style()->subElementRect(QStyle::SE_RadioButtonContents, &style, option);
            const QImage shown = option->grab().toImage();
            int ink = 0;
            int red = 0;
            for (int y = caption.top(); y <= caption.bottom(); ++y)
                for (int x = caption.left(); x <= caption.right(); ++x) {
                    const QRgb c = shown.pixel(x, y);
                    ink += qGray(c) < 128;
                    red += reddish(c);
                }
            QVERIFY2(ink > 0, qPrintable(option->text()));
            QVERIFY2(red == 0, qPrintable(QStringLiteral("%1: %2 dark red pixels").arg(option->text()).arg(red)));
        }
        // The labels keep their dark red.
        auto *label = fx.form1().findChild<QLabel *>(QStringLiteral("Label3"));
        const QImage labelShown = fx.form1().grab(label->geometry()).toImage();
        bool labelRed = false;
        for (int y = 0; y < labelShown.height() && !labelRed; ++y)
            for (int x = 0; x < labelShown.width() && !labelRed; ++x)
                labelRed = reddish(labelShown.pixel(x, y)) && qGray(labelShown.pixel(x, y)) < 128;
        QVERIFY(labelRed);
    }

    void pushButtonsAreDrawnInTheirColour_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("Aceptar") << "Command1";
        QTest::newRow("Salir") << "Command2";
    }

    void pushButtonsAreDrawnInTheirColour()
    {
        QFETCH(QString, name);
        GameFixture fx(someWords());
        QVERIFY(QTest::qWaitForWindowExposed(&fx.form1()));
        auto *button = fx.form1().findChild<QPushButton *>(name);
        QVERIFY(button);
        // Left of the centred caption, inside the border.
        QCOMPARE(pixelOf(button, QPoint(5, button->height() / 2)), kButtonColour);
        QCOMPARE(pixelOf(button, QPoint(button->width() - 6, 5)), kButtonColour);
    }

    // The credit line is one line and must not be cut off.
    void creditLineFitsOnOneLine()
    {
        GameFixture fx(someWords());
        auto *label = fx.form1().findChild<QLabel *>(QStringLiteral("Label2"));
        QVERIFY(label);
        QVERIFY(!label->wordWrap());
        QVERIFY(!label->text().contains(QLatin1Char('\n')));
        const QFontMetrics fm(label->font());
        QVERIFY2(
            fm.horizontalAdvance(label->text()) <= label->width(),
            qPrintable(
                QStringLiteral("%1 px wide in %2 px").arg(fm.horizontalAdvance(label->text())).arg(label->width())));
        QVERIFY(fm.height() <= label->height());
    }

    // The contact line shows over at most three lines that all fit inside the
    // label, and neither the e-mail address nor the telephone number is broken
    // across two lines.
    void contactLineWrapsInAtMostThreeLines()
    {
        GameFixture fx(someWords());
        auto *label = fx.form1().findChild<QLabel *>(QStringLiteral("Label4"));
        QVERIFY(label);
        QVERIFY(label->wordWrap());
        const QString text = label->text();
        const QString email = QRegularExpression(QStringLiteral("\\S+@\\S+")).match(text).captured();
        const QString phone = QRegularExpression(QStringLiteral("\\d[\\d -]{4,}\\d")).match(text).captured();
        QVERIFY2(!email.isEmpty(), "an e-mail address");
        QVERIFY2(!phone.isEmpty(), "a telephone number");

        // The lines as the label breaks them.
        QStringList lines;
        qreal height = 0;
        for (const QString &paragraph : text.split(QLatin1Char('\n'))) {
            QTextLayout layout(paragraph, label->font());
            QTextOption option(Qt::AlignHCenter);
            option.setWrapMode(QTextOption::WordWrap);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(label->width());
                const QString shown = paragraph.mid(line.textStart(), line.textLength());
                QVERIFY2(line.naturalTextWidth() <= label->width(), qPrintable(shown + " is cut off"));
                lines << shown.trimmed();
                height += line.height();
            }
            layout.endLayout();
        }
        QVERIFY2(lines.size() <= 3, qPrintable(lines.join(QStringLiteral(" | "))));
        QVERIFY2(height <= label->height(), qPrintable(QStringLiteral("%1 px high").arg(height)));
        const auto onOneLine = [&](const QString &part) {
            return std::any_of(lines.begin(), lines.end(), [&](const QString &l) { return l.contains(part); });
        };
        QVERIFY2(onOneLine(email), qPrintable(lines.join(QStringLiteral(" | "))));
        QVERIFY2(onOneLine(phone), qPrintable(lines.join(QStringLiteral(" | "))));
    }

    // --- Clicks -------------------------------------------------------------

    void noOptionIsSelectedAtFirst()
    {
        GameFixture fx(someWords());
        QVERIFY(QTest::qWaitForWindowExposed(&fx.form1()));
        for (QRadioButton *option : fx.form1().findChildren<QRadioButton *>())
            QVERIFY2(!option->isChecked(), qPrintable(option->objectName()));
        QVERIFY(Modulo1::categoriaActual.isUnset());
    }

    void clickingAnOptionStoresItsCode_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("farEnd"); // click at the right end of its rectangle, past the caption
        const QList<std::pair<const char *, int>> codes = {
            {"Option1", 1}, {"Option2", 4}, {"Option3", 8}, {"Option4", 6}, {"Option5", 2}};
        for (const auto &[name, code] : codes) {
            QTest::addRow("%s centre", name) << QString::fromLatin1(name) << code << false;
            QTest::addRow("%s right end", name) << QString::fromLatin1(name) << code << true;
        }
    }

    void clickingAnOptionStoresItsCode()
    {
        QFETCH(QString, name);
        QFETCH(int, code);
        QFETCH(bool, farEnd);
        GameFixture fx(someWords());
        QVERIFY(QTest::qWaitForWindowExposed(&fx.form1()));
        auto *option = fx.form1().findChild<QRadioButton *>(name);
        QVERIFY(option);
        const QPoint at = farEnd ? QPoint(option->width() - 4, option->height() / 2) : option->rect().center();
        QTest::mouseClick(option, Qt::LeftButton, {}, at);
        QVERIFY(option->isChecked());
        QCOMPARE(Modulo1::categoriaActual.kind(), Variant::Kind::Integer);
        QCOMPARE(Modulo1::categoriaActual.toDouble(), double(code));
        QCOMPARE(fx.flow().conObj(), nullptr); // nothing else happens
        QVERIFY(fx.form1().isVisible());
    }

    void theOptionsFormOneExclusiveGroup()
    {
        GameFixture fx(someWords());
        QVERIFY(QTest::qWaitForWindowExposed(&fx.form1()));
        const int codes[] = {1, 4, 8, 6, 2};
        // Forwards and back again, so that each one replaces a selected other.
        for (int i : {1, 2, 3, 4, 5, 4, 3, 2, 1, 5}) {
            auto *option = fx.form1().findChild<QRadioButton *>(QStringLiteral("Option%1").arg(i));
            QTest::mouseClick(option, Qt::LeftButton, {}, option->rect().center());
            for (int j = 1; j <= 5; ++j)
                QCOMPARE(fx.form1().findChild<QRadioButton *>(QStringLiteral("Option%1").arg(j))->isChecked(), i == j);
            QCOMPARE(Modulo1::categoriaActual.toDouble(), double(codes[i - 1]));
        }
    }

    void clickingTheSelectedOptionStoresItsCodeAgain()
    {
        GameFixture fx(someWords());
        QVERIFY(QTest::qWaitForWindowExposed(&fx.form1()));
        auto *option = fx.form1().findChild<QRadioButton *>(QStringLiteral("Option3"));
        QTest::mouseClick(option, Qt::LeftButton, {}, option->rect().center());
        Modulo1::categoriaActual = Variant();
        QTest::mouseClick(option, Qt::LeftButton, {}, option->rect().center());
        QVERIFY(option->isChecked());
        QCOMPARE(Modulo1::categoriaActual.kind(), Variant::Kind::Integer);
        QCOMPARE(Modulo1::categoriaActual.toDouble(), 8.0);
    }

    void aceptarBeforeAnyClickLeavesTheCategoryUnset()
    {
        GameFixture fx(someWords());
        Form1 &menu = fx.form1();
        menu.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&menu));
        QTest::qWait(20); // let the first focus settle, as a learner's first look would
        auto *aceptar = menu.findChild<QPushButton *>(QStringLiteral("Command1"));
        QTest::mouseClick(aceptar, Qt::LeftButton, {}, aceptar->rect().center());
        QVERIFY(Modulo1::categoriaActual.isUnset());
        QVERIFY(fx.errors.isEmpty());
        QVERIFY(!menu.isVisible());
        QVERIFY(fx.flow().conObj());
        QVERIFY(fx.game().isVisible());
        for (QRadioButton *option : menu.findChildren<QRadioButton *>())
            QVERIFY(!option->isChecked());
    }

    void aceptarKeepsTheSelection()
    {
        GameFixture fx(someWords());
        QVERIFY(QTest::qWaitForWindowExposed(&fx.form1()));
        auto *option = fx.form1().findChild<QRadioButton *>(QStringLiteral("Option1"));
        QTest::mouseClick(option, Qt::LeftButton, {}, option->rect().center());
        auto *aceptar = fx.form1().findChild<QPushButton *>(QStringLiteral("Command1"));
        QTest::mouseClick(aceptar, Qt::LeftButton, {}, aceptar->rect().center());
        QVERIFY(fx.game().isVisible());
        QVERIFY(option->isChecked());
        QCOMPARE(Modulo1::categoriaActual.toDouble(), 1.0);
    }

    void salirEndsTheProgram_data()
    {
        QTest::addColumn<bool>("afterAGame");
        QTest::newRow("first menu") << false;
        QTest::newRow("later menu") << true;
    }

    void salirEndsTheProgram()
    {
        QFETCH(bool, afterAGame);
        GameFixture fx(someWords());
        if (afterAGame) {
            fx.aceptar();
            runHandler([&] { fx.game().Image40_Click(); }); // Volver
            QVERIFY(fx.form1().isVisible());
        }
        QVERIFY(QTest::qWaitForWindowExposed(&fx.form1()));
        QVERIFY(!fx.flow().hasEnded());
        auto *salir = fx.form1().findChild<QPushButton *>(QStringLiteral("Command2"));
        QTest::mouseClick(salir, Qt::LeftButton, {}, salir->rect().center());
        QVERIFY(fx.flow().hasEnded());
        QVERIFY(!fx.form1().isVisible());
        if (afterAGame)
            QVERIFY(!fx.game().isVisible());
        QVERIFY(fx.errors.isEmpty());
    }

    void closingTheMenuEndsTheProgram_data() { salirEndsTheProgram_data(); }

    void closingTheMenuEndsTheProgram()
    {
        QFETCH(bool, afterAGame);
        GameFixture fx(someWords());
        if (afterAGame) {
            fx.aceptar();
            runHandler([&] { fx.game().Image40_Click(); });
        }
        QVERIFY(fx.form1().isVisible());
        QVERIFY(fx.form1().close());
        QVERIFY(fx.flow().hasEnded());
        if (afterAGame)
            QVERIFY(!fx.game().isVisible());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
