// Push buttons drawn in a colour of their own ("graphical" buttons): the
// colour fills the button, a darker shade outlines it and shows the press.
#pragma once

#include <QColor>
#include <QPushButton>
#include <QString>

namespace korivanta {

inline void paintButtonIn(QPushButton *button, const QColor &colour)
{
    button->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid %2;"
                                         " border-radius: 2px; color: black; }"
                                         "QPushButton:pressed { background-color: %3; }")
                              .arg(colour.name(), colour.darker(250).name(), colour.darker(115).name()));
}

} // namespace korivanta
