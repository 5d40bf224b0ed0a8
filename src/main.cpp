#include "app/big_screen.h"
#include "app/fonts.h"
#include "app/screen_flow.h"
#include "media/media.h"
#include "media/media_paths.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    korivanta::restartScaledForBigScreen(); // "--pantalla-grande" only
    QApplication::setApplicationName(QStringLiteral("korivanta"));
    korivanta::installFontSubstitutes();

    // The real players and the drive's folder are made once the menu is on
    // screen: the menu needs none of them.
    korivanta::ScreenFlow flow([] {
        return korivanta::Media::real(korivanta::MediaPaths::locateDriveC(QCoreApplication::applicationDirPath()));
    });
    flow.start();
    return QApplication::exec();
}
