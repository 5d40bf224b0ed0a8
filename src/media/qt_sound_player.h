// The real sound player, on QSoundEffect.
//
// Each file is checked and decoded once: the first time a path is played or
// preloaded, it is resolved, its WAV header is read and a QSoundEffect is made
// for it and kept. Playing it again starts the kept effect, without touching
// the disk. A sound that cannot be played gives one warning line on stderr per
// PlaySoundFile call, and nothing else.
#pragma once

#include "media/sound_player.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QSoundEffect;

namespace korivanta {

class MediaPaths;

class QtSoundPlayer : public SoundPlayer {
public:
    explicit QtSoundPlayer(const MediaPaths &paths);
    ~QtSoundPlayer() override;

    QtSoundPlayer(const QtSoundPlayer &) = delete;
    QtSoundPlayer &operator=(const QtSoundPlayer &) = delete;

    void PlaySoundFile(const QString &path) override;
    void preload(const QStringList &paths) override;

    // Whether the sound of that program path is playing now (false for a path
    // never played or preloaded). For measurements and diagnostics.
    bool isPlaying(const QString &path) const;
    // Whether that path's sound is decoded and ready to start at once.
    bool isReady(const QString &path) const;

    // Whether there is an audio output to play on; checked on every play, so a
    // device that appears later is used.
    static bool audioOutputAvailable();

private:
    struct Sound {
        QString file;    // the local file
        QString problem; // why it cannot be played; empty when it can
        std::unique_ptr<QSoundEffect> effect;
        QStringList awaiting; // paths played while the effect was still decoding
        ~Sound();
    };

    Sound &soundFor(const QString &path);
    void makeEffect(Sound &sound);

    const MediaPaths &m_paths;
    std::vector<std::unique_ptr<Sound>> m_sounds;
    QHash<QString, Sound *> m_byPath; // program path as given
    QHash<QString, Sound *> m_byFile; // local file: two spellings of one file share its sound
};

} // namespace korivanta
