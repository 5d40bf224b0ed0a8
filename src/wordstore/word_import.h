// Adding words to the game's words database from a teacher's CSV file.
//
// Every row is checked first (the word can be spelled with the keyboard, the
// category is one of the game's, the named picture and sound exist and the
// sound converts into one the game plays, no word is there twice); one bad row
// and nothing is imported. Blank rows are skipped. A word already in the
// database (same Aymara word and category) is updated from its row: its
// Spanish word, and its picture and sound when the row brings them; so a list
// can be imported again and again to bring its words up to date. A list beyond the bounds of csv.h (rows, bytes) is
// refused before any row is checked. Then the named files are
// copied under the media root and the database is replaced in one step: the
// new rows go into a copy beside it, which is synced and renamed over the
// original, so a reader only ever sees the old database or the complete new one.
#pragma once

#include "wordstore/word_picture.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace korivanta::wordtool {

// Speaks a word into a WAV file; returns an error message, or empty.
using SpeakFunction = std::function<QString(const QString &word, const QString &wavPath)>;

struct ImportRequest {
    QString csvPath;
    // The list as the teacher knows it ("paquete clase.korivanta"), named in
    // every message instead of `csvPath`; the files it names are then given
    // relative to the list's folder. Empty: the path itself.
    QString listName;
    QString databasePath; // a local file
    QString mediaRoot;    // the local folder that "c:\Trab_zumel\" names
    // When set, a word without a sound of its own whose standard sound file is
    // missing gets one made by this function.
    SpeakFunction speak;
    // Without `speak`: the warning about a word without sound tells of the
    // terminal option --generar-voz (the word tool), else it says plainly that
    // the game shows the word without voice.
    bool adviseVoiceOption = false;

    // A layer beneath (a school's words over the package's): its words are
    // never changed (a row of one is left as it is, with a note), a file it has counts for a word's standard picture or
    // sound, and no file is ever written under a name it has. Empty: none.
    QString lowerDatabasePath;
    QString lowerMediaRoot;
    // The program folders where a row's own files go (and made voices, when
    // they differ from the standard sound folder); empty: the word list's own
    // (dibujos\ and sonido\palabras\).
    QString pictureFolder, soundFolder;
    // Files written 0664 and folders 2775, for a folder a group shares.
    bool groupWritable = false;
    // The list comes from a word pack: its files may only be the pack's own
    // (relative names inside the list's folder, plain files).
    bool filesInsideList = false;
    // The folder under which no link is followed, nor anything but plain
    // files and folders accepted (the school's folder); empty: the media root.
    QString trustedTop;
};

struct ImportResult {
    QStringList errors;      // one per bad row ("palabras.csv, línea 3: ..."), or a general failure
    QStringList warnings;    // things the game can live with (a word without picture)
    QStringList notes;       // how the file was read (its encoding), rows of the layer beneath's words
    qsizetype added = 0;     // new words
    qsizetype updated = 0;   // words that were there, changed by their rows
    qsizetype unchanged = 0; // words that were there and stayed as they were
    // The program paths of pictures and sounds that updated words no longer
    // name (the store removes those that no word names any more).
    QStringList replacedMedia;
    bool ok() const { return errors.isEmpty(); }
};

ImportResult importWords(const ImportRequest &request);

// The checks an import makes on a row's own files, for one word: why the
// picture cannot be used, or empty (then `fitted` holds it ready to store);
// why the sound cannot be used, or empty: a sound is usable when it converts
// into a WAV the game plays (wordsound), and `digest` then gets the digest of
// that WAV.
QString pictureProblem(const QString &file, const QString &nomAy, wordpicture::Fitted *fitted);
QString soundProblem(const QString &file, const QString &nomAy, QByteArray *digest = nullptr);

// A word as the keyboard writes it: precomposed, trimmed, its apostrophes the
// keyboard's own ' (word processors write ’ or ʼ).
QString keyboardWord(const QString &word);

// The local file that a program path under "c:\Trab_zumel\" names inside
// `mediaRoot`, matching existing folder and file names without regard to case.
QString localMediaPath(const QString &mediaRoot, const QString &programPath);

// The prefix of the temporary copies that an import makes beside the database
// (hidden, and never ending in the database's own name).
QString temporaryPrefix(const QString &databasePath);

// The lock file that keeps two imports into a database apart, beside it.
QString importLockPath(const QString &databasePath);

} // namespace korivanta::wordtool
