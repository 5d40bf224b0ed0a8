// How quickly a key press starts its sound: the time PlaySoundFile takes to
// return and the time until the effect reports itself playing, for sounds
// preloaded as the game window preloads its 32 grapheme sounds, and for a
// sound played cold. Also the time to preload the 32 sounds.
//
// Run: build/bin/bench_sound_latency [plays]   (warnings go to stderr)
#include "media/media_paths.h"
#include "media/qt_sound_player.h"

#include "support/media_fixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace korivanta;

namespace {

const QStringList kGraphemes{QStringLiteral("p"),   QStringLiteral("t"),  QStringLiteral("ch"), QStringLiteral("k"),
                             QStringLiteral("q"),   QStringLiteral("ph"), QStringLiteral("th"), QStringLiteral("chh"),
                             QStringLiteral("kh"),  QStringLiteral("qh"), QStringLiteral("p'"), QStringLiteral("t'"),
                             QStringLiteral("ch'"), QStringLiteral("k'"), QStringLiteral("q'"), QStringLiteral("s"),
                             QStringLiteral("j"),   QStringLiteral("x"),  QStringLiteral("l"),  QStringLiteral("ll"),
                             QStringLiteral("m"),   QStringLiteral("n"),  QStringLiteral("ñ"),  QStringLiteral("r"),
                             QStringLiteral("w"),   QStringLiteral("y"),  QStringLiteral("i"),  QStringLiteral("u"),
                             QStringLiteral("a"),   QStringLiteral("ä"),  QStringLiteral("ï"),  QStringLiteral("ü")};

QString keyPath(const QString &grapheme)
{
    return QStringLiteral("c:\\Trab_zumel\\grafemario\\") + grapheme + QStringLiteral(".wav");
}

double micros(qint64 nanos)
{
    return double(nanos) / 1000.0;
}

void report(const char *what, std::vector<qint64> nanos)
{
    if (nanos.empty()) {
        std::printf("  %-44s no samples\n", what);
        return;
    }
    std::sort(nanos.begin(), nanos.end());
    const auto at = [&](double q) { return micros(nanos[size_t(q * double(nanos.size() - 1) + 0.5)]); };
    std::printf("  %-44s median %8.1f us   min %8.1f   p10 %8.1f   p90 %8.1f   max %8.1f   (n=%zu)\n", what, at(0.5),
                at(0.0), at(0.1), at(0.9), at(1.0), nanos.size());
}

// Runs the event loop until `done` holds or the time is up; the time taken, or
// -1 when it never held.
template <typename Done> qint64 waitFor(Done done, const QElapsedTimer &since, int timeoutMs)
{
    while (!done()) {
        if (since.elapsed() > timeoutMs)
            return -1;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return since.nsecsElapsed();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int plays = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;

    QTemporaryDir driveC;
    if (!driveC.isValid())
        return 1;
    for (int i = 0; i < kGraphemes.size(); ++i) {
        // About the length of a spoken grapheme, each at its own pitch.
        writeFile(driveC.filePath(QStringLiteral("Trab_zumel/grafemario/") + kGraphemes[i] + QStringLiteral(".wav")),
                  wavBytes(350, 220.0 + 20.0 * i));
    }
    QStringList paths;
    for (const QString &g : kGraphemes)
        paths << keyPath(g);
    MediaPaths mediaPaths(driveC.path());

    QElapsedTimer timer;
    timer.start();
    QtSoundPlayer player(mediaPaths);
    const qint64 construct = timer.nsecsElapsed();
    const bool device = QtSoundPlayer::audioOutputAvailable();
    std::printf("sound latency, QtSoundPlayer on QSoundEffect\n");
    std::printf("  audio output: %s\n", device ? "present" : "NONE (every play only prints its warning)");
    std::printf("  player construction (first look at the devices): %.1f us\n", micros(construct));

    timer.restart();
    player.preload(paths);
    const qint64 preloadReturn = timer.nsecsElapsed();
    const qint64 allReady = !device ? -1
                                    : waitFor(
                                          [&] {
                                              return std::all_of(paths.begin(), paths.end(),
                                                                 [&](const QString &p) { return player.isReady(p); });
                                          },
                                          timer, 5000);
    std::printf("  preload of %lld sounds: returns after %.1f us; all decoded and ready after %s\n",
                (long long)paths.size(), micros(preloadReturn),
                allReady < 0 ? (device ? "NEVER within 5 s" : "never (no device: nothing is decoded)")
                             : qPrintable(QStringLiteral("%1 us").arg(micros(allReady), 0, 'f', 1)));

    std::vector<qint64> toReturn, toPlaying;
    int neverPlaying = 0;
    for (int i = 0; i < plays; ++i) {
        const QString &path = paths[i % paths.size()];
        // Let the previous play of this file end (each sound lasts 350 ms,
        // and a file comes round every 32 plays), so that isPlaying starts false.
        QElapsedTimer pause;
        pause.start();
        waitFor([&] { return !player.isPlaying(path); }, pause, 2000);
        waitFor([] { return false; }, pause, pause.elapsed() + 15); // ~15 ms between key presses

        timer.restart();
        player.PlaySoundFile(path);
        toReturn.push_back(timer.nsecsElapsed());
        const qint64 playing = device ? waitFor([&] { return player.isPlaying(path); }, timer, 1000) : -1;
        if (playing < 0)
            ++neverPlaying;
        else
            toPlaying.push_back(playing);
    }
    std::printf("preloaded sounds, %d plays over the 32 files:\n", plays);
    report("PlaySoundFile until it returns", toReturn);
    report("PlaySoundFile until isPlaying() is true", toPlaying);
    if (toReturn.size() > size_t(paths.size())) {
        report("  of which the first play of each file", {toReturn.begin(), toReturn.begin() + paths.size()});
        report("  of which the later plays", {toReturn.begin() + paths.size(), toReturn.end()});
    }
    if (neverPlaying > 0)
        std::printf("  isPlaying() never became true in %d of %d plays%s\n", neverPlaying, plays,
                    device ? "" : " (no device: no effect is started)");

    // A sound nobody preloaded: resolved, checked and decoded on the spot.
    std::vector<qint64> coldReturn, coldPlaying;
    for (int i = 0; i < 10; ++i) {
        QtSoundPlayer cold(mediaPaths);
        const QString &path = paths[i];
        timer.restart();
        cold.PlaySoundFile(path);
        coldReturn.push_back(timer.nsecsElapsed());
        const qint64 playing = device ? waitFor([&] { return cold.isPlaying(path); }, timer, 1000) : -1;
        if (playing >= 0)
            coldPlaying.push_back(playing);
    }
    std::printf("sounds not preloaded (a new player each time):\n");
    report("PlaySoundFile until it returns", coldReturn);
    report("PlaySoundFile until isPlaying() is true", coldPlaying);

    std::vector<qint64> missing;
    for (int i = 0; i < 20; ++i) {
        timer.restart();
        player.PlaySoundFile(QStringLiteral("c:\\Trab_zumel\\grafemario\\nada.wav"));
        missing.push_back(timer.nsecsElapsed());
    }
    std::printf("a missing file (warning printed each time):\n");
    report("PlaySoundFile until it returns", missing);
    return 0;
}
