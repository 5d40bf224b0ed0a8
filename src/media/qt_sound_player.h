// The real sound player, on QSoundEffect.
#pragma once

#include "media/sound_player.h"

#include <QHash>

#include <memory>

class QSoundEffect;

namespace korivanta {

class MediaPaths;

class QtSoundPlayer : public SoundPlayer {
public:
    explicit QtSoundPlayer(const MediaPaths &paths);
    ~QtSoundPlayer() override;

    void PlaySoundFile(const QString &path) override;
    void preload(const QStringList &paths) override;

private:
    QSoundEffect *effectFor(const QString &path);

    const MediaPaths &m_paths;
    QHash<QString, QSoundEffect *> m_effects;
};

} // namespace korivanta
