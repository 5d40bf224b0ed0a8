#include "app/big_screen.h"
#include "app/fonts.h"
#include "app/screen_flow.h"
#include "locale/qt_spanish.h"
#include "media/media.h"
#include "media/media_paths.h"
#include "wordstore/school_store.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    korivanta::restartScaledForBigScreen(); // "--pantalla-grande" only
    QApplication::setApplicationName(QStringLiteral("korivanta"));
    korivanta::installFontSubstitutes();
    korivanta::locale::loadQtSpanish(app);

    // The real players and the drive's folder are made once the menu is on
    // screen: the menu needs none of them. Drive C is the school's over the
    // package's once the school has words of its own (their composed
    // database), else the package's alone.
    korivanta::ScreenFlow flow([] {
        const auto store = korivanta::wordstore::StorePaths::locate(QCoreApplication::applicationDirPath());
        if (QFileInfo::exists(store.composedDatabase()))
            return korivanta::Media::real(store.schoolDriveC(), store.packageDriveC);
        return korivanta::Media::real(store.packageDriveC);
    });
    flow.start();
    const int status = QApplication::exec();
    // The program ends at once, as "Salir" asks: it has nothing to save, and
    // taking down the players one by one would close the sound server's
    // connection under streams that are still closing, which can abort the
    // process (PulseAudio checks its descriptors as it goes) or make it wait.
    std::fflush(nullptr);
    std::_Exit(status);
}
