#include "media/media_paths.h"

#include <QDir>
#include <QFileInfo>

namespace korivanta {

namespace {

QString comparable(const QString &name)
{
    return name.normalized(QString::NormalizationForm_C).toCaseFolded();
}

// The entry of `dir` that `name` names, without regard to case or normal form;
// of several such entries, the one first in code-unit order (see the header).
// The folder is always listed, also when the exact spelling exists, so that
// every spelling gets the same answer.
QString findEntry(const QString &dir, const QString &name)
{
    const QString wanted = comparable(name);
    const QStringList entries =
        QDir(dir.isEmpty() ? QStringLiteral(".") : dir)
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    QString chosen;
    for (const QString &entry : entries) {
        if (comparable(entry) == wanted && (chosen.isNull() || entry < chosen))
            chosen = entry;
    }
    if (chosen.isNull()) {
        // A folder that may be entered but not listed: only the exact name.
        const QString exact = dir.isEmpty() ? name : dir + QLatin1Char('/') + name;
        return QFileInfo::exists(exact) ? exact : QString();
    }
    return dir.isEmpty() ? chosen : dir + QLatin1Char('/') + chosen;
}

} // namespace

MediaPaths::MediaPaths(QString driveC) : m_driveC(std::move(driveC)) {}

MediaPaths::MediaPaths(QString upperDriveC, QString lowerDriveC)
    : m_driveC(std::move(upperDriveC)), m_lowerDriveC(std::move(lowerDriveC))
{
}

QString MediaPaths::locateDriveC(const QString &executableDir)
{
    const QString beside = QDir(executableDir).filePath(QStringLiteral("drive_c"));
    if (QFileInfo(beside).isDir())
        return QDir::cleanPath(beside);
    const QString installed = QDir(executableDir).filePath(QStringLiteral("../share/korivanta/drive_c"));
    if (QFileInfo(installed).isDir())
        return QDir::cleanPath(installed);
    return QDir::cleanPath(beside);
}

MediaPaths::Location MediaPaths::locate(const QString &programPath) const
{
    bool onDriveC = false;
    Location upper = locateIn(m_driveC, programPath, &onDriveC);
    if (m_lowerDriveC.isEmpty() || !onDriveC || !upper.refusal.isEmpty() || upper.file.isEmpty())
        return upper;
    const QFileInfo there(upper.file);
    if (there.exists() || there.isSymLink())
        return upper;
    return locateIn(m_lowerDriveC, programPath, &onDriveC);
}

MediaPaths::Location MediaPaths::locateIn(const QString &driveC, const QString &programPath, bool *onDriveC)
{
    if (programPath.isEmpty())
        return {};

    // Plain character tests rather than regular expressions: a path holding
    // a stray surrogate is no valid UTF-16, and a regular expression would not
    // match it at all.
    const auto isDriveLetter = [](QChar c) { return c.unicode() < 128 && c.isLetter(); };
    QString base; // where the name starts; empty: the working folder
    QString rest = programPath;
    if (programPath.size() >= 2 && isDriveLetter(programPath[0]) && programPath[1] == QLatin1Char(':')) {
        if (programPath[0].toLower() != QLatin1Char('c'))
            return {{},
                    QStringLiteral("está en la unidad %1:, y el juego solo tiene la unidad C:")
                        .arg(programPath[0].toUpper())};
        base = driveC;
        rest = programPath.mid(2);
    } else if (programPath.startsWith(QLatin1Char('\\')) || programPath.startsWith(QLatin1Char('/'))) {
        base = driveC; // a rooted path without drive is on the current drive, C
    }

    *onDriveC = !base.isEmpty();

    // "." and ".." are taken by their names alone, as Windows does, before any
    // folder is looked at; ".." never climbs above the base.
    QStringList parts;
    rest.replace(QLatin1Char('\\'), QLatin1Char('/'));
    for (const QString &part : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts << part;
    }

    QString realBase; // the base with every link followed; found when first needed
    QString dir = base;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString found = findEntry(dir, parts[i]);
        if (found.isEmpty()) {
            // Not there: keep the rest as written, so the caller's open fails.
            QString missing = dir;
            for (qsizetype j = i; j < parts.size(); ++j)
                missing += (missing.isEmpty() ? QString() : QStringLiteral("/")) + parts[j];
            if (base.isEmpty() && missing.startsWith(QLatin1Char(':')))
                missing.prepend(QStringLiteral("./"));
            return {missing, {}};
        }
        const QFileInfo entry(found);
        if (entry.isSymLink()) {
            if (realBase.isEmpty())
                realBase = QFileInfo(base.isEmpty() ? QStringLiteral(".") : base).canonicalFilePath();
            const QString target = entry.canonicalFilePath(); // empty when the link leads nowhere
            const QString inside = realBase.endsWith(QLatin1Char('/')) ? realBase : realBase + QLatin1Char('/');
            if (target.isEmpty() || realBase.isEmpty() || !(target == realBase || target.startsWith(inside)))
                return {{},
                        QStringLiteral("«%1» es un enlace simbólico que no lleva a un sitio dentro de la carpeta "
                                       "de datos")
                            .arg(found)};
        }
        dir = found;
    }
    if (dir.isEmpty())
        return {QStringLiteral("."), {}}; // "." or "a\..": the working folder
    // Qt reads a name that starts with ':' from the program's own resources.
    if (base.isEmpty() && dir.startsWith(QLatin1Char(':')))
        dir.prepend(QStringLiteral("./"));
    return {dir, {}};
}

} // namespace korivanta
