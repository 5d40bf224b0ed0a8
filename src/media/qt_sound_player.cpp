#include "media/qt_sound_player.h"

#include "media/media_file_checks.h"
#include "media/media_paths.h"

#include <QAudioDevice>
#include <QDeadlineTimer>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <utility>

#include <sys/stat.h>

namespace korivanta {

namespace {

void warn(const QString &path, const QString &file, const QString &problem)
{
    QString line = QStringLiteral("korivanta: aviso: no se puede reproducir el sonido «%1»").arg(path);
    if (!file.isEmpty() && file != path)
        line += QStringLiteral(" (%1)").arg(file);
    line += QStringLiteral(": ") + problem;
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
}

} // namespace

// The player's part on the sound thread: it knows which sounds may still hold
// a stream and closes each one once its sound is over.
class QtSoundPlayer::AudioSide : public QObject {
public:
    AudioSide()
    {
        m_closeTimer.setSingleShot(true);
        QObject::connect(&m_closeTimer, &QTimer::timeout, this, [this] { closeEnded(); });
    }

    // A play of this sound has just been handed to its effect.
    void started(Sound *sound, qint64 lengthMs)
    {
        sound->closeAt = QDeadlineTimer(lengthMs + kCloseAfterEndMs);
        if (std::find(m_open.begin(), m_open.end(), sound) == m_open.end())
            m_open.push_back(sound);
        rearm();
    }

    // Before the effects are deleted and the thread ends.
    void finish()
    {
        m_closeTimer.stop();
        m_open.clear();
    }

private:
    void closeEnded()
    {
        std::erase_if(m_open, [](Sound *sound) {
            if (!sound->closeAt.hasExpired())
                return false;
            // Stopping closes the stream; the effect keeps its decoded
            // sample for the next play.
            if (sound->effect && sound->effect->isPlaying())
                sound->effect->stop();
            return true;
        });
        rearm();
    }

    // The timer runs only while a stream may be open: at rest nothing wakes
    // the thread.
    void rearm()
    {
        if (m_open.empty()) {
            m_closeTimer.stop();
            return;
        }
        qint64 soonest = std::numeric_limits<qint64>::max();
        for (const Sound *sound : m_open)
            soonest = std::min(soonest, sound->closeAt.remainingTime());
        m_closeTimer.start(std::chrono::milliseconds(std::max<qint64>(soonest, 0) + 1));
    }

    QTimer m_closeTimer{this};   // a child, so that it moves to the thread with its parent
    std::vector<Sound *> m_open; // sounds played and not yet closed, in no order
};

QtSoundPlayer::QtSoundPlayer(const MediaPaths &paths)
    : m_paths(paths), m_audioThread(new QThread), m_audio(new AudioSide)
{
    m_audioThread->setObjectName(QStringLiteral("korivanta-sound"));
    m_audio->moveToThread(m_audioThread);
    m_audioThread->start();
    // The first look at the audio devices connects to the sound server; do it
    // now rather than on the first key press.
    audioOutputAvailable();
}

QtSoundPlayer::~QtSoundPlayer()
{
    // The effects are deleted on their own thread, after every play handed
    // over before this point. Deleting an effect waits for Qt's decoder; the
    // end of the program must never hang on that, so the wait is bounded and
    // a thread still busy after it is left behind, with the sounds it uses,
    // for the end of the process to take.
    std::vector<Sound *> sounds;
    for (const auto &sound : m_sounds)
        sounds.push_back(sound.get());
    // The thread's loop ends only after the effects are gone: a quit() from
    // here could end it before the deletion has run, and effects left alive
    // at exit tear down the sound server connection under their streams.
    QMetaObject::invokeMethod(m_audio, [audio = m_audio, sounds] {
        audio->finish();
        for (Sound *sound : sounds) {
            delete sound->effect;
            sound->effect = nullptr;
        }
        QThread::currentThread()->quit();
    });
    if (m_audioThread->wait(QDeadlineTimer(kEndWaitMs))) {
        delete m_audioThread;
        delete m_audio;
        return;
    }
    std::fprintf(stderr, "korivanta: aviso: el reproductor de sonido no terminó a tiempo; el programa acaba sin él\n");
    for (auto &sound : m_sounds)
        (void)sound.release();
}

bool QtSoundPlayer::audioOutputAvailable()
{
    return !QMediaDevices::defaultAudioOutput().isNull();
}

QtSoundPlayer::FileStamp QtSoundPlayer::FileStamp::of(const QString &file)
{
    FileStamp stamp;
    struct stat st {};
    if (file.isEmpty() || ::stat(QFile::encodeName(file).constData(), &st) != 0)
        return stamp;
    const auto nanos = [](const timespec &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.modified = nanos(st.st_mtim);
    stamp.changed = nanos(st.st_ctim);
    return stamp;
}

QtSoundPlayer::Sound &QtSoundPlayer::soundFor(const QString &path, const QString &file)
{
    Sound *sound = m_byFile.value(file);
    if (!sound) {
        m_sounds.push_back(std::make_unique<Sound>());
        sound = m_sounds.back().get();
        sound->file = file;
        m_byFile.insert(file, sound);
    }
    m_byPath.insert(path, sound);
    const FileStamp stamp = FileStamp::of(file);
    if (!sound->checked || stamp != sound->stamp) {
        sound->checked = true;
        sound->stamp = stamp;
        sound->lengthMs = 0;
        sound->problem = media_checks::wavProblem(file, &sound->lengthMs);
        if (sound->effectMade)
            dropEffect(*sound); // the decoded copy is of the file as it was
    }
    return *sound;
}

void QtSoundPlayer::dropEffect(Sound &sound)
{
    sound.effectMade = false;
    sound.ready = false;
    sound.playing = false;
    QMetaObject::invokeMethod(m_audio, [s = &sound] {
        delete s->effect;
        s->effect = nullptr;
        s->undecodable = false;
        s->awaiting.clear();
        s->ready = false;
        s->playing = false;
    });
}

void QtSoundPlayer::makeEffect(Sound &sound)
{
    sound.effectMade = true;
    QMetaObject::invokeMethod(m_audio, [s = &sound, file = sound.file] { createEffect(s, file); });
}

void QtSoundPlayer::createEffect(Sound *s, const QString &file)
{
    delete s->effect; // closes its stream, if it has one
    s->ready = false;
    s->playing = false;
    s->undecodable = false;
    auto *effect = new QSoundEffect;
    s->effect = effect;
    // Decoding runs in Qt's sample cache, which keeps a file decoded once;
    // the outcome arrives as a status change.
    QObject::connect(effect, &QSoundEffect::statusChanged, effect, [effect, s] {
        if (effect->status() == QSoundEffect::Ready) {
            s->ready = true;
            s->awaiting.clear();
        } else if (effect->status() == QSoundEffect::Error) {
            s->undecodable = true;
            s->playing = false;
            const QStringList failed = std::exchange(s->awaiting, {});
            for (const QString &path : failed)
                warn(path, s->file, QStringLiteral("el WAV no se pudo decodificar"));
        }
    });
    QObject::connect(effect, &QSoundEffect::playingChanged, effect, [effect, s] { s->playing = effect->isPlaying(); });
    effect->setSource(QUrl::fromLocalFile(file));
}

void QtSoundPlayer::preload(const QStringList &paths)
{
    // Problems are not reported here but by each PlaySoundFile of the path.
    const bool device = audioOutputAvailable();
    for (const QString &path : paths) {
        if (path.isEmpty())
            continue;
        const MediaPaths::Location where = m_paths.locate(path);
        if (!where.refusal.isEmpty())
            continue;
        Sound &sound = soundFor(path, where.file);
        if (sound.problem.isEmpty() && !sound.effectMade && device)
            makeEffect(sound);
    }
}

void QtSoundPlayer::PlaySoundFile(const QString &path)
{
    if (path.isEmpty()) {
        warn(path, {}, QStringLiteral("la ruta está vacía"));
        return;
    }
    // The path is resolved on every play: a folder or file may have come or
    // gone since the last one. A refused name reads nothing at all.
    const MediaPaths::Location where = m_paths.locate(path);
    if (!where.refusal.isEmpty()) {
        warn(path, {}, where.refusal);
        return;
    }
    Sound &sound = soundFor(path, where.file);
    if (!sound.problem.isEmpty()) {
        warn(path, sound.file, sound.problem);
        return;
    }
    // Without a device no effect is made at all: QSoundEffect would report
    // itself playing forever and print messages of its own.
    if (!audioOutputAvailable()) {
        warn(path, sound.file, QStringLiteral("no hay ningún dispositivo de salida de audio"));
        return;
    }
    if (!sound.effectMade)
        makeEffect(sound);
    QMetaObject::invokeMethod(m_audio, [audio = m_audio, s = &sound, path, lengthMs = sound.lengthMs] {
        if (s->undecodable) {
            warn(path, s->file, QStringLiteral("el WAV no se pudo decodificar"));
            return;
        }
        // Each file has one effect: playing a file that is still sounding
        // starts it again from its beginning, while sounds of other files go
        // on and mix. The running play is ended by replacing its effect with
        // a new one over the same decoded sample, which closes its stream on
        // the sound server: restarting an effect that plays leaves its stream
        // open and the effect playing for ever, and quick clicks piled such
        // streams up.
        if (s->effect->isPlaying())
            createEffect(s, s->file);
        if (s->effect->status() != QSoundEffect::Ready)
            s->awaiting.append(path); // play() is held until decoding ends
        s->effect->play();
        audio->started(s, lengthMs);
    });
}

bool QtSoundPlayer::isPlaying(const QString &path) const
{
    const Sound *sound = m_byPath.value(path);
    return sound && sound->playing;
}

bool QtSoundPlayer::isReady(const QString &path) const
{
    const Sound *sound = m_byPath.value(path);
    return sound && sound->ready;
}

} // namespace korivanta
