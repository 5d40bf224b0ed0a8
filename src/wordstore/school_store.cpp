#include "wordstore/school_store.h"

#include "media/media_paths.h"
#include "media/sharp_pictures.h"
#include "wordstore/disk_files.h"
#include "wordstore/pending_files.h"
#include "wordstore/process_lock.h"
#include "wordstore/word_picture.h"
#include "wordstore/word_sound.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <cerrno>

namespace korivanta::wordstore {

namespace {

// Where the school's own pictures and sounds go: a folder the package never
// has, so that no file of the school's can ever hide one of the package's,
// whatever a later version of the package brings.
const QString kSchoolPictures = QStringLiteral("c:\\Trab_zumel\\escuela\\dibujos\\");
const QString kSchoolSounds = QStringLiteral("c:\\Trab_zumel\\escuela\\sonido\\");
const QString kSchoolMediaPrefix = QStringLiteral("c:\\Trab_zumel\\escuela\\");

QString pairKey(const QString &nomAy, const QString &categoria)
{
    return nomAy + QChar(0x1f) + categoria;
}

// The folder that "c:\Trab_zumel\" names under a drive C.
QString mediaRoot(const QString &driveC)
{
    return MediaPaths(driveC).resolve(QStringLiteral("c:\\Trab_zumel"));
}

QString noPermission(const QString &folder)
{
    return QStringLiteral("no se puede escribir en la carpeta de las palabras de la escuela «%1»: quien la use debe "
                          "pertenecer al grupo korivanta (sudo adduser USUARIO korivanta) o usar sudo")
        .arg(folder);
}

// Why the package's words database cannot be composed with, or empty: checked
// before a change touches anything, so a change is never half made for it.
QString packageProblem(const QString &packageDb)
{
    if (!QFileInfo(packageDb).isFile())
        return QStringLiteral("no existe la base de datos de palabras del paquete «%1»").arg(packageDb);
    if (const QString damage = wordsdb::integrityProblem(packageDb); !damage.isEmpty())
        return QStringLiteral("la base de datos de palabras del paquete «%1» está dañada (%2)").arg(packageDb, damage);
    return {};
}

bool existsHere(const QString &local)
{
    const QFileInfo f(local);
    return f.exists() || f.isSymLink();
}

} // namespace

// One change of the school's words at a time, across programs.
class StoreLock {
public:
    explicit StoreLock(const QString &schoolDir) : m_lock(lockPath(schoolDir), true) {}
    // Takes the lock, then looks over the whole folder: nothing is changed in
    // a folder where someone put a link (or a FIFO) in place of a file or a
    // folder of its own.
    QString take(const QString &schoolDir, const SchoolStore::LockWait &wait)
    {
        const ProcessLock::Result result = wait ? m_lock.tryLock(wait) : m_lock.tryLock(kLockWaitMs);
        if (wait)
            wait(-1);
        switch (result) {
        case ProcessLock::Result::Taken: return diskfiles::untrustedEntry(schoolDir);
        case ProcessLock::Result::Busy:
            return QStringLiteral("otro programa está cambiando las palabras de la escuela; inténtelo más tarde");
        case ProcessLock::Result::NotAFile: return diskfiles::untrustedText(lockPath(schoolDir));
        case ProcessLock::Result::NoPermission: break;
        }
        return noPermission(schoolDir);
    }
    static QString lockPath(const QString &schoolDir)
    {
        return QDir(schoolDir).filePath(QStringLiteral(".palabras-escuela.bloqueo"));
    }

private:
    static constexpr int kLockWaitMs = 10000; // without a wait of the program's own
    ProcessLock m_lock;
};

SchoolStore::SchoolStore(StorePaths paths) : m_paths(std::move(paths)) {}

QList<SchoolWord> SchoolStore::schoolWords(QString *error) const
{
    QString ignored;
    QString &why = error ? *error : ignored;
    why.clear();
    if (!QFileInfo::exists(m_paths.schoolDatabase()))
        return {};
    QList<wordsdb::Word> words;
    QList<qint64> ids;
    if (!wordsdb::readWords(m_paths.schoolDatabase(), &words, &why, &ids))
        return {};
    QList<SchoolWord> school;
    for (qsizetype i = 0; i < words.size(); ++i)
        school.append({ids[i], words[i]});
    return school;
}

QList<wordsdb::Word> SchoolStore::packageWords(QString *error) const
{
    QString ignored;
    QString &why = error ? *error : ignored;
    why.clear();
    QList<wordsdb::Word> words;
    if (!wordsdb::readWords(m_paths.packageDatabase(), &words, &why))
        return {};
    return words;
}

DraftProblems SchoolStore::check(const WordDraft &draft) const
{
    DraftProblems problems;
    const QString nomAy = wordtool::keyboardWord(draft.nomAy);
    const QString nomEsp = draft.nomEsp.trimmed().normalized(QString::NormalizationForm_C);
    const QString categoria = draft.categoria.trimmed();
    if (nomAy.isEmpty())
        problems.nomAy = QStringLiteral("falta la palabra aymara");
    else if (const QString spelling = wordsdb::spellingProblem(nomAy); !spelling.isEmpty())
        problems.nomAy = QStringLiteral("la palabra «%1» no se puede escribir con el teclado: %2").arg(nomAy, spelling);
    if (nomEsp.isEmpty())
        problems.nomEsp = QStringLiteral("falta la palabra en castellano");
    else if (const QString control = wordsdb::controlCharacterProblem(nomEsp); !control.isEmpty())
        problems.nomEsp = control;
    if (!wordsdb::categoryKeys().contains(categoria))
        problems.categoria = QStringLiteral("la categoría «%1» no es una de estas: %2")
                                 .arg(categoria, wordsdb::categoryKeys().join(QStringLiteral(", ")));
    else if (wordsdb::categoryTitle(categoria).isEmpty())
        problems.warnings << QStringLiteral("la categoría «%1» no tiene botón en el menú: la palabra solo aparecerá en "
                                            "el juego cuando no se elija ninguna categoría")
                                 .arg(categoria);

    if (problems.nomAy.isEmpty() && problems.categoria.isEmpty()) {
        QString error;
        const QString key = pairKey(nomAy, categoria);
        const QList<wordsdb::Word> package = packageWords(&error);
        if (!error.isEmpty())
            problems.warnings << error;
        for (const wordsdb::Word &w : package)
            if (pairKey(w.nomAy, w.categoria) == key)
                problems.nomAy = QStringLiteral("la palabra «%1» ya está entre las palabras del juego, en la categoría "
                                                "«%2»")
                                     .arg(nomAy, categoria);
        const QList<SchoolWord> school = schoolWords(&error);
        if (!error.isEmpty())
            problems.warnings << error;
        for (const SchoolWord &s : school)
            if (s.id != draft.id && pairKey(s.word.nomAy, s.word.categoria) == key)
                problems.nomAy = QStringLiteral("la palabra «%1» ya está entre las palabras de la escuela, en la "
                                                "categoría «%2»")
                                     .arg(nomAy, categoria);
    }
    const QString name = nomAy.isEmpty() ? draft.nomAy : nomAy;
    if (!draft.pictureFile.isEmpty()) {
        wordpicture::Fitted fitted;
        problems.picture = wordtool::pictureProblem(draft.pictureFile, name, &fitted);
    }
    if (!draft.soundFile.isEmpty())
        problems.sound = soundProblem(draft.soundFile, name);
    return problems;
}

QString SchoolStore::soundProblem(const QString &file, const QString &nomAy) const
{
    // A form checks its draft on every key typed: the sound is converted again
    // only when it is another file, or the file has changed.
    const QFileInfo info(file);
    const SoundCheck key{file, nomAy, info.size(), info.lastModified(), {}};
    if (!(m_lastSoundCheck.file == key.file && m_lastSoundCheck.nomAy == key.nomAy &&
          m_lastSoundCheck.size == key.size && m_lastSoundCheck.modified == key.modified)) {
        m_lastSoundCheck = key;
        m_lastSoundCheck.problem = wordtool::soundProblem(file, nomAy);
    }
    return m_lastSoundCheck.problem;
}

QString SchoolStore::save(const WordDraft &draft, qint64 *id, SaveConflict *conflict)
{
    if (conflict)
        *conflict = SaveConflict::None;
    const DraftProblems problems = check(draft);
    if (!problems.ok()) {
        QStringList all;
        for (const QString &p : {problems.nomAy, problems.nomEsp, problems.categoria, problems.picture, problems.sound})
            if (!p.isEmpty())
                all << p;
        return all.join(QStringLiteral("; "));
    }
    QString error = prepareFolder();
    if (!error.isEmpty())
        return error;
    StoreLock lock(m_paths.schoolDir);
    if (error = takeLock(lock); !error.isEmpty())
        return error;
    if (error = packageProblem(m_paths.packageDatabase()); !error.isEmpty())
        return error;
    if (error = prepareDatabase(); !error.isEmpty())
        return error;

    const QList<SchoolWord> school = schoolWords(&error);
    if (!error.isEmpty())
        return error;
    wordsdb::Word word{wordtool::keyboardWord(draft.nomAy),
                       draft.nomEsp.trimmed().normalized(QString::NormalizationForm_C), draft.categoria.trimmed(),
                       wordsdb::standardPicture(wordtool::keyboardWord(draft.nomAy)),
                       wordsdb::standardSound(wordtool::keyboardWord(draft.nomAy))};
    wordsdb::Word before;
    if (draft.id != 0) {
        const auto it =
            std::find_if(school.cbegin(), school.cend(), [&](const SchoolWord &s) { return s.id == draft.id; });
        if (it == school.cend()) {
            if (conflict)
                *conflict = SaveConflict::Deleted;
            return QStringLiteral("la palabra que se quiere cambiar ya no está entre las palabras de la escuela");
        }
        if (draft.shown && *draft.shown != it->word) {
            if (conflict)
                *conflict = SaveConflict::Changed;
            return QStringLiteral("otro programa o ventana cambió la palabra «%1» después de abrirla aquí")
                .arg(it->word.nomAy);
        }
        before = it->word;
        word.dibujo = before.dibujo;
        word.sonido = before.sonido;
    }

    // The new files first, under names that neither layer has.
    PendingFiles written(m_paths.schoolDir, true);
    const QString schoolRoot = mediaRoot(m_paths.schoolDriveC());
    const QString packageRoot = mediaRoot(m_paths.packageDriveC);
    const auto place = [&](const QString &programFolder, const QString &suffix, const QByteArray &bytes,
                           const QByteArray &sharpBytes, QString *programPath) -> QString {
        for (int n = 1;; ++n) {
            const QString candidate = programFolder + word.nomAy + (n > 1 ? QStringLiteral("-%1").arg(n) : QString()) +
                                      QLatin1Char('.') + suffix;
            const QString local = wordtool::localMediaPath(schoolRoot, candidate);
            const QString lower = wordtool::localMediaPath(packageRoot, candidate);
            // A folder the media paths refuse (one that leads elsewhere) is
            // never taken as an empty path.
            if (schoolRoot.isEmpty() || local.isEmpty())
                return QStringLiteral("la carpeta de «%1» en las palabras de la escuela no se puede usar: es un enlace "
                                      "o no es una carpeta")
                    .arg(candidate);
            if (existsHere(local) || existsHere(lower) || existsHere(sharpName(local)) || existsHere(sharpName(lower)))
                continue;
            QString writeError = written.makeFolder(QFileInfo(local).absolutePath());
            if (writeError.isEmpty())
                writeError = written.write(local, bytes);
            if (writeError.isEmpty() && !sharpBytes.isEmpty())
                writeError = written.write(sharpName(local), sharpBytes);
            if (!writeError.isEmpty())
                return writeError;
            *programPath = candidate;
            return {};
        }
    };
    if (!draft.pictureFile.isEmpty()) {
        const wordpicture::Fitted fitted = wordpicture::fit(draft.pictureFile);
        if (!fitted.error.isEmpty())
            return fitted.error;
        error = place(kSchoolPictures, fitted.suffix, fitted.bytes, fitted.sharpBytes, &word.dibujo);
        if (!error.isEmpty())
            return error;
    }
    if (!draft.soundFile.isEmpty()) {
        // What is stored is the sound as the game plays it.
        const wordsound::Converted sound = wordsound::convert(draft.soundFile, true);
        if (!sound.problem.isEmpty())
            return QStringLiteral("el sonido «%1» %2").arg(draft.soundFile, sound.problem);
        error = place(kSchoolSounds, QStringLiteral("wav"), sound.wav, {}, &word.sonido);
        if (!error.isEmpty())
            return error;
    }

    // The files take their names together, right before the row that names them.
    if (error = written.putInPlace(); !error.isEmpty())
        return error;
    qint64 savedId = draft.id;
    error = wordsdb::replaceDatabase(
        m_paths.schoolDatabase(), wordtool::temporaryPrefix(m_paths.schoolDatabase()),
        [&](QSqlDatabase &db, QString *why) {
            QSqlQuery q(db);
            if (draft.id == 0) {
                q.prepare(QStringLiteral(
                    "INSERT INTO nominal (nom_ay, nom_esp, categoria, dibujo, sonido) VALUES (?, ?, ?, ?, ?)"));
            } else {
                q.prepare(QStringLiteral("UPDATE nominal SET nom_ay = ?, nom_esp = ?, categoria = ?, dibujo = ?, "
                                         "sonido = ? WHERE rowid = ?"));
            }
            for (const QString &v : {word.nomAy, word.nomEsp, word.categoria, word.dibujo, word.sonido})
                q.addBindValue(v);
            if (draft.id != 0)
                q.addBindValue(draft.id);
            if (!q.exec()) {
                *why = QStringLiteral("no se puede guardar la palabra (%1)").arg(q.lastError().text());
                return false;
            }
            if (draft.id == 0)
                savedId = q.lastInsertId().toLongLong();
            return true;
        },
        m_paths.schoolDir);
    if (!error.isEmpty())
        return error;
    written.keep();
    if (id)
        *id = savedId;

    if (draft.id != 0)
        removeUnusedMedia({before.dibujo, before.sonido});
    return composeLocked();
}

QString SchoolStore::remove(qint64 id)
{
    if (!QFileInfo::exists(m_paths.schoolDatabase()))
        return QStringLiteral("la escuela no tiene palabras propias");
    StoreLock lock(m_paths.schoolDir);
    if (const QString error = takeLock(lock); !error.isEmpty())
        return error;
    QString error = packageProblem(m_paths.packageDatabase());
    if (!error.isEmpty())
        return error;
    const QList<SchoolWord> school = schoolWords(&error);
    if (!error.isEmpty())
        return error;
    const auto it = std::find_if(school.cbegin(), school.cend(), [&](const SchoolWord &s) { return s.id == id; });
    if (it == school.cend())
        return QStringLiteral("la palabra ya no está entre las palabras de la escuela");
    const wordsdb::Word gone = it->word;
    error = wordsdb::replaceDatabase(
        m_paths.schoolDatabase(), wordtool::temporaryPrefix(m_paths.schoolDatabase()),
        [&](QSqlDatabase &db, QString *why) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("DELETE FROM nominal WHERE rowid = ?"));
            q.addBindValue(id);
            if (q.exec())
                return true;
            *why = QStringLiteral("no se puede borrar la palabra (%1)").arg(q.lastError().text());
            return false;
        },
        m_paths.schoolDir);
    if (!error.isEmpty())
        return error;
    removeUnusedMedia({gone.dibujo, gone.sonido});
    return composeLocked();
}

wordtool::ImportResult SchoolStore::importCsv(const QString &csvPath, const wordtool::SpeakFunction &speak,
                                              bool fromPack, const QString &listName, bool adviseVoiceOption)
{
    wordtool::ImportResult result;
    QString error = prepareFolder();
    StoreLock lock(m_paths.schoolDir);
    if (error.isEmpty())
        error = takeLock(lock);
    if (error.isEmpty())
        error = packageProblem(m_paths.packageDatabase());
    if (error.isEmpty())
        error = prepareDatabase();
    if (!error.isEmpty()) {
        result.errors << error;
        return result;
    }
    wordtool::ImportRequest request;
    request.csvPath = csvPath;
    request.databasePath = m_paths.schoolDatabase();
    request.mediaRoot = mediaRoot(m_paths.schoolDriveC());
    request.speak = speak;
    request.lowerDatabasePath = m_paths.packageDatabase();
    request.lowerMediaRoot = mediaRoot(m_paths.packageDriveC);
    request.pictureFolder = kSchoolPictures;
    request.soundFolder = kSchoolSounds;
    request.groupWritable = true;
    request.trustedTop = m_paths.schoolDir;
    request.filesInsideList = fromPack;
    request.listName = listName;
    request.adviseVoiceOption = adviseVoiceOption;
    result = wordtool::importWords(request);
    if (!result.ok())
        return result;
    // The files that updated words stopped naming, once the change is in.
    removeUnusedMedia(result.replacedMedia);
    error = composeLocked();
    if (!error.isEmpty())
        result.warnings << QStringLiteral("las palabras se guardaron entre las de la escuela, pero el juego aún no las "
                                          "ve: %1 (vuelva a intentarlo con «korivanta-palabras componer»)")
                               .arg(error);
    return result;
}

QString SchoolStore::compose()
{
    if (!QFileInfo::exists(m_paths.schoolDatabase()) && !QFileInfo::exists(m_paths.composedDatabase()))
        return {};
    StoreLock lock(m_paths.schoolDir);
    if (const QString error = takeLock(lock); !error.isEmpty())
        return error;
    return composeLocked();
}

QString SchoolStore::composeLocked()
{
    QString error;
    const QList<SchoolWord> school = schoolWords(&error);
    if (!error.isEmpty())
        return error;
    const QString composed = m_paths.composedDatabase();
    // A school without words needs no words of its own; once it had some,
    // the composed file follows the package's words alone.
    if (school.isEmpty() && !QFileInfo::exists(composed))
        return {};
    // The package's words must be read whole before anything is written: a
    // missing or damaged package database leaves the composed one as it is.
    if (error = packageProblem(m_paths.packageDatabase()); !error.isEmpty())
        return error;
    QList<wordsdb::Word> words = packageWords(&error);
    if (!error.isEmpty())
        return error;
    QSet<QString> inPackage;
    for (const wordsdb::Word &w : words)
        inPackage.insert(pairKey(w.nomAy, w.categoria));
    for (const SchoolWord &s : school)
        if (!inPackage.contains(pairKey(s.word.nomAy, s.word.categoria)))
            words.append(s.word);

    const QString folder = QFileInfo(composed).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        if (!QFileInfo(m_paths.schoolDriveC()).isDir())
            error = diskfiles::makeFolder(m_paths.schoolDriveC(), true, m_paths.schoolDir);
        if (error.isEmpty())
            error = diskfiles::makeFolder(folder, true, m_paths.schoolDir);
        if (!error.isEmpty())
            return QStringLiteral("no se puede crear la carpeta «%1»: %2").arg(folder, error);
    }
    const QString prefix = QStringLiteral(".diccionario.mdb.componiendo-");
    // Copies that a killed run left behind.
    diskfiles::removeFilesStartingWith(folder, prefix, m_paths.schoolDir);
    return wordsdb::writeDatabase(composed, prefix, words, 0664, m_paths.schoolDir);
}

QString SchoolStore::prepareFolder()
{
    const QString dir = m_paths.schoolDir;
    if (!QFileInfo(dir).isDir()) {
        const QString parent = QFileInfo(dir).absolutePath();
        if (!QDir().mkpath(parent))
            return QStringLiteral("no se puede crear la carpeta «%1»").arg(parent);
        if (const QString error = diskfiles::makeFolder(dir, true); !error.isEmpty() && !QFileInfo(dir).isDir())
            return QStringLiteral("no se puede crear la carpeta «%1»: %2").arg(dir, error);
    }
    if (!QFileInfo(dir).isWritable())
        return noPermission(dir);
    return {};
}

QString SchoolStore::prepareDatabase()
{
    if (QFileInfo::exists(m_paths.schoolDatabase()))
        return {};
    const QString error = wordsdb::writeDatabase(
        m_paths.schoolDatabase(), wordtool::temporaryPrefix(m_paths.schoolDatabase()), {}, 0664, m_paths.schoolDir);
    return error.isEmpty() || QFileInfo::exists(m_paths.schoolDatabase()) ? QString() : error;
}

QString SchoolStore::takeLock(StoreLock &lock)
{
    const QString error = lock.take(m_paths.schoolDir, m_lockWait);
    if (error.isEmpty())
        removeLeftovers();
    return error;
}

void SchoolStore::removeLeftovers()
{
    // The lock file of an import killed while it held it: let go of already
    // (the kernel saw to that), taken and removed as any holder removes it.
    const QString importLock = wordtool::importLockPath(m_paths.schoolDatabase());
    ProcessLock stale(importLock, true);
    if (QFileInfo::exists(importLock) && stale.tryLock(0) == ProcessLock::Result::Taken)
        stale.unlock();
    // Copies of the school's database that a killed change left beside it.
    diskfiles::removeFilesStartingWith(m_paths.schoolDir, wordtool::temporaryPrefix(m_paths.schoolDatabase()),
                                       m_paths.schoolDir);

    // Only with the school's words in hand can a file be known as unused.
    QString error;
    const QList<SchoolWord> school = schoolWords(&error);
    const QString schoolRoot = mediaRoot(m_paths.schoolDriveC());
    if (!error.isEmpty() || schoolRoot.isEmpty())
        return;
    QSet<QString> used;
    for (const SchoolWord &s : school) {
        for (const QString &p : {s.word.dibujo, s.word.sonido}) {
            if (!p.startsWith(kSchoolMediaPrefix, Qt::CaseInsensitive))
                continue;
            const QString local = wordtool::localMediaPath(schoolRoot, p);
            if (!local.isEmpty())
                used << QDir::cleanPath(local) << QDir::cleanPath(sharpName(local));
        }
    }
    // The folders of the school's own pictures and sounds hold only what
    // its words name.
    for (const QString &folder : {kSchoolPictures, kSchoolSounds}) {
        const QString local = wordtool::localMediaPath(schoolRoot, folder.chopped(1));
        if (local.isEmpty() || !QFileInfo(local).isDir())
            continue;
        QDirIterator media(local, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (media.hasNext()) {
            const QString file = QDir::cleanPath(media.next());
            if (!used.contains(file))
                diskfiles::removeFile(file, m_paths.schoolDir);
        }
    }
}

void SchoolStore::removeUnusedMedia(const QStringList &programPaths)
{
    QString error;
    const QList<SchoolWord> school = schoolWords(&error);
    if (!error.isEmpty())
        return;
    QSet<QString> used;
    for (const SchoolWord &s : school)
        used << s.word.dibujo.toCaseFolded() << s.word.sonido.toCaseFolded();
    const QString schoolRoot = mediaRoot(m_paths.schoolDriveC());
    for (const QString &p : programPaths) {
        // Only the school's own files: never a standard name, which the
        // package's drive may hold.
        if (!p.startsWith(kSchoolMediaPrefix, Qt::CaseInsensitive) || used.contains(p.toCaseFolded()))
            continue;
        const QString local = wordtool::localMediaPath(schoolRoot, p);
        if (local.isEmpty())
            continue;
        diskfiles::removeFile(local, m_paths.schoolDir);
        diskfiles::removeFile(sharpName(local), m_paths.schoolDir);
    }
}

QString SchoolStore::localFile(const QString &programPath) const
{
    return MediaPaths(m_paths.schoolDriveC(), m_paths.packageDriveC).resolve(programPath);
}

} // namespace korivanta::wordstore
