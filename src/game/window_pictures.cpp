#include "game/window_pictures.h"

#include "game/keyboard_table.h"
#include "media/sharp_pictures.h"

#include <QPixmapCache>

namespace korivanta {

QPixmap windowPicture(const QString &name)
{
    const QString file = QStringLiteral(":/pictures/") + name;
    const QString key = sharperFile(file);
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        picture = QPixmap(key);
        if (key != file)
            picture.setDevicePixelRatio(kSharpRatio);
        QPixmapCache::insert(key, picture);
    }
    return picture;
}

QString keyPictureName(int key, bool grey)
{
    return QStringLiteral("key_%1%2.bmp").arg(key, 2, 10, QLatin1Char('0')).arg(grey ? "_grey" : "");
}

void prepareWindowPictures()
{
    for (const char *name : {"background.bmp", "chart.bmp", "panel.bmp", "jisaw.bmp", "janiw.bmp"})
        windowPicture(QString::fromLatin1(name));
    for (int key = 0; key < int(kKeyboard.size()); ++key) {
        windowPicture(keyPictureName(key, false));
        windowPicture(keyPictureName(key, true));
    }
}

} // namespace korivanta
