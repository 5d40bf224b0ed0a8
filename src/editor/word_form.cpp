#include "editor/word_form.h"

#include "editor/key_chips.h"
#include "editor/recording/record_panel.h"
#include "editor/typed_accents.h"
#include "wordstore/word_import.h"
#include "wordstore/word_picture.h"
#include "wordstore/word_sound.h"
#include "wordstore/word_voice.h"

#include <QAudioOutput>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace korivanta::editor {

namespace {

void name(QWidget *widget, const char *objectName, const QString &accessible)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(accessible);
}

QLabel *problemLabel()
{
    auto *label = new QLabel;
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #b00000;"));
    return label;
}

void showProblem(QLabel *label, const QString &problem)
{
    label->setText(problem);
    label->setAccessibleDescription(problem);
    label->setVisible(!problem.isEmpty());
}

} // namespace

WordForm::WordForm(wordstore::SchoolStore &store, const wordstore::SchoolWord *word, QWidget *parent)
    : QDialog(parent), m_store(store)
{
    name(this, "WordForm", QStringLiteral("Palabra"));
    setWindowTitle(word ? QStringLiteral("Editar palabra") : QStringLiteral("Agregar palabra"));
    auto *form = new QFormLayout;

    m_nomAy = new QLineEdit;
    addField(form, "nomAy", QStringLiteral("Palabra en aymara"), m_nomAy, &m_nomAyProblem);
    m_chips = new QWidget;
    name(m_chips, "keyChips", QStringLiteral("Teclas de la palabra"));
    m_chipsLayout = new QHBoxLayout(m_chips);
    m_chipsLayout->setContentsMargins(0, 0, 0, 0);
    m_chipsLayout->setSpacing(3);
    m_chipsLayout->addStretch();
    form->insertRow(1, QString(), m_chips);

    m_nomEsp = new QLineEdit;
    addField(form, "nomEsp", QStringLiteral("Palabra en castellano"), m_nomEsp, &m_nomEspProblem);

    m_categoria = new QComboBox;
    for (const QString &key : wordsdb::categoryKeys()) {
        const QString title = wordsdb::categoryTitle(key);
        m_categoria->addItem(title.isEmpty() ? QStringLiteral("%1 (sin botón en el menú)").arg(key)
                                             : QStringLiteral("%1 (%2)").arg(key, title),
                             key);
    }
    addField(form, "categoria", QStringLiteral("Categoría"), m_categoria, &m_categoriaProblem);

    // The picture, as the game's frame shows it.
    m_picture = new QLabel;
    name(m_picture, "picturePreview", QStringLiteral("Dibujo"));
    m_picture->setFixedSize(wordpicture::frameSize());
    m_picture->setFrameShape(QFrame::Box);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setText(QStringLiteral("Sin dibujo"));
    auto *choosePicture = new QPushButton(QStringLiteral("Elegir dibujo…"));
    name(choosePicture, "choosePicture", QStringLiteral("Elegir dibujo"));
    auto *pastePicture = new QPushButton(QStringLiteral("Pegar dibujo"));
    name(pastePicture, "pastePicture", QStringLiteral("Pegar dibujo"));
    auto *pictureButtons = new QVBoxLayout;
    pictureButtons->addWidget(choosePicture);
    pictureButtons->addWidget(pastePicture);
    pictureButtons->addStretch();
    auto *pictureRow = new QWidget;
    name(pictureRow, "pictureRow", QStringLiteral("Dibujo de la palabra"));
    auto *pictureLayout = new QHBoxLayout(pictureRow);
    pictureLayout->setContentsMargins(0, 0, 0, 0);
    pictureLayout->addWidget(m_picture);
    pictureLayout->addLayout(pictureButtons);
    addField(form, "picture", QStringLiteral("Dibujo"), pictureRow, &m_pictureProblem);

    // The sound: recorded, a WAV file, or the synthetic voice.
    // The teacher's own voice: each finished recording becomes the new sound.
    auto *recording = new recording::RecordPanel;
    name(recording, "recordPanel", QStringLiteral("Grabación"));
    if (m_scratch.isValid())
        recording->setOutputPath(m_scratch.filePath(QStringLiteral("grabacion.wav")));
    connect(recording, &recording::RecordPanel::recordingSaved, this, &WordForm::setSoundFile);
    m_soundName = new QLabel(QStringLiteral("Sin sonido nuevo"));
    name(m_soundName, "soundName", QStringLiteral("Sonido elegido"));
    auto *chooseSound = new QPushButton(QStringLiteral("Elegir sonido…"));
    name(chooseSound, "chooseSound", QStringLiteral("Elegir archivo de sonido"));
    m_voice = new QPushButton(QStringLiteral("Voz sintética"));
    name(m_voice, "syntheticVoice", QStringLiteral("Voz sintética"));
    const QString missing = wordtool::voiceMissing(wordtool::findVoiceScript(QCoreApplication::applicationDirPath()));
    if (!missing.isEmpty()) {
        m_voice->setEnabled(false);
        m_voice->setToolTip(missing);
        m_voice->setAccessibleDescription(missing);
    }
    m_play = new QPushButton(QStringLiteral("Escuchar"));
    name(m_play, "playSound", QStringLiteral("Escuchar el sonido"));
    auto *soundRow = new QWidget;
    name(soundRow, "soundRow", QStringLiteral("Sonido de la palabra"));
    auto *soundLayout = new QVBoxLayout(soundRow);
    soundLayout->setContentsMargins(0, 0, 0, 0);
    soundLayout->addWidget(recording);
    auto *soundButtons = new QHBoxLayout;
    soundButtons->addWidget(chooseSound);
    soundButtons->addWidget(m_voice);
    soundButtons->addWidget(m_play);
    soundLayout->addLayout(soundButtons);
    soundLayout->addWidget(m_soundName);
    addField(form, "sound", QStringLiteral("Sonido"), soundRow, &m_soundProblem);

    m_warnings = new QLabel;
    name(m_warnings, "warnings", QStringLiteral("Avisos"));
    m_warnings->setWordWrap(true);
    m_warnings->setStyleSheet(QStringLiteral("color: #805000;"));
    m_saveError = problemLabel();
    name(m_saveError, "saveError", QStringLiteral("Error al guardar"));
    showProblem(m_saveError, {});

    auto *buttons = new QDialogButtonBox;
    name(buttons, "formButtons", QStringLiteral("Botones"));
    m_save = buttons->addButton(QStringLiteral("Guardar"), QDialogButtonBox::AcceptRole);
    name(m_save, "save", QStringLiteral("Guardar"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
    name(cancel, "cancel", QStringLiteral("Cancelar"));
    connect(m_save, &QPushButton::clicked, this, &WordForm::saveAsked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_warnings);
    layout->addWidget(m_saveError);
    layout->addWidget(buttons);

    if (word) {
        m_id = word->id;
        m_shown = word->word;
        m_nomAy->setText(word->word.nomAy);
        m_nomEsp->setText(word->word.nomEsp);
        setCategory(word->word.categoria);
        showPicture(m_store.localFile(word->word.dibujo));
        m_currentSound = m_store.localFile(word->word.sonido);
        if (QFileInfo::exists(m_currentSound))
            m_soundName->setText(QStringLiteral("Sonido guardado: %1").arg(QFileInfo(m_currentSound).fileName()));
    }

    connect(m_nomAy, &QLineEdit::textEdited, this, [this](const QString &text) {
        int cursor = m_nomAy->cursorPosition();
        const QString composed = composeTypedAccents(text, &cursor);
        if (composed != text) {
            m_nomAy->setText(composed);
            m_nomAy->setCursorPosition(cursor);
        }
    });
    connect(m_nomAy, &QLineEdit::textChanged, this, &WordForm::recheck);
    connect(m_nomEsp, &QLineEdit::textChanged, this, &WordForm::recheck);
    connect(m_categoria, &QComboBox::currentIndexChanged, this, &WordForm::recheck);
    connect(choosePicture, &QPushButton::clicked, this, &WordForm::choosePicture);
    connect(pastePicture, &QPushButton::clicked, this, &WordForm::pastePicture);
    connect(chooseSound, &QPushButton::clicked, this, &WordForm::chooseSound);
    connect(m_voice, &QPushButton::clicked, this, &WordForm::makeVoice);
    connect(m_play, &QPushButton::clicked, this, &WordForm::playSound);
    recheck();
}

WordForm::~WordForm() = default;

void WordForm::addField(QFormLayout *form, const char *fieldName, const QString &title, QWidget *field,
                        QLabel **problem)
{
    name(field, fieldName, title);
    *problem = problemLabel();
    const QByteArray problemName = QByteArray(fieldName) + "Problem";
    name(*problem, problemName.constData(), QStringLiteral("Problema: %1").arg(title));
    auto *column = new QWidget;
    name(column, (QByteArray(fieldName) + "Field").constData(), title);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field);
    layout->addWidget(*problem);
    auto *label = new QLabel(title + QLatin1Char(':'));
    name(label, (QByteArray(fieldName) + "Label").constData(), title);
    label->setBuddy(field);
    form->addRow(label, column);
}

wordstore::WordDraft WordForm::draft() const
{
    wordstore::WordDraft d;
    d.id = m_id;
    d.nomAy = m_nomAy->text();
    d.nomEsp = m_nomEsp->text();
    d.categoria = m_categoria->currentData().toString();
    d.pictureFile = m_pictureFile;
    d.soundFile = m_soundFile;
    d.shown = m_shown;
    return d;
}

void WordForm::recheck()
{
    m_problems = m_store.check(draft());
    showProblem(m_nomAyProblem, m_problems.nomAy);
    showProblem(m_nomEspProblem, m_problems.nomEsp);
    showProblem(m_categoriaProblem, m_problems.categoria);
    showProblem(m_pictureProblem, m_problems.picture);
    showProblem(m_soundProblem, m_problems.sound);
    const QString warnings = m_problems.warnings.join(QLatin1Char('\n'));
    m_warnings->setText(warnings);
    m_warnings->setAccessibleDescription(warnings);
    m_warnings->setVisible(!warnings.isEmpty());
    m_save->setEnabled(m_problems.ok());
    showChips();
    fitContents();
}

void WordForm::fitContents()
{
    // A message that wraps needs more height the narrower the window is, and
    // a window does not take that into account by itself: the form grows to
    // what its contents need at its width, so no message covers a field.
    QLayout *top = layout();
    top->activate();
    const int needed = top->hasHeightForWidth() ? top->totalHeightForWidth(width()) : top->totalMinimumSize().height();
    if (height() < needed)
        resize(width(), needed);
}

void WordForm::showChips()
{
    while (m_chipsLayout->count() > 1) {
        QLayoutItem *item = m_chipsLayout->takeAt(0);
        delete item->widget();
        delete item;
    }
    const QList<KeyChip> chips = splitIntoKeys(wordtool::keyboardWord(m_nomAy->text()));
    QStringList spoken;
    for (qsizetype i = 0; i < chips.size(); ++i) {
        const KeyChip &chip = chips[i];
        auto *label = new QLabel(chip.key < 0 ? chip.text + QStringLiteral(" ?") : chip.text);
        const QColor colour = chipColour(chip.key);
        label->setObjectName(QStringLiteral("keyChip%1").arg(i));
        const QString what = chip.key < 0 ? QStringLiteral("«%1»: ninguna tecla").arg(chip.text)
                                          : QStringLiteral("tecla %1").arg(chip.text);
        label->setAccessibleName(what);
        label->setToolTip(chip.key < 0 ? QStringLiteral("Ninguna tecla del juego da «%1»").arg(chip.text) : QString());
        label->setStyleSheet(
            QStringLiteral("QLabel { background: %1; color: %2; border-radius: 6px; padding: 2px 6px; %3 }")
                .arg(colour.name(), chip.key < 0 ? QStringLiteral("#b00000") : QStringLiteral("white"),
                     chip.key < 0 ? QStringLiteral("border: 2px dashed #b00000;") : QString()));
        m_chipsLayout->insertWidget(m_chipsLayout->count() - 1, label);
        spoken << what;
    }
    m_chips->setAccessibleDescription(spoken.join(QStringLiteral(", ")));
}

void WordForm::showPicture(const QString &file)
{
    const wordpicture::Fitted fitted = wordpicture::fit(file);
    QImage image;
    if (fitted.error.isEmpty())
        image.loadFromData(fitted.bytes);
    if (image.isNull()) {
        m_picture->setPixmap({});
        m_picture->setText(QStringLiteral("Sin dibujo"));
        return;
    }
    // The game stretches the stored picture to its frame; it has the frame's
    // shape already, so nothing is distorted.
    m_picture->setPixmap(
        QPixmap::fromImage(image.scaled(wordpicture::frameSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void WordForm::setCategory(const QString &key)
{
    int index = m_categoria->findData(key);
    if (index < 0) {
        m_categoria->addItem(QStringLiteral("%1 (desconocida)").arg(key), key);
        index = m_categoria->count() - 1;
    }
    m_categoria->setCurrentIndex(index);
}

void WordForm::setPictureFile(const QString &file)
{
    m_pictureFile = file;
    showPicture(file);
    recheck();
}

void WordForm::setSoundFile(const QString &file)
{
    m_soundFile = file;
    m_soundName->setText(file.isEmpty() ? QStringLiteral("Sin sonido nuevo")
                                        : QStringLiteral("Sonido nuevo: %1").arg(QFileInfo(file).fileName()));
    recheck();
}

void WordForm::choosePicture()
{
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Elegir dibujo"), QString(),
                                                      QStringLiteral("Imágenes (*.png *.jpg *.jpeg *.bmp *.gif)"));
    if (!file.isEmpty())
        setPictureFile(file);
}

void WordForm::pastePicture()
{
    QImage image = QGuiApplication::clipboard()->image();
    // Some programs offer only a file's bytes ("image/png" of 16 bits a
    // channel, say), which the clipboard does not turn into an image itself.
    if (const QMimeData *offered = QGuiApplication::clipboard()->mimeData(); image.isNull() && offered) {
        for (const QString &format : offered->formats()) {
            if (format.startsWith(QLatin1String("image/")))
                image = QImage::fromData(offered->data(format));
            if (!image.isNull())
                break;
        }
    }
    if (image.isNull() || !m_scratch.isValid()) {
        showProblem(m_pictureProblem, QStringLiteral("el portapapeles no tiene ninguna imagen"));
        return;
    }
    const QString file = m_scratch.filePath(QStringLiteral("pegado-%1.png").arg(++m_scratchCount));
    if (!image.save(file, "PNG")) {
        showProblem(m_pictureProblem, QStringLiteral("no se puede guardar la imagen pegada"));
        return;
    }
    setPictureFile(file);
}

void WordForm::chooseSound()
{
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("Elegir sonido"), QString(),
        QStringLiteral("Sonidos (*.wav *.flac *.ogg *.oga *.aif *.aiff *.mp3);;Todos los archivos (*)"));
    if (!file.isEmpty())
        setSoundFile(file);
}

void WordForm::makeVoice()
{
    const QString word = wordtool::keyboardWord(m_nomAy->text());
    if (word.isEmpty() || !m_scratch.isValid()) {
        showProblem(m_soundProblem, QStringLiteral("escriba primero la palabra aymara"));
        return;
    }
    const QString file = m_scratch.filePath(QStringLiteral("voz-%1.wav").arg(++m_scratchCount));
    const QString error =
        wordtool::speakWord(wordtool::findVoiceScript(QCoreApplication::applicationDirPath()), word, file);
    if (!error.isEmpty()) {
        showProblem(m_soundProblem, error);
        return;
    }
    setSoundFile(file);
}

QString WordForm::listenFile()
{
    if (m_soundFile.isEmpty())
        return QFileInfo::exists(m_currentSound) ? m_currentSound : QString();
    if (!m_scratch.isValid())
        return {};
    const QString converted = m_scratch.filePath(QStringLiteral("escuchar-%1.wav").arg(++m_scratchCount));
    if (const QString problem = wordsound::convertToFile(m_soundFile, converted); !problem.isEmpty()) {
        QFile::remove(converted);
        showProblem(m_soundProblem, QStringLiteral("el sonido «%1» %2").arg(m_soundFile, problem));
        return {};
    }
    return converted;
}

void WordForm::playSound()
{
    const QString file = listenFile();
    if (file.isEmpty())
        return;
    // The player is made on first use: opening a form needs no sound server.
    if (!m_player) {
        m_output = new QAudioOutput(this);
        m_player = new QMediaPlayer(this);
        m_player->setAudioOutput(m_output);
    }
    m_player->stop();
    m_player->setSource(QUrl::fromLocalFile(file));
    m_player->play();
}

QString WordForm::wordFile(const QString &savedPath, QString (*standard)(const QString &)) const
{
    // The saved word's file when editing, else the file the game would look
    // for under the word's standard name (the package may have one).
    if (m_shown)
        return m_store.localFile(savedPath);
    const QString word = wordtool::keyboardWord(m_nomAy->text());
    return word.isEmpty() ? QString() : m_store.localFile(standard(word));
}

void WordForm::saveAsked()
{
    // A word with no sound at all gets the synthetic voice, unless the
    // teacher chose, recorded or made another: the child always hears it.
    const bool hasSound = !m_soundFile.isEmpty() ||
                          QFileInfo(wordFile(m_shown ? m_shown->sonido : QString(), wordsdb::standardSound)).isFile();
    if (!hasSound && m_voice->isEnabled())
        makeVoice();
    const bool hasPicture =
        !m_pictureFile.isEmpty() ||
        QFileInfo(wordFile(m_shown ? m_shown->dibujo : QString(), wordsdb::standardPicture)).isFile();
    if (!hasPicture) {
        const QString word = wordtool::keyboardWord(m_nomAy->text());
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Palabra sin dibujo"),
                        QStringLiteral("«%1» no tiene dibujo: en el juego los niños verán un cuadro vacío en su "
                                       "lugar.\n¿Guardarla sin dibujo?")
                            .arg(word),
                        QMessageBox::NoButton, this);
        box.setObjectName(QStringLiteral("noPicture"));
        box.setAccessibleName(QStringLiteral("Palabra sin dibujo"));
        QPushButton *yes = box.addButton(QStringLiteral("Guardar sin dibujo"), QMessageBox::AcceptRole);
        yes->setObjectName(QStringLiteral("noPictureYes"));
        QPushButton *no = box.addButton(QStringLiteral("Volver y elegir un dibujo"), QMessageBox::RejectRole);
        no->setObjectName(QStringLiteral("noPictureNo"));
        box.setDefaultButton(no);
        box.exec();
        if (box.clickedButton() != yes)
            return;
    }
    save();
}

QString WordForm::save()
{
    recheck();
    if (!m_problems.ok())
        return QStringLiteral("la palabra todavía no se puede guardar");
    wordstore::WordDraft d = draft();
    wordstore::SaveConflict conflict = wordstore::SaveConflict::None;
    QString error = m_store.save(d, &m_savedId, &conflict);
    if (conflict != wordstore::SaveConflict::None && askOverConflict(conflict)) {
        if (conflict == wordstore::SaveConflict::Deleted)
            d.id = 0;
        d.shown.reset();
        error = m_store.save(d, &m_savedId, &conflict);
    }
    showProblem(m_saveError, error.isEmpty() ? QString() : QStringLiteral("No se guardó: %1").arg(error));
    if (error.isEmpty())
        accept();
    return error;
}

bool WordForm::askOverConflict(wordstore::SaveConflict conflict)
{
    const QString mine = m_shown ? m_shown->nomAy : m_nomAy->text();
    QString text, yesText;
    if (conflict == wordstore::SaveConflict::Deleted) {
        text = QStringLiteral("Mientras este formulario estaba abierto, otra ventana u otro programa borró «%1».\n"
                              "¿Guardarla otra vez, como palabra nueva?")
                   .arg(mine);
        if (m_pictureFile.isEmpty() || m_soundFile.isEmpty())
            text += QStringLiteral("\nSu dibujo y su sonido se borraron con ella: elija otros si hace falta.");
        yesText = QStringLiteral("Guardar como nueva");
    } else {
        QString now;
        for (const wordstore::SchoolWord &s : m_store.schoolWords(nullptr))
            if (s.id == m_id)
                now = QStringLiteral("«%1» (%2, %3)")
                          .arg(s.word.nomAy, s.word.nomEsp,
                               wordsdb::categoryTitle(s.word.categoria).isEmpty()
                                   ? s.word.categoria
                                   : wordsdb::categoryTitle(s.word.categoria));
        text = QStringLiteral("Mientras este formulario estaba abierto, otra ventana u otro programa cambió «%1»; "
                              "ahora es %2.\n¿Guardar sus cambios en lugar de esos?")
                   .arg(mine, now);
        yesText = QStringLiteral("Guardar los míos");
    }
    QMessageBox box(QMessageBox::Question, QStringLiteral("La palabra cambió"), text, QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("saveConflict"));
    box.setAccessibleName(QStringLiteral("La palabra cambió"));
    QPushButton *yes = box.addButton(yesText, QMessageBox::AcceptRole);
    yes->setObjectName(QStringLiteral("saveConflictYes"));
    yes->setAccessibleName(yesText);
    QPushButton *no = box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
    no->setObjectName(QStringLiteral("saveConflictNo"));
    no->setAccessibleName(QStringLiteral("Cancelar"));
    box.setDefaultButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace korivanta::editor
