#include "wordstore/word_import.h"

#include "media/media_files.h"
#include "media/media_paths.h"
#include "media/sharp_pictures.h"
#include "wordstore/csv.h"
#include "wordstore/disk_files.h"
#include "wordstore/process_lock.h"
#include "wordstore/word_picture.h"
#include "wordstore/words_db.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace korivanta::wordtool {

namespace {

const QString kMediaRoot = QStringLiteral("c:\\Trab_zumel\\");
const QStringList kPictureSuffixes = {QStringLiteral("bmp"), QStringLiteral("gif"), QStringLiteral("jpg"),
                                      QStringLiteral("jpeg"), QStringLiteral("png")};

QString pairKey(const QString &nomAy, const QString &categoria)
{
    return nomAy + QChar(0x1f) + categoria;
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

bool isWav(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(12);
    return head.size() == 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WAVE";
}

// A file named in the CSV: absolute, or relative to the CSV file's folder.
QString sourceFile(const QString &csvPath, const QString &named)
{
    if (named.isEmpty())
        return {};
    return QDir::cleanPath(QFileInfo(csvPath).absoluteDir().absoluteFilePath(named));
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
        : m_path(localMediaPath(mediaRoot, programFolder))
    {
        for (const QString &entry : QDir(m_path).entryList(QDir::Files | QDir::Hidden | QDir::System))
            m_entries.insert(comparable(entry), entry);
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
    QHash<QString, QString> m_entries;
};

struct Copy {
    QString source, destination; // local files
    QByteArray bytes;            // what to write, when not the source's own bytes
};

struct Voice {
    QString word, destination;
};

bool holdsBytes(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    return f.size() == bytes.size() && f.open(QIODevice::ReadOnly) && f.readAll() == bytes;
}

QByteArray bytesOf(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What an import put into the media folders, removed again when it fails.
class MediaChanges {
public:
    explicit MediaChanges(bool groupWritable) : m_groupWritable(groupWritable) {}
    ~MediaChanges()
    {
        if (m_keep)
            return;
        for (auto f = m_files.crbegin(); f != m_files.crend(); ++f)
            QFile::remove(*f);
        for (auto d = m_folders.crbegin(); d != m_folders.crend(); ++d)
            QDir().rmdir(*d);
    }
    void keep() { m_keep = true; }
    void addFile(const QString &file) { m_files.append(file); }
    // Makes the folder and those above it that are missing.
    QString makeFolder(const QString &folder)
    {
        QStringList missing;
        for (QString d = folder; !QFileInfo::exists(d); d = QFileInfo(d).absolutePath()) {
            missing.prepend(d);
            if (QFileInfo(d).absolutePath() == d)
                break;
        }
        for (const QString &d : missing) {
            const QString error = diskfiles::makeFolder(d, m_groupWritable);
            if (!error.isEmpty())
                return QStringLiteral("no se puede crear la carpeta «%1»: %2").arg(d, error);
            m_folders.append(d);
        }
        return {};
    }
    bool groupWritable() const { return m_groupWritable; }

private:
    QStringList m_files, m_folders;
    bool m_keep = false;
    bool m_groupWritable = false;
};

// Copies a file to a name that no file has yet.
QString copyFile(const Copy &c, MediaChanges *changes)
{
    const QFileInfo dst(c.destination);
    QString error = changes->makeFolder(dst.absolutePath());
    if (!error.isEmpty())
        return error;
    QByteArray bytes = c.bytes;
    if (bytes.isEmpty()) {
        QFile in(c.source);
        if (!in.open(QIODevice::ReadOnly))
            return QStringLiteral("no se puede leer «%1»").arg(c.source);
        bytes = in.readAll();
    }
    error = diskfiles::writeNewFile(c.destination, bytes, changes->groupWritable());
    if (!error.isEmpty())
        return QStringLiteral("no se puede escribir «%1»: %2").arg(c.destination, error);
    changes->addFile(c.destination);
    return {};
}

QString makeVoice(const Voice &v, const SpeakFunction &speak, MediaChanges *changes)
{
    const QFileInfo dst(v.destination);
    QString error = changes->makeFolder(dst.absolutePath());
    if (!error.isEmpty())
        return error;
    // Hidden while it is made; the synthesiser wants the .wav ending.
    const QString tmp = dst.absolutePath() + QStringLiteral("/.") + dst.fileName() + QStringLiteral(".tmp.wav");
    QFile::remove(tmp);
    error = speak(v.word, tmp);
    if (!error.isEmpty()) {
        QFile::remove(tmp);
        return QStringLiteral("no se pudo generar la voz de «%1»: %2").arg(v.word, error);
    }
    // A hard link, not a rename: it never replaces a file that appeared meanwhile.
    const int linked = ::link(QFile::encodeName(tmp).constData(), QFile::encodeName(v.destination).constData());
    const int failure = errno;
    QFile::remove(tmp);
    if (linked != 0)
        return QStringLiteral("no se puede escribir «%1»: %2").arg(v.destination, diskfiles::errorText(failure));
    changes->addFile(v.destination);
    if (changes->groupWritable() && ::chmod(QFile::encodeName(v.destination).constData(), 0664) != 0)
        return QStringLiteral("no se puede escribir «%1»: %2").arg(v.destination, diskfiles::errorText(errno));
    return {};
}

void removeStaleCopies(const QString &dbPath)
{
    const QFileInfo info(dbPath);
    const QString prefix = temporaryPrefix(dbPath);
    const QDir dir = info.absoluteDir();
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name.startsWith(prefix))
            QFile::remove(dir.absoluteFilePath(name));
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
    if (!kPictureSuffixes.contains(QFileInfo(picture).suffix().toLower()))
        return QStringLiteral("el dibujo «%1» de la palabra «%2» no es BMP, GIF, JPEG ni PNG").arg(picture, nomAy);
    *fitted = wordpicture::fit(picture);
    if (!fitted->error.isEmpty())
        return QStringLiteral("%1, de la palabra «%2»").arg(fitted->error, nomAy);
    return {};
}

QString soundProblem(const QString &sound, const QString &nomAy)
{
    if (!QFileInfo(sound).isFile())
        return QStringLiteral("no se encuentra el sonido «%1» de la palabra «%2»").arg(sound, nomAy);
    if (!isWav(sound))
        return QStringLiteral("el sonido «%1» de la palabra «%2» no es un archivo WAV").arg(sound, nomAy);
    return {};
}

QString keyboardWord(const QString &word)
{
    return keyboardApostrophes(word.trimmed().normalized(QString::NormalizationForm_C));
}

QString temporaryPrefix(const QString &databasePath)
{
    return QStringLiteral(".") + QFileInfo(databasePath).fileName() + QStringLiteral(".importando-");
}

ImportResult importWords(const ImportRequest &request)
{
    ImportResult result;
    const QString &csv = request.csvPath;
    QString error;
    const CsvText text = readCsvFile(csv, &error);
    if (!error.isEmpty()) {
        result.errors << error;
        return result;
    }
    const QList<CsvRecord> records = parseCsvRecords(text.text, text.separator);
    if (!text.fromUtf8)
        result.notes << QStringLiteral("%1 no está en UTF-8: se leyó como %2 (Latin-1), la codificación de las "
                                       "hojas de cálculo antiguas; revise las letras con tilde en la lista")
                            .arg(csv, text.encoding);
    if (records.isEmpty()) {
        result.errors << QStringLiteral("%1: el archivo está vacío").arg(csv);
        return result;
    }

    // The header: the three word columns, optionally dibujo and sonido, in any order.
    const QStringList known = {QStringLiteral("nom_ay"), QStringLiteral("nom_esp"), QStringLiteral("categoria"),
                               QStringLiteral("dibujo"), QStringLiteral("sonido")};
    QHash<QString, int> column;
    const QStringList header = records.front().fields;
    for (int i = 0; i < header.size(); ++i) {
        const QString name = header[i].trimmed().toLower();
        if (!known.contains(name))
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
    const QFileInfo real(dbPath);
    wordstore::ProcessLock lock(
        real.absoluteDir().absoluteFilePath(QStringLiteral(".") + real.fileName() + QStringLiteral(".bloqueo")),
        QFileInfo(real.absolutePath()).permissions().testFlag(QFileDevice::WriteGroup));
    switch (lock.tryLock(10000)) {
    case wordstore::ProcessLock::Result::Taken: break;
    case wordstore::ProcessLock::Result::Busy:
        result.errors
            << QStringLiteral("otra importación está usando la base de datos «%1»; inténtelo más tarde").arg(dbPath);
        return result;
    case wordstore::ProcessLock::Result::NoPermission:
        result.errors << QStringLiteral("no se puede escribir en la carpeta de «%1» (¿hace falta sudo?)").arg(dbPath);
        return result;
    }

    error = wordsdb::leaveWalMode(dbPath);
    if (!error.isEmpty()) {
        result.errors << error;
        return result;
    }
    QSet<QString> existing;
    if (!readExisting(dbPath, &existing, &error) ||
        (!request.lowerDatabasePath.isEmpty() && !readExisting(request.lowerDatabasePath, &existing, &error))) {
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
    QList<wordsdb::Word> words;
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
        const QString problem = wordsdb::checkWord(w.nomAy, w.nomEsp, w.categoria);
        if (!problem.isEmpty()) {
            bad(problem);
            continue;
        }
        const QString key = pairKey(w.nomAy, w.categoria);
        if (existing.contains(key)) {
            bad(QStringLiteral("la palabra «%1» ya está en la base de datos, en la categoría «%2»")
                    .arg(w.nomAy, w.categoria));
            continue;
        }
        if (seenAt.contains(key)) {
            bad(QStringLiteral("la palabra «%1» de la categoría «%2» ya aparece en la línea %3")
                    .arg(w.nomAy, w.categoria)
                    .arg(seenAt[key]));
            continue;
        }
        seenAt.insert(key, r.line);

        const QString picture = sourceFile(csv, field(r.fields, QStringLiteral("dibujo")));
        const QString sound = sourceFile(csv, field(r.fields, QStringLiteral("sonido")));
        wordpicture::Fitted fitted;
        if (!picture.isEmpty()) {
            if (const QString problem = pictureProblem(picture, w.nomAy, &fitted); !problem.isEmpty()) {
                bad(problem);
                continue;
            }
        } else {
            w.dibujo = wordsdb::standardPicture(w.nomAy);
        }
        if (!sound.isEmpty()) {
            if (const QString problem = soundProblem(sound, w.nomAy); !problem.isEmpty()) {
                bad(problem);
                continue;
            }
        }
        w.sonido = wordsdb::standardSound(w.nomAy);

        // A file the row brings gets the word's name, or "<word>-2", "-3", ...
        // when that name is taken: never another word's file. Two rows that
        // bring the same file (one word in two categories) share one copy,
        // and a file already there with the same bytes is used as it is.
        // A picture's copy at twice the size goes beside it under the name the
        // game looks for: the stem is only taken when both names are free.
        // A name the layer beneath has is never taken: the file would hide its own.
        const auto usable = [&](const QString &local, const QString &source, const QByteArray &bytes,
                                const QString &lower) {
            const QString planned = destinationFrom.value(local);
            if ((!planned.isEmpty() && planned != source) || voiced.contains(local))
                return false;
            if (layered && exists(lower))
                return false;
            const QFileInfo there(local);
            return !planned.isEmpty() || !(there.exists() || there.isSymLink()) || holdsBytes(local, bytes);
        };
        const auto take = [&](const QString &local, const QString &source, const QByteArray &bytes) {
            if (destinationFrom.contains(local))
                return;
            const QFileInfo there(local);
            if (!there.exists() && !there.isSymLink())
                copies.append({source, local, bytes});
            destinationFrom.insert(local, source);
        };
        const auto place = [&](const MediaFolder &folder, const MediaFolder &lowerFolder, const QString &programFolder,
                               const QString &source, const QString &suffix, const QByteArray &bytes,
                               const QByteArray &sharpBytes) {
            for (int n = 1;; ++n) {
                const QString programPath = programFolder + w.nomAy +
                                            (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) + QLatin1Char('.') +
                                            suffix;
                const QString local = folder.file(programPath);
                const QString sharp = sharpName(local);
                const QString lower = lowerFolder.file(programPath);
                if (!usable(local, source, bytes, lower) ||
                    (!sharpBytes.isEmpty() && !usable(sharp, source, sharpBytes, sharpName(lower))))
                    continue;
                take(local, source, bytes);
                if (!sharpBytes.isEmpty())
                    take(sharp, source, sharpBytes);
                return programPath;
            }
        };
        if (!picture.isEmpty())
            w.dibujo = place(ownPictureFolder, lowerOwnPictureFolder, ownPictures, picture, fitted.suffix, fitted.bytes,
                             fitted.sharpBytes);
        if (!sound.isEmpty())
            w.sonido =
                place(ownSoundFolder, lowerOwnSoundFolder, ownSounds, sound, QStringLiteral("wav"), bytesOf(sound), {});

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
                warn(QStringLiteral("no hay dibujo de «%1» en «%2»; el juego la mostrará sin dibujo")
                         .arg(w.nomAy, layered ? lowerPictureFolder.file(w.dibujo) : local));
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
                } else {
                    warn(QStringLiteral("no hay sonido de «%1» en «%2»; se puede generar con --generar-voz")
                             .arg(w.nomAy, layered ? lowerSoundFolder.file(w.sonido) : local));
                }
            }
        }
        words.append(w);
    }
    if (!result.ok())
        return result;
    if (words.isEmpty()) {
        result.errors << QStringLiteral("%1: no hay palabras que importar").arg(csv);
        return result;
    }

    // The media first: a word never reaches the database before its files.
    // Whatever was copied is removed again if the import fails.
    MediaChanges changes(request.groupWritable);
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

    removeStaleCopies(dbPath);
    error = wordsdb::appendWords(dbPath, temporaryPrefix(dbPath), words);
    if (!error.isEmpty()) {
        result.errors << error;
        return result;
    }
    changes.keep();
    result.imported = words.size();
    return result;
}

} // namespace korivanta::wordtool
