#include "game/accessibility.h"

#include "game/image_control.h"
#include "game/key_focus.h"
#include "game/keyboard_table.h"
#include "game/spoken_spelling.h"
#include "game/typed_graphemes.h"
#include "graphemes/chart_table.h"

#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QPointer>

namespace korivanta {

namespace {

// The index at the end of an array element's name ("Image10_7" gives 7).
int arrayIndex(const QWidget *w, QLatin1StringView array)
{
    const QString name = w->objectName();
    if (!name.startsWith(array) || name.size() <= array.size() || name.at(array.size()) != u'_')
        return -1;
    bool ok = false;
    const int index = name.mid(array.size() + 1).toInt(&ok);
    return ok ? index : -1;
}

bool isRoundButton(const QWidget *w)
{
    static const QStringList names{"Image2", "Image5", "Image6", "Image7", "Image40"};
    return names.contains(w->objectName());
}

KeyFocus *keyFocusOf(const QWidget *w)
{
    return w->window()->findChild<KeyFocus *>(QStringLiteral("keyFocus"));
}

// Controls assistive technology never needs: the grey covers (a used key
// says so itself), the area behind the round buttons, the focus rings.
bool neverExposed(const QWidget *w)
{
    return arrayIndex(w, QLatin1StringView("Image41")) >= 0 || w->objectName() == QLatin1String("Image1") ||
           w->objectName() == QLatin1String("qt_focus_ring");
}

// A top-level window: role window, named by its title, listing only the
// controls shown (and the round buttons, hidden or not).
class WindowAccessible : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::Window) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return widget()->windowTitle();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return int(exposed().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> list = exposed();
        if (index < 0 || index >= list.size())
            return nullptr;
        return QAccessible::queryAccessibleInterface(list.at(index));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child)
            return -1;
        return int(exposed().indexOf(qobject_cast<QWidget *>(child->object())));
    }

private:
    QList<QWidget *> exposed() const
    {
        QList<QWidget *> list;
        for (QObject *o : widget()->children()) {
            auto *w = qobject_cast<QWidget *>(o);
            if (!w || w->isWindow() || neverExposed(w))
                continue;
            if (w->isHidden() && !isRoundButton(w))
                continue;
            list << w;
        }
        return list;
    }
};

// An image control: a key, a chart area or a round button is a push button;
// a picture is a graphic.
class ImageControlAccessible : public QAccessibleWidget {
public:
    explicit ImageControlAccessible(QWidget *w) : QAccessibleWidget(w, roleOf(w)) {}

    static QAccessible::Role roleOf(const QWidget *w)
    {
        if (isButton(w))
            return QAccessible::Button;
        if (w->objectName() == QLatin1String("Picture1"))
            return QAccessible::Pane;
        return QAccessible::Graphic;
    }
    static bool isButton(const QWidget *w)
    {
        return isRoundButton(w) || arrayIndex(w, QLatin1StringView("Image10")) >= 0 ||
               arrayIndex(w, QLatin1StringView("Image75")) >= 0;
    }

    QString text(QAccessible::Text t) const override
    {
        const int key = arrayIndex(widget(), QLatin1StringView("Image10"));
        if (t == QAccessible::Name) {
            if (key >= 0)
                return spokenGrapheme(key);
            if (arrayIndex(widget(), QLatin1StringView("Image75")) >= 0)
                return spokenGrapheme(widget()->accessibleName().section(u' ', 1));
        }
        if (t == QAccessible::Description) {
            // What the name leaves out: the key's kind, and whether it was
            // used. Never the tooltip, which only repeats the name.
            if (key >= 0) {
                QStringList parts{keyKindDescription(key)};
                if (usedKey(key))
                    parts << QStringLiteral("usada");
                parts.removeAll(QString());
                return parts.join(QStringLiteral(", "));
            }
            if (arrayIndex(widget(), QLatin1StringView("Image75")) >= 0)
                return keyKindDescription(keyOfGrapheme(widget()->accessibleName().section(u' ', 1)));
            if (widget()->objectName() == QLatin1String("Image3"))
                return QString::fromUtf16(kChartExplanation);
            if (widget()->objectName() == QLatin1String("Image4")) {
                const auto *word = widget()->window()->findChild<QLabel *>(QStringLiteral("Label1"));
                return word ? word->text() : QString();
            }
        }
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        if (!isButton(widget()))
            return s;
        s.focusable = true;
        if (KeyFocus *focus = keyFocusOf(widget()))
            s.focused = focus->current() == widget();
        const int key = arrayIndex(widget(), QLatin1StringView("Image10"));
        if (key >= 0 && usedKey(key))
            s.disabled = true;
        return s;
    }

    QStringList actionNames() const override
    {
        if (!isButton(widget()))
            return {};
        return {pressAction()};
    }
    void doAction(const QString &actionName) override
    {
        if (actionName != pressAction() || !isButton(widget()))
            return;
        if (KeyFocus *focus = keyFocusOf(widget()))
            focus->press(widget());
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    bool usedKey(int key) const
    {
        const QWidget *cover =
            widget()->parentWidget()->findChild<QWidget *>(QStringLiteral("Image41_%1").arg(kKeyboard[key].overlay));
        return cover && !cover->isHidden();
    }
};

// A board label: its name is the text it shows.
class BoardLabelAccessible : public QAccessibleWidget {
public:
    explicit BoardLabelAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::StaticText) {}
    QString text(QAccessible::Text t) const override
    {
        auto *label = static_cast<QLabel *>(widget());
        if (t == QAccessible::Name)
            return label->text();
        if (t == QAccessible::Description)
            return label->accessibleName();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    auto *w = qobject_cast<QWidget *>(object);
    if (!w)
        return nullptr;
    if (className == QLatin1String("korivanta::ConObj") || className == QLatin1String("korivanta::Form1"))
        return new WindowAccessible(w);
    if (className == QLatin1String("korivanta::ImageControl"))
        return new ImageControlAccessible(w);
    if (className == QLatin1String("korivanta::Announcer"))
        return new QAccessibleWidget(w, QAccessible::Notification);
    if (className == QLatin1String("korivanta::BoardLabel"))
        return new BoardLabelAccessible(w);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    QAccessible::installFactory(factory);
}

// A widget's interface is made, and kept, the first time anything asks for
// it, setting an accessible name included: the factory must be there before
// the first window is built.
Q_COREAPP_STARTUP_FUNCTION(installAccessibility)

QString spokenGrapheme(int key)
{
    const KeyRow &k = kKeyboard[key];
    if (k.tooltip)
        return QString::fromUtf16(k.tooltip).toLower();
    const QString g = QString::fromUtf16(k.grapheme);
    const QString decomposed = g.normalized(QString::NormalizationForm_D);
    if (g.size() == 1 && decomposed.size() == 2 && decomposed.at(1) == QChar(0x0308))
        return g + QStringLiteral(" larga");
    return g;
}

QString spokenGrapheme(QStringView grapheme)
{
    const int key = keyOfGrapheme(grapheme);
    return key >= 0 ? spokenGrapheme(key) : grapheme.toString();
}

} // namespace korivanta
