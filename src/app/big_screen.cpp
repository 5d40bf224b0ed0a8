#include "app/big_screen.h"

#include "app/twips.h"
#include "game/con_obj_layout.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace korivanta {

namespace {
// Room kept for the window manager's frame, in logical pixels: the title bar
// above the client area, the borders beside it.
constexpr int kTitleRoom = 40;
constexpr int kBorderRoom = 10;
// Set for the restarted program, so that it knows it is the big-screen start.
constexpr char kBigScreenRunVariable[] = "KORIVANTA_PANTALLA_GRANDE";
} // namespace

double bigScreenFactor(QSize available, QSize window, QSize offset)
{
    const double across = double(available.width()) / (offset.width() + window.width() + kBorderRoom);
    const double down = double(available.height()) / (offset.height() + window.height() + kTitleRoom);
    return std::max(1.0, std::floor(std::min(across, down) * 4.0) / 4.0);
}

QStringList withoutBigScreenOption(const QStringList &arguments, bool *found)
{
    QStringList rest = arguments;
    *found = rest.removeAll(QString::fromLatin1(kBigScreenOption)) > 0;
    return rest;
}

void restartScaledForBigScreen()
{
    bool found = false;
    const QStringList arguments = withoutBigScreenOption(QCoreApplication::arguments(), &found);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!found)
        return;
    qputenv(kBigScreenRunVariable, "1");
    if (!screen || qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        return;
    const double factor =
        bigScreenFactor(screen->availableGeometry().size(), sizeFromTwips(kConObjClientWidth, kConObjClientHeight),
                        sizeFromTwips(kConObjLeft, kConObjTop));
    qputenv("QT_SCALE_FACTOR", QByteArray::number(factor));

    std::vector<QByteArray> bytes;
    for (const QString &a : arguments)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    execv(program.constData(), argv.data());
    std::perror("korivanta: --pantalla-grande");
}

bool isBigScreenRun()
{
    return qEnvironmentVariable(kBigScreenRunVariable) == QLatin1String("1");
}

QPoint centredPlace(QRect available, QSize client)
{
    const int frameWidth = client.width() + kBorderRoom;
    const int frameHeight = client.height() + kTitleRoom;
    const int left = available.left() + std::max(0, (available.width() - frameWidth) / 2) + kBorderRoom / 2;
    const int top = available.top() + std::max(0, (available.height() - frameHeight) / 2) + kTitleRoom;
    return {left, top};
}

void centreForBigScreen(QWidget &window)
{
    if (!isBigScreenRun())
        return;
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen)
        window.move(centredPlace(screen->availableGeometry(), window.size()));
}

} // namespace korivanta
