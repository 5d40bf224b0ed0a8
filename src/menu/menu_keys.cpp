#include "menu/menu_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

namespace korivanta {

MenuKeys::MenuKeys(QWidget &form1) : QObject(&form1), m_form1(form1)
{
    qApp->installEventFilter(this);
}

MenuKeys::~MenuKeys()
{
    qApp->removeEventFilter(this);
}

// Option1 to Option5 in their order on the window; from none chosen, the
// first (down) or the last (up).
void MenuKeys::moveOption(int step)
{
    QList<QRadioButton *> options;
    for (int i = 1; i <= 5; ++i)
        if (auto *o = m_form1.findChild<QRadioButton *>(QStringLiteral("Option%1").arg(i)))
            options << o;
    if (options.isEmpty())
        return;
    qsizetype at = -1, focused = -1;
    for (qsizetype i = 0; i < options.size(); ++i) {
        if (options[i]->isChecked())
            at = i;
        if (options[i]->hasFocus())
            focused = i;
    }
    // With none chosen yet, the first arrow chooses the option that has the
    // focus (the window gives it to Option1), or the first or the last.
    const qsizetype next = at >= 0        ? std::clamp<qsizetype>(at + step, 0, options.size() - 1)
                           : focused >= 0 ? focused
                           : step > 0     ? 0
                                          : options.size() - 1;
    options[next]->setFocus(Qt::TabFocusReason);
    options[next]->click();
}

bool MenuKeys::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w || w->window() != &m_form1 || !m_form1.isVisible())
        return QObject::eventFilter(watched, event);
    switch (static_cast<QKeyEvent *>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter on "Salir" stays "Salir"; everywhere else it is "Aceptar".
        if (auto *button = qobject_cast<QPushButton *>(w); button && button->objectName() == u"Command2")
            button->click();
        else if (auto *aceptar = m_form1.findChild<QPushButton *>(QStringLiteral("Command1")))
            aceptar->click();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Left: moveOption(-1); return true;
    case Qt::Key_Down:
    case Qt::Key_Right: moveOption(1); return true;
    default: return QObject::eventFilter(watched, event);
    }
}

} // namespace korivanta
