// Form1: the category menu, the program's start-up window.
#pragma once

#include <QWidget>

class QRadioButton;
class QPushButton;

namespace korivanta {

class ScreenFlow;

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(ScreenFlow &flow, QWidget *parent = nullptr);

    // Option1_Click … Option5_Click: store the option's category code.
    void optionClick(int option); // 1 to 5
    void Command1_Click();        // "Aceptar"
    void Command2_Click();        // "Salir"

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    ScreenFlow &m_flow;
};

} // namespace korivanta
