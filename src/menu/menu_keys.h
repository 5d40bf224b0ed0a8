// The menu from the keyboard: the arrows move between the categories (and
// choose the one they land on, as a click does), Enter is "Aceptar".
#pragma once

#include <QObject>

class QWidget;

namespace korivanta {

class MenuKeys : public QObject {
    Q_OBJECT
public:
    explicit MenuKeys(QWidget &form1);
    ~MenuKeys() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void moveOption(int step);

    QWidget &m_form1;
};

} // namespace korivanta
