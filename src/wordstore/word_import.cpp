#include "wordstore/word_import.h"

#include "media/media_files.h"
#include "media/media_paths.h"
#include "media/sharp_pictures.h"
#include "wordstore/csv.h"
#include "wordstore/disk_files.h"
#include "wordstore/pending_files.h"
#include "wordstore/process_lock.h"
#include "wordstore/word_picture.h"
#include "wordstore/word_sound.h"
#include "wordstore/words_db.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korivanta::wordtool {

namespace {

const QString kMediaRoot = QStringLiteral("c:\\Trab_zumel\\");

QString pairKey(const QString &nomAy, const QString &categoria)
{
    return nomAy + QChar(0x1f) + categoria;
}

// The column names a word list's heading may use for each column, compared
// without accents and in any case: the tool's own names and Spanish ones.
struct ColumnAlias {
    const char *column;
    const char *heading;
};
constexpr ColumnAlias kColumnAliases[] = {
    {"nom_ay", "nom_ay"},
    {"nom_ay", "aymara"},
    {"nom_ay", "palabra en aymara"},
    {"nom_ay", "palabra"},
    {"nom_esp", "nom_esp"},
    {"nom_esp", "castellano"},
    {"nom_esp", "espanol"},
    {"nom_esp", "palabra en castellano"},
    {"categoria", "categoria"},
    {"dibujo", "dibujo"},
    {"dibujo", "imagen"},
    {"sonido", "sonido"},
    {"sonido", "audio"},
    {"sonido", "voz"},
};

// The column a heading names ("Categoría" -> "categoria"), or empty.
QString columnFor(const QString &heading)
{
    QString plain;
    for (const QChar c : heading.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c;
    plain = plain.simplified().toCaseFolded();
    for (const ColumnAlias &a : kColumnAliases)
        if (plain == QLatin1String(a.heading))
            return QString::fromLatin1(a.column);
    return {};
}

bool blankRow(const QStringList &fields)
{
    return std::all_of(fields.cbegin(), fields.cend(), [](const QString &f) { return f.trimmed().isEmpty(); });
}

// A word already in the database being written: its row id and row.
struct Stored {
    qint64 id = 0;
    wordsdb::Word word;
};

// The words of the database being written, by (nom_ay, categoria).
bool readStored(const QString &dbPath, QHash<QString, Stored> *stored, QString *error)
{
    QList<wordsdb::Word> words;
    QList<qint64> ids;
    if (!wordsdb::readWords(dbPath, &words, error, &ids))
        return false;
    for (qsizetype i = 0; i < words.size(); ++i)
        stored->insert(pairKey(words[i].nomAy, words[i].categoria), {ids[i], words[i]});
    return true;
}

// The (nom_ay, categoria) pairs already in the database.
bool readExisting(const QString &dbPath, QSet<QString> *pairs, QString *error)
{
    wordsdb::Connection connection(dbPath, true);
    QSqlDatabase db = connection.db();
    if (QString why; !connection.open(&why)) {
        *error = QStringLiteral("no se puede abrir la base de datos «%1» (%2)").arg(dbPath, why);
        return false;
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT nom_ay, categoria FROM nominal"))) {
        *error = QStringLiteral("«%1» no es una base de datos de palabras del juego (%2)")
                     .arg(dbPath, wordsdb::errorText(q.lastError()));
        return false;
    }
    while (q.next())
        pairs->insert(pairKey(q.value(0).toString().normalized(QString::NormalizationForm_C),
                              q.value(1).toString().normalized(QString::NormalizationForm_C)));
    if (q.lastError().isValid()) {
        *error = QStringLiteral("no se puede leer la base de datos «%1» (%2)")
                     .arg(dbPath, wordsdb::errorText(q.lastError()));
        return false;
    }
    return true;
}

// The existing file whose path equals `path` once both are composed (NFC):
// a Mac writes "niño.png" decomposed, a spreadsheet names it composed. The
// path as given when nothing matches.
QString findComposedPath(const QString &path)
{
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return path;
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString found;
    for (const QString &part : parts) {
        const QString direct = found + QLatin1Char('/') + part;
        if (QFileInfo::exists(direct) || QFileInfo(direct).isSymLink()) {
            found = direct;
            continue;
        }
        const QString wanted = part.normalized(QString::NormalizationForm_C);
        const QStringList entries =
            QDir(found.isEmpty() ? QStringLiteral("/") : found)
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        const auto match = std::find_if(entries.cbegin(), entries.cend(), [&](const QString &e) {
            return e.normalized(QString::NormalizationForm_C) == wanted;
        });
        if (match == entries.cend())
            return path;
        found += QLatin1Char('/') + *match;
    }
    return found.isEmpty() ? path : found;
}

struct Source {
    QString file;    // empty: the row names none
    QString refusal; // why the name cannot be used (a pack's name from outside it)
};

// A file named in the CSV: absolute, or relative to the CSV file's folder.
// A pack is a closed world: its list may only name the pack's own files, by
// relative names inside it; a name that is absolute, carries a drive letter
// or a backslash, climbs out of the pack or leads to anything but a plain file
// is refused.
Source sourceFile(const QString &csvPath, const QString &named, bool insideOnly, const QString &what)
{
    if (named.isEmpty())
        return {};
    const QString folder = QFileInfo(csvPath).absolutePath();
    const QString path = findComposedPath(QDir::cleanPath(QDir(folder).absoluteFilePath(named)));
    if (!insideOnly)
        return {path, {}};
    const QString refusal =
        QStringLiteral("%1 «%2» no es un archivo del paquete: un paquete solo puede nombrar los archivos que trae, "
                       "con su nombre dentro del paquete")
            .arg(what, named);
    const QString clean = QDir::cleanPath(named);
    if (QDir::isAbsolutePath(named) || named.contains(QLatin1Char('\\')) || named.contains(QLatin1Char(':')) ||
        clean == QLatin1String("..") || clean.startsWith(QLatin1String("../")) ||
        !path.startsWith(folder + QLatin1Char('/')))
        return {{}, refusal};
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {{}, refusal};
    return {path, {}};
}

// Word processors and Aymara texts write the apostrophe of p', t', ch', k', q'
// as ’ (U+2019) or ʼ (U+02BC); the keyboard enters the plain ' (U+0027).
QString keyboardApostrophes(QString word)
{
    return word.replace(QChar(0x2019), QLatin1Char('\'')).replace(QChar(0x02BC), QLatin1Char('\''));
}

bool exists(const QString &local)
{
    const QFileInfo f(local);
    return f.exists() || f.isSymLink();
}

// A media folder, read once: the files of many words are looked up in it
// without listing the folder for each, matched like the game matches them
// (without regard to case, in precomposed form).
class MediaFolder {
public:
    MediaFolder(const QString &mediaRoot, const QString &programFolder)
        : m_path(localMediaPath(mediaRoot, programFolder)), m_programFolder(programFolder)
    {
        for (const QString &entry : QDir(m_path).entryList(QDir::Files | QDir::Hidden | QDir::System))
            m_entries.insert(comparable(entry), entry);
    }
    // Why no file can go in this folder (the media paths refuse it: it leads
    // elsewhere), or empty.
    QString refusal() const
    {
        return m_path.isEmpty()
                   ? QStringLiteral("la carpeta «%1» de los dibujos y sonidos no se puede usar: es un enlace "
                                    "o no es una carpeta")
                         .arg(m_programFolder)
                   : QString();
    }
    // The local file of a program path in this folder: the file there, whatever
    // its case, or where a new one goes.
    QString file(const QString &programPath) const
    {
        const QString name = programPath.section(QLatin1Char('\\'), -1);
        return m_path + QLatin1Char('/') + m_entries.value(comparable(name), name);
    }

private:
    static QString comparable(const QString &name)
    {
        return name.normalized(QString::NormalizationForm_C).toCaseFolded();
    }
    QString m_path;
    QString m_programFolder;
    QHash<QString, QString> m_entries;
};

struct Copy {
    QString source, destination; // local files
    QByteArray bytes;            // what to write (a picture fitted to the frame)
    QByteArray soundDigest;      // a sound: converted again when written, to these bytes
};

struct Voice {
    QString word, destination;
};

bool holdsBytes(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    return f.size() == bytes.size() && f.open(QIODevice::ReadOnly) && f.readAll() == bytes;
}

// A sound is kept as a digest until it is written: an import of many words
// holds no sound's bytes in memory, only one at a time while it writes it.
bool holdsContent(const QString &file, const QByteArray &bytes, const QByteArray &soundDigest)
{
    return soundDigest.isEmpty() ? holdsBytes(file, bytes) : wordsound::fileDigest(file) == soundDigest;
}

// Copies a file to a name that no file has yet.
QString copyFile(const Copy &c, wordstore::PendingFiles *changes)
{
    const QFileInfo dst(c.destination);
    QString error = changes->makeFolder(dst.absolutePath());
    if (!error.isEmpty())
        return error;
    if (c.soundDigest.isEmpty())
        return changes->write(c.destination, c.bytes);
    const wordsound::Converted sound = wordsound::convert(c.source, true);
    if (!sound.problem.isEmpty())
        return QStringLiteral("el sonido «%1» %2").arg(c.source, sound.problem);
    if (sound.digest != c.soundDigest)
        return QStringLiteral("el sonido «%1» cambió mientras se importaba; vuelva a importar la lista").arg(c.source);
    return changes->write(c.destination, sound.wav);
}

QString makeVoice(const Voice &v, const SpeakFunction &speak, wordstore::PendingFiles *changes)
{
    const QFileInfo dst(v.destination);
    QString error = changes->makeFolder(dst.absolutePath());
    if (!error.isEmpty())
        return error;
    // Made in a folder of this program's own (mode 0700), where nobody else
    // can put anything in its way, then written into place as a new file.
    QTemporaryDir own;
    if (!own.isValid())
        return QStringLiteral("no se pudo generar la voz de «%1»: no se puede crear una carpeta temporal (%2)")
            .arg(v.word, own.errorString());
    const QString made = own.filePath(QStringLiteral("voz.wav"));
    error = speak(v.word, made);
    if (!error.isEmpty())
        return QStringLiteral("no se pudo generar la voz de «%1»: %2").arg(v.word, error);
    // The voice goes the way of every sound: into what the game plays.
    const wordsound::Converted voice = wordsound::convert(made, true);
    if (!voice.problem.isEmpty())
        return QStringLiteral("no se pudo generar la voz de «%1»: lo generado %2").arg(v.word, voice.problem);
    return changes->write(v.destination, voice.wav);
}

// Why this program cannot read a file that is there, naming the user it runs
// as (root works as the school's user, who may not read every file).
QString unreadable(const QString &what, const QString &file, const QString &nomAy)
{
    const struct passwd *pw = ::getpwuid(::geteuid());
    const QString user = pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(::geteuid());
    return QStringLiteral("no se puede leer %1 «%2» de la palabra «%3»: el usuario %4, con el que trabaja este "
                          "programa, no tiene permiso para leerlo")
        .arg(what, file, nomAy, user);
}

} // namespace

QString localMediaPath(const QString &mediaRoot, const QString &programPath)
{
    const QString rest =
        programPath.startsWith(kMediaRoot, Qt::CaseInsensitive) ? programPath.mid(kMediaRoot.size()) : programPath;
    // The media root plays the part of drive C: its folders are found as the game finds them.
    return MediaPaths(mediaRoot).resolve(QStringLiteral("c:\\") + rest);
}

QString pictureProblem(const QString &picture, const QString &nomAy, wordpicture::Fitted *fitted)
{
    if (!QFileInfo(picture).isFile())
        return QStringLiteral("no se encuentra el dibujo «%1» de la palabra «%2»").arg(picture, nomAy);
    if (::access(QFile::encodeName(picture).constData(), R_OK) != 0)
        return unreadable(QStringLiteral("el dibujo"), picture, nomAy);
    *fitted = wordpicture::fit(picture);
    if (!fitted->error.isEmpty())
        return QStringLiteral("%1, de la palabra «%2»").arg(fitted->error, nomAy);
    return {};
}

QString soundProblem(const QString &sound, const QString &nomAy, QByteArray *digest)
{
    if (!QFileInfo(sound).isFile())
        return QStringLiteral("no se encuentra el sonido «%1» de la palabra «%2»").arg(sound, nomAy);
    if (::access(QFile::encodeName(sound).constData(), R_OK) != 0)
        return unreadable(QStringLiteral("el sonido"), sound, nomAy);
    // The sound is converted here as it will be when it is written: what
    // cannot become a sound the game plays is refused now.
    const wordsound::Converted converted = wordsound::convert(sound, false);
    if (!converted.problem.isEmpty())
        return QStringLiteral("el sonido «%1» de la palabra «%2» %3").arg(sound, nomAy, converted.problem);
    if (digest)
        *digest = converted.digest;
    return {};
}

QString keyboardWord(const QString &word)
{
    return keyboardApostrophes(word.trimmed().normalized(QString::NormalizationForm_C));
}

QString importLockPath(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    return info.absoluteDir().absoluteFilePath(QStringLiteral(".") + info.fileName() + QStringLiteral(".bloqueo"));
}

QString temporaryPrefix(const QString &databasePath)
{
    return QStringLiteral(".") + QFileInfo(databasePath).fileName() + QStringLiteral(".importando-");
}

namespace {

ImportResult importRows(const ImportRequest &request)
{
    ImportResult result;
    const QString &csv = request.csvPath;
    QString error;
    const CsvText text = readCsvFile(csv, &error);
    if (!error.isEmpty()) {
        result.errors << error;
        return result;
    }
    const QList<CsvRecord> records = parseWordList(csv, text, &error);
    if (!error.isEmpty()) {
        result.errors << error;
        return result;
    }
    if (!text.fromUtf8)
        result.notes << QStringLiteral("%1 no está en UTF-8: se leyó como %2 (Latin-1), la codificación de las "
                                       "hojas de cálculo antiguas; revise las letras con tilde en la lista")
                            .arg(csv, text.encoding);
    if (records.isEmpty()) {
        result.errors << QStringLiteral("%1: el archivo está vacío").arg(csv);
        return result;
    }

    // The header: the three word columns, optionally dibujo and sonido, in any
    // order, by the tool's names or Spanish ones (kColumnAliases).
    const QStringList known = {QStringLiteral("nom_ay"), QStringLiteral("nom_esp"), QStringLiteral("categoria"),
                               QStringLiteral("dibujo"), QStringLiteral("sonido")};
    QHash<QString, int> column;
    const QStringList header = records.front().fields;
    for (int i = 0; i < header.size(); ++i) {
        const QString name = columnFor(header[i]);
        if (name.isEmpty())
            result.errors << QStringLiteral("%1, línea %2: columna desconocida «%3» (las columnas son: %4)")
                                 .arg(csv)
                                 .arg(records.front().line)
                                 .arg(header[i], known.join(QStringLiteral(", ")));
        else if (column.contains(name))
            result.errors << QStringLiteral("%1, línea %2: la columna «%3» está dos veces")
                                 .arg(csv)
                                 .arg(records.front().line)
                                 .arg(name);
        else
            column.insert(name, i);
    }
    for (const QString &required : known.mid(0, 3))
        if (!column.contains(required))
            result.errors << QStringLiteral("%1, línea %2: falta la columna «%3» (el encabezado debe ser "
                                            "nom_ay,nom_esp,categoria y, si se quiere, dibujo y sonido)")
                                 .arg(csv)
                                 .arg(records.front().line)
                                 .arg(required);
    if (!result.ok())
        return result;

    const QFileInfo dbInfo(request.databasePath);
    if (!dbInfo.isFile()) {
        result.errors << QStringLiteral("no existe la base de datos de palabras «%1»").arg(request.databasePath);
        return result;
    }
    const QString dbPath = dbInfo.canonicalFilePath();
    // One import at a time: the lock is held from reading the database to
    // replacing it, and goes with the process if it is killed.
    const QString lockPath = importLockPath(dbPath);
    wordstore::ProcessLock lock(
        lockPath, QFileInfo(QFileInfo(dbPath).absolutePath()).permissions().testFlag(QFileDevice::WriteGroup));
    switch (lock.tryLock(10000)) {
    case wordstore::ProcessLock::Result::Taken: break;
    case wordstore::ProcessLock::Result::Busy:
        result.errors
            << QStringLiteral("otra importación está usando la base de datos «%1»; inténtelo más tarde").arg(dbPath);
        return result;
    case wordstore::ProcessLock::Result::NoPermission:
        result.errors << QStringLiteral("no se puede escribir en la carpeta de «%1» (¿hace falta sudo?)").arg(dbPath);
        return result;
    case wordstore::ProcessLock::Result::NotAFile: result.errors << diskfiles::untrustedText(lockPath); return result;
    }
    // Nothing is written in a media folder where someone put a link (or a
    // FIFO) in place of a file or a folder.
    const QString top = request.trustedTop.isEmpty() ? request.mediaRoot : request.trustedTop;
    if (error = diskfiles::untrustedEntry(top); !error.isEmpty()) {
        result.errors << error;
        return result;
    }

    error = wordsdb::leaveWalMode(dbPath);
    if (!error.isEmpty()) {
        result.errors << error;
        return result;
    }
    QHash<QString, Stored> stored;
    QSet<QString> beneath;
    if (!readStored(dbPath, &stored, &error) ||
        (!request.lowerDatabasePath.isEmpty() && !readExisting(request.lowerDatabasePath, &beneath, &error))) {
        result.errors << error;
        return result;
    }

    const auto field = [&](const QStringList &fields, const QString &name) {
        return column.contains(name) ? fields.value(column[name]).trimmed().normalized(QString::NormalizationForm_C)
                                     : QString();
    };
    // The standard folders (a word without files of its own), and those where
    // a row's own files go; each in this database's media and the layer beneath.
    const QString standardPictures = QString::fromUtf16(kWordPictureFolder);
    const QString standardSounds = QString::fromUtf16(kWordSoundFolder);
    const QString ownPictures = request.pictureFolder.isEmpty() ? standardPictures : request.pictureFolder;
    const QString ownSounds = request.soundFolder.isEmpty() ? standardSounds : request.soundFolder;
    const bool layered = !request.lowerMediaRoot.isEmpty();
    const MediaFolder pictureFolder(request.mediaRoot, standardPictures);
    const MediaFolder soundFolder(request.mediaRoot, standardSounds);
    const MediaFolder ownPictureFolder(request.mediaRoot, ownPictures);
    const MediaFolder ownSoundFolder(request.mediaRoot, ownSounds);
    const MediaFolder lowerPictureFolder(layered ? request.lowerMediaRoot : request.mediaRoot, standardPictures);
    const MediaFolder lowerSoundFolder(layered ? request.lowerMediaRoot : request.mediaRoot, standardSounds);
    const MediaFolder lowerOwnPictureFolder(layered ? request.lowerMediaRoot : request.mediaRoot, ownPictures);
    const MediaFolder lowerOwnSoundFolder(layered ? request.lowerMediaRoot : request.mediaRoot, ownSounds);
    for (const MediaFolder *written : {&ownPictureFolder, &ownSoundFolder}) {
        if (const QString refused = written->refusal(); !refused.isEmpty()) {
            result.errors << refused;
            return result;
        }
    }
    QList<wordsdb::Word> words;
    QList<wordsdb::WordUpdate> updates;
    QList<Copy> copies;
    QList<Voice> voices;
    QHash<QString, qsizetype> seenAt;        // pair key -> line
    QHash<QString, QString> destinationFrom; // media file -> the file copied there
    QSet<QString> voiced;
    for (qsizetype i = 1; i < records.size(); ++i) {
        const CsvRecord &r = records[i];
        const auto bad = [&](const QString &message) {
            result.errors << QStringLiteral("%1, línea %2: %3").arg(csv).arg(r.line).arg(message);
        };
        if (blankRow(r.fields))
            continue;
        if (r.fields.size() > header.size()) {
            bad(QStringLiteral("la fila tiene %1 campos y el encabezado %2 (¿falta poner entre comillas un "
                               "texto con coma?)")
                    .arg(r.fields.size())
                    .arg(header.size()));
            continue;
        }
        wordsdb::Word w{keyboardWord(field(r.fields, QStringLiteral("nom_ay"))),
                        field(r.fields, QStringLiteral("nom_esp")),
                        field(r.fields, QStringLiteral("categoria")),
                        {},
                        {}};
        if (const QString key = wordsdb::categoryKeyFor(w.categoria); !key.isEmpty())
            w.categoria = key;
        const QString problem = wordsdb::checkWord(w.nomAy, w.nomEsp, w.categoria);
        if (!problem.isEmpty()) {
            bad(problem);
            continue;
        }
        const QString key = pairKey(w.nomAy, w.categoria);
        if (seenAt.contains(key)) {
            bad(QStringLiteral("la palabra «%1» de la categoría «%2» ya aparece en la línea %3")
                    .arg(w.nomAy, w.categoria)
                    .arg(seenAt[key]));
            continue;
        }
        seenAt.insert(key, r.line);
        // The layer beneath's words are not this import's to change.
        if (beneath.contains(key)) {
            ++result.unchanged;
            result.notes << QStringLiteral("%1, línea %2: «%3» (categoría «%4») es una palabra que el juego ya trae; "
                                           "se deja como está")
                                .arg(csv)
                                .arg(r.line)
                                .arg(w.nomAy, w.categoria);
            continue;
        }
        const auto found = stored.constFind(key);
        const Stored *current = found == stored.cend() ? nullptr : &*found;

        if (const QString control = wordsdb::controlCharacterProblem(field(r.fields, QStringLiteral("dibujo")) +
                                                                     field(r.fields, QStringLiteral("sonido")));
            !control.isEmpty()) {
            bad(QStringLiteral("el nombre de archivo %1").arg(control));
            continue;
        }
        const Source pictureSource = sourceFile(csv, field(r.fields, QStringLiteral("dibujo")), request.filesInsideList,
                                                QStringLiteral("el dibujo"));
        const Source soundSource = sourceFile(csv, field(r.fields, QStringLiteral("sonido")), request.filesInsideList,
                                              QStringLiteral("el sonido"));
        if (!pictureSource.refusal.isEmpty() || !soundSource.refusal.isEmpty()) {
            bad(QStringLiteral("%1 (palabra «%2»)")
                    .arg(pictureSource.refusal.isEmpty() ? soundSource.refusal : pictureSource.refusal, w.nomAy));
            continue;
        }
        const QString picture = pictureSource.file;
        const QString sound = soundSource.file;
        wordpicture::Fitted fitted;
        if (!picture.isEmpty()) {
            if (const QString problem = pictureProblem(picture, w.nomAy, &fitted); !problem.isEmpty()) {
                bad(problem);
                continue;
            }
        } else {
            w.dibujo = current ? current->word.dibujo : wordsdb::standardPicture(w.nomAy);
        }
        QByteArray soundDigest;
        if (!sound.isEmpty()) {
            if (const QString problem = soundProblem(sound, w.nomAy, &soundDigest); !problem.isEmpty()) {
                bad(problem);
                continue;
            }
        }
        w.sonido = current ? current->word.sonido : wordsdb::standardSound(w.nomAy);

        // A file the row brings gets the word's name, or "<word>-2", "-3", ...
        // when that name is taken: never another word's file. Two rows that
        // bring the same file (one word in two categories) share one copy,
        // and a file already there with the same bytes is used as it is.
        // A picture's copy at twice the size goes beside it under the name the
        // game looks for: the stem is only taken when both names are free.
        // A name the layer beneath has is never taken: the file would hide its own.
        const auto usable = [&](const QString &local, const QString &source, const QByteArray &bytes,
                                const QByteArray &digest, const QString &lower) {
            const QString planned = destinationFrom.value(local);
            if ((!planned.isEmpty() && planned != source) || voiced.contains(local))
                return false;
            if (layered && exists(lower))
                return false;
            const QFileInfo there(local);
            return !planned.isEmpty() || !(there.exists() || there.isSymLink()) || holdsContent(local, bytes, digest);
        };
        const auto take = [&](const QString &local, const QString &source, const QByteArray &bytes,
                              const QByteArray &digest) {
            if (destinationFrom.contains(local))
                return;
            const QFileInfo there(local);
            if (!there.exists() && !there.isSymLink())
                copies.append({source, local, bytes, digest});
            destinationFrom.insert(local, source);
        };
        const auto place = [&](const MediaFolder &folder, const MediaFolder &lowerFolder, const QString &programFolder,
                               const QString &source, const QString &suffix, const QByteArray &bytes,
                               const QByteArray &sharpBytes, const QByteArray &digest) {
            for (int n = 1;; ++n) {
                const QString programPath = programFolder + w.nomAy +
                                            (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + QLatin1Char('.') +
                                            suffix;
                const QString local = folder.file(programPath);
                const QString sharp = sharpName(local);
                const QString lower = lowerFolder.file(programPath);
                if (!usable(local, source, bytes, digest, lower) ||
                    (!sharpBytes.isEmpty() && !usable(sharp, source, sharpBytes, {}, sharpName(lower))))
                    continue;
                take(local, source, bytes, digest);
                if (!sharpBytes.isEmpty())
                    take(sharp, source, sharpBytes, {});
                return programPath;
            }
        };
        // A stored word whose own file already holds what the row brings keeps it.
        const auto holdsAlready = [&](const QString &programPath, const QByteArray &bytes, const QByteArray &digest) {
            const QString local = localMediaPath(request.mediaRoot, programPath);
            return !local.isEmpty() && QFileInfo(local).isFile() && holdsContent(local, bytes, digest);
        };
        if (!picture.isEmpty() && current && holdsAlready(current->word.dibujo, fitted.bytes, {}))
            w.dibujo = current->word.dibujo;
        else if (!picture.isEmpty())
            w.dibujo = place(ownPictureFolder, lowerOwnPictureFolder, ownPictures, picture, fitted.suffix, fitted.bytes,
                             fitted.sharpBytes, {});
        if (!sound.isEmpty() && !(current && holdsAlready(current->word.sonido, {}, soundDigest)))
            w.sonido = place(ownSoundFolder, lowerOwnSoundFolder, ownSounds, sound, QStringLiteral("wav"), {}, {},
                             soundDigest);
        if (current) {
            // A stored word: its files were checked when it came in.
            if (w == current->word) {
                ++result.unchanged;
                continue;
            }
            for (const QString &before : {current->word.dibujo, current->word.sonido})
                if (before != w.dibujo && before != w.sonido)
                    result.replacedMedia << before;
            updates.append({current->id, w});
            continue;
        }

        const auto warn = [&](const QString &message) {
            result.warnings << QStringLiteral("%1, línea %2: %3").arg(csv).arg(r.line).arg(message);
        };
        if (wordsdb::categoryTitle(w.categoria).isEmpty())
            warn(QStringLiteral("la categoría «%1» no tiene botón en el menú: «%2» solo aparecerá en el juego "
                                "cuando no se elija ninguna categoría")
                     .arg(w.categoria, w.nomAy));
        if (picture.isEmpty()) {
            const QString local = pictureFolder.file(w.dibujo);
            if (!QFileInfo::exists(local) && !destinationFrom.contains(local) &&
                !(layered && QFileInfo::exists(lowerPictureFolder.file(w.dibujo))))
                // Named where the game's own pictures are: a layer beneath is that place.
                warn(QStringLiteral("no hay dibujo de «%1»; el juego la mostrará sin dibujo").arg(w.nomAy));
        }
        if (sound.isEmpty()) {
            const QString local = soundFolder.file(w.sonido);
            if (!QFileInfo::exists(local) && !destinationFrom.contains(local) &&
                !(layered && QFileInfo::exists(lowerSoundFolder.file(w.sonido)))) {
                if (request.speak) {
                    // The voice goes where the row's own files go: the
                    // standard name may come with a later word list beneath.
                    w.sonido = ownSounds + w.nomAy + QStringLiteral(".wav");
                    const QString voice = ownSoundFolder.file(w.sonido);
                    if (!voiced.contains(voice) && !exists(voice))
                        voices.append({w.nomAy, voice});
                    voiced.insert(voice);
                } else if (request.adviseVoiceOption) {
                    warn(QStringLiteral("no hay sonido de «%1»; se puede generar con --generar-voz").arg(w.nomAy));
                } else {
                    warn(QStringLiteral("«%1» no tiene sonido: el juego la mostrará sin voz").arg(w.nomAy));
                }
            }
        }
        words.append(w);
    }
    if (!result.ok())
        return result;
    if (words.isEmpty() && updates.isEmpty()) {
        if (result.unchanged == 0)
            result.errors << QStringLiteral("%1: no hay palabras que importar").arg(csv);
        return result;
    }

    // The media first: a word never reaches the database before its files.
    // Whatever was copied is removed again if the import fails.
    wordstore::PendingFiles changes(top, request.groupWritable);
    for (const Copy &c : copies) {
        error = copyFile(c, &changes);
        if (!error.isEmpty()) {
            result.errors << error;
            return result;
        }
    }
    for (const Voice &v : voices) {
        error = makeVoice(v, request.speak, &changes);
        if (!error.isEmpty()) {
            result.errors << error;
            return result;
        }
    }

    // The files take their names together, right before the words that
    // name them.
    if (error = changes.putInPlace(); !error.isEmpty()) {
        result.errors << error;
        return result;
    }
    diskfiles::removeFilesStartingWith(QFileInfo(dbPath).absolutePath(), temporaryPrefix(dbPath), top);
    error = wordsdb::storeWords(dbPath, temporaryPrefix(dbPath), words, updates, top);
    if (!error.isEmpty()) {
        result.errors << error;
        return result;
    }
    changes.keep();
    result.added = words.size();
    result.updated = updates.size();
    return result;
}

} // namespace

ImportResult importWords(const ImportRequest &request)
{
    ImportResult result = importRows(request);
    if (request.listName.isEmpty())
        return result;
    // The list by the name the teacher knows, and the files it names by their
    // names inside its folder (a pack's is a temporary folder of this program's).
    const QString folder = QFileInfo(request.csvPath).absolutePath() + QLatin1Char('/');
    for (QStringList *messages : {&result.errors, &result.warnings, &result.notes})
        for (QString &m : *messages)
            m.replace(request.csvPath, request.listName).replace(folder, QString());
    return result;
}

} // namespace korivanta::wordtool
