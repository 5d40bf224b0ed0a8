// What assistive technology finds in the windows: both windows are windows
// named by their titles; every key of the keyboard, every area of the chart
// and every round button is a push button with a Spanish name and a press
// action that does what a click does; the board's labels give the text they
// show; the word's picture is described by the Spanish word; hidden controls
// (the boxes that hold the answer among them) are left out while hidden.
#pragma once

#include <QLabel>
#include <QString>

namespace korivanta {

// Installs the accessibility factory for the program's own controls (once;
// done as the application object is made).
void installAccessibility();

// The grapheme of key `key` as a Spanish voice reads it well: "ch",
// "p glotalizada", "ch aspirada", "ä larga".
QString spokenGrapheme(int key);
QString spokenGrapheme(QStringView grapheme);

// A label on the board whose accessible name says what it is ("Categoría")
// while assistive technology reads the text it shows.
class BoardLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

} // namespace korivanta
