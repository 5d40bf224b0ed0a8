// The real animation player, on QMovie.
//
// Each AnimationFile setting reads the GIF afresh, shows it from its first
// frame and is answered by exactly one AnimationEnd, always from the event
// loop, unless a newer setting replaces it first:
// - normally when one pass of the frames has played (the last frame has been
//   shown for its delay), whatever loop count the GIF declares;
// - for a file that is missing, unreadable, not a GIF or cut short: soon after
//   the setting (from the next turn of the event loop), after one warning line
//   on stderr; nothing but the back colour is shown;
// - a setting interrupted by a newer one before its pass has been seen to its
//   end raises none: the newer setting replaces it, and only the newer one
//   ends, after its own pass. This covers an end of a file that could not be
//   shown, queued but not delivered yet. So quick settings in a row (two
//   correct keys within one pass of the hand) give one AnimationEnd, and the
//   animation stays shown until it has played.
// While shown, the animation loops on; once hidden and its end delivered, the
// movie stops until the player is shown again.
#pragma once

#include "media/animation_player.h"

#include <QBuffer>
#include <QTimer>

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
    QColor backColor() const { return m_back; }

    // Whether the movie is running now (it stops when hidden after its end).
    bool isAnimating() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void onFrameChanged(int frame);
    void onMovieFinished();
    void fail(const QString &problem);
    void endPass();
    void postEnd();

    const MediaPaths &m_paths;
    QMovie *m_movie;
    QBuffer m_data; // the GIF's bytes, read once per setting
    QTimer m_passTimer;
    QString m_file;      // as the program gave it
    QString m_localFile; // as resolved
    QColor m_back;
    quint64 m_setting = 0;    // counts the settings; an end belongs to one of them
    bool m_endDue = false;    // the current setting's AnimationEnd is still owed
    bool m_broken = false;    // the current file cannot be shown
    bool m_haveFrame = false; // a frame of the current file has been decoded
    int m_previousFrame = -1;

    // The frames' device pixel ratio: 2 while a file's @2x copy is shown.
    qreal m_frameRatio = 1.0;
};

} // namespace korivanta
