// The real sound player, on QSoundEffect.
//
// Each file is checked and decoded once for as long as it stays the same: the
// first time a path is played or preloaded, it is resolved, its WAV header is
// read and a QSoundEffect is made for it and kept. Every later play resolves
// the path again and compares the file's identity and times (one stat) with
// those seen at the check: the kept effect is started when nothing changed;
// a file that appeared, disappeared, was replaced or rewritten is checked and
// decoded afresh, so a recording put in place while the game runs plays at
// once. A sound that cannot be played gives one warning line on stderr per
// PlaySoundFile call, and nothing else.
//
// Before a file reaches QSoundEffect it passes the checks of
// media_file_checks.h: a regular file, PCM at 8,000 to 192,000 Hz, one or two
// channels, a data chunk the file holds. Destroying the player never waits
// more than a second for the sound thread, so the program's end cannot hang.
//
// The effects live on a thread of their own: starting one opens a stream on
// the sound server, which takes from a fraction of a millisecond to tens of
// milliseconds, and the windows must not wait for that. PlaySoundFile only
// looks the sound up and hands it over.
//
// A computer at rest stays at rest: a stream is closed a short time
// (kCloseAfterEndMs) after its sound has ended, whatever QSoundEffect thinks.
// Qt 6.4's effect does not always see the end of its sound on PulseAudio: it
// then reports itself playing for ever, keeps its stream open and its 10 ms
// feeding timer running on the sound thread. The player knows how long each
// sound lasts (from its WAV header), so it stops every effect still open
// after its sound's end plus that margin. Stopping closes the stream but
// keeps the effect and its decoded sample, so the next play starts as fast as
// before. With no stream open no timer runs, and the sound thread sleeps
// until the next play.
#pragma once

#include "media/sound_player.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
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

    // For measurements and diagnostics, from the thread that plays: whether
    // the sound of that program path is playing now, and whether it is
    // decoded and ready to start at once (false for a path never played or
    // preloaded).
    bool isPlaying(const QString &path) const;
    bool isReady(const QString &path) const;

    // Whether there is an audio output to play on; checked on every play, so a
    // device that appears later is used.
    static bool audioOutputAvailable();

    // How long after the end of a sound its stream is closed, if the effect has
    // not closed it itself. Replays within it reuse nothing but the decoded
    // sample anyway; the margin covers the server's own latency and a late start.
    static constexpr int kCloseAfterEndMs = 2000;

private:
    // What one stat tells of a file: enough to see it replaced or rewritten.
    struct FileStamp {
        bool exists = false;
        quint64 device = 0, inode = 0;
        qint64 size = 0, modified = 0, changed = 0; // times in nanoseconds
        bool operator==(const FileStamp &) const = default;
        static FileStamp of(const QString &file);
    };

    struct Sound {
        // Known to the calling thread only.
        QString file;        // the local file
        QString problem;     // why it cannot be played; empty when it looks playable
        qint64 lengthMs = 0; // how long the sound lasts, when it looks playable
        FileStamp stamp;     // the file as it was when checked
        bool checked = false;
        bool effectMade = false;
        // Known to the audio thread only.
        QSoundEffect *effect = nullptr;
        QStringList awaiting; // paths played while the effect was still decoding
        bool undecodable = false;
        QDeadlineTimer closeAt; // when the stream of its last play is closed at the latest
        // Written by the audio thread, read by anyone.
        std::atomic<bool> playing = false;
        std::atomic<bool> ready = false;
    };

    class AudioSide;

    Sound &soundFor(const QString &path, const QString &file);
    void makeEffect(Sound &sound);
    static void createEffect(Sound *sound, const QString &file); // on the audio thread
    void dropEffect(Sound &sound);

    const MediaPaths &m_paths;
    std::vector<std::unique_ptr<Sound>> m_sounds;
    QHash<QString, Sound *> m_byPath; // program path as given
    QHash<QString, Sound *> m_byFile; // local file: two spellings of one file share its sound
    // How long the destructor waits for the sound thread to end.
    static constexpr int kEndWaitMs = 1000;

    QThread *m_audioThread; // left running, never deleted, if it does not end in time
    AudioSide *m_audio;     // lives on m_audioThread; every effect call runs there
};

} // namespace korivanta
