// Fuzzes MediaPaths::resolve with any string as a program path, over a small
// drive C tree made at start. What must hold for every input:
// - an empty path gives an empty result; a path on another drive letter, or
//   one through the tree's link that leads out, is refused (an empty result
//   with a reason); any other path gives a non-empty result;
// - the same path always gives the same result;
// - a path with drive C, or rooted without a drive, stays inside drive C, and
//   a relative one inside the working folder, also after following links;
// - a path that names a file of the tree, in any letter case, with either
//   separator, repeated separators, or decomposed letters, finds that file.
#include "media/media_paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

using korivanta::MediaPaths;

namespace {

QTemporaryDir *s_tree = nullptr;
MediaPaths *s_paths = nullptr;
QStringList s_knownKeys; // the files of the tree, as comparable program paths

// The files of the tree, relative to drive C, as they lie on disk.
const char16_t *const kFiles[] = {
    u"Trab_zumel/diccionario.mdb",
    u"Trab_zumel/la_mano.gif",
    u"Trab_zumel/grafemario/a.wav",
    u"Trab_zumel/grafemario/ch'.wav",
    u"Trab_zumel/grafemario/\u00e4.wav",
    u"Trab_zumel/grafemario/\u00f1.wav",
    u"Trab_zumel/Sonido/Instrucciones/adivinar_palabra.wav",
    u"Trab_zumel/dibujos/n\u0303and\u00fa.bmp", // decomposed on disk
    u"Trab_zumel/dibujos/uta uta.bmp",
};

// A link inside the tree to a folder outside it, which holds a file.
const char16_t kLinkOut[] = u"Trab_zumel/fuera";

// A program path in a form two spellings of the same file share.
QString key(QString path)
{
    path = path.normalized(QString::NormalizationForm_C).toCaseFolded();
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (path.startsWith(QLatin1Char('\\')))
        path.prepend(QStringLiteral("c:"));
    if (path.startsWith(QLatin1String("c:")) && !path.startsWith(QLatin1String("c:\\")))
        path.insert(2, QLatin1Char('\\'));
    QString out;
    for (QChar c : path)
        if (!(c == QLatin1Char('\\') && out.endsWith(QLatin1Char('\\'))))
            out += c;
    while (out.endsWith(QLatin1Char('\\')))
        out.chop(1);
    return out;
}

bool inside(const QString &path, const QString &root)
{
    const QString clean = QDir::cleanPath(path);
    return clean == root || clean.startsWith(root + QLatin1Char('/'));
}

// The longest part of the path that exists, with every link followed.
QString realPrefix(QString path)
{
    while (!path.isEmpty() && !QFileInfo::exists(path))
        path = QFileInfo(path).path() == path ? QString() : QFileInfo(path).path();
    return path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
}

void check(bool ok, const char *what, const QString &path, const QString &result)
{
    if (ok)
        return;
    std::fprintf(stderr, "fuzz_media_paths: %s\n  path:   %s\n  result: %s\n", what, qUtf8Printable(path),
                 qUtf8Printable(result));
    std::abort();
}

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    qInstallMessageHandler(quiet);
    s_tree = new QTemporaryDir;
    const QString driveC = s_tree->filePath(QStringLiteral("drive_c"));
    for (const char16_t *file : kFiles) {
        const QString path = driveC + QLatin1Char('/') + QString::fromUtf16(file);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
        s_knownKeys << key(QStringLiteral("c:\\") + QString::fromUtf16(file));
    }
    const QString outside = s_tree->filePath(QStringLiteral("fuera"));
    QDir().mkpath(outside);
    QFile secret(outside + QStringLiteral("/secreto.wav"));
    if (!secret.open(QIODevice::WriteOnly) ||
        !QFile::link(outside, driveC + QLatin1Char('/') + QString::fromUtf16(kLinkOut)))
        std::abort();
    // Relative paths are looked up in the working directory: an empty one.
    QDir().mkpath(s_tree->filePath(QStringLiteral("work")));
    if (::chdir(QFile::encodeName(s_tree->filePath(QStringLiteral("work"))).constData()) != 0)
        std::abort();
    s_paths = new MediaPaths(QDir::cleanPath(driveC));
    return 0;
}

// The first byte chooses how the rest is read: as UTF-8, or as raw 16-bit
// units (which may hold lone surrogates and NULs).
extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    if (size == 0)
        return 0;
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const qsizetype n = qsizetype(size - 1);
    const QString path =
        (data[0] & 1) ? QString(reinterpret_cast<const QChar *>(bytes), n / 2) : QString::fromUtf8(bytes, n);

    const korivanta::MediaPaths::Location where = s_paths->locate(path);
    const QString &result = where.file;
    check(result.isEmpty() == (path.isEmpty() || !where.refusal.isEmpty()), "empty only when refused", path, result);
    check(where.refusal.isEmpty() || !path.isEmpty(), "an empty path is not refused", path, result);
    check(s_paths->resolve(path) == result, "the same path, the same file", path, result);

    const QString driveC = s_paths->driveC();
    const bool hasDrive =
        path.size() >= 2 && path[0].isLetter() && path[0].unicode() < 128 && path[1] == QLatin1Char(':');
    if (hasDrive && path[0].toLower() != QLatin1Char('c')) {
        check(!where.refusal.isEmpty(), "another drive is refused", path, result);
    } else if (!result.isEmpty()) {
        const bool anchored = hasDrive || path.startsWith(QLatin1Char('\\')) || path.startsWith(QLatin1Char('/'));
        const QString root = anchored ? driveC : QDir::currentPath();
        check(!result.startsWith(QLatin1Char(':')), "never a name of the program's resources", path, result);
        const QString absolute =
            result.startsWith(QLatin1Char('/')) ? result : QDir::currentPath() + QLatin1Char('/') + result;
        check(inside(absolute, root), "the name stays in its base", path, result);
        const QString real = realPrefix(absolute);
        check(real.isEmpty() || inside(real, QFileInfo(root).canonicalFilePath()), "no link leads out", path, result);
    }

    if (s_knownKeys.contains(key(path)))
        check(QFileInfo(result).isFile(), "a file of the tree is found", path, result);
    return 0;
}
