#include "menu/form1.h"

#include "menu/menu_focus_mark.h"
#include "menu/menu_keys.h"

#include "app/coloured_button.h"
#include "app/modulo1.h"
#include "app/screen_flow.h"
#include "app/twips.h"
#include "app/untrapped_error.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <array>

namespace korivanta {

namespace {

enum class Kind { Label, Option, Button };

struct MenuControl {
    const char *name;
    Kind kind;
    const char16_t *text;
    int left, top, width, height;
    std::int16_t code; // option buttons: the category code they store
};

// An option button takes a click anywhere in its rectangle, not only on its
// round mark and caption: the rectangles are wider than the captions.
class OptionButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint &pos) const override { return rect().contains(pos); }
};

// In tab order.
constexpr std::array<MenuControl, 11> kMenuControls{{
    {"Label1", Kind::Label, u"KORIVANTA DEMO", 2280, 120, 3375, 735, 0},
    {"Label2", Kind::Label, u"Equipo Korivanta 2026", 120, 2640, 1935, 255, 0},
    {"Label3", Kind::Label, u"Categoría", 2640, 600, 1215, 375, 0},
    {"Option1", Kind::Option, u"Naturaleza", 2640, 960, 1935, 375, 1},
    {"Option2", Kind::Option, u"Animales", 2640, 1320, 1935, 495, 4},
    {"Option3", Kind::Option, u"Colores", 2640, 1800, 1935, 255, 8},
    {"Option4", Kind::Option, u"Insectos", 2640, 2040, 1935, 495, 6},
    {"Option5", Kind::Option, u"Personas", 2640, 2520, 1935, 255, 2},
    {"Command1", Kind::Button, u"Aceptar", 3840, 3000, 1215, 375, 0},
    {"Label4", Kind::Label, u"escuela@korivanta.bo\nTel. 2-2840000\nEl Alto, La Paz", 240, 2880, 1935, 615, 0},
    {"Command2", Kind::Button, u"Salir", 2160, 3000, 1215, 375, 0},
}};

constexpr QColor kBackColor(255, 224, 192);
constexpr QColor kLabelColor(64, 0, 0);
constexpr QColor kButtonColor(255, 192, 128);

QFont defaultFont()
{
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSizeF(8.25);
    return f;
}

} // namespace

Form1::Form1(ScreenFlow &flow, QWidget *parent) : QWidget(parent), m_flow(flow)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("SOFTWARE EDUCATIVO (Versión Demo)"));
    setFixedSize(sizeFromTwips(5775, 3585));
    setFont(defaultFont());
    // The window's colour only: the labels set their dark red text colour
    // themselves, and the option buttons keep the standard one.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackColor);
    setPalette(pal);
    setAutoFillBackground(true);

    QWidget *previous = nullptr;
    for (const MenuControl &c : kMenuControls) {
        const QString text = QString::fromUtf16(c.text);
        QWidget *w = nullptr;
        switch (c.kind) {
        case Kind::Label: {
            auto *label = new QLabel(this);
            label->setTextFormat(Qt::PlainText);
            label->setText(text);
            label->setAlignment(
                Qt::AlignTop |
                (qstrcmp(c.name, "Label1") == 0 || qstrcmp(c.name, "Label3") == 0 ? Qt::AlignLeft : Qt::AlignHCenter));
            QPalette lp = label->palette();
            lp.setColor(QPalette::WindowText, kLabelColor);
            label->setPalette(lp);
            w = label;
            break;
        }
        case Kind::Option: {
            auto *option = new OptionButton(text, this);
            QPalette op = option->palette();
            op.setColor(QPalette::Window, kBackColor);
            op.setColor(QPalette::Button, kBackColor);
            option->setPalette(op);
            option->setAutoFillBackground(true);
            const int number = c.name[6] - '0';
            connect(option, &QRadioButton::clicked, this, [this, number] { runHandler([&] { optionClick(number); }); });
            w = option;
            break;
        }
        case Kind::Button: {
            auto *button = new QPushButton(text, this);
            paintButtonIn(button, kButtonColor);
            const bool aceptar = qstrcmp(c.name, "Command1") == 0;
            connect(button, &QPushButton::clicked, this,
                    [this, aceptar] { runHandler([&] { aceptar ? Command1_Click() : Command2_Click(); }); });
            w = button;
            break;
        }
        }
        w->setObjectName(QString::fromLatin1(c.name));
        w->setAccessibleName(text);
        w->setGeometry(fromTwips(c.left, c.top, c.width, c.height));
        if (previous && w->focusPolicy() != Qt::NoFocus)
            setTabOrder(previous, w);
        if (w->focusPolicy() != Qt::NoFocus)
            previous = w;
    }

    auto *title = findChild<QLabel *>(QStringLiteral("Label1"));
    QFont titleFont(QStringLiteral("Arial"));
    titleFont.setPointSize(12);
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto *credit = findChild<QLabel *>(QStringLiteral("Label2"));
    QFont creditFont = defaultFont();
    creditFont.setBold(true);
    credit->setFont(creditFont);
    findChild<QLabel *>(QStringLiteral("Label4"))->setWordWrap(true);
    new MenuKeys(*this);
    new MenuFocusMark(*this);
}

void Form1::optionClick(int option)
{
    for (const MenuControl &c : kMenuControls)
        if (c.kind == Kind::Option && c.name[6] - '0' == option)
            Modulo1::categoriaActual = c.code;
}

void Form1::Command1_Click()
{
    hide();
    m_flow.showConObj();
}

void Form1::Command2_Click()
{
    m_flow.end();
}

void Form1::closeEvent(QCloseEvent *event)
{
    event->accept();
    m_flow.end();
}

} // namespace korivanta
