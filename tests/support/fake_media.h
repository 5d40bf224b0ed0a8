// Media for tests: a recording sound player, fake animation players and the
// real picture loader over a drive C folder of the test's own.
#pragma once

#include "media/media.h"
#include "support/recording_sound_player.h"

namespace korivanta {

Media fakeMedia(const QString &driveC = {});
RecordingSoundPlayer *recorder(const Media &media);

} // namespace korivanta
