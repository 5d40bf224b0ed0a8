#include "menu/menu_focus_mark.h"

#include "app/focus_mark.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace korivanta {

MenuFocusMark::MenuFocusMark(QWidget &form1)
    : QObject(&form1), m_form1(form1), m_mark(new FocusMark(&form1, QColor(255, 255, 0)))
{
    setObjectName(QStringLiteral("menuFocusMark"));
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &MenuFocusMark::update);
}

MenuFocusMark::~MenuFocusMark()
{
    qApp->removeEventFilter(this);
}

bool MenuFocusMark::shown() const
{
    return !m_mark->isHidden();
}

void MenuFocusMark::update()
{
    QWidget *focus = m_form1.focusWidget();
    m_mark->surround(m_keyboardInUse && m_form1.isVisible() && focus && focus != &m_form1 ? focus : nullptr);
}

bool MenuFocusMark::eventFilter(QObject *watched, QEvent *event)
{
    auto *w = qobject_cast<QWidget *>(watched);
    if (!w || w->window() != &m_form1)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        m_keyboardInUse = true;
        // After the key has done its work (an arrow moves the focus).
        QTimer::singleShot(0, this, &MenuFocusMark::update);
        break;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
        if (m_keyboardInUse) {
            m_keyboardInUse = false;
            update();
        }
        break;
    case QEvent::Hide:
        if (w == &m_form1) {
            m_keyboardInUse = false;
            update();
        }
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace korivanta
