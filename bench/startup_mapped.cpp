// Start-up as a user meets it: each program runs as a process of its own,
// from its exec to its first window mapped on the X server, and its peak
// memory is read from the kernel when it ends. korivanta's menu is measured
// against bare_window (an empty 385 x 239 Qt window linked with the same Qt
// modules), the two interleaved run after run so that both see the same load
// on the machine. Prints medians and the ratios; it never fails on a figure.
//
// Needs an X display of its own (no other client mapping windows): run it
// through bench_startup_mapped.sh, which starts Xvfb and a silent sound server.
//
// usage: bench_startup_mapped [runs per program, default 21] [ms the window
//        stays up after it is mapped, default 1500]
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    double mapMs = 0;      // exec to the first MapNotify of a top-level window
    double cpuMs = 0;      // processor time its threads had used by then
    double mappedMb = 0;   // peak resident memory up to that moment
    double lifetimeMb = 0; // peak resident memory over the whole run
};

struct Program {
    const char *label;
    std::string path;
    std::vector<Run> runs;
};

// Peak resident memory so far of a live process (VmHWM), in MB.
double peakSoFar(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

// Processor time used so far by every thread of a live process, in ms: the
// part of the start-up that does not depend on how busy the machine is.
double cpuSoFar(pid_t pid)
{
    double ns = 0;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream schedstat(task.path() / "schedstat");
        double running = 0;
        if (schedstat >> running)
            ns += running;
    }
    return ns / 1e6;
}

// Waits until `deadline` for a top-level window to be mapped; true when one was.
bool waitForMap(xcb_connection_t *x, Clock::time_point deadline)
{
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    while (true) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(x)) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY &&
                                !reinterpret_cast<xcb_map_notify_event_t *>(event)->override_redirect;
            std::free(event);
            if (mapped)
                return true;
        }
        if (xcb_connection_has_error(x))
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        poll(&fd, 1, int(left));
    }
}

// Drops every event already queued (the windows of the previous run going away).
void drain(xcb_connection_t *x)
{
    xcb_get_input_focus_reply_t *reply = xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr);
    std::free(reply);
    while (xcb_generic_event_t *event = xcb_poll_for_event(x))
        std::free(event);
}

bool runOnce(xcb_connection_t *x, Program &program, int stayMs)
{
    drain(x);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char *argv[] = {program.path.data(), nullptr};
    pid_t pid = 0;
    const Clock::time_point start = Clock::now();
    const int failed = posix_spawn(&pid, program.path.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
        std::fprintf(stderr, "cannot start %s: %s\n", program.path.c_str(), std::strerror(failed));
        return false;
    }
    const bool mapped = waitForMap(x, start + std::chrono::seconds(20));
    Run run;
    run.mapMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    run.mappedMb = peakSoFar(pid);
    run.cpuMs = cpuSoFar(pid);
    if (mapped)
        usleep(useconds_t(stayMs) * 1000);
    kill(pid, SIGKILL);
    rusage usage{};
    int status = 0;
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    if (!mapped) {
        std::fprintf(stderr, "%s: no window was mapped within 20 s\n", program.label);
        return false;
    }
    run.lifetimeMb = double(usage.ru_maxrss) / 1024.0;
    program.runs.push_back(run);
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Distance between the 10th and the 90th percentile.
double spread(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() * 9 / 10] - v[v.size() / 10];
}

template <typename F> std::vector<double> column(const Program &p, F field)
{
    std::vector<double> v;
    for (const Run &r : p.runs)
        v.push_back(r.*field);
    return v;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    const int stayMs = argc > 2 ? std::max(0, std::atoi(argv[2])) : 1500;
    const std::filesystem::path dir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    Program bare{"bare window", (dir / "bench_bare_window").string(), {}};
    Program game{"korivanta", (dir / "korivanta").string(), {}};
    for (const Program *p : {&bare, &game}) {
        if (access(p->path.c_str(), X_OK) != 0) {
            std::fprintf(stderr, "missing %s\n", p->path.c_str());
            return 2;
        }
    }

    int screenNumber = 0;
    xcb_connection_t *x = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no X display (run bench_startup_mapped.sh, which starts Xvfb)\n");
        return 2;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screens.data->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    // One warm-up run of each fills the file cache; then the two take turns,
    // the order swapped every round.
    Program scratch[] = {{"bare window", bare.path, {}}, {"korivanta", game.path, {}}};
    runOnce(x, scratch[0], 0);
    runOnce(x, scratch[1], 0);
    for (int i = 0; i < runs; ++i) {
        Program &first = i % 2 ? game : bare;
        Program &second = i % 2 ? bare : game;
        if (!runOnce(x, first, stayMs) || !runOnce(x, second, stayMs))
            return 1;
    }
    xcb_disconnect(x);

    std::printf("%d runs each, interleaved; every window stays up %d ms after it is mapped.\n", runs, stayMs);
    std::printf("%-40s %16s %18s %7s  %s\n", "Medians (spread: 10th-90th percentile)", "bare window", "korivanta",
                "ratio", "target");
    const auto row = [&](const char *what, double Run::*field, const char *target) {
        const double b = median(column(bare, field));
        const double k = median(column(game, field));
        std::printf("%-40s %8.1f (%5.1f) %10.1f (%5.1f) %7.2fx  %s\n", what, b, spread(column(bare, field)), k,
                    spread(column(game, field)), k / b, target);
    };
    row("exec to window mapped, ms", &Run::mapMs, "1.15x");
    // Each korivanta run against the bare run of the same round.
    std::vector<double> pairRatios;
    for (size_t i = 0; i < game.runs.size() && i < bare.runs.size(); ++i)
        pairRatios.push_back(game.runs[i].mapMs / bare.runs[i].mapMs);
    std::printf("%-40s %35s %7.2fx\n", "  the same, median of the rounds' ratios", "", median(pairRatios));
    row("processor time until mapped, ms", &Run::cpuMs, "");
    row("peak memory until mapped, MB", &Run::mappedMb, "");
    row("peak memory of the whole run, MB", &Run::lifetimeMb, "1.5x");
    return 0;
}
