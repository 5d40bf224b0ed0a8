#include "media/qt_sound_player.h"

#include "media/media_paths.h"

#include <QSoundEffect>
#include <QUrl>

#include <cstdio>

namespace korivanta {

QtSoundPlayer::QtSoundPlayer(const MediaPaths &paths) : m_paths(paths) {}

QtSoundPlayer::~QtSoundPlayer()
{
    qDeleteAll(m_effects);
}

QSoundEffect *QtSoundPlayer::effectFor(const QString &path)
{
    auto it = m_effects.find(path);
    if (it != m_effects.end())
        return *it;
    auto *effect = new QSoundEffect;
    effect->setSource(QUrl::fromLocalFile(m_paths.resolve(path)));
    m_effects.insert(path, effect);
    return effect;
}

void QtSoundPlayer::preload(const QStringList &paths)
{
    for (const QString &p : paths)
        effectFor(p);
}

void QtSoundPlayer::PlaySoundFile(const QString &path)
{
    if (path.isEmpty()) {
        std::fprintf(stderr, "korivanta: aviso: no hay sonido que reproducir (ruta vacía)\n");
        return;
    }
    effectFor(path)->play();
}

} // namespace korivanta
