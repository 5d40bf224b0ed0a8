// The school's own words, kept apart from the package's files.
//
// The package installs its words database and media (its "drive C") under
// /usr/share/korivanta/drive_c and replaces them on every upgrade. What a
// school adds lives in the school's folder, which the package never overwrites:
//
//   <school>/palabras-escuela.db        the school's rows (table nominal, as
//                                        the package's words database has it)
//   <school>/drive_c/Trab_zumel/escuela/{dibujos,sonido}/...
//                                        the school's pictures and sounds, at
//                                        the program paths its rows name (a
//                                        folder the package never has, so no
//                                        school file hides a package file)
//   <school>/drive_c/Trab_zumel/diccionario.mdb
//                                        the words the game reads: the package's
//                                        rows, then the school's, composed anew
//                                        whenever either side changes
//
// The game reads one drive C made of two layers: the school's drive C over the
// package's (a file is taken from the school's when it is there). While the
// school has no composed database the game reads the package's drive alone.
//
// Files are written group-writable (0664, folders 2775) so that the members of
// the group that owns the school's folder can all change the words. Tests make
// a store over two temporary folders: SchoolStore({packageDriveC, schoolDir}).
//
// Every change is all or nothing: media files are written first under names
// no row uses yet, then the school's database is replaced in one step, then
// the composed database is replaced in one step; a crash at any point leaves
// the words as they were before or after.
#pragma once

#include "wordstore/word_import.h"
#include "wordstore/words_db.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace korivanta::wordstore {

class StoreLock; // one change of the school's words at a time

// Where a program finds the package's words and the school's.
struct StorePaths {
    QString packageDriveC; // the package's drive C (read only for the store)
    QString schoolDir;     // the school's folder

    QString schoolDatabase() const;   // <school>/palabras-escuela.db
    QString schoolDriveC() const;     // <school>/drive_c
    QString composedDatabase() const; // <school>/drive_c/Trab_zumel/diccionario.mdb
    QString packageDatabase() const;  // <package drive C>/Trab_zumel/diccionario.mdb

    // The package's drive C as the game finds it from its executable's folder
    // (MediaPaths::locateDriveC); the school's folder is $KORIVANTA_ESCUELA
    // when set, else /var/lib/korivanta for an installed program (its drive C
    // under ../share), else "escuela" beside the executable (a build tree).
    static StorePaths locate(const QString &executableDir);
};

// One of the school's words: its row id in the school's database and its row.
struct SchoolWord {
    qint64 id = 0;
    wordsdb::Word word; // picture and sound as program paths ("c:\Trab_zumel\dibujos\x.png")
    bool operator==(const SchoolWord &) const = default;
};

// A new or changed word as a teacher gives it.
struct WordDraft {
    qint64 id = 0; // 0: a new word; else the school word it replaces
    QString nomAy, nomEsp, categoria;
    // A local picture (BMP, GIF, JPEG, PNG) to fit into the frame and store;
    // empty keeps the word's current picture (a new word: the standard name).
    QString pictureFile;
    // A local sound file (WAV or another that libsndfile reads) to store,
    // converted into the game's WAV format (wordsound); empty keeps the
    // current sound (a new word: the standard name).
    QString soundFile;
    // The word as the teacher saw it when the form opened. When given, a save
    // that finds the stored word different or gone (another window or program
    // changed or deleted it since) changes nothing and says so.
    std::optional<wordsdb::Word> shown = std::nullopt;
};

// Why a save found the word changed under it.
enum class SaveConflict { None, Changed, Deleted };

// Why a draft cannot be saved, field by field (Spanish sentences; empty when
// the field is fine). Warnings do not stop a save.
struct DraftProblems {
    QString nomAy, nomEsp, categoria, picture, sound;
    QStringList warnings; // e.g. a category without a menu button
    bool ok() const
    {
        return nomAy.isEmpty() && nomEsp.isEmpty() && categoria.isEmpty() && picture.isEmpty() && sound.isEmpty();
    }
};

class SchoolStore {
public:
    explicit SchoolStore(StorePaths paths);

    const StorePaths &paths() const { return m_paths; }

    // What a change does while another program holds the school's words:
    // asked again and again with the milliseconds waited so far, it pauses a
    // little (a window runs its events meanwhile) and says whether to keep
    // waiting; once the lock is taken or given up it is called with -1.
    // Without one a change waits up to ten seconds, asleep.
    using LockWait = std::function<bool(qint64 waitedMs)>;
    void setLockWait(LockWait wait) { m_lockWait = std::move(wait); }

    // The school's words in the order the game shows them (empty when the
    // school has none yet); the package's words, read only.
    QList<SchoolWord> schoolWords(QString *error) const;
    QList<wordsdb::Word> packageWords(QString *error) const;

    // The checks an import makes, for one draft: the word can be spelled with
    // the keys, the category is one of the nine, the Spanish word is given,
    // no other word (package's or school's) has the same Aymara word in the
    // same category, the files can be read and are what they claim.
    DraftProblems check(const WordDraft &draft) const;

    // Saves a draft (checked first) and composes the game's words again.
    // Returns why it failed, or empty; `id` gets the saved word's id, and
    // `conflict` whether the word was changed or deleted since it was shown.
    QString save(const WordDraft &draft, qint64 *id = nullptr, SaveConflict *conflict = nullptr);
    // Deletes a school word, its media, and composes again.
    QString remove(qint64 id);

    // Adds the words of a teacher's CSV file (or of an unpacked word pack) to
    // the school's words, with the checks and media handling of an import,
    // all of them or none, and composes again. A school word the list has
    // already is updated from its row; pictures and sounds it no longer names
    // are removed. The package's words are left as they are.
    // `fromPack`: the list is an unpacked word pack's, which may only name
    // the pack's own files. `listName`, `adviseVoiceOption`: as ImportRequest's.
    wordtool::ImportResult importCsv(const QString &csvPath, const wordtool::SpeakFunction &speak = {},
                                     bool fromPack = false, const QString &listName = {},
                                     bool adviseVoiceOption = false);

    // Composes the game's words from the package's and the school's: the
    // package's rows in their order, then the school's (a school word that
    // the package now has too, same Aymara word and category, is left out).
    // Does nothing, and succeeds, while the school has no words. Returns why
    // it failed, or empty.
    QString compose();

    // The local file of a program path: the school's drive C first, then the
    // package's (as the game resolves it).
    QString localFile(const QString &programPath) const;

private:
    QString composeLocked();
    QString prepareFolder();   // the school's folder, made when missing
    QString prepareDatabase(); // an empty school database, made when missing
    // Deletes the school's own files among these program paths that no
    // school word names any more.
    void removeUnusedMedia(const QStringList &programPaths);
    // Takes the lock on the school's words, then removes what a change killed
    // before it finished left behind: hidden temporary files, and files of the
    // school's own pictures and sounds that no word names.
    QString takeLock(StoreLock &lock);
    void removeLeftovers();
    // The import's check of a sound, remembered for the last file checked.
    QString soundProblem(const QString &file, const QString &nomAy) const;

    StorePaths m_paths;
    LockWait m_lockWait;
    struct SoundCheck {
        QString file, nomAy;
        qint64 size = -1;
        QDateTime modified;
        QString problem;
    };
    mutable SoundCheck m_lastSoundCheck;
};

} // namespace korivanta::wordstore
