#include "media/media_paths.h"
#include "wordstore/school_store.h"

#include <QDir>
#include <QFileInfo>

namespace korivanta::wordstore {

namespace {

// The words file and folder names under a drive C, as the game names them
// ("C:\Trab_zumel\diccionario.mdb").
const QString kTrabZumel = QStringLiteral("Trab_zumel");
const QString kDatabaseName = QStringLiteral("diccionario.mdb");

} // namespace

QString StorePaths::schoolDatabase() const
{
    return QDir(schoolDir).filePath(QStringLiteral("palabras-escuela.db"));
}

QString StorePaths::schoolDriveC() const
{
    return QDir(schoolDir).filePath(QStringLiteral("drive_c"));
}

QString StorePaths::composedDatabase() const
{
    return schoolDriveC() + QLatin1Char('/') + kTrabZumel + QLatin1Char('/') + kDatabaseName;
}

QString StorePaths::packageDatabase() const
{
    // The package's folders are found as the game finds them, whatever their case.
    return MediaPaths(packageDriveC).resolve(QStringLiteral("C:\\") + kTrabZumel + QLatin1Char('\\') + kDatabaseName);
}

StorePaths StorePaths::locate(const QString &executableDir)
{
    StorePaths paths;
    paths.packageDriveC = MediaPaths::locateDriveC(executableDir);
    const QString chosen = qEnvironmentVariable("KORIVANTA_ESCUELA");
    const bool installed =
        !QFileInfo(QDir(executableDir).filePath(QStringLiteral("drive_c"))).isDir() &&
        paths.packageDriveC ==
            QDir::cleanPath(QDir(executableDir).filePath(QStringLiteral("../share/korivanta/drive_c")));
    if (!chosen.isEmpty())
        paths.schoolDir = QDir::cleanPath(QDir::current().absoluteFilePath(chosen));
    else if (installed)
        paths.schoolDir = QStringLiteral("/var/lib/korivanta");
    else
        paths.schoolDir = QDir::cleanPath(QDir(executableDir).filePath(QStringLiteral("escuela")));
    return paths;
}

} // namespace korivanta::wordstore
