#include "media/sharp_pictures.h"

#include <QFileInfo>
#include <QGuiApplication>

namespace korivanta {

QString sharpName(const QString &file)
{
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    const qsizetype at = dot > slash ? dot : file.size();
    return file.left(at) + QStringLiteral("@2x") + file.mid(at);
}

QString sharperFile(const QString &file)
{
    const auto *app = qobject_cast<const QGuiApplication *>(QCoreApplication::instance());
    if (!app || app->devicePixelRatio() <= 1.0 || file.isEmpty())
        return file;
    const QString sharp = sharpName(file);
    return QFileInfo(file).isFile() && QFileInfo(sharp).isFile() ? sharp : file;
}

} // namespace korivanta
