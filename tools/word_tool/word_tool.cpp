#include "word_tool/word_tool.h"

#include "game/category_queries.h"
#include "game/grapheme_search.h"
#include "media/media_files.h"
#include "media/media_paths.h"
#include "wordstore/import_counts.h"
#include "wordstore/root_drop.h"
#include "wordstore/school_store.h"
#include "wordstore/word_import.h"
#include "wordstore/word_pack.h"
#include "wordstore/word_voice.h"
#include "wordstore/words_db.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTextStream>

namespace korivanta::wordtool {

namespace {

const char kHelp[] = R"(korivanta-palabras: las palabras del juego KORIVANTA

Uso:
  korivanta-palabras listar [--base RUTA]
      Muestra las categorías y sus palabras (aymara — castellano), en el orden
      en que el juego las presenta: las del juego y, después, las de la
      escuela, marcadas con «(escuela)».

  korivanta-palabras importar ARCHIVO.csv [--generar-voz]
      Agrega las palabras de un archivo CSV a las palabras de la escuela, que
      se guardan aparte de los archivos del juego y se conservan al
      reinstalarlo o actualizarlo:
          %3
      Para escribir allí hay que ser del grupo korivanta (el administrador lo
      da con «sudo adduser USUARIO korivanta»; vale desde el próximo inicio de
      sesión) o usar sudo. La primera línea del archivo es
          nom_ay,nom_esp,categoria,dibujo,sonido
      El archivo puede estar en UTF-8 (con o sin BOM) o en Windows-1252
      (Latin-1), con las columnas separadas por comas, punto y coma o
      tabuladores, como lo guarda una hoja de cálculo.
      Una lista tiene como mucho 50000 palabras y ocupa como mucho 10 MB.
      Las columnas dibujo y sonido son optativas: si una fila trae un archivo
      (un dibujo BMP, GIF, JPEG o PNG; un sonido WAV, FLAC, OGG, AIFF, MP3...),
      se copia a la carpeta de la escuela como escuela/dibujos/<palabra>.<ext>
      o escuela/sonido/<palabra>.wav (o <palabra>-2.<ext>, ... si ese nombre
      ya lo usa otro archivo). Un dibujo que no tiene la forma del marco del
      juego se centra en un lienzo de esa forma, sin deformarlo. Un sonido se
      guarda como lo reproduce el juego: WAV PCM de 16 bits (uno que no lo es
      se convierte a un canal y, si hace falta, a otra frecuencia de
      muestreo); uno que dura más de 30 segundos, está cortado o no se puede
      leer como sonido se rechaza. Una ruta
      relativa se toma desde la carpeta del archivo CSV. Sin archivo, la
      palabra usa dibujos/<palabra>.bmp y sonido/palabras/<palabra>.wav.
      Cada palabra debe poder escribirse con las 32 teclas del juego (el
      apóstrofo ’ o ʼ se guarda como el ' del teclado), y su
      categoría debe ser una de estas:
          %1
      (cuerpo, ave, alimento y hogar no tienen botón en el menú: sus palabras
      solo aparecen en el juego cuando no se elige ninguna categoría).
      La categoría vale también como la dice el menú, en singular o plural,
      con o sin mayúsculas y tildes (Animales, Insecto, COLORES). Los títulos
      de las columnas valen también en castellano (Palabra, Castellano,
      Categoría, Imagen, Audio o Voz). Las filas en blanco se saltan.
      Una lista se puede importar otra vez: una palabra que ya está entre las
      de la escuela, en la misma categoría, se actualiza con su fila (la
      palabra en castellano y, si la fila los trae, el dibujo y el sonido);
      una que ya trae el juego queda como estaba. Al final se dice cuántas se
      agregaron, cuántas se actualizaron y cuántas quedaron como estaban.
      Si alguna fila tiene un error, no se importa nada: se muestran todas las
      filas con error y su número de línea.
      --generar-voz  genera con la voz sintética el sonido de cada palabra que
                     no tiene uno (necesita espeak-ng y sox).

  korivanta-palabras importar ARCHIVO.csv --base RUTA [--medios CARPETA] [--generar-voz]
      Agrega las palabras directamente a la base de datos RUTA y sus dibujos y
      sonidos a la carpeta de medios (para preparar una base de datos propia).

  korivanta-palabras exportar ARCHIVO.korivanta [--categoria CLAVE] [PALABRA ...]
      Guarda palabras, con sus dibujos y sonidos, en un paquete de palabras
      (un archivo .korivanta, que es un zip con la lista palabras.csv y los
      archivos que nombra), para llevarlas a las otras computadoras del aula
      con «importar». Sin PALABRA, guarda todas las palabras de la escuela (las
      que agregaron los docentes; las del juego ya están en cada computadora);
      con una o más PALABRA (en aymara), solo esas, en todas sus categorías.
      --categoria CLAVE  solo las palabras de esa categoría.
      Con --base, las palabras se toman de esa base de datos (todas, o las
      nombradas) y sus archivos de la carpeta de medios.

  korivanta-palabras importar ARCHIVO.korivanta [--generar-voz]
      Agrega las palabras de un paquete de palabras, con los mismos controles
      que un archivo CSV (también con --base y --medios). Un archivo que
      termina en .korivanta o que es un zip se lee como paquete; se rechaza el
      que trae nombres que salen de su carpeta, enlaces, archivos de más de
      50 MB (500 MB en total) o no trae palabras.csv.

  korivanta-palabras componer
      Vuelve a componer las palabras que lee el juego: las del juego y, después,
      las de la escuela (una palabra de la escuela que el juego ya trae en la
      misma categoría queda fuera). Se hace sola después de cada importación y
      al instalar o actualizar el juego; sirve tras restaurar una copia de la
      carpeta de la escuela.

  korivanta-palabras voz PALABRA [--salida ARCHIVO.wav]
      Genera el sonido de una palabra aymara con la voz sintética del juego
      (por omisión en PALABRA.wav, en la carpeta actual).

Opciones:
  --base RUTA        una base de datos de palabras (diccionario.mdb) en lugar
                     de las palabras del juego y de la escuela; las del juego
                     instalado junto a este programa están en
                     %2
  --categoria CLAVE  con exportar: solo las palabras de esa categoría.
  --medios CARPETA   con --base: la carpeta de medios (la que contiene dibujos/
                     y sonido/); por omisión, la carpeta de la base de datos.
  -h, --ayuda, --help  muestra esta ayuda.

Si el juego está abierto mientras se importa, las palabras nuevas aparecen la
próxima vez que se abra.
)";

struct Options {
    QString command;
    QStringList positional;
    QString base, media, output, category;
    bool generateVoice = false;
    bool help = false;
};

// Parses the arguments; an error message, or empty.
QString parse(const QStringList &arguments, Options *o)
{
    const QHash<QString, QString *> valued{
        {QStringLiteral("--base"), &o->base},
        {QStringLiteral("--medios"), &o->media},
        {QStringLiteral("--salida"), &o->output},
        {QStringLiteral("--categoria"), &o->category},
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help") || a == QLatin1String("--ayuda")) {
            o->help = true;
        } else if (a == QLatin1String("--generar-voz")) {
            o->generateVoice = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            const qsizetype eq = a.indexOf(QLatin1Char('='));
            const QString name = eq < 0 ? a : a.left(eq);
            if (!valued.contains(name))
                return QStringLiteral("opción desconocida «%1»").arg(a);
            if (eq >= 0) {
                *valued[name] = a.mid(eq + 1);
            } else {
                if (i + 1 >= arguments.size())
                    return QStringLiteral("falta el valor de %1").arg(name);
                *valued[name] = arguments[++i];
            }
        } else if (o->command.isEmpty()) {
            o->command = a;
        } else {
            o->positional << a;
        }
    }
    return {};
}

QString defaultDatabase(const QString &executableDir)
{
    return MediaPaths(MediaPaths::locateDriveC(executableDir)).resolve(QString::fromUtf16(kDatabasePath));
}

QString helpText(const QString &executableDir)
{
    return QString::fromUtf8(kHelp).arg(wordsdb::categoryKeys().join(QStringLiteral(", ")),
                                        defaultDatabase(executableDir),
                                        wordstore::StorePaths::locate(executableDir).schoolDir);
}

QString pairKey(const QString &nomAy, const QString &categoria)
{
    return nomAy + QChar(0x1f) + categoria;
}

// Lists the words of a database; the words whose (nom_ay, categoria) is in
// `school` are marked as the school's.
int list(const QString &dbPath, QTextStream &out, QTextStream &err, const QSet<QString> &school = {})
{
    if (!QFileInfo(dbPath).isFile()) {
        err << QStringLiteral("korivanta-palabras: no existe la base de datos de palabras «%1»\n").arg(dbPath);
        return 1;
    }
    int status = 0;
    {
        wordsdb::Connection connection(dbPath, true);
        QSqlDatabase db = connection.db();
        // Each category's words through the game's own query, so they come in the game's order.
        const auto words = [&](const QString &query, QList<QStringList> *rows) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.exec(query)) {
                err << QStringLiteral("korivanta-palabras: «%1» no es una base de datos de palabras del juego (%2)\n")
                           .arg(dbPath, wordsdb::errorText(q.lastError()));
                return false;
            }
            const int ay = q.record().indexOf(QStringLiteral("nom_ay"));
            const int esp = q.record().indexOf(QStringLiteral("nom_esp"));
            const int cat = q.record().indexOf(QStringLiteral("categoria"));
            while (q.next())
                // What another program wrote is shown, never sent to the
                // terminal as control characters.
                rows->append({wordsdb::printable(q.value(ay).toString().normalized(QString::NormalizationForm_C)),
                              wordsdb::printable(q.value(esp).toString().normalized(QString::NormalizationForm_C)),
                              wordsdb::printable(q.value(cat).toString())});
            if (q.lastError().isValid()) {
                err << QStringLiteral("korivanta-palabras: no se puede leer la base de datos «%1» (%2)\n")
                           .arg(dbPath, wordsdb::errorText(q.lastError()));
                return false;
            }
            return true;
        };
        if (QString why; !connection.open(&why)) {
            err << QStringLiteral("korivanta-palabras: no se puede abrir «%1» (%2)\n").arg(dbPath, why);
            status = 1;
        } else {
            out << QStringLiteral("Base de datos: %1\n").arg(dbPath);
            const QStringList keys = wordsdb::categoryKeys();
            for (const CategoryQuery &c : kCategoryQueries) {
                if (c.code == 0)
                    continue;
                QList<QStringList> rows;
                if (!words(QString::fromUtf16(c.query), &rows)) {
                    status = 1;
                    break;
                }
                const QString key = keys.value(c.code - 1);
                out << QStringLiteral("\n%1%2 — %3 %4\n")
                           .arg(key, c.boardTitle ? QStringLiteral(" (menú: %1)").arg(QString::fromUtf16(c.boardTitle))
                                                  : QStringLiteral(" (sin botón en el menú)"))
                           .arg(rows.size())
                           .arg(rows.size() == 1 ? QStringLiteral("palabra") : QStringLiteral("palabras"));
                for (const QStringList &r : rows)
                    out << QStringLiteral("  %1 — %2%3\n")
                               .arg(r[0], r[1],
                                    school.contains(pairKey(r[0], r[2])) ? QStringLiteral(" (escuela)") : QString());
            }
            // Words whose key is none of the nine: only the query of all words finds them.
            QList<QStringList> all;
            if (status == 0 && words(QString::fromUtf16(kCategoryQueries[0].query), &all)) {
                QList<QStringList> others;
                for (const QStringList &r : all)
                    if (!keys.contains(r[2]))
                        others << r;
                if (!others.isEmpty()) {
                    out << QStringLiteral("\notras categorías (solo se ven sin elegir categoría)\n");
                    for (const QStringList &r : others)
                        out << QStringLiteral("  %1 — %2 (categoría «%3»)%4\n")
                                   .arg(r[0], r[1], r[2],
                                        school.contains(pairKey(r[0], r[2])) ? QStringLiteral(" (escuela)")
                                                                             : QString());
                }
            } else if (status == 0) {
                status = 1;
            }
        }
    }
    return status;
}

// Prints messages, the first `limit` of them and how many more there are.
void printSome(QTextStream &err, const QString &prefix, const QStringList &messages, qsizetype limit)
{
    for (qsizetype i = 0; i < messages.size() && i < limit; ++i)
        err << prefix << messages[i] << '\n';
    if (messages.size() > limit)
        err << prefix << QStringLiteral("… y %1 más\n").arg(messages.size() - limit);
}

// A word as the keyboard types it: precomposed, the apostrophe that word
// processors write (’ or ʼ) as the keyboard's '.
QString asTyped(QString word)
{
    return word.normalized(QString::NormalizationForm_C)
        .replace(QChar(0x2019), QLatin1Char('\''))
        .replace(QChar(0x02BC), QLatin1Char('\''));
}

// A word pack rather than a CSV file: the pack's ending, or a zip's first bytes.
bool isPack(const QString &path)
{
    if (path.endsWith(QLatin1String(".korivanta"), Qt::CaseInsensitive))
        return true;
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(4) == QByteArray("PK\x03\x04", 4);
}

} // namespace

int run(const QStringList &arguments, const QString &executableDir, QTextStream &out, QTextStream &err)
{
    Options o;
    const QString usage = parse(arguments, &o);
    if (!usage.isEmpty()) {
        err << QStringLiteral("korivanta-palabras: %1\nPruebe «korivanta-palabras --ayuda».\n").arg(usage);
        return 2;
    }
    if (o.help || o.command.isEmpty()) {
        out << helpText(executableDir);
        return o.help ? 0 : 2;
    }
    const QString dbPath = o.base.isEmpty() ? defaultDatabase(executableDir) : o.base;
    const auto wrongUsage = [&](const QString &message) {
        err << QStringLiteral("korivanta-palabras: %1\nPruebe «korivanta-palabras --ayuda».\n").arg(message);
        return 2;
    };

    // Without --base the words are the game's and the school's, kept apart.
    const bool ownDatabase = !o.base.isEmpty() || !o.media.isEmpty();
    wordstore::SchoolStore store(wordstore::StorePaths::locate(executableDir));

    // Run as root, root is given up before anything in a shared folder is
    // opened: the folders this command writes in, and the files a word list
    // or pack names are then read as the school's user reads them.
    QStringList folders;
    if (o.command == QLatin1String("voz"))
        folders << QFileInfo(o.output.isEmpty() ? QStringLiteral("x.wav") : o.output).absolutePath();
    else if (ownDatabase)
        folders << QFileInfo(dbPath).absolutePath() << o.media;
    else
        folders << store.paths().schoolDir;
    QString dropError;
    if (wordstore::dropRootFor(folders, &dropError) == wordstore::DropResult::Failed) {
        err << QStringLiteral("korivanta-palabras: %1\n").arg(dropError);
        return 1;
    }

    if (o.command == QLatin1String("listar")) {
        if (!o.positional.isEmpty())
            return wrongUsage(QStringLiteral("«listar» no lleva más argumentos"));
        if (ownDatabase)
            return list(dbPath, out, err);
        // What the game reads: the composed words once the school has its own.
        const QString composed = store.paths().composedDatabase();
        QSet<QString> school, package;
        QString error;
        for (const wordsdb::Word &w : store.packageWords(&error))
            package.insert(pairKey(w.nomAy, w.categoria));
        const QList<wordstore::SchoolWord> schoolWords = store.schoolWords(&error);
        if (!error.isEmpty())
            err << QStringLiteral("korivanta-palabras: %1\n").arg(error);
        for (const wordstore::SchoolWord &s : schoolWords)
            if (!package.contains(pairKey(s.word.nomAy, s.word.categoria)))
                school.insert(pairKey(s.word.nomAy, s.word.categoria));
        const bool composedThere = QFileInfo::exists(composed);
        const int status = list(composedThere ? composed : dbPath, out, err, school);
        if (status == 0)
            out << QStringLiteral("\nPalabras de la escuela (%1): %2\n")
                       .arg(store.paths().schoolDir)
                       .arg(schoolWords.size());
        return status;
    }

    if (o.command == QLatin1String("componer")) {
        if (!o.positional.isEmpty() || ownDatabase)
            return wrongUsage(QStringLiteral("«componer» no lleva más argumentos"));
        const QString error = store.compose();
        if (!error.isEmpty()) {
            err << QStringLiteral("korivanta-palabras: %1\n").arg(error);
            return 1;
        }
        if (QFileInfo::exists(store.paths().composedDatabase()))
            out << QStringLiteral("Palabras del juego y de la escuela compuestas en %1\n")
                       .arg(store.paths().composedDatabase());
        else
            out << QStringLiteral("La escuela no tiene palabras propias: el juego lee las suyas de %1\n")
                       .arg(store.paths().packageDatabase());
        return 0;
    }

    if (o.command == QLatin1String("importar")) {
        if (o.positional.size() != 1)
            return wrongUsage(QStringLiteral("«importar» lleva un archivo CSV o un paquete de palabras"));
        ImportRequest request;
        request.csvPath = o.positional.front();
        // A pack is unpacked into a folder of its own and its word list
        // imported as a CSV file is; messages name the pack, not that folder.
        QTemporaryDir unpacked;
        const QString pack = o.positional.front();
        const bool fromPack = isPack(pack);
        if (fromPack) {
            if (!unpacked.isValid()) {
                err << QStringLiteral("korivanta-palabras: no se puede crear una carpeta temporal: %1\n")
                           .arg(unpacked.errorString());
                return 1;
            }
            const wordstore::Unpacked u = wordstore::unpackPack(pack, unpacked.path());
            if (!u.error.isEmpty()) {
                err << QStringLiteral("error: ") << u.error << '\n'
                    << QStringLiteral("No se importó ninguna palabra.\n");
                return 1;
            }
            request.csvPath = u.csvPath;
        }
        // The pack as the teacher named it: never the folder it was unpacked into.
        const QString listName = fromPack ? QStringLiteral("paquete %1").arg(QFileInfo(pack).fileName()) : QString();
        const auto named = [&](QString message) { return fromPack ? message.replace(unpacked.path(), pack) : message; };
        request.listName = listName;
        request.adviseVoiceOption = true;
        request.databasePath = dbPath;
        request.mediaRoot = o.media.isEmpty() ? QFileInfo(dbPath).absolutePath() : o.media;
        if (o.generateVoice) {
            const QString script = findVoiceScript(executableDir);
            const QString missing = voiceMissing(script);
            if (!missing.isEmpty()) {
                err << QStringLiteral("korivanta-palabras: %1\n").arg(missing);
                return 1;
            }
            request.speak = [script](const QString &word, const QString &wav) { return speakWord(script, word, wav); };
        }
        request.filesInsideList = fromPack;
        ImportResult result = ownDatabase ? importWords(request)
                                          : store.importCsv(request.csvPath, request.speak, fromPack, listName, true);
        for (QStringList *messages : {&result.notes, &result.errors, &result.warnings})
            for (QString &m : *messages)
                m = named(m);
        for (const QString &n : result.notes)
            err << QStringLiteral("nota: ") << n << '\n';
        if (!result.ok()) {
            for (const QString &e : result.errors)
                err << QStringLiteral("error: ") << e << '\n';
            err << (ownDatabase ? QStringLiteral("No se importó ninguna palabra: la base de datos y las carpetas de "
                                                 "los dibujos y sonidos no cambiaron.\n")
                                : QStringLiteral("No se importó ninguna palabra: las palabras de la escuela no "
                                                 "cambiaron.\n"));
            return 1;
        }
        printSome(err, QStringLiteral("aviso: "), result.warnings, 20);
        err.flush();
        const QString where =
            ownDatabase ? dbPath : QStringLiteral("Palabras de la escuela (%1)").arg(store.paths().schoolDir);
        out << QStringLiteral("%1: %2.\n").arg(where, importCounts(result.added, result.updated, result.unchanged));
        return 0;
    }

    if (o.command == QLatin1String("exportar")) {
        if (o.positional.isEmpty())
            return wrongUsage(QStringLiteral("«exportar» lleva el nombre del paquete (ARCHIVO.korivanta)"));
        if (!o.category.isEmpty() && !wordsdb::categoryKeys().contains(o.category))
            return wrongUsage(QStringLiteral("la categoría «%1» no existe (las categorías son: %2)")
                                  .arg(o.category, wordsdb::categoryKeys().join(QStringLiteral(", "))));
        const QString packPath = o.positional.front();
        QSet<QString> wanted;
        for (const QString &w : o.positional.mid(1))
            wanted.insert(asTyped(w));
        // The words: the school's (or the given database's), then those asked for.
        QList<wordsdb::Word> words;
        QString error;
        wordstore::LocalFile localFile;
        if (ownDatabase) {
            if (!QFileInfo(dbPath).isFile()) {
                err << QStringLiteral("korivanta-palabras: no existe la base de datos de palabras «%1»\n").arg(dbPath);
                return 1;
            }
            wordsdb::readWords(dbPath, &words, &error);
            const QString mediaRoot = o.media.isEmpty() ? QFileInfo(dbPath).absolutePath() : o.media;
            localFile = [mediaRoot](const QString &programPath) { return localMediaPath(mediaRoot, programPath); };
        } else {
            for (const wordstore::SchoolWord &s : store.schoolWords(&error))
                words.append(s.word);
            localFile = [&store](const QString &programPath) { return store.localFile(programPath); };
        }
        if (!error.isEmpty()) {
            err << QStringLiteral("korivanta-palabras: %1\n").arg(error);
            return 1;
        }
        QList<wordsdb::Word> chosen;
        QSet<QString> found;
        for (const wordsdb::Word &w : words) {
            const QString nomAy = asTyped(w.nomAy);
            if ((o.category.isEmpty() || w.categoria == o.category) && (wanted.isEmpty() || wanted.contains(nomAy))) {
                chosen.append(w);
                found.insert(nomAy);
            }
        }
        const QString source = ownDatabase ? QStringLiteral("la base de datos «%1»").arg(dbPath)
                                           : QStringLiteral("las palabras de la escuela");
        QStringList missing;
        for (const QString &w : o.positional.mid(1))
            if (!found.contains(asTyped(w)))
                missing << QStringLiteral("«%1»").arg(w);
        if (!missing.isEmpty()) {
            err << QStringLiteral("korivanta-palabras: %1 no está en %2%3\n")
                       .arg(missing.join(QStringLiteral(", ")), source,
                            o.category.isEmpty() ? QString() : QStringLiteral(", categoría «%1»").arg(o.category));
            return 1;
        }
        if (chosen.isEmpty()) {
            err << QStringLiteral("korivanta-palabras: no hay palabras que exportar en %1%2\n")
                       .arg(source,
                            o.category.isEmpty() ? QString() : QStringLiteral(", categoría «%1»").arg(o.category));
            return 1;
        }
        error = wordstore::exportPack(chosen, localFile, packPath);
        if (!error.isEmpty()) {
            err << QStringLiteral("korivanta-palabras: %1\n").arg(error);
            return 1;
        }
        out << (chosen.size() == 1
                    ? QStringLiteral("Se exportó 1 palabra a %1\n").arg(packPath)
                    : QStringLiteral("Se exportaron %1 palabras a %2\n").arg(chosen.size()).arg(packPath));
        return 0;
    }

    if (o.command == QLatin1String("voz")) {
        if (o.positional.size() != 1)
            return wrongUsage(QStringLiteral("«voz» lleva una palabra"));
        const QString word = o.positional.front().normalized(QString::NormalizationForm_C);
        const QString spelling = wordsdb::spellingProblem(word);
        if (word.isEmpty() || !spelling.isEmpty()) {
            err << QStringLiteral("korivanta-palabras: la palabra «%1» no se puede escribir con el teclado%2\n")
                       .arg(word, spelling.isEmpty() ? QString() : QStringLiteral(": ") + spelling);
            return 1;
        }
        const QString output = o.output.isEmpty() ? word + QStringLiteral(".wav") : o.output;
        const QString error = speakWord(findVoiceScript(executableDir), word, output);
        if (!error.isEmpty()) {
            err << QStringLiteral("korivanta-palabras: %1\n").arg(error);
            return 1;
        }
        out << QStringLiteral("Voz de «%1» guardada en %2\n").arg(word, output);
        return 0;
    }

    return wrongUsage(QStringLiteral("orden desconocida «%1»").arg(o.command));
}

} // namespace korivanta::wordtool
