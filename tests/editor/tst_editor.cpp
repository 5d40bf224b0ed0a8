// The teacher's word editor: the form checks a word as it is typed, shows it
// split into the game's keys, and saves only what the game can play; words are
// added, changed and deleted through the window against a school store made
// in the test; an editor killed in the middle of saving leaves the words as
// they were before or after.
#include "editor/editor_window.h"
#include "editor/key_chips.h"
#include "editor/recording/record_panel.h"
#include "editor/word_form.h"
#include "game/keyboard_table.h"
#include "media/media_file_checks.h"
#include "support/sound_kinds.h"
#include "support/stored_words.h"
#include "support/words_fixture.h"
#include "wordstore/process_lock.h"
#include "wordstore/school_store.h"
#include "wordstore/word_picture.h"
#include "wordstore/word_voice.h"
#include "wordstore/words_db.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <unistd.h>

using namespace korivanta;
using namespace korivanta::editor;
using namespace korivanta::wordstore;

Q_DECLARE_METATYPE(korivanta::SoundKind)

namespace {

QStringList wordsOfSpanish(const QString &db)
{
    return wordsOf(db, WordFields::AymaraSpanishAndCategory);
}

QString writePng(const QString &file, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::blue);
    if (!image.save(file, "PNG"))
        qFatal("cannot write %s", qPrintable(file));
    return file;
}

// A package drive with two words and an empty school folder, both temporary.
struct Fixture {
    QTemporaryDir package, school;
    StorePaths paths;
    std::unique_ptr<SchoolStore> store;
    Fixture()
    {
        makeWordsDatabase(package.path(), packageSampleWords());
        writePicture(package.filePath(QStringLiteral("Trab_zumel/dibujos/inti.bmp")), 40, 30, Qt::yellow);
        paths = {package.path(), school.filePath(QStringLiteral("escuela"))};
        store = std::make_unique<SchoolStore>(paths);
    }
};

template <typename T> T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

// A short WAV file (16-bit mono PCM, 22050 Hz) of a tone.
QString writeWav(const QString &file)
{
    QByteArray samples;
    for (int i = 0; i < 2205; ++i) {
        const qint16 v = qint16((i % 50 < 25) ? 8000 : -8000);
        samples.append(char(v & 0xff)).append(char((v >> 8) & 0xff));
    }
    auto le32 = [](quint32 v) { return QByteArray(reinterpret_cast<const char *>(&v), 4); };
    QByteArray w = "RIFF" + le32(36 + quint32(samples.size())) + "WAVEfmt " + le32(16) +
                   QByteArray::fromHex("0100010022560000") + le32(22050 * 2) + QByteArray::fromHex("02001000") +
                   "data" + le32(quint32(samples.size())) + samples;
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(w) != w.size())
        qFatal("cannot write %s", qPrintable(file));
    return file;
}

// The school words the child process saves one after another.
QStringList savedWordNames()
{
    QStringList names;
    for (const char *a : {"ja", "ma", "ku", "ta", "pi"})
        for (const char *b : {"ri", "na", "wa", "lu", "su"})
            for (const char *c : {"ya", "qi", "mu", "ki"})
                names << QString::fromLatin1(a) + QString::fromLatin1(b) + QString::fromLatin1(c);
    return names;
}

// The child process: an editor that saves the words of savedWordNames()
// through its form, one by one, saying on standard output each one it saved.
int saveLoop(const QString &packageDrive, const QString &schoolDir, const QString &picture)
{
    SchoolStore store({packageDrive, schoolDir});
    for (const QString &nomAy : savedWordNames()) {
        WordForm form(store, nullptr);
        child<QLineEdit>(&form, "nomAy")->setText(nomAy);
        child<QLineEdit>(&form, "nomEsp")->setText(QStringLiteral("cosa"));
        form.setCategory(QStringLiteral("naturaleza"));
        form.setPictureFile(picture);
        const QString error = form.save();
        if (!error.isEmpty()) {
            fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        fprintf(stdout, "%s\n", qPrintable(nomAy));
        fflush(stdout);
    }
    return 0;
}

} // namespace

class TestEditor : public QObject {
    Q_OBJECT
private slots:
    void keyChips_data();
    void keyChips();
    void formChecks_data();
    void formChecks();
    void categoryComboOffersTheNine();
    void guardarFillsWhatIsMissing_data();
    void guardarFillsWhatIsMissing();
    void aymaraFieldComposesAsTheGame_data();
    void aymaraFieldComposesAsTheGame();
    void formShowsEveryFieldWithItsMessages_data();
    void formShowsEveryFieldWithItsMessages();
    void addEditDeleteThroughTheWindow();
    void listThumbnailsKeepThePicturesColours_data();
    void listThumbnailsKeepThePicturesColours();
    void listCountsAndAlignsEveryRow_data();
    void listCountsAndAlignsEveryRow();
    void pastedPicturesOfEveryKind_data();
    void pastedPicturesOfEveryKind();
    void filterAndSearch();
    void unwritableSchoolKeepsBrowsing();
    void packCarriesWordsToAnotherSchool();
    void packImportedAgainUpdatesItsWords_data();
    void packImportedAgainUpdatesItsWords();
    void recordingBecomesTheSound();
    void chosenSoundsAreHeardAndSavedAsTheGamePlaysThem_data();
    void chosenSoundsAreHeardAndSavedAsTheGamePlaysThem();
    void killedDuringSaveLeavesReadableWords();
    void waitsForAnotherWriterWithoutFreezing_data();
    void waitsForAnotherWriterWithoutFreezing();
    void saveOverAChangeMadeElsewhere_data();
    void saveOverAChangeMadeElsewhere();
    void listFollowsChangesMadeElsewhere();
};

void TestEditor::keyChips_data()
{
    QTest::addColumn<QString>("word");
    QTest::addColumn<QStringList>("chips");  // "?" after a chip that no key gives
    QTest::addColumn<QList<int>>("classes"); // KeyClass of each chip, -1 without key
    const int s = int(KeyClass::Simple), a = int(KeyClass::Aspirated), g = int(KeyClass::Glottalized);
    QTest::newRow("simple") << "anu" << QStringList{"a", "n", "u"} << QList<int>{s, s, s};
    QTest::newRow("longest first") << "chhullunk'u" << QStringList{"chh", "u", "ll", "u", "n", "k'", "u"}
                                   << QList<int>{a, s, s, s, s, g, s};
    QTest::newRow("ch then ch'") << "ch'iwchi" << QStringList{"ch'", "i", "w", "ch", "i"} << QList<int>{g, s, s, s, s};
    QTest::newRow("aspirated") << "phaxsi" << QStringList{"ph", "a", "x", "s", "i"} << QList<int>{a, s, s, s, s};
    QTest::newRow("letters without key") << "huevo" << QStringList{"h?", "u", "e?", "v?", "o?"}
                                         << QList<int>{-1, s, -1, -1, -1};
    QTest::newRow("upper case") << "Wari" << QStringList{"W?", "a", "r", "i"} << QList<int>{-1, s, s, s};
}

void TestEditor::keyChips()
{
    QFETCH(QString, word);
    QFETCH(QStringList, chips);
    QFETCH(QList<int>, classes);
    QStringList got;
    QList<int> gotClasses;
    for (const KeyChip &chip : splitIntoKeys(word)) {
        got << chip.text + (chip.key < 0 ? QStringLiteral("?") : QString());
        gotClasses << (chip.key < 0 ? -1 : int(kKeyboard[chip.key].keyClass));
        if (chip.key >= 0)
            QCOMPARE(QString::fromUtf16(kKeyboard[chip.key].grapheme), chip.text);
    }
    QCOMPARE(got, chips);
    QCOMPARE(gotClasses, classes);
    // Three colours, one per class, and another for a character without a key.
    QSet<QRgb> colours;
    for (int key = 0; key < int(kKeyboard.size()); ++key)
        colours << chipColour(key).rgb();
    QCOMPARE(colours.size(), 3);
    QVERIFY(!colours.contains(chipColour(-1).rgb()));
}

void TestEditor::formChecks_data()
{
    QTest::addColumn<QString>("nomAy");
    QTest::addColumn<QString>("nomEsp");
    QTest::addColumn<QString>("categoria");
    QTest::addColumn<QString>("picture"); // "", "png", "portrait", "text" (not a picture)
    QTest::addColumn<QString>("field");   // the field whose problem is shown; "" when none
    QTest::addColumn<QString>("reason");  // part of that problem's text
    QTest::addColumn<QString>("warning"); // part of a warning; "" when none
    struct Row {
        const char *name, *nomAy, *nomEsp, *categoria, *picture, *field, *reason, *warning;
    };
    // clang-format off
    const Row rows[] = {
        {"spellable",                 "jaqi",  "persona",  "persona",    "png",      "",          "",        ""},
        {"portrait picture",          "quta",  "lago",     "naturaleza", "portrait", "",          "",        ""},
        {"letter named",              "huevo", "huevo",    "animal",     "",         "nomAy",     "«h»",     ""},
        {"upper case suggestion",     "Wari",  "vicuña",   "animal",     "",         "nomAy",     "«wari»",  ""},
        {"unknown category",          "jaqi",  "persona",  "gente",      "",         "categoria", "«gente»", ""},
        {"no menu button",            "lakani","con boca", "cuerpo",     "",         "",          "",        "no tiene botón en el menú"},
        {"duplicate of the package",  "anu",   "perro",    "animal",     "",         "nomAy",     "ya está", ""},
        {"same word other category",  "anu",   "perro",    "naturaleza", "",         "",          "",        ""},
        {"missing Spanish",           "jaqi",  "  ",       "persona",    "",         "nomEsp",    "castellano", ""},
        {"missing Aymara",            "",      "nada",     "persona",    "",         "nomAy",     "aymara",  ""},
        {"bad picture file",          "jaqi",  "persona",  "persona",    "text",     "picture",   "",        ""},
        {"escape in the Spanish",     "jaqi",  "per\x1bsona","persona",   "",         "nomEsp",    "U+001B",  ""},
    };
    // clang-format on
    for (const Row &r : rows)
        QTest::newRow(r.name) << QString::fromUtf8(r.nomAy) << QString::fromUtf8(r.nomEsp)
                              << QString::fromUtf8(r.categoria) << QString::fromUtf8(r.picture)
                              << QString::fromUtf8(r.field) << QString::fromUtf8(r.reason)
                              << QString::fromUtf8(r.warning);
}

void TestEditor::formChecks()
{
    QFETCH(QString, nomAy);
    QFETCH(QString, nomEsp);
    QFETCH(QString, categoria);
    QFETCH(QString, picture);
    QFETCH(QString, field);
    QFETCH(QString, reason);
    QFETCH(QString, warning);
    Fixture f;
    WordForm form(*f.store, nullptr);
    form.show();
    child<QLineEdit>(&form, "nomAy")->setText(nomAy);
    child<QLineEdit>(&form, "nomEsp")->setText(nomEsp);
    form.setCategory(categoria);
    if (picture == QLatin1String("png"))
        form.setPictureFile(writePng(f.school.filePath(QStringLiteral("p.png")), 300, 200));
    else if (picture == QLatin1String("portrait"))
        form.setPictureFile(writePng(f.school.filePath(QStringLiteral("p.png")), 100, 400));
    else if (picture == QLatin1String("text")) {
        QFile text(f.school.filePath(QStringLiteral("falso.png")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("esto no es un dibujo\n");
        text.close();
        form.setPictureFile(text.fileName());
    }

    auto *save = child<QPushButton>(&form, "save");
    QCOMPARE(save->isEnabled(), field.isEmpty());
    for (const char *name : {"nomAy", "nomEsp", "categoria", "picture"}) {
        auto *problem = child<QLabel>(&form, (QByteArray(name) + "Problem").constData());
        if (field == QLatin1String(name)) {
            QVERIFY2(problem->isVisible(), name);
            QVERIFY2(problem->text().contains(reason), qPrintable(problem->text()));
            QCOMPARE(problem->accessibleDescription(), problem->text());
        } else {
            QVERIFY2(!problem->isVisible(), qPrintable(problem->text()));
        }
    }
    auto *warnings = child<QLabel>(&form, "warnings");
    QVERIFY2(warnings->isVisible() == !warning.isEmpty(), qPrintable(warnings->text()));
    QVERIFY(warnings->text().contains(warning));

    // The chips follow the word; a letter without a key is marked.
    const QList<KeyChip> chips = splitIntoKeys(nomAy.trimmed());
    for (qsizetype i = 0; i < chips.size(); ++i) {
        auto *chip = child<QLabel>(&form, QStringLiteral("keyChip%1").arg(i).toLatin1().constData());
        QCOMPARE(chip->text().startsWith(chips[i].text), true);
        QCOMPARE(chip->text().endsWith(QStringLiteral(" ?")), chips[i].key < 0);
    }
    QVERIFY(!form.findChild<QLabel *>(QStringLiteral("keyChip%1").arg(chips.size())));

    // A word with a problem is never saved, even when asked directly.
    const QString error = form.save();
    QCOMPARE(error.isEmpty(), field.isEmpty());
    const QStringList composed = wordsOfSpanish(f.paths.composedDatabase());
    if (field.isEmpty()) {
        QCOMPARE(composed.size(), 3);
        QCOMPARE(composed.last(), nomAy + QLatin1Char('/') + nomEsp + QLatin1Char('/') + categoria);
    } else {
        QVERIFY(!QFile::exists(f.paths.schoolDatabase()) || wordsOfSpanish(f.paths.schoolDatabase()).isEmpty());
    }
}

void TestEditor::formShowsEveryFieldWithItsMessages_data()
{
    QTest::addColumn<double>("fontScale");
    QTest::newRow("default text size") << 1.0;
    QTest::newRow("text one and a half times larger") << 1.5;
}

// With a message under every field (the longest the checks give), at the
// default text size and at 1.5 times, the form lays out so that nothing is cut
// or covered: every field, picture, message and button lies inside the
// window, at least as tall as it needs, and apart from the others.
void TestEditor::formShowsEveryFieldWithItsMessages()
{
    QFETCH(double, fontScale);
    Fixture f;
    QFont font = QApplication::font();
    font.setPointSizeF(font.pointSizeF() * fontScale);
    WordForm form(*f.store, nullptr);
    form.setFont(font);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QSize before = form.size();
    // Letters no key gives, a control character, a file that is no picture.
    child<QLineEdit>(&form, "nomAy")->setText(QStringLiteral("xxzzvvbbffgg qarwa ddeeooxx"));
    child<QLineEdit>(&form, "nomEsp")->setText(QStringLiteral("lago\u001bazul"));
    QFile text(f.school.filePath(QStringLiteral("falso.png")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("esto no es un dibujo\n");
    text.close();
    form.setPictureFile(text.fileName());
    form.setCategory(QStringLiteral("otra"));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    QList<QWidget *> parts;
    for (const char *name : {"nomAy", "nomAyProblem", "keyChips", "nomEsp", "nomEspProblem", "categoria",
                             "categoriaProblem", "picturePreview", "choosePicture", "pictureProblem", "recordPanel",
                             "soundName", "playSound", "warnings", "save"}) {
        QWidget *w = child<QWidget>(&form, name);
        if (w->isVisible())
            parts << w;
    }
    for (const char *name : {"nomAyProblem", "nomEspProblem", "categoriaProblem", "pictureProblem"})
        QVERIFY2(child<QWidget>(&form, name)->isVisible(), name);
    const QRect window = form.rect();
    for (QWidget *w : parts) {
        const QRect r(w->mapTo(&form, QPoint(0, 0)), w->size());
        QVERIFY2(window.contains(r), qPrintable(QStringLiteral("%1 at %2,%3 %4x%5 outside %6x%7 (was %8x%9)")
                                                    .arg(w->objectName())
                                                    .arg(r.x())
                                                    .arg(r.y())
                                                    .arg(r.width())
                                                    .arg(r.height())
                                                    .arg(window.width())
                                                    .arg(window.height())
                                                    .arg(before.width())
                                                    .arg(before.height())));
        const int needed = w->hasHeightForWidth() ? w->heightForWidth(w->width()) : w->minimumSizeHint().height();
        QVERIFY2(
            w->height() >= needed,
            qPrintable(QStringLiteral("%1 is %2 high, needs %3").arg(w->objectName()).arg(w->height()).arg(needed)));
    }
    for (QWidget *a : parts)
        for (QWidget *b : parts) {
            if (a == b || a->isAncestorOf(b) || b->isAncestorOf(a))
                continue;
            const QRect ra(a->mapTo(&form, QPoint(0, 0)), a->size());
            const QRect rb(b->mapTo(&form, QPoint(0, 0)), b->size());
            QVERIFY2(!ra.intersects(rb),
                     qPrintable(QStringLiteral("%1 overlaps %2").arg(a->objectName(), b->objectName())));
        }
}

void TestEditor::aymaraFieldComposesAsTheGame_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("problem"); // part of the field's message; empty: none
    QTest::newRow(":a gives ä") << ":a" << QStringLiteral("ä") << QString();
    QTest::newRow("inside a word") << "t:ant:a" << QStringLiteral("täntä") << QString();
    QTest::newRow("double quote and u") << "\"u" << QStringLiteral("ü") << QString();
    QTest::newRow("~n gives ñ") << "ch'i~na" << QStringLiteral("ch'iña") << QString();
    QTest::newRow(":e is no key: left as typed") << ":e" << QStringLiteral(":e") << QStringLiteral("«:»");
    QTest::newRow("stray accent: the word meant")
        << "waw\u00e1" << QStringLiteral("waw\u00e1") << QStringLiteral("¿quiso decir «wawa»?");
}

// The Aymara field takes ":a" (ä on a keyboard without it) as the game's
// keyboard does, and a stray accent gets the word meant as its suggestion.
void TestEditor::aymaraFieldComposesAsTheGame()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, problem);
    Fixture f;
    WordForm form(*f.store, nullptr);
    form.show();
    auto *field = child<QLineEdit>(&form, "nomAy");
    field->setFocus();
    for (const QChar c : typed) {
        if (c.unicode() < 0x80)
            QTest::keyClick(field, c.toLatin1());
        else // a letter the keyboard has (á on a Spanish layout)
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QCOMPARE(field->text(), shown);
    QCOMPARE(field->cursorPosition(), int(shown.size()));
    auto *message = child<QLabel>(&form, "nomAyProblem");
    if (problem.isEmpty())
        QVERIFY2(message->isHidden(), qPrintable(message->text()));
    else
        QVERIFY2(message->isVisible() && message->text().contains(problem), qPrintable(message->text()));
}

void TestEditor::guardarFillsWhatIsMissing_data()
{
    QTest::addColumn<bool>("picture");
    QTest::addColumn<bool>("sound");
    QTest::addColumn<QString>("answer"); // to the question about the picture; empty: none asked
    QTest::addColumn<bool>("saved");
    QTest::newRow("no sound: the synthetic voice") << true << false << QString() << true;
    QTest::newRow("a sound chosen: that one") << true << true << QString() << true;
    QTest::newRow("no picture: the teacher goes back") << false << true << "noPictureNo" << false;
    QTest::newRow("no picture: saved once the teacher says so") << false << true << "noPictureYes" << true;
}

// "Guardar" never saves a word the child cannot hear or see without a word
// said: a word with no sound gets the synthetic voice, and a word with no
// picture is saved only after a warning the teacher answers.
void TestEditor::guardarFillsWhatIsMissing()
{
    QFETCH(bool, picture);
    QFETCH(bool, sound);
    QFETCH(QString, answer);
    QFETCH(bool, saved);
    Fixture f;
    if (!wordtool::voiceMissing(wordtool::findVoiceScript(QCoreApplication::applicationDirPath())).isEmpty() && !sound)
        QSKIP("no synthetic voice on this computer");
    WordForm form(*f.store, nullptr);
    form.show();
    child<QLineEdit>(&form, "nomAy")->setText(QStringLiteral("yapu"));
    child<QLineEdit>(&form, "nomEsp")->setText(QStringLiteral("chacra"));
    form.setCategory(QStringLiteral("naturaleza"));
    if (picture)
        form.setPictureFile(writePng(f.school.filePath(QStringLiteral("foto.png")), 320, 240));
    const QString wav = writeWav(f.school.filePath(QStringLiteral("propio.wav")));
    if (sound)
        form.setSoundFile(wav);

    QString asked;
    QTimer::singleShot(0, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            asked = box->objectName() + u':' + box->text();
            child<QPushButton>(box, answer.isEmpty() ? "noPictureNo" : answer.toLatin1().constData())->click();
        }
    });
    QTest::mouseClick(child<QPushButton>(&form, "save"), Qt::LeftButton);
    QCoreApplication::processEvents();
    if (answer.isEmpty())
        QVERIFY2(asked.isEmpty(), qPrintable(asked));
    else
        QVERIFY2(asked.startsWith(QStringLiteral("noPicture:")) && asked.contains(QStringLiteral("«yapu»")),
                 qPrintable(asked));
    QCOMPARE(form.result() == QDialog::Accepted, saved);
    QString error;
    const QList<SchoolWord> school = f.store->schoolWords(&error);
    QCOMPARE(school.size(), saved ? 1 : 0);
    if (!saved)
        return;
    const QString stored = f.store->localFile(school.first().word.sonido);
    QVERIFY2(media_checks::wavProblem(stored).isEmpty(), qPrintable(stored));
    QFile chosen(wav), kept(stored);
    QVERIFY(chosen.open(QIODevice::ReadOnly) && kept.open(QIODevice::ReadOnly));
    // The chosen WAV is stored as it is; otherwise a voice of its own.
    QCOMPARE(kept.readAll() == chosen.readAll(), sound);
}

void TestEditor::categoryComboOffersTheNine()
{
    Fixture f;
    WordForm form(*f.store, nullptr);
    auto *combo = child<QComboBox>(&form, "categoria");
    QStringList keys;
    for (int i = 0; i < combo->count(); ++i) {
        const QString key = combo->itemData(i).toString();
        keys << key;
        QCOMPARE(combo->itemText(i).contains(QStringLiteral("sin botón")), wordsdb::categoryTitle(key).isEmpty());
    }
    QCOMPARE(keys, wordsdb::categoryKeys());
    QCOMPARE(keys.size(), 9);
}

void TestEditor::listThumbnailsKeepThePicturesColours_data()
{
    QTest::addColumn<int>("format"); // QImage::Format of the saved picture
    QTest::newRow("one bit a pixel, palette") << int(QImage::Format_Mono);
    QTest::newRow("256-colour palette") << int(QImage::Format_Indexed8);
    QTest::newRow("full colour") << int(QImage::Format_RGB32);
}

// The list's thumbnail of a picture in the frame's shape (stored as it is):
// red above, white below, whatever the picture's format.
void TestEditor::listThumbnailsKeepThePicturesColours()
{
    QFETCH(int, format);
    Fixture f;
    const QSize frame = wordpicture::frameSize();
    QImage picture(frame, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < frame.height() / 2; ++y)
        for (int x = 0; x < frame.width(); ++x)
            picture.setPixel(x, y, qRgb(255, 0, 0));
    const QString file = f.school.filePath(QStringLiteral("dos.png"));
    QVERIFY(picture.convertToFormat(QImage::Format(format), {qRgb(255, 0, 0), qRgb(255, 255, 255)}).save(file));
    WordDraft d;
    d.nomAy = QStringLiteral("qarwa");
    d.nomEsp = QStringLiteral("llama");
    d.categoria = QStringLiteral("animal");
    d.pictureFile = file;
    QCOMPARE(f.store->save(d), QString());
    EditorWindow window(*f.store);
    window.show();
    QCOMPARE(window.list()->topLevelItemCount(), 1);
    const QIcon icon = window.list()->topLevelItem(0)->icon(0);
    const QImage thumb = icon.pixmap(icon.availableSizes().value(0)).toImage();
    QVERIFY(!thumb.isNull());
    int wrong = 0;
    for (int y = 0; y < thumb.height(); ++y) {
        if (std::abs(y - thumb.height() / 2) <= 2)
            continue; // the border between the halves
        for (int x = 0; x < thumb.width(); ++x) {
            const QRgb p = thumb.pixel(x, y);
            const bool red = qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
            const bool white = qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) > 200;
            wrong += y < thumb.height() / 2 ? !red : !white;
        }
    }
    QCOMPARE(wrong, 0);
}

void TestEditor::listCountsAndAlignsEveryRow_data()
{
    QTest::addColumn<QStringList>("words"); // Aymara words saved, the first without a picture
    QTest::addColumn<QString>("status");
    QTest::newRow("none") << QStringList{} << QStringLiteral("La escuela todavía no tiene palabras propias.");
    QTest::newRow("one") << QStringList{"quta"} << QStringLiteral("La escuela tiene 1 palabra propia.");
    QTest::newRow("three") << QStringList{"quta", "qarwa", "jaqi"}
                           << QStringLiteral("La escuela tiene 3 palabras propias.");
}

// The list says how many words the school has in plain Spanish, and a word
// without a picture (its file gone) keeps an empty frame of the thumbnails'
// size, so that its row lines up with the rest.
void TestEditor::listCountsAndAlignsEveryRow()
{
    QFETCH(QStringList, words);
    QFETCH(QString, status);
    Fixture f;
    const QString picture = writePng(f.school.filePath(QStringLiteral("foto.png")), 320, 240);
    for (const QString &nomAy : words) {
        WordDraft d;
        d.nomAy = nomAy;
        d.nomEsp = QStringLiteral("cosa");
        d.categoria = QStringLiteral("naturaleza");
        d.pictureFile = picture;
        QCOMPARE(f.store->save(d), QString());
    }
    QString error;
    if (!words.isEmpty())
        QVERIFY(QFile::remove(f.store->localFile(f.store->schoolWords(&error).first().word.dibujo)));
    EditorWindow window(*f.store);
    window.show();
    QCOMPARE(child<QLabel>(&window, "status")->text(), status);
    QVERIFY(!window.windowTitle().contains(QStringLiteral("KORIVANTA")));
    QList<QSize> sizes;
    for (int i = 0; i < window.list()->topLevelItemCount(); ++i) {
        const QIcon icon = window.list()->topLevelItem(i)->icon(0);
        QVERIFY2(!icon.isNull(), qPrintable(window.list()->topLevelItem(i)->text(0)));
        sizes << icon.availableSizes().value(0);
    }
    for (const QSize &size : sizes)
        QCOMPARE(size, wordpicture::frameSize() / 3);
}

void TestEditor::pastedPicturesOfEveryKind_data()
{
    QTest::addColumn<QString>("offered"); // how the clipboard holds the picture
    QTest::newRow("an image") << "image";
    QTest::newRow("a 16-bit PNG file's bytes") << "png16";
    QTest::newRow("a JPEG file's bytes") << "jpeg";
}

void TestEditor::pastedPicturesOfEveryKind()
{
    QFETCH(QString, offered);
    Fixture f;
    WordForm form(*f.store, nullptr);
    form.show();
    QImage picture(320, 240, offered == QLatin1String("png16") ? QImage::Format_RGBA64 : QImage::Format_RGB32);
    picture.fill(QColor(0, 128, 255));
    auto *data = new QMimeData;
    if (offered == QLatin1String("image")) {
        data->setImageData(picture);
    } else {
        QBuffer bytes;
        bytes.open(QIODevice::WriteOnly);
        QVERIFY(picture.save(&bytes, offered == QLatin1String("jpeg") ? "JPEG" : "PNG"));
        data->setData(offered == QLatin1String("jpeg") ? QStringLiteral("image/jpeg") : QStringLiteral("image/png"),
                      bytes.data());
    }
    QGuiApplication::clipboard()->setMimeData(data);
    form.pastePicture();
    auto *problem = child<QLabel>(&form, "pictureProblem");
    QVERIFY2(problem->text().isEmpty() || problem->isHidden(), qPrintable(problem->text()));
    child<QLineEdit>(&form, "nomAy")->setText(QStringLiteral("qarwa"));
    child<QLineEdit>(&form, "nomEsp")->setText(QStringLiteral("llama"));
    form.setCategory(QStringLiteral("animal"));
    QCOMPARE(form.save(), QString());
    const QImage stored(f.store->localFile(f.store->schoolWords(nullptr).value(0).word.dibujo));
    QVERIFY(!stored.isNull());
    const QColor middle = stored.pixelColor(stored.width() / 2, stored.height() / 2);
    QVERIFY2(middle.blue() > 200 && middle.red() < 40, qPrintable(middle.name()));
}

void TestEditor::addEditDeleteThroughTheWindow()
{
    Fixture f;
    EditorWindow window(*f.store);
    window.show();
    QCOMPARE(window.list()->topLevelItemCount(), 0);
    const QString picture = writePng(f.school.filePath(QStringLiteral("foto.png")), 320, 240);

    // Add: the form opens from "Agregar", is filled in and saved.
    auto fill = [&](WordForm *form) {
        child<QLineEdit>(form, "nomAy")->setText(QStringLiteral("qarwa"));
        child<QLineEdit>(form, "nomEsp")->setText(QStringLiteral("llama"));
        form->setCategory(QStringLiteral("animal"));
        form->setPictureFile(picture);
        QTest::mouseClick(child<QPushButton>(form, "save"), Qt::LeftButton);
    };
    auto connection = connect(&window, &EditorWindow::formOpened, this, fill);
    QTest::mouseClick(child<QPushButton>(&window, "add"), Qt::LeftButton);
    disconnect(connection);
    QCOMPARE(window.list()->topLevelItemCount(), 1);
    QCOMPARE(window.list()->topLevelItem(0)->text(0), QStringLiteral("qarwa"));
    QVERIFY(!window.list()->topLevelItem(0)->icon(0).isNull());
    QCOMPARE(wordsOfSpanish(f.paths.composedDatabase()),
             QStringList({"inti/sol/naturaleza", "anu/perro/animal", "qarwa/llama/animal"}));
    QString error;
    const QList<SchoolWord> saved = f.store->schoolWords(&error);
    QCOMPARE(saved.size(), 1);
    const QString storedPicture = f.store->localFile(saved.first().word.dibujo);
    QVERIFY2(storedPicture.startsWith(f.paths.schoolDir), qPrintable(storedPicture));
    QVERIFY(!QImage(storedPicture).isNull());

    // Edit: the form shows the word as saved; the Spanish word is changed.
    QVERIFY(window.selectWord(QStringLiteral("qarwa")));
    connection = connect(&window, &EditorWindow::formOpened, this, [](WordForm *form) {
        QCOMPARE(child<QLineEdit>(form, "nomAy")->text(), QStringLiteral("qarwa"));
        QVERIFY(!child<QLabel>(form, "picturePreview")->pixmap().isNull());
        child<QLineEdit>(form, "nomEsp")->setText(QStringLiteral("llama blanca"));
        QTest::mouseClick(child<QPushButton>(form, "save"), Qt::LeftButton);
    });
    QTest::mouseClick(child<QPushButton>(&window, "edit"), Qt::LeftButton);
    disconnect(connection);
    QCOMPARE(wordsOfSpanish(f.paths.composedDatabase()),
             QStringList({"inti/sol/naturaleza", "anu/perro/animal", "qarwa/llama blanca/animal"}));
    QCOMPARE(window.list()->topLevelItem(0)->text(1), QStringLiteral("llama blanca"));

    // Delete: asked first; "Cancelar" keeps the word, "Borrar" deletes it.
    for (const char *answer : {"confirmDeleteNo", "confirmDeleteYes"}) {
        QVERIFY(window.selectWord(QStringLiteral("qarwa")));
        QTimer::singleShot(0, this, [answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QVERIFY(box->text().contains(QStringLiteral("qarwa")));
            child<QPushButton>(box, answer)->click();
        });
        QTest::mouseClick(child<QPushButton>(&window, "remove"), Qt::LeftButton);
        if (QByteArray(answer) == "confirmDeleteNo")
            QCOMPARE(window.list()->topLevelItemCount(), 1);
    }
    QCOMPARE(window.list()->topLevelItemCount(), 0);
    QCOMPARE(wordsOfSpanish(f.paths.composedDatabase()), QStringList({"inti/sol/naturaleza", "anu/perro/animal"}));
    QVERIFY(!QFile::exists(storedPicture));
}

void TestEditor::filterAndSearch()
{
    Fixture f;
    for (const auto &[ay, esp, cat] : {std::tuple{"qarwa", "llama", "animal"}, std::tuple{"quta", "lago", "naturaleza"},
                                       std::tuple{"jaqi", "persona", "persona"}})
        QCOMPARE(f.store->save({0, QString::fromUtf8(ay), QString::fromUtf8(esp), QString::fromUtf8(cat), {}, {}}),
                 QString());
    EditorWindow window(*f.store);
    auto shown = [&] {
        QStringList names;
        for (int i = 0; i < window.list()->topLevelItemCount(); ++i)
            if (!window.list()->topLevelItem(i)->isHidden())
                names << window.list()->topLevelItem(i)->text(0);
        return names;
    };
    QCOMPARE(shown(), QStringList({"qarwa", "quta", "jaqi"}));
    auto *filter = child<QComboBox>(&window, "categoryFilter");
    filter->setCurrentIndex(filter->findData(QStringLiteral("animal")));
    QCOMPARE(shown(), QStringList({"qarwa"}));
    filter->setCurrentIndex(0);
    child<QLineEdit>(&window, "search")->setText(QStringLiteral("LAGO"));
    QCOMPARE(shown(), QStringList({"quta"}));
    child<QLineEdit>(&window, "search")->clear();
    // The package's words, read only: shown on request, never editable.
    child<QCheckBox>(&window, "showPackage")->setChecked(true);
    QCOMPARE(shown(), QStringList({"inti", "anu", "qarwa", "quta", "jaqi"}));
    window.list()->topLevelItem(0)->setSelected(true);
    QVERIFY(!child<QPushButton>(&window, "edit")->isEnabled());
    QVERIFY(!child<QPushButton>(&window, "remove")->isEnabled());
}

void TestEditor::unwritableSchoolKeepsBrowsing()
{
    Fixture f;
    QCOMPARE(f.store->save({0, QStringLiteral("quta"), QStringLiteral("lago"), QStringLiteral("naturaleza"), {}, {}}),
             QString());
    // A file where a folder of the school's path should be: nobody can write
    // there, whoever runs the test. Without root, a folder without write
    // permission too.
    QFile blocker(f.school.filePath(QStringLiteral("archivo")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QList<StorePaths> cases{{f.package.path(), blocker.fileName() + QStringLiteral("/escuela")}};
    if (geteuid() != 0) {
        QVERIFY(QFile::setPermissions(f.paths.schoolDir, QFile::ReadOwner | QFile::ExeOwner));
        cases << f.paths;
    }
    for (const StorePaths &paths : cases) {
        SchoolStore store(paths);
        EditorWindow window(store);
        window.show();
        auto *banner = child<QLabel>(&window, "notWritable");
        QVERIFY(banner->isVisible());
        QVERIFY2(banner->text().contains(QStringLiteral("grupo «korivanta»")), qPrintable(banner->text()));
        QVERIFY(banner->text().contains(QStringLiteral("sudo adduser")));
        QVERIFY(!child<QPushButton>(&window, "add")->isEnabled());
        if (paths.schoolDir == f.paths.schoolDir) {
            QCOMPARE(window.list()->topLevelItemCount(), 1);
            QVERIFY(window.selectWord(QStringLiteral("quta")));
            QVERIFY(!child<QPushButton>(&window, "edit")->isEnabled());
            QVERIFY(!child<QPushButton>(&window, "remove")->isEnabled());
        }
    }
    QFile::setPermissions(f.paths.schoolDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EditorWindow writable(*f.store);
    QVERIFY(child<QLabel>(&writable, "notWritable")->isHidden());
}

void TestEditor::packCarriesWordsToAnotherSchool()
{
    Fixture here, there;
    const QString picture = writePng(here.school.filePath(QStringLiteral("foto.png")), 300, 300);
    const QString sound = writeWav(here.school.filePath(QStringLiteral("voz.wav")));
    QCOMPARE(here.store->save(
                 {0, QStringLiteral("qarwa"), QStringLiteral("llama"), QStringLiteral("animal"), picture, sound}),
             QString());
    QCOMPARE(here.store->save(
                 {0, QStringLiteral("quta"), QStringLiteral("lago"), QStringLiteral("naturaleza"), picture, {}}),
             QString());
    QCOMPARE(
        here.store->save({0, QStringLiteral("jaqi"), QStringLiteral("persona"), QStringLiteral("persona"), {}, {}}),
        QString());
    EditorWindow source(*here.store);
    const QString pack = here.school.filePath(QStringLiteral("clase.korivanta"));
    QVERIFY(!source.exportPackTo(pack).isEmpty()); // nothing chosen yet
    QVERIFY(!QFile::exists(pack));
    QVERIFY(source.selectWord(QStringLiteral("qarwa")));
    source.list()->topLevelItem(1)->setSelected(true); // and quta
    QCOMPARE(source.exportPackTo(pack), QString());
    QVERIFY(child<QLabel>(&source, "status")->text().contains(QStringLiteral("2 palabra")));

    // Another computer: the pack's words, with their picture and sound.
    EditorWindow target(*there.store);
    bool ok = false;
    const QString text = target.importPackFrom(pack, &ok);
    QVERIFY2(ok, qPrintable(text));
    QCOMPARE(target.list()->topLevelItemCount(), 2);
    QCOMPARE(wordsOfSpanish(there.paths.schoolDatabase()), QStringList({"qarwa/llama/animal", "quta/lago/naturaleza"}));
    QString error;
    const QList<SchoolWord> words = there.store->schoolWords(&error);
    QCOMPARE(words.size(), 2);
    QVERIFY(there.store->localFile(words[0].word.sonido).startsWith(there.paths.schoolDir));
    QCOMPARE(fileBytes(there.store->localFile(words[0].word.sonido)),
             fileBytes(here.store->localFile(here.store->schoolWords(&error)[0].word.sonido)));
    QVERIFY(!QImage(there.store->localFile(words[1].word.dibujo)).isNull());

    // The same pack again: every word is there as it was, and the window says so.
    const QString again = target.importPackFrom(pack, &ok);
    QVERIFY2(ok, qPrintable(again));
    QVERIFY2(again.startsWith(QStringLiteral("Paquete clase.korivanta: 2 palabras quedaron como estaban.")),
             qPrintable(again));
    QCOMPARE(child<QLabel>(&target, "status")->text(), again);
    QCOMPARE(wordsOfSpanish(there.paths.schoolDatabase()).size(), 2);

    // A file that is no pack at all.
    QFile bogus(there.school.filePath(QStringLiteral("falso.korivanta")));
    QVERIFY(bogus.open(QIODevice::WriteOnly));
    bogus.write("no es un paquete");
    bogus.close();
    const QString refused = target.importPackFrom(bogus.fileName(), &ok);
    QVERIFY(!ok);
    QVERIFY2(refused.startsWith(QStringLiteral("No se importó el paquete:")), qPrintable(refused));
    QCOMPARE(wordsOfSpanish(there.paths.schoolDatabase()).size(), 2);
}

void TestEditor::packImportedAgainUpdatesItsWords_data()
{
    QTest::addColumn<QString>("change"); // what the class changes before packing again
    QTest::addColumn<QString>("said");   // the import's first line
    QTest::addColumn<QStringList>("words");
    QTest::newRow("nothing") << ""
                             << "Paquete clase.korivanta: 2 palabras quedaron como estaban."
                             << QStringList{"qarwa/llama/animal", "quta/lago/naturaleza"};
    QTest::newRow("a Spanish word") << "spanish"
                                    << "Paquete clase.korivanta: se actualizó 1 palabra y 1 quedó como estaba."
                                    << QStringList{"qarwa/alpaca/animal", "quta/lago/naturaleza"};
    QTest::newRow("a picture") << "picture"
                               << "Paquete clase.korivanta: se actualizó 1 palabra y 1 quedó como estaba."
                               << QStringList{"qarwa/llama/animal", "quta/lago/naturaleza"};
    QTest::newRow("a new word") << "new"
                                << "Paquete clase.korivanta: se agregó 1 palabra y 2 quedaron como estaban."
                                << QStringList{"qarwa/llama/animal", "quta/lago/naturaleza", "uta/casa/hogar"};
}

void TestEditor::packImportedAgainUpdatesItsWords()
{
    QFETCH(QString, change);
    QFETCH(QString, said);
    QFETCH(QStringList, words);
    Fixture here, there;
    const QString picture = writePng(here.school.filePath(QStringLiteral("foto.png")), 300, 300);
    const QString sound = writeWav(here.school.filePath(QStringLiteral("voz.wav")));
    qint64 qarwa = 0;
    QCOMPARE(
        here.store->save(
            {0, QStringLiteral("qarwa"), QStringLiteral("llama"), QStringLiteral("animal"), picture, sound}, &qarwa),
        QString());
    // quta has no sound of its own.
    QCOMPARE(here.store->save(
                 {0, QStringLiteral("quta"), QStringLiteral("lago"), QStringLiteral("naturaleza"), picture, {}}),
             QString());
    EditorWindow source(*here.store);
    const QString pack = here.school.filePath(QStringLiteral("clase.korivanta"));
    const auto packAll = [&] {
        source.reload();
        for (int i = 0; i < source.list()->topLevelItemCount(); ++i)
            source.list()->topLevelItem(i)->setSelected(true);
        return source.exportPackTo(pack);
    };
    QCOMPARE(packAll(), QString());
    EditorWindow target(*there.store);
    bool ok = false;
    const QString first = target.importPackFrom(pack, &ok);
    QVERIFY2(ok, qPrintable(first));
    QVERIFY2(first.startsWith(QStringLiteral("Paquete clase.korivanta: se agregaron 2 palabras.")), qPrintable(first));
    QString error;
    const QString oldPicture = there.store->localFile(there.store->schoolWords(&error).value(0).word.dibujo);
    // quta came without a sound: it gets the synthetic voice when this
    // computer can make it, else the window says plainly it has none.
    const QString quta = there.store->localFile(there.store->schoolWords(&error).value(1).word.sonido);
    if (wordtool::voiceMissing(wordtool::findVoiceScript(QCoreApplication::applicationDirPath())).isEmpty())
        QVERIFY2(QFileInfo(quta).isFile() && quta.startsWith(there.paths.schoolDir), qPrintable(quta + first));
    else
        QVERIFY2(first.contains(QStringLiteral("«quta» no tiene sonido: el juego la mostrará sin voz")),
                 qPrintable(first));

    if (change == "spanish") {
        QCOMPARE(here.store->save(
                     {qarwa, QStringLiteral("qarwa"), QStringLiteral("alpaca"), QStringLiteral("animal"), {}, {}}),
                 QString());
    } else if (change == "picture") {
        QImage other(300, 300, QImage::Format_RGB32);
        other.fill(Qt::green);
        const QString green = here.school.filePath(QStringLiteral("verde.png"));
        QVERIFY(other.save(green));
        QCOMPARE(here.store->save(
                     {qarwa, QStringLiteral("qarwa"), QStringLiteral("llama"), QStringLiteral("animal"), green, {}}),
                 QString());
    } else if (change == "new") {
        QCOMPARE(here.store->save({0, QStringLiteral("uta"), QStringLiteral("casa"), QStringLiteral("hogar"), {}, {}}),
                 QString());
    }
    QCOMPARE(packAll(), QString());
    const QString again = target.importPackFrom(pack, &ok);
    QVERIFY2(ok, qPrintable(again));
    QVERIFY2(again.startsWith(said), qPrintable(again));
    QCOMPARE(wordsOfSpanish(there.paths.schoolDatabase()), words);
    const QString newPicture = there.store->localFile(there.store->schoolWords(&error).value(0).word.dibujo);
    QCOMPARE(QFileInfo::exists(oldPicture), change != "picture");
    QVERIFY(QFileInfo::exists(newPicture));
    if (change == "picture") {
        // The picture is fitted into the frame's shape: its middle is the new one's.
        const QImage shown(newPicture);
        QCOMPARE(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::green));
    }
    // The teacher reads of the pack and the words: never a folder of the
    // editor's own, nor an option of the terminal's tool.
    for (const QString &text : {first, again}) {
        QVERIFY2(!text.contains(QDir::tempPath()) && !text.contains(there.paths.schoolDir), qPrintable(text));
        QVERIFY2(!text.contains(QStringLiteral("--generar-voz")), qPrintable(text));
    }
}

void TestEditor::recordingBecomesTheSound()
{
    Fixture f;
    WordForm form(*f.store, nullptr);
    auto *panel = child<recording::RecordPanel>(&form, "recordPanel");
    QCOMPARE(panel->accessibleName(), QStringLiteral("Grabación"));
    // Recordings go to the form's own scratch folder, not the store.
    QVERIFY(!panel->outputPath().isEmpty());
    QVERIFY(!panel->outputPath().startsWith(f.paths.schoolDir));
    child<QLineEdit>(&form, "nomAy")->setText(QStringLiteral("qarwa"));
    child<QLineEdit>(&form, "nomEsp")->setText(QStringLiteral("llama"));
    form.setCategory(QStringLiteral("animal"));
    const QString recorded = writeWav(panel->outputPath());
    emit panel->recordingSaved(recorded);
    QCOMPARE(form.draft().soundFile, recorded);
    QVERIFY(child<QLabel>(&form, "soundName")->text().contains(QStringLiteral("grabacion.wav")));
    QCOMPARE(form.save(), QString());
    QString error;
    const QList<SchoolWord> words = f.store->schoolWords(&error);
    QCOMPARE(words.size(), 1);
    QCOMPARE(fileBytes(f.store->localFile(words.first().word.sonido)), fileBytes(recorded));
}

// "Escuchar" plays, and "Guardar" stores, the chosen sound as the game will
// play it: a 24-bit WAV or a FLAC file becomes 16-bit PCM that passes the
// game's check; a file that is no sound keeps "Guardar" disabled and says why.
void TestEditor::chosenSoundsAreHeardAndSavedAsTheGamePlaysThem_data()
{
    QTest::addColumn<SoundKind>("kind");
    QTest::addColumn<QString>("reason"); // empty: saved
    QTest::newRow("24-bit WAV") << SoundKind{SoundMaking::Tone, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 1, 0.5}
                                << QString();
    QTest::newRow("FLAC, stereo") << SoundKind{SoundMaking::Tone, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 48000, 2, 0.5}
                                  << QString();
    QTest::newRow("not a sound") << SoundKind{SoundMaking::Text, 0, 0, 0, 0}
                                 << "no es un archivo de sonido que se pueda leer";
    QTest::newRow("two hours") << SoundKind{SoundMaking::SparseHours, 0, 22050, 1, 0} << "dura 2 horas";
}

void TestEditor::chosenSoundsAreHeardAndSavedAsTheGamePlaysThem()
{
    QFETCH(SoundKind, kind);
    QFETCH(QString, reason);
    Fixture f;
    WordForm form(*f.store, nullptr);
    child<QLineEdit>(&form, "nomAy")->setText(QStringLiteral("qarwa"));
    child<QLineEdit>(&form, "nomEsp")->setText(QStringLiteral("llama"));
    form.setCategory(QStringLiteral("animal"));
    const QString chosen = f.school.filePath(QStringLiteral("llama.sonido"));
    QVERIFY(makeSound(chosen, kind));
    form.setSoundFile(chosen);

    const QString heard = form.listenFile();
    auto *problem = child<QLabel>(&form, "soundProblem");
    if (!reason.isEmpty()) {
        QCOMPARE(heard, QString());
        QVERIFY2(problem->text().contains(QStringLiteral("«%1» %2").arg(chosen, reason)), qPrintable(problem->text()));
        QVERIFY(!child<QPushButton>(&form, "save")->isEnabled());
        QVERIFY(!form.save().isEmpty());
        QVERIFY(f.store->schoolWords(nullptr).isEmpty());
        return;
    }
    QCOMPARE(problem->text(), QString());
    QCOMPARE(media_checks::wavProblem(heard), QString());
    QCOMPARE(form.save(), QString());
    const QList<SchoolWord> words = f.store->schoolWords(nullptr);
    QCOMPARE(words.size(), 1);
    const QString stored = f.store->localFile(words.first().word.sonido);
    QCOMPARE(media_checks::wavProblem(stored), QString());
    const std::optional<SoundReading> r = readSound(stored);
    QVERIFY(r);
    QCOMPARE(r->format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    QCOMPARE(r->channels, 1);
    QCOMPARE(r->rate, kind.rate);
    QVERIFY2(r->peak > 0.4 && r->peak < 0.6, qPrintable(QString::number(r->peak)));
    // What the teacher heard is what was stored.
    QCOMPARE(fileBytes(heard), fileBytes(stored));
}

void TestEditor::killedDuringSaveLeavesReadableWords()
{
    const QStringList names = savedWordNames();
    for (int round = 0; round < 6; ++round) {
        Fixture f;
        const QString picture = writePng(f.school.filePath(QStringLiteral("foto.png")), 500, 300);
        QProcess editor;
        editor.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        editor.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--save-loop"), f.paths.packageDriveC, f.paths.schoolDir, picture});
        QVERIFY(editor.waitForStarted());
        // Kill it at a different moment of a save each round.
        QVERIFY(editor.waitForReadyRead(20000));
        QTest::qWait(int(QRandomGenerator::global()->bounded(5, 120)) + round * 17);
        editor.kill();
        QVERIFY(editor.waitForFinished(5000));
        const QStringList confirmed =
            QString::fromUtf8(editor.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(!confirmed.isEmpty());

        QCOMPARE(wordsdb::integrityProblem(f.paths.schoolDatabase()), QString());
        QCOMPARE(wordsdb::integrityProblem(f.paths.composedDatabase()), QString());
        // The school's words: all those confirmed, and perhaps the one being saved.
        QStringList school;
        for (const QString &w : wordsOfSpanish(f.paths.schoolDatabase()))
            school << w.section(QLatin1Char('/'), 0, 0);
        QVERIFY2(school == names.mid(0, confirmed.size()) || school == names.mid(0, confirmed.size() + 1),
                 qPrintable(school.join(QLatin1Char(' '))));
        // The game's words: the package's, then a whole prefix of the school's.
        const QStringList composed = wordsOfSpanish(f.paths.composedDatabase());
        QCOMPARE(composed.mid(0, 2), QStringList({"inti/sol/naturaleza", "anu/perro/animal"}));
        QStringList composedSchool;
        for (const QString &w : composed.mid(2))
            composedSchool << w.section(QLatin1Char('/'), 0, 0);
        QVERIFY(composedSchool == school || composedSchool == school.mid(0, school.size() - 1));
        // Every word's picture is there, and the next save or compose catches up.
        SchoolStore store(f.paths);
        QString error;
        for (const SchoolWord &s : store.schoolWords(&error))
            QVERIFY2(!QImage(store.localFile(s.word.dibujo)).isNull(), qPrintable(s.word.dibujo));
        QCOMPARE(store.compose(), QString());
        QCOMPARE(wordsOfSpanish(f.paths.composedDatabase()).size(), 2 + school.size());
    }
}

void TestEditor::waitsForAnotherWriterWithoutFreezing_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("the other program finishes") << false;
    QTest::newRow("the teacher stops waiting") << true;
}

// Another program holds the school's words while the teacher saves: the
// window goes on running its events, says that it waits, and either saves
// once the other lets go or, cancelled, changes nothing and says why.
void TestEditor::waitsForAnotherWriterWithoutFreezing()
{
    QFETCH(bool, cancel);
    Fixture f;
    QVERIFY(QDir().mkpath(f.paths.schoolDir));
    EditorWindow window(*f.store);
    window.show();
    auto other = std::make_unique<ProcessLock>(QDir(f.paths.schoolDir).filePath(".palabras-escuela.bloqueo"));
    QCOMPARE(other->tryLock(0), ProcessLock::Result::Taken);

    WordForm form(*f.store, nullptr, &window);
    child<QLineEdit>(&form, "nomAy")->setText(QStringLiteral("quta"));
    child<QLineEdit>(&form, "nomEsp")->setText(QStringLiteral("lago"));
    form.setCategory(QStringLiteral("naturaleza"));

    // Ticks of a timer prove the window's events run during the wait; the
    // dialog is answered (or the lock let go) from inside the wait.
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
    ticker.start(20);
    bool dialogSeen = false;
    QTimer watcher;
    connect(&watcher, &QTimer::timeout, this, [&] {
        auto *dialog = window.findChild<QProgressDialog *>(QStringLiteral("lockWait"), Qt::FindChildrenRecursively);
        if (!dialog || !dialog->isVisible())
            return;
        dialogSeen = true;
        watcher.stop();
        if (cancel)
            dialog->cancel();
        else
            other.reset();
    });
    watcher.start(100);
    const QString error = form.save();
    QVERIFY(dialogSeen);
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
    QVERIFY(!window.findChild<QProgressDialog *>(QStringLiteral("lockWait"), Qt::FindChildrenRecursively));
    QString readError;
    if (cancel) {
        QVERIFY2(error.contains(QStringLiteral("otro programa está cambiando las palabras")), qPrintable(error));
        QVERIFY(child<QLabel>(&form, "saveError")->text().contains(QStringLiteral("No se guardó")));
        QVERIFY(f.store->schoolWords(&readError).isEmpty());
    } else {
        QCOMPARE(error, QString());
        QCOMPARE(f.store->schoolWords(&readError).size(), 1);
    }
}

void TestEditor::saveOverAChangeMadeElsewhere_data()
{
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<bool>("saveMine");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("changed, the teacher keeps the other version")
        << false << false << QStringList{"quta/laguna/naturaleza"};
    QTest::newRow("changed, the teacher saves over it") << false << true << QStringList{"quta/lago azul/naturaleza"};
    QTest::newRow("deleted, the teacher lets it go") << true << false << QStringList{};
    QTest::newRow("deleted, the teacher saves it again") << true << true << QStringList{"quta/lago azul/naturaleza"};
}

// Two editors on one school: the word a form shows is changed or deleted by
// the other before the form saves. The save never goes over it silently: the
// teacher is asked, and the answer decides.
void TestEditor::saveOverAChangeMadeElsewhere()
{
    QFETCH(bool, deleted);
    QFETCH(bool, saveMine);
    QFETCH(QStringList, expected);
    Fixture f;
    qint64 id = 0;
    QCOMPARE(
        f.store->save({0, QStringLiteral("quta"), QStringLiteral("lago"), QStringLiteral("naturaleza"), {}, {}}, &id),
        QString());
    QString error;
    const QList<SchoolWord> before = f.store->schoolWords(&error);
    QCOMPARE(before.size(), 1);

    WordForm form(*f.store, &before.first());
    child<QLineEdit>(&form, "nomEsp")->setText(QStringLiteral("lago azul"));

    SchoolStore otherEditor(f.paths);
    if (deleted)
        QCOMPARE(otherEditor.remove(id), QString());
    else
        QCOMPARE(otherEditor.save(
                     {id, QStringLiteral("quta"), QStringLiteral("laguna"), QStringLiteral("naturaleza"), {}, {}}),
                 QString());

    QString question;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        QCOMPARE(box->objectName(), QStringLiteral("saveConflict"));
        question = box->text();
        child<QPushButton>(box, saveMine ? "saveConflictYes" : "saveConflictNo")->click();
    });
    const QString saveError = form.save();
    QVERIFY2(question.contains(QStringLiteral("«quta»")), qPrintable(question));
    QVERIFY2(question.contains(deleted ? QStringLiteral("borró") : QStringLiteral("«quta» (laguna")),
             qPrintable(question));
    QCOMPARE(saveError.isEmpty(), saveMine);
    QCOMPARE(form.result() == QDialog::Accepted, saveMine);
    QStringList school;
    for (const SchoolWord &s : f.store->schoolWords(&error))
        school << s.word.nomAy + u'/' + s.word.nomEsp + u'/' + s.word.categoria;
    QCOMPARE(school, expected);
    QCOMPARE(wordsOfSpanish(f.paths.composedDatabase()).mid(2), expected);
}

// Another editor (another store over the same school) adds and deletes words:
// the window's list follows by itself, keeping the teacher's choice; "Editar"
// on a word deleted meanwhile says so instead of doing nothing.
void TestEditor::listFollowsChangesMadeElsewhere()
{
    Fixture f;
    QCOMPARE(f.store->save({0, QStringLiteral("quta"), QStringLiteral("lago"), QStringLiteral("naturaleza"), {}, {}}),
             QString());
    EditorWindow window(*f.store);
    window.show();
    QVERIFY(window.selectWord(QStringLiteral("quta")));
    auto names = [&] {
        QStringList shown;
        for (int i = 0; i < window.list()->topLevelItemCount(); ++i)
            shown << window.list()->topLevelItem(i)->text(0);
        return shown;
    };

    SchoolStore other(f.paths);
    QCOMPARE(other.save({0, QStringLiteral("qarwa"), QStringLiteral("llama"), QStringLiteral("animal"), {}, {}}),
             QString());
    QTRY_COMPARE(names(), QStringList({"quta", "qarwa"}));
    QCOMPARE(window.list()->selectedItems().size(), 1);
    QCOMPARE(window.list()->selectedItems().first()->text(0), QStringLiteral("quta"));

    // Deleted elsewhere; "Editar" pressed before the list has caught up.
    QString error;
    const qint64 quta = f.store->schoolWords(&error).first().id;
    QCOMPARE(other.remove(quta), QString());
    bool formOpened = false;
    connect(&window, &EditorWindow::formOpened, this, [&] { formOpened = true; });
    child<QPushButton>(&window, "edit")->click();
    QVERIFY(!formOpened);
    QCOMPARE(names(), QStringList({"qarwa"}));
    QVERIFY2(child<QLabel>(&window, "status")->text().contains(QStringLiteral("otra ventana u otro programa la borró")),
             qPrintable(child<QLabel>(&window, "status")->text()));
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc == 5 && QByteArray(argv[1]) == "--save-loop")
        return saveLoop(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                        QString::fromLocal8Bit(argv[4]));
    TestEditor test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editor.moc"
