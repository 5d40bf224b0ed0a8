// A long random run of the real game, with the real sound and animation
// players on a sound server of its own (PulseAudio with a null sink): random
// keys, Sonido, Siguiente, Respuesta, the chart and Volver/Aceptar, one about
// every 50 ms, as a restless class would play. After each minute of play the
// game is left idle for a few seconds; the program prints, per minute, the
// processor time the process used while playing and while idle, and the
// playback streams open on the sound server. A game that leaves streams or
// timers behind shows it as idle time that grows from minute to minute.
//
// Run: build/bin/bench_long_play_cpu [minutes] [ms between events]
//      (default 3 minutes, 50 ms; the game's data is build/bin/drive_c)
#include "app/screen_flow.h"
#include "app/untrapped_error.h"
#include "game/con_obj.h"
#include "media/media.h"
#include "media/media_paths.h"
#include "menu/form1.h"

#include "support/game_in_process.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

using namespace korivanta;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char **argv)
{
    GameInProcess game(argc, argv);
    ScreenFlow &flow = game.flow();
    PulseNullSink &server = game.server();
    const int minutes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 3;
    const int interval = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 50;
    runHandler([&] { flow.form1().optionClick(2); });
    runHandler([&] { flow.form1().Command1_Click(); });
    idle(500);

    QRandomGenerator random(20261210);
    std::printf("minuto  eventos  CPU jugando (s/min)  CPU en reposo (s/min)  flujos abiertos\n");
    for (int minute = 1; minute <= minutes; ++minute) {
        int events = 0;
        QElapsedTimer clock;
        clock.start();
        const double before = cpuSeconds();
        while (clock.elapsed() < 60'000) {
            ConObj *game = flow.conObj();
            if (!game || !game->isVisible()) {
                runHandler([&] { flow.form1().optionClick(1 + random.bounded(5)); });
                runHandler([&] { flow.form1().Command1_Click(); });
            } else {
                const int roll = random.bounded(100);
                if (roll < 70)
                    runHandler([&] { game->Image10_Click(random.bounded(32)); });
                else if (roll < 80)
                    runHandler([&] { game->Image2_Click(); });
                else if (roll < 86)
                    runHandler([&] { game->Image6_Click(); });
                else if (roll < 90)
                    runHandler([&] { game->Image7_Click(); });
                else if (roll < 94)
                    runHandler([&] { game->Image5_Click(); });
                else if (roll < 98)
                    runHandler([&] { game->Image75_Click(random.bounded(32)); });
                else if (roll < 99)
                    runHandler([&] { game->Command38_Click(); });
                else
                    runHandler([&] { game->Image40_Click(); });
            }
            ++events;
            idle(interval);
        }
        const double played = cpuSeconds() - before;
        const int idleMs = 10'000;
        const double idleBefore = cpuSeconds();
        idle(idleMs);
        const double idleCpu = (cpuSeconds() - idleBefore) * 60'000.0 / idleMs;
        std::printf("%6d  %7d  %19.2f  %21.3f  %15lld\n", minute, events, played * 60'000.0 / double(clock.elapsed()),
                    idleCpu, static_cast<long long>(server.sinkInputs().size()));
        std::fflush(stdout);
    }
    flow.end();
    return 0;
}
