#include "support/game_in_process.h"

#include "app/untrapped_error.h"
#include "media/media.h"
#include "media/media_paths.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

namespace korivanta {

GameInProcess::GameInProcess(int &argc, char **argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool haveServer = m_server.start();
    m_app = std::make_unique<QApplication>(argc, argv);
    if (!haveServer)
        std::fprintf(stderr, "sin servidor de sonido propio (%s): se mide igual\n", qPrintable(m_server.error()));
    setUntrappedErrorReporter([](const UntrappedError &e) {
        std::fprintf(stderr, "error %d: %s\n", e.number(), qPrintable(e.description()));
    });
    m_flow =
        std::make_unique<ScreenFlow>(Media::real(MediaPaths::locateDriveC(QCoreApplication::applicationDirPath())));
    m_flow->start();
    idle(500);
}

GameInProcess::~GameInProcess()
{
    m_flow.reset();
    m_app.reset();
}

void idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace korivanta
