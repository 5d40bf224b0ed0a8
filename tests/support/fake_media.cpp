#include "support/fake_media.h"

#include "media/media_paths.h"
#include "media/picture_loader.h"
#include "support/fake_animation_player.h"

namespace korivanta {

Media fakeMedia(const QString &driveC)
{
    Media m;
    m.paths = std::make_shared<MediaPaths>(driveC);
    m.sound = std::make_shared<RecordingSoundPlayer>();
    m.pictures = std::make_shared<FilePictureLoader>(*m.paths);
    m.makeAnimationPlayer = [](QWidget *parent) -> AnimationPlayer * { return new FakeAnimationPlayer(parent); };
    return m;
}

RecordingSoundPlayer *recorder(const Media &media)
{
    return static_cast<RecordingSoundPlayer *>(media.sound.get());
}

} // namespace korivanta
