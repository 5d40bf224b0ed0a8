#include "media/movie_animation_player.h"

#include "media/media_paths.h"
#include "media/sharp_pictures.h"

#include <QFile>
#include <QFileInfo>
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

// Walks the blocks of a GIF up to its trailer without decoding any image.
// Qt's decoder plays whatever part of a cut-short file it can read, and loops
// over it; a file that stops before its trailer is treated as unreadable here.
QString gifProblem(const QByteArray &gif)
{
    const auto *b = reinterpret_cast<const uchar *>(gif.constData());
    const qsizetype size = gif.size();
    if (size < 13 || !(gif.startsWith("GIF87a") || gif.startsWith("GIF89a")))
        return QStringLiteral("no es un archivo GIF");
    const auto colourTable = [](uchar packed) { return (packed & 0x80) ? 3 * (2 << (packed & 7)) : 0; };
    const QString cut = QStringLiteral("el GIF está cortado antes de su final");

    qsizetype at = 13 + colourTable(b[10]);
    // Skips a run of data sub-blocks; false when the file ends inside it.
    const auto skipSubBlocks = [&] {
        while (at < size) {
            const uchar length = b[at++];
            if (length == 0)
                return true;
            at += length;
        }
        return false;
    };
    int images = 0;
    while (at < size) {
        switch (b[at++]) {
        case 0x3b: // trailer
            return images > 0 ? QString() : QStringLiteral("el GIF no contiene ninguna imagen");
        case 0x21: // extension: label, then sub-blocks
            if (++at > size || !skipSubBlocks())
                return cut;
            break;
        case 0x2c: // image: descriptor, local colour table, LZW code size, sub-blocks
            if (at + 9 > size)
                return cut;
            at += 9 + colourTable(b[at + 8]) + 1;
            if (at > size || !skipSubBlocks())
                return cut;
            ++images;
            break;
        default: return QStringLiteral("el GIF tiene un bloque desconocido en el byte %1").arg(at - 1);
        }
    }
    return cut;
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
    if (m_endDue)
        postEnd(); // the interrupted setting's end
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

    m_localFile = m_paths.resolve(path);
    if (path.isEmpty())
        return fail(QStringLiteral("la ruta está vacía"));
    QFile file(m_localFile);
    if (!file.exists())
        return fail(QStringLiteral("el archivo no existe"));
    if (QFileInfo(m_localFile).isDir())
        return fail(QStringLiteral("es una carpeta, no un archivo"));
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("no se puede leer el archivo (%1)").arg(file.errorString()));
    const QByteArray bytes = file.readAll();
    if (const QString problem = gifProblem(bytes); !problem.isEmpty())
        return fail(problem);

    m_frameRatio = 1.0;
    m_data.setData(bytes);
    // On a HiDPI screen the copy at twice the size is shown instead, when it reads.
    if (const QString sharp = sharperFile(m_localFile); sharp != m_localFile) {
        QFile sharpFile(sharp);
        const QByteArray sharpBytes = sharpFile.open(QIODevice::ReadOnly) ? sharpFile.readAll() : QByteArray();
        if (gifProblem(sharpBytes).isEmpty()) {
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
    QMetaObject::invokeMethod(
        this, [this] { emit AnimationEnd(0); }, Qt::QueuedConnection);
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
