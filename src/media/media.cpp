#include "media/media.h"

#include "media/media_paths.h"
#include "media/movie_animation_player.h"
#include "media/picture_loader.h"
#include "media/qt_sound_player.h"

namespace korivanta {

Media Media::real(const QString &driveC, const QString &lowerDriveC)
{
    Media m;
    m.paths = std::make_shared<MediaPaths>(driveC, lowerDriveC);
    m.sound = std::make_shared<QtSoundPlayer>(*m.paths);
    m.pictures = std::make_shared<FilePictureLoader>(*m.paths);
    auto paths = m.paths;
    m.makeAnimationPlayer = [paths](QWidget *parent) -> AnimationPlayer * {
        return new MovieAnimationPlayer(*paths, parent);
    };
    return m;
}

} // namespace korivanta
