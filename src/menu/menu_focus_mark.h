// The focus mark of the menu: while the keyboard is in use (from the first
// key pressed in the menu until the pointer moves or clicks there), the
// control that has the focus is surrounded by a FocusMark. A mouse player
// never sees it.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace korivanta {

class FocusMark;

class MenuFocusMark : public QObject {
    Q_OBJECT
public:
    explicit MenuFocusMark(QWidget &form1);
    ~MenuFocusMark() override;

    bool shown() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void update();

    QWidget &m_form1;
    FocusMark *m_mark;
    bool m_keyboardInUse = false;
};

} // namespace korivanta
