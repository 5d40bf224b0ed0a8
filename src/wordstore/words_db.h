// The words database as the tools write it: table nominal with its index on
// categoria, the rules a new word must meet before it goes in, and the picture
// and sound names a word gets under the media root.
#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

#include <functional>

namespace korivanta::wordsdb {

// One row of table nominal.
struct Word {
    QString nomAy, nomEsp, categoria, dibujo, sonido;
    bool operator==(const Word &) const = default;
};

// The nine category keys, in the order of their codes (1 to 9), as the game's
// category queries name them.
QStringList categoryKeys();
// The title the menu and the board give a category key; empty when the menu
// has no option for it.
QString categoryTitle(const QString &key);
// The category key a teacher's text names: a key or a menu label, singular or
// plural, in any case, with or without accents ("Animales", "INSECTO",
// "Colores", "aves" and "ave" all name their key); empty when it names none.
QString categoryKeyFor(const QString &text);

// Why the keyboard cannot spell a word, in Spanish: each letter (a letter with
// its accents) that no key's grapheme covers, and the spelling meant when it
// is obvious ("ninguna tecla da «W»; ¿quiso decir «wari»? ..."). Empty when
// the word can be spelled.
QString spellingProblem(const QString &word);

// Why a word cannot go into the database, in Spanish ("la palabra «x» no se
// puede escribir con el teclado: ninguna tecla da «h»"); empty when it can. The texts are compared
// as given: callers bring them to the precomposed form first.
QString checkWord(const QString &nomAy, const QString &nomEsp, const QString &categoria);

// Why a text cannot be a word, a name or a file name because it holds
// control characters (a line break, ESC, ...), which no one sees and which
// would reach a terminal or the screen as they are: names them ("U+001B");
// empty when it holds none.
QString controlCharacterProblem(const QString &text);
// The text with each control character shown as "�", fit to print.
QString printable(QString text);

// The program paths of a word's picture and sound when the word list names no
// files of its own: "c:\Trab_zumel\dibujos\<word>.bmp" and
// "c:\Trab_zumel\sonido\palabras\<word>.wav".
QString standardPicture(const QString &nomAy);
QString standardSound(const QString &nomAy);

// Creates table nominal and its index in an empty database.
bool createTable(QSqlDatabase &db, QString *error);
// Appends the words, in order, in one transaction: all of them or none.
bool insertWords(QSqlDatabase &db, const QList<Word> &words, QString *error);

// The words of an SQLite error: in Spanish when the disk is the cause or when
// a statement was stopped for running too long, else SQLite's own.
QString errorText(const QSqlError &error);

// A named SQLite connection to a file, removed again when it goes out of scope.
class Connection {
public:
    Connection(const QString &file, bool readOnly);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;
    // Opens the file with every statement's work bounded
    // (database/statement_budget.h): a database made with a query that never
    // ends gets an error, not a program that hangs. False, with the reason
    // in `error`, when it cannot.
    bool open(QString *error);
    QSqlDatabase db() const;

private:
    QString m_name;
};

// A database in WAL mode keeps its last changes in "<file>-wal", which a copy
// of the file alone would miss and which a stale "-wal" would later overwrite:
// such a database is checkpointed and turned back to a rollback journal (its
// rows unchanged, the "-wal" and "-shm" files gone). Refused, with the reason,
// while another program has it open. Returns why it failed, or empty.
QString leaveWalMode(const QString &dbPath);

// Appends the words to the database file in one step that a reader, a crash
// or another writer cannot split: the database's write lock is held from the
// moment its bytes are copied into a private folder of this program's until
// that copy, with the words added, has been written to a hidden file beside
// the database (named from `copyPrefix`), synced and renamed over it. Another
// connection's write waits for the lock; one opened before the replacement
// then gets an error (the database moved) instead of writing into the old
// file. The database's folder is reached below `top` without following links
// (diskfiles). Returns why it failed, or empty; on failure the database is
// unchanged.
QString appendWords(const QString &dbPath, const QString &copyPrefix, const QList<Word> &words,
                    const QString &top = {});

// A stored word changed in place: its row id and its new row.
struct WordUpdate {
    qint64 id = 0;
    Word word;
};
// Like appendWords, and in the same single step: appends `added` and rewrites
// the rows of `updated` (by row id). Returns why it failed, or empty; on
// failure the database is unchanged.
QString storeWords(const QString &dbPath, const QString &copyPrefix, const QList<Word> &added,
                   const QList<WordUpdate> &updated, const QString &top = {});

// A change made to a copy of a database before it replaces the original:
// returns false with the reason in `error` to leave the original as it is.
using Change = std::function<bool(QSqlDatabase &db, QString *error)>;
// The step appendWords makes, for any change: the copy, changed, checked
// (PRAGMA integrity_check), synced and renamed over the database while its
// write lock is held. Returns why it failed, or empty.
QString replaceDatabase(const QString &dbPath, const QString &copyPrefix, const Change &change,
                        const QString &top = {});

// Writes a new database at `dbPath` (replacing whatever is there in one step)
// holding table nominal with these words, the file's mode `mode`; the new
// file is made in a private folder and checked with PRAGMA integrity_check
// before it takes the place (diskfiles::placeFile, below `top`).
// Returns why it failed, or empty; on failure `dbPath` is unchanged.
QString writeDatabase(const QString &dbPath, const QString &copyPrefix, const QList<Word> &words, int mode,
                      const QString &top = {});

// Why SQLite finds the database file damaged (PRAGMA integrity_check), or
// empty when it is sound.
QString integrityProblem(const QString &dbPath);

// The rows of table nominal in the order they were stored; `ids` (when
// given) gets each row's rowid. False, with the reason, when the file is no
// words database.
bool readWords(const QString &dbPath, QList<Word> *words, QString *error, QList<qint64> *ids = nullptr);

} // namespace korivanta::wordsdb
