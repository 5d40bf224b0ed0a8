// The real game in a benchmark's own process: a sound server of its own
// (PulseAudio with a null sink, so the real sound player has a device), the
// offscreen platform unless another is asked for, the game's data beside the
// program (build/bin/drive_c), untrapped errors printed instead of shown, and
// the menu on screen.
#pragma once

#include "app/screen_flow.h"

#include "support/pulse_null_sink.h"

#include <QApplication>

#include <memory>

namespace korivanta {

class GameInProcess {
public:
    GameInProcess(int &argc, char **argv);
    ~GameInProcess();

    ScreenFlow &flow() { return *m_flow; }
    PulseNullSink &server() { return m_server; }

private:
    PulseNullSink m_server; // started first: the application connects to it
    std::unique_ptr<QApplication> m_app;
    std::unique_ptr<ScreenFlow> m_flow;
};

// Runs the event loop for `ms` milliseconds, sleeping while nothing happens
// (QTest::qWait would wake the main thread every 10 ms and spoil the count).
void idle(int ms);

} // namespace korivanta
