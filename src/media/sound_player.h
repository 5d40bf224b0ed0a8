// The sound player of the game window (SndDevil1): one operation, PlaySoundFile.
#pragma once

#include <QString>
#include <QStringList>

namespace korivanta {

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    // Starts playing the WAV file a program path names and returns at once. It
    // never waits for a sound to end and never stops one. A file that cannot
    // be played (empty path, missing, not a WAV, no audio device) gives one
    // warning on stderr and nothing else.
    virtual void PlaySoundFile(const QString &path) = 0;

    // Decodes these files ahead of time so that playing them reads no disk.
    virtual void preload(const QStringList &paths) { Q_UNUSED(paths); }
};

} // namespace korivanta
