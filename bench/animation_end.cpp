// When AnimationEnd comes, measured against the length of one pass of the
// GIF: the lateness of the end (negative would mean the last frame was cut
// short), for a few animations, and for a missing file.
//
// Run: build/bin/bench_animation_end [settings-per-file]
#include "media/media_paths.h"
#include "media/movie_animation_player.h"

#include "support/media_fixtures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMovie>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace korivanta;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int settings = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;

    QTemporaryDir driveC;
    if (!driveC.isValid())
        return 1;
    struct Case {
        const char *name;
        QList<GifFrame> frames;
        std::optional<int> loops;
    };
    const QList<Case> cases{
        {"2 frames x 40 ms, loops forever", {{Qt::red, 40}, {Qt::blue, 40}}, 0},
        {"2 frames x 40 ms, no loop extension", {{Qt::red, 40}, {Qt::blue, 40}}, std::nullopt},
        {"30 ms + 600 ms, loop count 1", {{Qt::red, 30}, {Qt::blue, 600}}, 1},
        {"8 frames x 100 ms, loops forever",
         {{Qt::red, 100},
          {Qt::blue, 100},
          {Qt::green, 100},
          {Qt::yellow, 100},
          {Qt::cyan, 100},
          {Qt::magenta, 100},
          {Qt::gray, 100},
          {Qt::white, 100}},
         0},
        {"missing file (pass length 0)", {}, std::nullopt},
    };

    MediaPaths paths(driveC.path());
    MovieAnimationPlayer player(paths);
    player.resize(64, 64);
    player.show();

    std::printf("AnimationEnd lateness after one pass (time from the setting to the end, minus the pass length;\n"
                "QMovie's coarse frame timers may shorten the earlier frames by up to 5%% each)\n");
    for (int c = 0; c < cases.size(); ++c) {
        const Case &k = cases[c];
        const QString program = QStringLiteral("c:\\anim%1.gif").arg(c);
        int passMs = 0;
        if (!k.frames.isEmpty()) {
            writeFile(driveC.filePath(QStringLiteral("anim%1.gif").arg(c)), gifBytes(64, 64, k.frames, k.loops));
            for (const GifFrame &f : k.frames)
                passMs += f.delayMs;
        }
        std::vector<double> lateness, lastFrameShort;
        for (int i = 0; i < settings; ++i) {
            QEventLoop loop;
            QElapsedTimer timer;
            const auto connection = QObject::connect(&player, &AnimationPlayer::AnimationEnd, &loop, &QEventLoop::quit);
            QTimer::singleShot(5000, &loop, &QEventLoop::quit);
            // When the last frame first appears, to see it kept on screen for its own delay.
            qint64 lastShown = -1;
            QMovie *movie = player.findChild<QMovie *>();
            const auto frames = QObject::connect(movie, &QMovie::frameChanged, &loop, [&](int f) {
                if (lastShown < 0 && f == movie->frameCount() - 1)
                    lastShown = timer.nsecsElapsed();
            });
            timer.start();
            player.setAnimationFile(program);
            loop.exec();
            const qint64 end = timer.nsecsElapsed();
            QObject::disconnect(connection);
            QObject::disconnect(frames);
            lateness.push_back(double(end) / 1e6 - passMs);
            if (lastShown >= 0)
                lastFrameShort.push_back(double(end - lastShown) / 1e6 - k.frames.last().delayMs);
        }
        std::sort(lateness.begin(), lateness.end());
        std::printf("  %-40s pass %4d ms: median %+6.2f ms  min %+6.2f  max %+6.2f  (n=%zu)\n", k.name, passMs,
                    lateness[lateness.size() / 2], lateness.front(), lateness.back(), lateness.size());
        if (!lastFrameShort.empty()) {
            std::sort(lastFrameShort.begin(), lastFrameShort.end());
            std::printf("  %-40s last frame held beyond its delay: median %+6.2f ms  min %+6.2f  max %+6.2f\n", "",
                        lastFrameShort[lastFrameShort.size() / 2], lastFrameShort.front(), lastFrameShort.back());
        }
    }
    return 0;
}
