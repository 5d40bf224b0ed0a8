// What the game costs while nobody touches it after sounds have played: the
// real game, with the real sound and animation players on a sound server of
// its own (PulseAudio with a null sink), plays a scripted burst of key
// presses, Sonido and chart clicks, then is left alone. Over each rest the
// program prints the processor time per minute of the whole process, the
// playback streams still open on the sound server, how often each thread woke
// up (voluntary context switches per second, from /proc/self/task/*/status)
// and the resident memory. It rests once in the game window (its animations
// may still be running) and once back at the menu (nothing should run).
//
// Then it soaks: bursts and rests for the given number of minutes, and
// compares the resident memory after the warm-up with the memory at the end.
//
// Run: build/bin/bench_rest_after_sound [soak minutes] [rest seconds]
//      (default 2 minutes and 60 s; the game's data is build/bin/drive_c)
#include "app/screen_flow.h"
#include "app/untrapped_error.h"
#include "game/con_obj.h"
#include "media/media.h"
#include "media/media_paths.h"
#include "menu/form1.h"

#include "support/game_in_process.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QTimer>

#include <cstdio>

#include <unistd.h>

using namespace korivanta;

namespace {

// One thread's counters as the kernel keeps them.
struct ThreadCounters {
    QString name;
    double cpuSeconds = 0;
    qint64 voluntarySwitches = 0;
};

QString readProcFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

qint64 statusField(const QString &status, QLatin1StringView field)
{
    for (const QString &line : status.split(QLatin1Char('\n')))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().section(QLatin1Char(' '), 0, 0).toLongLong();
    return -1;
}

QMap<QString, ThreadCounters> threadCounters()
{
    const double tick = double(::sysconf(_SC_CLK_TCK));
    QMap<QString, ThreadCounters> threads;
    const QString tasks = QStringLiteral("/proc/self/task/");
    for (const QString &tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        ThreadCounters c;
        c.name = readProcFile(tasks + tid + QStringLiteral("/comm")).trimmed();
        // The fields after the command name's closing parenthesis: utime and
        // stime are the 12th and 13th of them.
        const QString stat = readProcFile(tasks + tid + QStringLiteral("/stat"));
        const QStringList f = stat.mid(stat.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
        if (f.size() > 12)
            c.cpuSeconds = (f[11].toDouble() + f[12].toDouble()) / tick;
        c.voluntarySwitches = statusField(readProcFile(tasks + tid + QStringLiteral("/status")),
                                          QLatin1StringView("voluntary_ctxt_switches:"));
        threads.insert(tid, c);
    }
    return threads;
}

double processCpuSeconds()
{
    const QString stat = readProcFile(QStringLiteral("/proc/self/stat"));
    const QStringList f = stat.mid(stat.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
    return f.size() > 12 ? (f[11].toDouble() + f[12].toDouble()) / double(::sysconf(_SC_CLK_TCK)) : -1;
}

double rssMegabytes()
{
    return double(statusField(readProcFile(QStringLiteral("/proc/self/status")), QLatin1StringView("VmRSS:"))) / 1024.0;
}

// A learner at the keyboard for `seconds`: mostly keys, some Sonido
// (the word again), chart clicks and Siguiente, one about every 120 ms.
void burst(ScreenFlow &flow, QRandomGenerator &random, int seconds)
{
    if (!flow.conObj() || !flow.conObj()->isVisible()) {
        runHandler([&] { flow.form1().optionClick(1 + random.bounded(5)); });
        runHandler([&] { flow.form1().Command1_Click(); });
        idle(300);
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000) {
        ConObj *game = flow.conObj();
        const int roll = random.bounded(100);
        if (roll < 75)
            runHandler([&] { game->Image10_Click(random.bounded(32)); });
        else if (roll < 85)
            runHandler([&] { game->Image2_Click(); });
        else if (roll < 97)
            runHandler([&] { game->Image75_Click(random.bounded(32)); });
        else
            runHandler([&] { game->Image6_Click(); });
        idle(120);
    }
}

// Leaves the game alone for `seconds` and prints what the rest cost.
void rest(const char *where, PulseNullSink &server, int seconds)
{
    // The sounds of the burst end and their streams get their time to close
    // before the measurement starts.
    idle(5000);
    const QMap<QString, ThreadCounters> before = threadCounters();
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    idle(seconds * 1000);
    const double elapsed = double(clock.elapsed()) / 1000.0;
    const double cpu = processCpuSeconds() - cpuBefore;
    const QMap<QString, ThreadCounters> after = threadCounters();

    std::printf("reposo %s, %.0f s:\n", where, elapsed);
    std::printf("  CPU del proceso: %.3f s por minuto\n", cpu * 60.0 / elapsed);
    std::printf("  flujos abiertos en el servidor de sonido: %lld\n",
                static_cast<long long>(server.sinkInputs().size()));
    std::printf("  memoria residente: %.1f MB\n", rssMegabytes());
    std::printf("  %-18s %12s %14s\n", "hilo", "despertares/s", "CPU s/min");
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        const ThreadCounters was = before.value(it.key(), ThreadCounters{it->name, 0, 0});
        const double wakeups = double(it->voluntarySwitches - was.voluntarySwitches) / elapsed;
        const double threadCpu = (it->cpuSeconds - was.cpuSeconds) * 60.0 / elapsed;
        if (wakeups >= 0.05 || threadCpu >= 0.005 || it->name == QLatin1String("korivanta-sound"))
            std::printf("  %-18s %12.1f %14.3f\n", qPrintable(it->name), wakeups, threadCpu);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    GameInProcess game(argc, argv);
    ScreenFlow &flow = game.flow();
    PulseNullSink &server = game.server();
    const int soakMinutes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2;
    const int restSeconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 60;
    std::printf("memoria residente al abrir el menú: %.1f MB\n", rssMegabytes());

    QRandomGenerator random(20270114);
    burst(flow, random, 20);
    rest("en la ventana del juego tras 20 s de sonidos", server, restSeconds);
    runHandler([&] { flow.conObj()->Image40_Click(); }); // Volver: back to the menu
    rest("en el menú", server, restSeconds);
    const double warm = rssMegabytes();

    QElapsedTimer soak;
    soak.start();
    int rounds = 0;
    while (soak.elapsed() < qint64(soakMinutes) * 60'000) {
        burst(flow, random, 20);
        runHandler([&] { flow.conObj()->Image40_Click(); });
        idle(10'000);
        ++rounds;
        if (rounds % 10 == 0) // every five minutes
            std::printf("  tras %d min de remojo: %.1f MB\n", int(soak.elapsed() / 60'000), rssMegabytes());
        std::fflush(stdout);
    }
    std::printf("memoria residente: %.1f MB tras el calentamiento, %.1f MB tras %d min más (%d rondas de 20 s de "
                "sonidos y 10 s quieto)\n",
                warm, rssMegabytes(), soakMinutes, rounds);
    rest("en el menú al final", server, restSeconds);
    flow.end();
    return 0;
}
