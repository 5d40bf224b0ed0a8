#include "media/movie_animation_player.h"

#include "media/media_paths.h"

#include <QMovie>
#include <QPainter>
#include <QTimer>

namespace korivanta {

MovieAnimationPlayer::MovieAnimationPlayer(const MediaPaths &paths, QWidget *parent)
    : AnimationPlayer(parent), m_paths(paths), m_movie(new QMovie(this))
{
    connect(m_movie, &QMovie::frameChanged, this, [this] { update(); });
}

void MovieAnimationPlayer::setAnimationFile(const QString &path)
{
    m_file = path;
    m_movie->stop();
    m_movie->setFileName(m_paths.resolve(path));
    m_movie->start();
    QTimer::singleShot(1000, this, [this] { emit AnimationEnd(0); });
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
    p.drawPixmap(0, 0, m_movie->currentPixmap());
}

} // namespace korivanta
