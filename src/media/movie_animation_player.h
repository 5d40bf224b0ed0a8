// The real animation player, on QMovie.
#pragma once

#include "media/animation_player.h"

class QMovie;

namespace korivanta {

class MediaPaths;

class MovieAnimationPlayer : public AnimationPlayer {
    Q_OBJECT
public:
    MovieAnimationPlayer(const MediaPaths &paths, QWidget *parent = nullptr);

    void setAnimationFile(const QString &path) override;
    QString animationFile() const override { return m_file; }
    void setBackColor(const QColor &color) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const MediaPaths &m_paths;
    QMovie *m_movie;
    QString m_file;
    QColor m_back;
};

} // namespace korivanta
