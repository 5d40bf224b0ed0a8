#include "wordstore/words_db.h"

#include "database/statement_budget.h"
#include "game/category_queries.h"
#include "game/grapheme_search.h"
#include "media/media_files.h"

#include "wordstore/disk_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextBoundaryFinder>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace korivanta::wordsdb {

namespace {

// Whether a statement was stopped for running too long.
bool stopped(const QSqlError &error)
{
    return (error.nativeErrorCode().toInt() & 0xff) == database::kInterrupted;
}

// 2 when the file's header says WAL mode, 1 for a rollback journal, 0 when unreadable.
int headerJournalVersion(const QString &dbPath)
{
    QFile f(dbPath);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = f.read(20);
    return head.size() == 20 ? int(head[18]) : 0;
}

QString keyOf(const CategoryQuery &c)
{
    static const QRegularExpression key(QStringLiteral("categoria='([^']+)'"));
    return key.match(QString::fromUtf16(c.query)).captured(1);
}

// The letters of `word` that no key's grapheme covers, each once, in the
// order they first appear; a letter comes with its combining accents.
QStringList lettersWithoutKey(const QString &word)
{
    const QList<bool> covered = keyboardCoverage(word);
    QStringList missing;
    QTextBoundaryFinder letters(QTextBoundaryFinder::Grapheme, word);
    for (qsizetype start = 0, end = letters.toNextBoundary(); end > start;
         start = end, end = letters.toNextBoundary()) {
        bool whole = true;
        for (qsizetype i = start; i < end; ++i)
            whole = whole && covered[i];
        const QString letter = word.mid(start, end - start);
        if (!whole && !missing.contains(letter))
            missing.append(letter);
    }
    return missing;
}

// A text as a teacher's spelling of it is compared: without accents, case
// folded, its blanks trimmed and single.
QString folded(const QString &text)
{
    QString plain;
    for (const QChar c : text.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            plain += c;
    return plain.simplified().toCaseFolded();
}

// «a», «b» y «c»
QString quotedList(const QStringList &items)
{
    QStringList quoted;
    for (const QString &i : items)
        quoted << QStringLiteral("«%1»").arg(i == QLatin1String(" ") ? QStringLiteral("espacio") : i);
    if (quoted.size() < 2)
        return quoted.join(QString());
    return quoted.mid(0, quoted.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" y ") + quoted.last();
}

} // namespace

QString spellingProblem(const QString &word)
{
    const QStringList missing = lettersWithoutKey(word);
    if (missing.isEmpty())
        return {};
    QString problem = QStringLiteral("ninguna tecla da %1").arg(quotedList(missing));
    // The keys write small letters, and no accent but the diaeresis of the
    // long vowels: a word that needs only small letters or fewer accents is
    // meant that way ("Wari", "wawá").
    QStringList why;
    QString meant = word.toLower();
    if (meant != word)
        why << QStringLiteral("escriben en minúsculas");
    const QString lower = meant;
    for (const QString &letter : lettersWithoutKey(lower)) {
        QString plain;
        for (const QChar c : letter.normalized(QString::NormalizationForm_D))
            if (c.category() != QChar::Mark_NonSpacing)
                plain += c;
        if (!plain.isEmpty() && plain != letter)
            meant.replace(letter, plain);
    }
    if (meant != lower)
        why << QStringLiteral("no llevan tilde");
    if (!why.isEmpty() && lettersWithoutKey(meant).isEmpty())
        problem += QStringLiteral(" (las teclas %1); ¿quiso decir «%2»?").arg(why.join(QStringLiteral(" y ")), meant);
    return problem;
}

QStringList categoryKeys()
{
    QStringList keys;
    for (const CategoryQuery &c : kCategoryQueries) {
        const QString key = keyOf(c);
        if (!key.isEmpty())
            keys.append(key);
    }
    return keys;
}

QString categoryTitle(const QString &key)
{
    for (const CategoryQuery &c : kCategoryQueries)
        if (c.boardTitle && keyOf(c) == key)
            return QString::fromUtf16(c.boardTitle);
    return {};
}

QString categoryKeyFor(const QString &text)
{
    const QString wanted = folded(text);
    if (wanted.isEmpty())
        return {};
    // The text as written and its singular when it is a plural ("aves",
    // "colores"): one of them is a key or a menu label.
    QStringList forms{wanted};
    if (wanted.endsWith(QLatin1String("es")))
        forms << wanted.chopped(2);
    if (wanted.endsWith(QLatin1Char('s')))
        forms << wanted.chopped(1);
    for (const QString &key : categoryKeys()) {
        const QString title = folded(categoryTitle(key));
        for (const QString &form : forms)
            if (form == key || (!title.isEmpty() && form == title))
                return key;
    }
    return {};
}

QString controlCharacterProblem(const QString &text)
{
    QStringList found;
    for (const QChar c : text) {
        const QString code = QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        if (c.category() == QChar::Other_Control && !found.contains(code))
            found << code;
    }
    if (found.isEmpty())
        return {};
    return QStringLiteral("«%1» tiene caracteres de control (%2), que no se ven: bórrelos")
        .arg(printable(text), found.join(QStringLiteral(", ")));
}

QString printable(QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = QChar(0xFFFD);
    return text;
}

QString checkWord(const QString &nomAy, const QString &nomEsp, const QString &categoria)
{
    for (const QString &text : {nomAy, nomEsp, categoria})
        if (const QString control = controlCharacterProblem(text); !control.isEmpty())
            return control;
    if (nomAy.isEmpty())
        return QStringLiteral("falta la palabra aymara (nom_ay)");
    if (nomEsp.isEmpty())
        return QStringLiteral("falta la palabra en castellano (nom_esp) de «%1»").arg(nomAy);
    const QString spelling = spellingProblem(nomAy);
    if (!spelling.isEmpty())
        return QStringLiteral("la palabra «%1» no se puede escribir con el teclado: %2").arg(nomAy, spelling);
    const QStringList keys = categoryKeys();
    if (!keys.contains(categoria))
        return QStringLiteral("la palabra «%1» tiene una categoría desconocida «%2» (las categorías son: %3)")
            .arg(nomAy, categoria, keys.join(QStringLiteral(", ")));
    return {};
}

QString standardPicture(const QString &nomAy)
{
    return QString::fromUtf16(kWordPictureFolder) + nomAy + QStringLiteral(".bmp");
}

QString standardSound(const QString &nomAy)
{
    return QString::fromUtf16(kWordSoundFolder) + nomAy + QStringLiteral(".wav");
}

bool createTable(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    const QStringList setup = {
        QStringLiteral("PRAGMA journal_mode=DELETE"),
        QStringLiteral("CREATE TABLE nominal (nom_ay TEXT, nom_esp TEXT, categoria TEXT, dibujo TEXT, sonido TEXT)"),
        QStringLiteral("CREATE INDEX nominal_categoria ON nominal (categoria)"),
    };
    for (const QString &s : setup) {
        if (!q.exec(s)) {
            *error = errorText(q.lastError());
            return false;
        }
    }
    return true;
}

bool insertWords(QSqlDatabase &db, const QList<Word> &words, QString *error)
{
    if (!db.transaction()) {
        *error = errorText(db.lastError());
        return false;
    }
    {
        QSqlQuery q(db);
        // Columns by name: a table with more fields than these five takes the
        // words all the same.
        if (!q.prepare(QStringLiteral(
                "INSERT INTO nominal (nom_ay, nom_esp, categoria, dibujo, sonido) VALUES (?, ?, ?, ?, ?)"))) {
            *error = errorText(q.lastError());
            db.rollback();
            return false;
        }
        for (const Word &w : words) {
            q.addBindValue(w.nomAy);
            q.addBindValue(w.nomEsp);
            q.addBindValue(w.categoria);
            q.addBindValue(w.dibujo);
            q.addBindValue(w.sonido);
            if (!q.exec()) {
                *error = errorText(q.lastError());
                q.finish();
                db.rollback();
                return false;
            }
        }
    }
    if (!db.commit()) {
        *error = errorText(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

QString errorText(const QSqlError &error)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == 13) // SQLITE_FULL
        return diskfiles::errorText(ENOSPC);
    if (code == 10) // SQLITE_IOERR
        return diskfiles::errorText(EIO);
    if (code == database::kInterrupted)
        return database::runawayStatementText();
    return error.text();
}

Connection::Connection(const QString &file, bool readOnly)
    : m_name(QStringLiteral("korivanta-palabras-%1").arg(QUuid::createUuid().toString(QUuid::WithoutBraces)))
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    // Another program writing waits this long for the tool, and the tool for it.
    db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=30000")
                                  : QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
}

Connection::~Connection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool Connection::open(QString *error)
{
    QSqlDatabase db = this->db();
    if (!db.open()) {
        *error = errorText(db.lastError());
        return false;
    }
    if (!database::limitStatementWork(db)) {
        db.close();
        *error = QStringLiteral("el controlador de SQLite no da acceso a su conexión");
        return false;
    }
    return true;
}

QSqlDatabase Connection::db() const
{
    return QSqlDatabase::database(m_name, false);
}

QString leaveWalMode(const QString &dbPath)
{
    if (headerJournalVersion(dbPath) != 2)
        return {};
    Connection connection(dbPath, false);
    QSqlDatabase db = connection.db();
    if (QString why; !connection.open(&why))
        return QStringLiteral("no se puede abrir la base de datos «%1» (%2)").arg(dbPath, why);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=DELETE")) || !q.next() ||
        q.value(0).toString().compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
        return QStringLiteral("la base de datos «%1» está en modo WAL y otro programa la tiene abierta; "
                              "ciérrelo y vuelva a intentarlo")
            .arg(dbPath);
    return {};
}

QString appendWords(const QString &dbPath, const QString &copyPrefix, const QList<Word> &words, const QString &top)
{
    return storeWords(dbPath, copyPrefix, words, {}, top);
}

QString storeWords(const QString &dbPath, const QString &copyPrefix, const QList<Word> &added,
                   const QList<WordUpdate> &updated, const QString &top)
{
    return replaceDatabase(
        dbPath, copyPrefix,
        [&](QSqlDatabase &db, QString *error) {
            if (!updated.isEmpty()) {
                QSqlQuery q(db);
                if (!q.prepare(QStringLiteral("UPDATE nominal SET nom_ay = ?, nom_esp = ?, categoria = ?, dibujo = ?, "
                                              "sonido = ? WHERE rowid = ?"))) {
                    *error = QStringLiteral("no se pueden actualizar las palabras (%1)").arg(errorText(q.lastError()));
                    return false;
                }
                for (const WordUpdate &u : updated) {
                    for (const QString &v :
                         {u.word.nomAy, u.word.nomEsp, u.word.categoria, u.word.dibujo, u.word.sonido})
                        q.addBindValue(v);
                    q.addBindValue(u.id);
                    if (!q.exec() || q.numRowsAffected() != 1) {
                        *error = QStringLiteral("no se puede actualizar la palabra «%1» (%2)")
                                     .arg(u.word.nomAy, q.lastError().isValid() ? errorText(q.lastError())
                                                                                : QStringLiteral("ya no está"));
                        return false;
                    }
                }
            }
            if (insertWords(db, added, error))
                return true;
            *error = QStringLiteral("no se pueden agregar las palabras (%1)").arg(*error);
            return false;
        },
        top);
}

QString replaceDatabase(const QString &dbPath, const QString &copyPrefix, const Change &change, const QString &top)
{
    const QFileInfo info(dbPath);
    Connection live(dbPath, false);
    QSqlDatabase liveDb = live.db();
    if (QString why; !live.open(&why))
        return QStringLiteral("no se puede abrir la base de datos «%1» (%2)").arg(dbPath, why);
    // Opened before the lock is taken and closed only after it is released:
    // closing any descriptor of the file would drop the process's POSIX locks
    // on it, SQLite's among them.
    QFile original(dbPath);
    if (!original.open(QIODevice::ReadOnly))
        return QStringLiteral("no se puede leer «%1» (%2)").arg(dbPath, original.errorString());
    QSqlQuery lock(liveDb);
    // The write lock (RESERVED): readers go on reading, no other connection
    // can commit until it is released.
    if (!lock.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return QStringLiteral("otro programa está escribiendo en la base de datos «%1»; inténtelo más tarde (%2)")
            .arg(dbPath, errorText(lock.lastError()));
    const auto release = qScopeGuard([&] { lock.exec(QStringLiteral("ROLLBACK")); });
    if (!lock.exec(QStringLiteral("PRAGMA journal_mode")) || !lock.next() ||
        lock.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("la base de datos «%1» está en modo WAL y otro programa la tiene abierta; "
                              "ciérrelo y vuelva a intentarlo")
            .arg(dbPath);
    lock.finish();

    // The copy is changed in a folder of this program's own, where nobody
    // else can touch it while SQLite works on it, and only then put in place.
    QTemporaryDir own;
    if (!own.isValid())
        return QStringLiteral("no se puede crear una carpeta temporal (%1)").arg(own.errorString());
    const QString copyPath = own.filePath(QStringLiteral("copia.db"));
    {
        QFile copy(copyPath);
        if (!copy.open(QIODevice::WriteOnly))
            return QStringLiteral("no se puede crear una copia temporal de «%1» (%2)").arg(dbPath, copy.errorString());
        while (!original.atEnd()) {
            const QByteArray chunk = original.read(1 << 20);
            if (chunk.isEmpty())
                return QStringLiteral("no se puede leer «%1» (%2)").arg(dbPath, original.errorString());
            if (copy.write(chunk) != chunk.size())
                return QStringLiteral("no se puede copiar «%1» (%2)").arg(dbPath, copy.errorString());
        }
        if (!copy.flush())
            return QStringLiteral("no se puede copiar «%1» (%2)").arg(dbPath, copy.errorString());
    }
    {
        Connection connection(copyPath, false);
        QSqlDatabase db = connection.db();
        QString error;
        if (!connection.open(&error))
            return QStringLiteral("no se puede abrir la copia de la base de datos (%1)").arg(error);
        if (!change(db, &error)) {
            db.close();
            return error;
        }
        db.close();
    }
    if (QFileInfo::exists(copyPath + QStringLiteral("-journal")))
        return QStringLiteral("no se pueden guardar las palabras (%1)").arg(diskfiles::errorText(EIO));
    if (const QString damage = integrityProblem(copyPath); !damage.isEmpty())
        return QStringLiteral("la copia de la base de datos salió dañada (%1)").arg(damage);
    // The database keeps its mode.
    struct stat st {};
    const int mode = ::fstat(original.handle(), &st) == 0 ? int(st.st_mode & 07777) : 0644;
    return diskfiles::placeFile(copyPath, dbPath, copyPrefix, mode, top);
}

QString integrityProblem(const QString &dbPath)
{
    Connection connection(dbPath, true);
    QSqlDatabase db = connection.db();
    if (QString why; !connection.open(&why))
        return why;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA integrity_check")))
        return errorText(q.lastError());
    QStringList problems;
    while (q.next())
        problems << q.value(0).toString();
    if (problems == QStringList{QStringLiteral("ok")})
        return {};
    return problems.isEmpty() ? QStringLiteral("sin respuesta") : problems.join(QStringLiteral("; "));
}

bool readWords(const QString &dbPath, QList<Word> *words, QString *error, QList<qint64> *ids)
{
    if (!QFileInfo(dbPath).isFile()) {
        *error = QStringLiteral("no existe la base de datos de palabras «%1»").arg(dbPath);
        return false;
    }
    Connection connection(dbPath, true);
    QSqlDatabase db = connection.db();
    if (QString why; !connection.open(&why)) {
        *error = QStringLiteral("no se puede abrir la base de datos «%1» (%2)").arg(dbPath, why);
        return false;
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(
            QStringLiteral("SELECT rowid, nom_ay, nom_esp, categoria, dibujo, sonido FROM nominal ORDER BY rowid"))) {
        *error = stopped(q.lastError())
                     ? QStringLiteral("la base de datos «%1» está dañada (%2)").arg(dbPath, errorText(q.lastError()))
                     : QStringLiteral("«%1» no es una base de datos de palabras del juego (%2)")
                           .arg(dbPath, errorText(q.lastError()));
        return false;
    }
    const auto text = [&](int i) { return q.value(i).toString().normalized(QString::NormalizationForm_C); };
    while (q.next()) {
        if (ids)
            ids->append(q.value(0).toLongLong());
        words->append({text(1), text(2), text(3), q.value(4).toString(), q.value(5).toString()});
    }
    if (q.lastError().isValid()) {
        *error =
            stopped(q.lastError())
                ? QStringLiteral("la base de datos «%1» está dañada (%2)").arg(dbPath, errorText(q.lastError()))
                : QStringLiteral("no se puede leer la base de datos «%1» (%2)").arg(dbPath, errorText(q.lastError()));
        return false;
    }
    return true;
}

QString writeDatabase(const QString &dbPath, const QString &copyPrefix, const QList<Word> &words, int mode,
                      const QString &top)
{
    // Made in a folder of this program's own, then put in place in one step.
    QTemporaryDir own;
    if (!own.isValid())
        return QStringLiteral("no se puede crear una carpeta temporal (%1)").arg(own.errorString());
    const QString made = own.filePath(QStringLiteral("palabras.db"));
    {
        Connection connection(made, false);
        QSqlDatabase db = connection.db();
        QString error;
        if (!connection.open(&error))
            return QStringLiteral("no se puede crear la base de datos «%1» (%2)").arg(dbPath, error);
        if (!createTable(db, &error) || !insertWords(db, words, &error)) {
            db.close();
            return QStringLiteral("no se puede escribir la base de datos «%1» (%2)").arg(dbPath, error);
        }
        db.close();
    }
    if (QFileInfo::exists(made + QStringLiteral("-journal")))
        return QStringLiteral("no se puede escribir la base de datos «%1» (%2)").arg(dbPath, diskfiles::errorText(EIO));
    if (const QString damage = integrityProblem(made); !damage.isEmpty())
        return QStringLiteral("la base de datos nueva «%1» salió dañada (%2)").arg(dbPath, damage);
    return diskfiles::placeFile(made, dbPath, copyPrefix, mode, top);
}

} // namespace korivanta::wordsdb
