#include "media/movie_animation_player.h"

#include "media/media_file_checks.h"
#include "media/media_paths.h"
#include "media/sharp_pictures.h"

#include <QMovie>
#include <QPainter>

#include <cstdio>

namespace korivanta {

namespace {

void warn(const QString &path, const QString &file, const QString &problem)
{
    QString line = QStringLiteral("korivanta: aviso: no se puede mostrar la animación «%1»").arg(path);
    if (!file.isEmpty() && file != path)
        line += QStringLiteral(" (%1)").arg(file);
    line += QStringLiteral(": ") + problem;
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
}

} // namespace

MovieAnimationPlayer::MovieAnimationPlayer(const MediaPaths &paths, QWidget *parent)
    : AnimationPlayer(parent), m_paths(paths), m_movie(new QMovie(this)), m_back(palette().color(QPalette::Window))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_passTimer.setSingleShot(true);
    // Coarse timers may fire a little early; the end must not come before
    // the last frame has had its full time on screen.
    m_passTimer.setTimerType(Qt::PreciseTimer);
    // Frames are kept after the first pass: QMovie cannot rewind a device to
    // loop, and the loops then cost no decoding.
    m_movie->setCacheMode(QMovie::CacheAll);
    connect(&m_passTimer, &QTimer::timeout, this, &MovieAnimationPlayer::endPass);
    connect(m_movie, &QMovie::frameChanged, this, &MovieAnimationPlayer::onFrameChanged);
    connect(m_movie, &QMovie::finished, this, &MovieAnimationPlayer::onMovieFinished);
    connect(m_movie, &QMovie::error, this,
            [this] { fail(QStringLiteral("no se pudo decodificar (%1)").arg(m_movie->lastErrorString())); });
}

bool MovieAnimationPlayer::isAnimating() const
{
    return m_movie->state() == QMovie::Running;
}

void MovieAnimationPlayer::setAnimationFile(const QString &path)
{
    m_passTimer.stop();
    // The new setting replaces one whose pass is still running: only the new
    // one ends. An end already queued for a file that could not be shown is
    // dropped the same way (see postEnd).
    ++m_setting;
    m_file = path;
    m_endDue = true;
    m_broken = false;
    m_haveFrame = false;
    m_previousFrame = -1;

    m_movie->stop();
    m_movie->setDevice(nullptr);
    m_data.close();
    m_data.setData(QByteArray());
    update();

    const MediaPaths::Location where = m_paths.locate(path);
    m_localFile = where.file;
    if (path.isEmpty())
        return fail(QStringLiteral("la ruta está vacía"));
    if (!where.refusal.isEmpty())
        return fail(where.refusal); // nothing is read
    // Only a regular file of bounded size is read, and only a GIF whose
    // canvas and frames fit the bounds reaches the decoder.
    QByteArray bytes;
    if (const QString problem = media_checks::readRegularFile(m_localFile, media_checks::kMaxAnimationBytes, bytes);
        !problem.isEmpty())
        return fail(problem);
    if (const QString problem = media_checks::gifProblem(bytes); !problem.isEmpty())
        return fail(problem);
    media_checks::limitImageAllocation();

    m_frameRatio = 1.0;
    m_data.setData(bytes);
    // On a HiDPI screen the copy at twice the size is shown instead, when it reads.
    if (const QString sharp = sharperFile(m_localFile); sharp != m_localFile) {
        QByteArray sharpBytes;
        if (media_checks::readRegularFile(sharp, media_checks::kMaxAnimationBytes, sharpBytes).isEmpty() &&
            media_checks::gifProblem(sharpBytes).isEmpty()) {
            m_data.setData(sharpBytes);
            m_frameRatio = kSharpRatio;
        }
    }
    m_data.open(QIODevice::ReadOnly);
    m_movie->setDevice(&m_data);
    if (!m_movie->isValid())
        return fail(QStringLiteral("no se puede decodificar (%1)").arg(m_movie->lastErrorString()));
    // start() decodes the first frame at once; a failure there arrives through
    // the error signal, inside this call.
    m_movie->start();
}

void MovieAnimationPlayer::onFrameChanged(int frame)
{
    m_haveFrame = true;
    update();
    // QMovie's own frame timer is coarse and may fire a little early; once
    // the pass timer runs, it alone decides when the pass has ended.
    if (m_endDue && !m_passTimer.isActive()) {
        if (frame <= m_previousFrame) {
            // Back at the start without having met the counted last frame
            // (a frame count that was unknown or wrong): the pass is over.
            endPass();
        } else if (frame == m_movie->frameCount() - 1) {
            // The pass ends when the last frame has been shown for its time.
            m_passTimer.start(qMax(0, m_movie->nextFrameDelay()));
        }
    }
    m_previousFrame = frame;
}

void MovieAnimationPlayer::onMovieFinished()
{
    // QMovie stops after the loops the GIF declares; the pass is over then,
    // unless the pass timer is about to say so. While shown, the animation
    // goes on from its first frame.
    if (m_broken)
        return;
    if (!m_passTimer.isActive())
        endPass();
    if (isVisible())
        m_movie->start();
}

void MovieAnimationPlayer::fail(const QString &problem)
{
    if (m_broken)
        return;
    m_broken = true;
    m_haveFrame = false;
    m_movie->stop();
    update();
    warn(m_file, m_localFile, problem);
    endPass();
}

void MovieAnimationPlayer::endPass()
{
    m_passTimer.stop();
    if (!m_endDue)
        return;
    m_endDue = false;
    postEnd();
    if (!isVisible())
        m_movie->stop();
}

void MovieAnimationPlayer::postEnd()
{
    // Always from the event loop, never inside the setter or a movie signal.
    // A pass seen to its end keeps its end even when a newer setting comes
    // before the delivery; the end of a file that could not be shown belongs
    // to a setting that is replaced by a newer one.
    const quint64 setting = m_setting;
    const bool seen = !m_broken;
    QMetaObject::invokeMethod(
        this,
        [this, setting, seen] {
            if (seen || setting == m_setting)
                emit AnimationEnd(0);
        },
        Qt::QueuedConnection);
}

void MovieAnimationPlayer::setBackColor(const QColor &color)
{
    m_back = color;
    update();
}

void MovieAnimationPlayer::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_back);
    if (m_haveFrame && !m_broken) {
        QPixmap frame = m_movie->currentPixmap();
        frame.setDevicePixelRatio(m_frameRatio);
        p.setRenderHint(QPainter::SmoothPixmapTransform); // only a fractional scale factor resamples
        p.drawPixmap(0, 0, frame);
    }
}

void MovieAnimationPlayer::showEvent(QShowEvent *event)
{
    AnimationPlayer::showEvent(event);
    if (!m_broken && m_data.isOpen() && m_movie->state() == QMovie::NotRunning)
        m_movie->start();
}

void MovieAnimationPlayer::hideEvent(QHideEvent *event)
{
    AnimationPlayer::hideEvent(event);
    // An animation whose end is still owed plays on unseen until its pass ends.
    if (!m_endDue)
        m_movie->stop();
}

} // namespace korivanta
