#include "wordstore/word_pack.h"

#include "wordstore/csv.h"
#include "wordstore/disk_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace korivanta::wordstore {

namespace {

const QString kWordList = QStringLiteral("palabras.csv");
// Bounds that no class's words come near, and that keep a hostile pack from
// filling the disk: entries, bytes of one file, bytes of all of them.
constexpr zip_int64_t kMostEntries = 10000;
constexpr qint64 kMostFileBytes = 50LL * 1024 * 1024;
constexpr qint64 kMostTotalBytes = 500LL * 1024 * 1024;

// One field of the word list, quoted when it holds a separator, a quote, a
// line break or spaces at its ends.
QString csvField(const QString &text)
{
    const bool plain = !text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
                       !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')) && text.trimmed() == text;
    if (plain)
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

// What a libzip error means for a teacher, in Spanish: libzip's own texts
// are English.
QString zipErrorText(int code)
{
    switch (code) {
    case ZIP_ER_CRC: return QStringLiteral("sus datos no coinciden con la suma de control");
    case ZIP_ER_COMPNOTSUPP: return QStringLiteral("usa un método de compresión que no se admite");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD: return QStringLiteral("está cifrado");
    case ZIP_ER_NOZIP: return QStringLiteral("no es un archivo zip");
    case ZIP_ER_INCONS: return QStringLiteral("su índice no coincide con su contenido");
    case ZIP_ER_EOF: return QStringLiteral("se termina antes de tiempo");
    case ZIP_ER_ZLIB: return QStringLiteral("sus datos comprimidos están dañados");
    case ZIP_ER_MEMORY: return QStringLiteral("no hay memoria suficiente");
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
    case ZIP_ER_SEEK: return QStringLiteral("error de lectura");
    case ZIP_ER_WRITE:
    case ZIP_ER_CLOSE:
    case ZIP_ER_RENAME:
    case ZIP_ER_TMPOPEN: return QStringLiteral("error de escritura");
    default: return QStringLiteral("error %1 de la biblioteca zip").arg(code);
    }
}

QString zipErrorText(zip_t *archive)
{
    return zipErrorText(zip_error_code_zip(zip_get_error(archive)));
}

QString zipErrorText(zip_file_t *entry)
{
    return zipErrorText(zip_error_code_zip(zip_file_get_error(entry)));
}

struct ArchiveCloser {
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct EntryCloser {
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using Entry = std::unique_ptr<zip_file_t, EntryCloser>;

// The name a file gets inside the pack: "<folder>/<its own name>", or
// "<stem>-2.<suffix>", ... when another file took that name.
QString packName(const QString &folder, const QString &local, QSet<QString> *taken)
{
    const QFileInfo info(local);
    const QString stem = info.completeBaseName();
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 1;; ++n) {
        const QString name =
            folder + QLatin1Char('/') + stem + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + suffix;
        if (!taken->contains(name.toCaseFolded())) {
            taken->insert(name.toCaseFolded());
            return name;
        }
    }
}

// Makes the folders of a relative path under `root`, refusing any that is
// there already as something other than a folder (a file, a link).
QString makeFolders(const QString &root, const QString &relativeFolder)
{
    QString at = root;
    for (const QString &part : relativeFolder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        at += QLatin1Char('/') + part;
        struct stat st;
        if (::lstat(QFile::encodeName(at).constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode))
                return QStringLiteral("«%1» es a la vez un archivo y una carpeta").arg(part);
            continue;
        }
        if (::mkdir(QFile::encodeName(at).constData(), 0755) != 0)
            return QStringLiteral("no se puede crear la carpeta «%1»: %2").arg(at, diskfiles::errorText(errno));
    }
    return {};
}

} // namespace

QString exportPack(const QList<wordsdb::Word> &words, const LocalFile &localFile, const QString &packPath)
{
    if (words.isEmpty())
        return QStringLiteral("no hay palabras que exportar");

    // The word list, and the files it names with their names in the pack.
    QString list = QStringLiteral("nom_ay,nom_esp,categoria,dibujo,sonido\n");
    QList<std::pair<QString, QString>> files; // name in the pack, local file
    QHash<QString, QString> nameOf;           // local file -> name in the pack
    QSet<QString> taken{kWordList.toCaseFolded()};
    const auto packed = [&](const QString &programPath, const QString &folder) -> QString {
        if (programPath.isEmpty() || !localFile)
            return {};
        const QString local = localFile(programPath);
        if (local.isEmpty() || !QFileInfo(local).isFile())
            return {};
        const QString canonical = QFileInfo(local).canonicalFilePath();
        if (nameOf.contains(canonical))
            return nameOf[canonical];
        const QString name = packName(folder, canonical, &taken);
        nameOf.insert(canonical, name);
        files.append({name, canonical});
        return name;
    };
    for (const wordsdb::Word &w : words) {
        const QString picture = packed(w.dibujo, QStringLiteral("dibujos"));
        const QString sound = packed(w.sonido, QStringLiteral("sonido"));
        list += QStringList{csvField(w.nomAy), csvField(w.nomEsp), csvField(w.categoria), csvField(picture),
                            csvField(sound)}
                    .join(QLatin1Char(',')) +
                QLatin1Char('\n');
    }
    const QByteArray listBytes = list.toUtf8();

    // Written under a hidden name beside the pack, then renamed over it: a
    // reader sees the old pack or the whole new one.
    const QFileInfo target(packPath);
    if (!target.absoluteDir().exists())
        return QStringLiteral("no existe la carpeta «%1»").arg(target.absolutePath());
    const QString temporary = target.absoluteDir().absoluteFilePath(
        QStringLiteral(".%1.%2.tmp")
            .arg(target.fileName())
            .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    int code = 0;
    Archive archive(zip_open(QFile::encodeName(temporary).constData(), ZIP_CREATE | ZIP_EXCL, &code));
    if (!archive)
        return QStringLiteral("no se puede crear «%1»: %2").arg(temporary, zipErrorText(code));
    const auto failed = [&](const QString &what) {
        const QString reason = zipErrorText(archive.get());
        archive.reset();
        QFile::remove(temporary);
        return QStringLiteral("no se puede escribir el paquete «%1»: %2 (%3)").arg(packPath, what, reason);
    };
    zip_source_t *source = zip_source_buffer(archive.get(), listBytes.constData(), zip_uint64_t(listBytes.size()), 0);
    if (!source || zip_file_add(archive.get(), kWordList.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(source);
        return failed(kWordList);
    }
    for (const auto &[name, local] : files) {
        source = zip_source_file(archive.get(), QFile::encodeName(local).constData(), 0, -1);
        if (!source || zip_file_add(archive.get(), name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            return failed(local);
        }
    }
    // Closing writes the archive (reading the files only now).
    if (zip_close(archive.get()) != 0)
        return failed(QStringLiteral("al cerrarlo"));
    archive.release();
    if (!diskfiles::syncPath(temporary, false) ||
        std::rename(QFile::encodeName(temporary).constData(),
                    QFile::encodeName(target.absoluteFilePath()).constData()) != 0) {
        const int failure = errno;
        QFile::remove(temporary);
        return QStringLiteral("no se puede escribir el paquete «%1»: %2").arg(packPath, diskfiles::errorText(failure));
    }
    diskfiles::syncPath(target.absolutePath(), true);
    return {};
}

Unpacked unpackPack(const QString &packPath, const QString &folder)
{
    Unpacked result;
    const QString pack = QFileInfo(packPath).fileName();
    const auto refuse = [&](const QString &why) {
        result.error = QStringLiteral("el paquete «%1» no se puede importar: %2").arg(pack, why);
        result.csvPath.clear();
        return result;
    };
    const QDir root(folder);
    if (!root.exists() || !root.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return refuse(QStringLiteral("la carpeta «%1» no existe o no está vacía").arg(folder));
    if (!QFileInfo(packPath).isFile())
        return refuse(QStringLiteral("no existe el archivo"));
    // libzip reads an empty file as an empty archive.
    if (QFileInfo(packPath).size() == 0)
        return refuse(QStringLiteral("el archivo está vacío"));

    int code = 0;
    Archive archive(zip_open(QFile::encodeName(packPath).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!archive) {
        // A zip cut short has lost its directory at the end, yet starts as one.
        QFile head(packPath);
        const bool startsAsZip = head.open(QIODevice::ReadOnly) && head.read(4) == QByteArray("PK\x03\x04", 4);
        if (code == ZIP_ER_NOZIP && !startsAsZip)
            return refuse(QStringLiteral("no es un paquete de palabras (no es un archivo zip)"));
        if (code == ZIP_ER_EXISTS)
            return refuse(QStringLiteral("trae dos veces un mismo nombre de archivo"));
        if (code == ZIP_ER_OPEN || code == ZIP_ER_READ)
            return refuse(QStringLiteral("no se puede leer (%1)").arg(zipErrorText(code)));
        return refuse(QStringLiteral("el archivo está dañado o incompleto (%1)").arg(zipErrorText(code)));
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count > kMostEntries)
        return refuse(QStringLiteral("tiene %1 archivos; un paquete de palabras tiene como mucho %2")
                          .arg(count)
                          .arg(kMostEntries));

    // What was written is removed again when the pack is refused.
    const auto cleanUp = [&] {
        for (const QString &entry :
             root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
            const QString path = root.absoluteFilePath(entry);
            if (QFileInfo(path).isDir() && !QFileInfo(path).isSymLink())
                QDir(path).removeRecursively();
            else
                QFile::remove(path);
        }
    };
    const auto fail = [&](const QString &why) {
        cleanUp();
        return refuse(why);
    };

    QSet<QString> seen;
    qint64 total = 0;
    bool hasList = false;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char *rawName = zip_get_name(archive.get(), zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!rawName)
            return fail(QStringLiteral("el archivo está dañado o incompleto"));
        const QString name = QString::fromUtf8(rawName);
        const bool isFolder = name.endsWith(QLatin1Char('/'));
        // Names stay inside the folder: relative, no "..", no drive or
        // backslash that another system would read as a folder.
        const QString clean = QDir::cleanPath(name);
        if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
            name.contains(QLatin1Char(':')) || name.contains(QChar(0)) ||
            name.split(QLatin1Char('/')).contains(QStringLiteral("..")) || clean.startsWith(QLatin1String("../")) ||
            clean == QLatin1String("..") || clean == QLatin1String(".") || QDir::isAbsolutePath(clean))
            return fail(QStringLiteral("el nombre «%1» apunta fuera de su carpeta").arg(name));

        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(archive.get(), zip_uint64_t(i), 0, &system, &attributes) == 0 &&
            system == ZIP_OPSYS_UNIX) {
            const mode_t type = (attributes >> 16) & S_IFMT;
            if (type == S_IFLNK)
                return fail(QStringLiteral("«%1» es un enlace simbólico").arg(name));
            if (type != 0 && type != S_IFREG && type != S_IFDIR)
                return fail(QStringLiteral("«%1» no es un archivo común").arg(name));
            if (type == S_IFDIR && !isFolder)
                return fail(QStringLiteral("«%1» es una carpeta guardada como archivo").arg(name));
        }
        if (seen.contains(clean.toCaseFolded()))
            return fail(QStringLiteral("«%1» está dos veces").arg(name));
        seen.insert(clean.toCaseFolded());

        if (isFolder) {
            const QString error = makeFolders(root.absolutePath(), clean);
            if (!error.isEmpty())
                return fail(error);
            continue;
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive.get(), zip_uint64_t(i), 0, &st) != 0)
            return fail(QStringLiteral("el archivo está dañado o incompleto"));
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            return fail(QStringLiteral("«%1» está protegido con contraseña").arg(name));
        // The word list has bounds of its own, far below a file's: a list
        // beyond them is refused before it is unpacked.
        const qint64 mostBytes = clean == kWordList ? kMaxWordListBytes : kMostFileBytes;
        if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(mostBytes))
            return fail(QStringLiteral("«%1» ocupa más de %2 MB").arg(name).arg(mostBytes / (1024 * 1024)));

        const QString folderPart = QFileInfo(clean).path();
        if (folderPart != QLatin1String(".")) {
            const QString error = makeFolders(root.absolutePath(), folderPart);
            if (!error.isEmpty())
                return fail(error);
        }
        const QString destination = root.absoluteFilePath(clean);
        Entry entry(zip_fopen_index(archive.get(), zip_uint64_t(i), 0));
        if (!entry)
            return fail(QStringLiteral("no se puede leer «%1» (%2)").arg(name, zipErrorText(archive.get())));
        const int fd = ::open(QFile::encodeName(destination).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST || errno == EISDIR)
                return fail(QStringLiteral("«%1» es a la vez un archivo y una carpeta").arg(name));
            return fail(QStringLiteral("no se puede escribir «%1»: %2").arg(destination, diskfiles::errorText(errno)));
        }
        // The bytes are counted as they come: the sizes the archive states
        // may lie.
        qint64 written = 0;
        QString error;
        char buffer[64 * 1024];
        for (;;) {
            const zip_int64_t n = zip_fread(entry.get(), buffer, sizeof buffer);
            if (n < 0) {
                error =
                    QStringLiteral("el archivo está dañado o incompleto (%1: %2)").arg(name, zipErrorText(entry.get()));
                break;
            }
            if (n == 0)
                break;
            written += n;
            total += n;
            if (written > mostBytes) {
                error = QStringLiteral("«%1» ocupa más de %2 MB").arg(name).arg(mostBytes / (1024 * 1024));
                break;
            }
            if (total > kMostTotalBytes) {
                error = QStringLiteral("sus archivos ocupan más de %1 MB").arg(kMostTotalBytes / (1024 * 1024));
                break;
            }
            for (qint64 at = 0; at < n && error.isEmpty();) {
                const ssize_t w = ::write(fd, buffer + at, size_t(n - at));
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0)
                    error =
                        QStringLiteral("no se puede escribir «%1»: %2").arg(destination, diskfiles::errorText(errno));
                else
                    at += w;
            }
            if (!error.isEmpty())
                break;
        }
        ::close(fd);
        if (!error.isEmpty())
            return fail(error);
        if (clean == kWordList)
            hasList = true;
    }
    if (!hasList)
        return fail(QStringLiteral("no trae la lista de palabras «%1»").arg(kWordList));
    result.csvPath = root.absoluteFilePath(kWordList);
    return result;
}

} // namespace korivanta::wordstore
