// The pictures stored with the game window (embedded resources), decoded once
// and kept, so that making the window costs no decoding.
#pragma once

#include <QPixmap>
#include <QString>

namespace korivanta {

QPixmap windowPicture(const QString &name);
QString keyPictureName(int key, bool grey);

// Decodes every picture of the game window ahead of time (called while the
// menu waits for the learner), so the first "Aceptar" shows the game at once.
void prepareWindowPictures();

} // namespace korivanta
