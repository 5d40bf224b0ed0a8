// A sound player that only records what it is asked to play, in order.
#pragma once

#include "media/sound_player.h"

#include <functional>

namespace korivanta {

class RecordingSoundPlayer : public SoundPlayer {
public:
    void PlaySoundFile(const QString &path) override
    {
        played.append(path);
        if (onPlay)
            onPlay(path);
    }
    void preload(const QStringList &paths) override { preloaded.append(paths); }

    QStringList played;
    QStringList preloaded;
    std::function<void(const QString &)> onPlay; // sees the windows as they are at the call
};

} // namespace korivanta
