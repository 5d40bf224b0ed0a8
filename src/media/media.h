// The outside components the game window uses: where the media are, the sound
// player, the animation players and the picture loader. The program makes the
// real ones; tests put recorders in their place.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace korivanta {

class AnimationPlayer;
class MediaPaths;
class PictureLoader;
class SoundPlayer;

struct Media {
    std::shared_ptr<MediaPaths> paths;
    std::shared_ptr<SoundPlayer> sound;
    std::shared_ptr<PictureLoader> pictures;
    std::function<AnimationPlayer *(QWidget *parent)> makeAnimationPlayer;

    // The real components over the given drive C folder, or over an upper
    // drive C layered on a lower one (see MediaPaths).
    static Media real(const QString &driveC, const QString &lowerDriveC = {});
};

} // namespace korivanta
