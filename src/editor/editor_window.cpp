#include "editor/editor_window.h"

#include "editor/lock_wait_dialog.h"
#include "editor/word_form.h"
#include "wordstore/import_counts.h"
#include "wordstore/word_pack.h"
#include "wordstore/word_picture.h"
#include "wordstore/word_voice.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace korivanta::editor {

namespace {

enum Column { ColAymara, ColSpanish, ColCategory };
constexpr int kIdRole = Qt::UserRole; // the school word's id; 0 for a package word
constexpr int kCategoryRole = Qt::UserRole + 1;
constexpr int kWordRole = Qt::UserRole + 2; // the row: nom_ay, nom_esp, categoria, dibujo, sonido

void keepWord(QTreeWidgetItem *item, const wordsdb::Word &w)
{
    item->setData(ColAymara, kWordRole, QStringList{w.nomAy, w.nomEsp, w.categoria, w.dibujo, w.sonido});
}

wordsdb::Word wordOf(const QTreeWidgetItem *item)
{
    const QStringList v = item->data(ColAymara, kWordRole).toStringList();
    if (v.size() != 5)
        return {};
    return {v[0], v[1], v[2], v[3], v[4]};
}

void name(QWidget *widget, const char *objectName, const QString &accessible)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(accessible);
}

// The thumbnail of a picture file, in the frame's shape as the game shows it.
// A photo is decoded already scaled down; a picture of few colours (a
// palette, one bit a pixel) is decoded as it is and scaled in full colour, as
// scaling its palette indices would turn its areas into a checker.
QIcon thumbnail(const QString &file)
{
    QImageReader reader(file);
    const QSize frame = wordpicture::frameSize() / 3;
    const QImage::Format format = reader.imageFormat();
    const bool fewColours =
        format == QImage::Format_Mono || format == QImage::Format_MonoLSB || format == QImage::Format_Indexed8;
    if (!fewColours)
        reader.setScaledSize(frame);
    const QImage image = reader.read();
    if (image.isNull()) {
        // A word without a picture gets an empty frame of the same size, so
        // that its row lines up with the others and shows what is missing.
        QPixmap empty(frame);
        empty.fill(QColor(238, 238, 238));
        QPainter painter(&empty);
        painter.setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
        painter.drawRect(QRect(QPoint(0, 0), frame).adjusted(0, 0, -1, -1));
        painter.drawLine(QPoint(0, 0), QPoint(frame.width() - 1, frame.height() - 1));
        painter.drawLine(QPoint(0, frame.height() - 1), QPoint(frame.width() - 1, 0));
        return QIcon(empty);
    }
    return QIcon(QPixmap::fromImage(
        image.convertToFormat(QImage::Format_RGB32).scaled(frame, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

QString categoryText(const QString &key)
{
    const QString title = wordsdb::categoryTitle(key);
    return title.isEmpty() ? QStringLiteral("%1 (sin botón)").arg(key) : QStringLiteral("%1 (%2)").arg(key, title);
}

} // namespace

QString schoolNotWritable(const wordstore::StorePaths &paths)
{
    QString folder = paths.schoolDir;
    while (!QFileInfo::exists(folder) && QFileInfo(folder).absolutePath() != folder)
        folder = QFileInfo(folder).absolutePath();
    // The nearest existing folder must be a folder this user may write in
    // (a file in the way makes the school's folder impossible too).
    bool writable = QFileInfo(folder).isDir() && QFileInfo(folder).isWritable();
    for (const QString &file : {paths.schoolDatabase(), paths.composedDatabase(), paths.schoolDriveC()})
        if (QFileInfo::exists(file) && !QFileInfo(file).isWritable())
            writable = false;
    if (writable)
        return {};
    return QStringLiteral("Su usuario no puede guardar palabras: un administrador debe agregarlo al grupo «korivanta» "
                          "(sudo adduser %1 korivanta).")
        .arg(qEnvironmentVariable("USER", QStringLiteral("USUARIO")));
}

EditorWindow::EditorWindow(wordstore::SchoolStore &store, QWidget *parent)
    : QMainWindow(parent), m_store(store), m_notWritable(schoolNotWritable(store.paths()))
{
    name(this, "EditorWindow", QStringLiteral("Editor de palabras"));
    // Shown with the program's name after it: "Palabras de la escuela — Editor de palabras KORIVANTA".
    setWindowTitle(QStringLiteral("Palabras de la escuela"));
    auto *central = new QWidget;
    name(central, "central", QStringLiteral("Palabras de la escuela"));
    auto *layout = new QVBoxLayout(central);

    m_banner = new QLabel(m_notWritable);
    name(m_banner, "notWritable", QStringLiteral("Aviso"));
    m_banner->setAccessibleDescription(m_notWritable);
    m_banner->setWordWrap(true);
    m_banner->setStyleSheet(QStringLiteral("background: #fff0c0; color: #602000; padding: 6px;"));
    m_banner->setVisible(!m_notWritable.isEmpty());
    layout->addWidget(m_banner);

    auto *filters = new QHBoxLayout;
    auto *filterLabel = new QLabel(QStringLiteral("Categoría:"));
    name(filterLabel, "filterLabel", QStringLiteral("Categoría"));
    m_filter = new QComboBox;
    name(m_filter, "categoryFilter", QStringLiteral("Filtrar por categoría"));
    m_filter->addItem(QStringLiteral("Todas"), QString());
    for (const QString &key : wordsdb::categoryKeys())
        m_filter->addItem(categoryText(key), key);
    filterLabel->setBuddy(m_filter);
    m_search = new QLineEdit;
    name(m_search, "search", QStringLiteral("Buscar"));
    m_search->setPlaceholderText(QStringLiteral("Buscar palabra…"));
    m_search->setClearButtonEnabled(true);
    m_showPackage = new QCheckBox(QStringLiteral("Mostrar también las palabras del juego"));
    name(m_showPackage, "showPackage", QStringLiteral("Mostrar también las palabras del juego"));
    filters->addWidget(filterLabel);
    filters->addWidget(m_filter);
    filters->addWidget(m_search, 1);
    filters->addWidget(m_showPackage);
    layout->addLayout(filters);

    m_list = new QTreeWidget;
    name(m_list, "words", QStringLiteral("Palabras"));
    m_list->setHeaderLabels({QStringLiteral("Aymara"), QStringLiteral("Castellano"), QStringLiteral("Categoría")});
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setIconSize(wordpicture::frameSize() / 3);
    m_list->setSortingEnabled(false);
    layout->addWidget(m_list, 1);

    m_status = new QLabel;
    name(m_status, "status", QStringLiteral("Estado"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    auto *buttons = new QHBoxLayout;
    m_add = new QPushButton(QStringLiteral("&Agregar"));
    name(m_add, "add", QStringLiteral("Agregar"));
    m_edit = new QPushButton(QStringLiteral("&Editar"));
    name(m_edit, "edit", QStringLiteral("Editar"));
    m_delete = new QPushButton(QStringLiteral("&Borrar"));
    name(m_delete, "remove", QStringLiteral("Borrar"));
    buttons->addWidget(m_add);
    buttons->addWidget(m_edit);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    m_export = new QPushButton(QStringLiteral("E&xportar paquete…"));
    name(m_export, "exportPack", QStringLiteral("Exportar paquete"));
    m_export->setToolTip(QStringLiteral("Guarda las palabras elegidas, con sus dibujos y sonidos, en un archivo "
                                        ".korivanta para llevarlas a otras computadoras"));
    m_import = new QPushButton(QStringLiteral("&Importar paquete…"));
    name(m_import, "importPack", QStringLiteral("Importar paquete"));
    m_import->setToolTip(QStringLiteral("Agrega a la escuela las palabras de un archivo .korivanta"));
    buttons->addWidget(m_export);
    buttons->addWidget(m_import);
    layout->addLayout(buttons);
    setCentralWidget(central);
    resize(760, 560);

    connect(m_filter, &QComboBox::currentIndexChanged, this, &EditorWindow::applyFilter);
    connect(m_search, &QLineEdit::textChanged, this, &EditorWindow::applyFilter);
    connect(m_showPackage, &QCheckBox::toggled, this, &EditorWindow::reload);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &EditorWindow::updateButtons);
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, &EditorWindow::editWord);
    connect(m_add, &QPushButton::clicked, this, &EditorWindow::addWord);
    connect(m_edit, &QPushButton::clicked, this, &EditorWindow::editWord);
    connect(m_delete, &QPushButton::clicked, this, [this] { deleteSelected(); });
    connect(m_export, &QPushButton::clicked, this, &EditorWindow::exportPackAsked);
    connect(m_import, &QPushButton::clicked, this, &EditorWindow::importPackAsked);

    m_lockWait = std::make_unique<LockWaitDialog>(this);
    m_store.setLockWait([wait = m_lockWait.get()](qint64 waitedMs) { return wait->keepWaiting(waitedMs); });
    m_watcher = new QFileSystemWatcher(this);
    m_changed = new QTimer(this);
    m_changed->setSingleShot(true);
    m_changed->setInterval(200);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, m_changed, qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, m_changed, qOverload<>(&QTimer::start));
    connect(m_changed, &QTimer::timeout, this, &EditorWindow::schoolChanged);
    reload();
}

EditorWindow::~EditorWindow()
{
    m_store.setLockWait({});
}

void EditorWindow::watchSchool()
{
    // The database is replaced by a rename into the school's folder, which
    // the folder's watch sees; an in-place write is seen on the file.
    QStringList wanted;
    QString folder = m_store.paths().schoolDir;
    while (!folder.isEmpty() && !QFileInfo(folder).isDir() && QFileInfo(folder).dir().path() != folder)
        folder = QFileInfo(folder).dir().path();
    wanted << folder;
    if (QFileInfo::exists(m_store.paths().schoolDatabase()))
        wanted << m_store.paths().schoolDatabase();
    QStringList watched = m_watcher->files() + m_watcher->directories();
    for (const QString &path : watched)
        if (!wanted.contains(path))
            m_watcher->removePath(path);
    for (const QString &path : wanted)
        if (!watched.contains(path))
            m_watcher->addPath(path);
}

void EditorWindow::schoolChanged()
{
    watchSchool();
    QString error;
    const QList<wordstore::SchoolWord> school = m_store.schoolWords(&error);
    if (error.isEmpty() && school == m_shownSchool)
        return; // a change of this window's own, already shown, or none
    reload();
}

void EditorWindow::reload()
{
    const QList<qint64> chosen = selectedSchoolIds();
    m_list->clear();
    QStringList problems;
    QString error;
    if (m_showPackage->isChecked()) {
        const QList<wordsdb::Word> package = m_store.packageWords(&error);
        if (!error.isEmpty())
            problems << error;
        for (const wordsdb::Word &w : package) {
            auto *item = new QTreeWidgetItem(
                m_list, {w.nomAy, w.nomEsp + QStringLiteral(" (del juego)"), categoryText(w.categoria)});
            item->setData(ColAymara, kIdRole, qint64(0));
            item->setData(ColAymara, kCategoryRole, w.categoria);
            keepWord(item, w);
            item->setIcon(ColAymara, thumbnail(m_store.localFile(w.dibujo)));
            for (int c = 0; c < 3; ++c)
                item->setForeground(c, QColor(110, 110, 110));
        }
    }
    const QList<wordstore::SchoolWord> school = m_store.schoolWords(&error);
    if (!error.isEmpty())
        problems << error;
    for (const wordstore::SchoolWord &s : school) {
        auto *item = new QTreeWidgetItem(m_list, {s.word.nomAy, s.word.nomEsp, categoryText(s.word.categoria)});
        item->setData(ColAymara, kIdRole, s.id);
        item->setData(ColAymara, kCategoryRole, s.word.categoria);
        keepWord(item, s.word);
        item->setIcon(ColAymara, thumbnail(m_store.localFile(s.word.dibujo)));
        if (chosen.contains(s.id))
            item->setSelected(true);
    }
    m_shownSchool = school;
    watchSchool();
    m_list->header()->resizeSections(QHeaderView::ResizeToContents);
    m_status->setText(problems.isEmpty()
                          ? (school.isEmpty() ? QStringLiteral("La escuela todavía no tiene palabras propias.")
                                              : QStringLiteral("La escuela tiene %1.")
                                                    .arg(wordtool::wordCount(school.size(), QStringLiteral("propia"))))
                          : problems.join(QLatin1Char('\n')));
    m_status->setAccessibleDescription(m_status->text());
    applyFilter();
}

void EditorWindow::applyFilter()
{
    const QString category = m_filter->currentData().toString();
    const QString search = m_search->text().trimmed();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_list->topLevelItem(i);
        const bool inCategory = category.isEmpty() || item->data(ColAymara, kCategoryRole).toString() == category;
        const bool found = search.isEmpty() || item->text(ColAymara).contains(search, Qt::CaseInsensitive) ||
                           item->text(ColSpanish).contains(search, Qt::CaseInsensitive);
        item->setHidden(!(inCategory && found));
        if (item->isHidden())
            item->setSelected(false);
    }
    updateButtons();
}

QList<qint64> EditorWindow::selectedSchoolIds() const
{
    QList<qint64> ids;
    for (QTreeWidgetItem *item : m_list->selectedItems())
        if (const qint64 id = item->data(ColAymara, kIdRole).toLongLong(); id != 0)
            ids << id;
    return ids;
}

void EditorWindow::updateButtons()
{
    const bool writable = m_notWritable.isEmpty();
    const QList<qint64> ids = selectedSchoolIds();
    const bool onlySchool = ids.size() == m_list->selectedItems().size();
    m_add->setEnabled(writable);
    m_edit->setEnabled(writable && ids.size() == 1 && onlySchool);
    m_delete->setEnabled(writable && !ids.isEmpty() && onlySchool);
    m_export->setEnabled(!m_list->selectedItems().isEmpty());
    m_import->setEnabled(writable);
}

bool EditorWindow::selectWord(const QString &nomAy)
{
    m_list->clearSelection();
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_list->topLevelItem(i);
        if (!item->isHidden() && item->text(ColAymara) == nomAy && item->data(ColAymara, kIdRole).toLongLong() != 0) {
            item->setSelected(true);
            m_list->setCurrentItem(item);
            return true;
        }
    }
    return false;
}

void EditorWindow::addWord()
{
    WordForm form(m_store, nullptr, this);
    emit formOpened(&form);
    if (form.result() == QDialog::Accepted || form.exec() == QDialog::Accepted)
        reload();
}

void EditorWindow::editWord()
{
    const QList<qint64> ids = selectedSchoolIds();
    if (ids.size() != 1 || !m_notWritable.isEmpty())
        return;
    QString error;
    const QList<wordstore::SchoolWord> school = m_store.schoolWords(&error);
    for (const wordstore::SchoolWord &s : school) {
        if (s.id != ids.first())
            continue;
        WordForm form(m_store, &s, this);
        emit formOpened(&form);
        if (form.result() == QDialog::Accepted || form.exec() == QDialog::Accepted)
            reload();
        return;
    }
    // Deleted by another window or program since the list was read.
    reload();
    showStatus(error.isEmpty() ? QStringLiteral("Esa palabra ya no está: otra ventana u otro programa la borró.")
                               : error);
}

QString EditorWindow::deleteSelected(bool confirm)
{
    const QList<qint64> ids = selectedSchoolIds();
    if (ids.isEmpty() || !m_notWritable.isEmpty())
        return QStringLiteral("no hay palabras de la escuela elegidas");
    QStringList names;
    for (QTreeWidgetItem *item : m_list->selectedItems())
        names << item->text(ColAymara);
    if (confirm) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Borrar palabras"),
                        QStringLiteral("¿Borrar %1 de las palabras de la escuela, con su dibujo y su sonido?")
                            .arg(names.join(QStringLiteral(", "))),
                        QMessageBox::NoButton, this);
        box.setObjectName(QStringLiteral("confirmDelete"));
        box.setAccessibleName(QStringLiteral("Borrar palabras"));
        QPushButton *yes = box.addButton(QStringLiteral("Borrar"), QMessageBox::AcceptRole);
        yes->setObjectName(QStringLiteral("confirmDeleteYes"));
        yes->setAccessibleName(QStringLiteral("Borrar"));
        QPushButton *no = box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
        no->setObjectName(QStringLiteral("confirmDeleteNo"));
        no->setAccessibleName(QStringLiteral("Cancelar"));
        box.setDefaultButton(no);
        box.exec();
        if (box.clickedButton() != yes)
            return QStringLiteral("cancelado");
    }
    QString error;
    for (const qint64 id : ids) {
        error = m_store.remove(id);
        if (!error.isEmpty())
            break;
    }
    reload();
    if (!error.isEmpty())
        showStatus(QStringLiteral("No se borró: %1").arg(error));
    return error;
}

void EditorWindow::showStatus(const QString &text)
{
    m_status->setText(text);
    m_status->setAccessibleDescription(text);
}

QString EditorWindow::exportPackTo(const QString &packPath)
{
    QList<wordsdb::Word> words;
    for (QTreeWidgetItem *item : m_list->selectedItems())
        words << wordOf(item);
    if (words.isEmpty())
        return QStringLiteral("elija primero las palabras que quiere exportar");
    const QString error = wordstore::exportPack(
        words, [this](const QString &programPath) { return m_store.localFile(programPath); }, packPath);
    showStatus(error.isEmpty()
                   ? QStringLiteral("Se exportaron %1 a «%2».").arg(wordtool::wordCount(words.size()), packPath)
                   : QStringLiteral("No se exportó el paquete: %1").arg(error));
    return error;
}

QString EditorWindow::importPackFrom(const QString &packPath, bool *ok)
{
    if (ok)
        *ok = false;
    QString text;
    QTemporaryDir folder;
    if (!folder.isValid()) {
        text = QStringLiteral("No se importó el paquete: no se puede crear una carpeta temporal.");
    } else if (const wordstore::Unpacked unpacked = wordstore::unpackPack(packPath, folder.path());
               !unpacked.error.isEmpty()) {
        text = QStringLiteral("No se importó el paquete: %1").arg(unpacked.error);
    } else {
        // Words without a sound get the synthetic voice, when this computer can make it.
        const QString script = wordtool::findVoiceScript(QCoreApplication::applicationDirPath());
        wordtool::SpeakFunction speak;
        if (wordtool::voiceMissing(script).isEmpty())
            speak = [script](const QString &word, const QString &wav) {
                return wordtool::speakWord(script, word, wav);
            };
        const QString packName = QFileInfo(packPath).fileName();
        const wordtool::ImportResult result =
            m_store.importCsv(unpacked.csvPath, speak, true, QStringLiteral("paquete %1").arg(packName));
        QStringList lines;
        if (result.ok()) {
            const QString counts = wordtool::importCounts(result.added, result.updated, result.unchanged);
            lines << QStringLiteral("Paquete %1: %2.").arg(packName, counts);
            if (ok)
                *ok = true;
        } else {
            lines << QStringLiteral("No se importó ninguna palabra del paquete %1:").arg(packName);
        }
        for (const QString &e : result.errors)
            lines << QStringLiteral("Error: %1").arg(e);
        for (const QString &w : result.warnings)
            lines << QStringLiteral("Aviso: %1").arg(w);
        for (const QString &n : result.notes)
            lines << QStringLiteral("Nota: %1").arg(n);
        text = lines.join(QLatin1Char('\n'));
    }
    reload();
    showStatus(text);
    return text;
}

void EditorWindow::exportPackAsked()
{
    QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Exportar paquete de palabras"),
                                                QStringLiteral("palabras.korivanta"),
                                                QStringLiteral("Paquetes de palabras (*.korivanta)"));
    if (file.isEmpty())
        return;
    if (!file.endsWith(QStringLiteral(".korivanta")))
        file += QStringLiteral(".korivanta");
    const QString error = exportPackTo(file);
    if (!error.isEmpty())
        QMessageBox::warning(this, QStringLiteral("Exportar paquete"), QStringLiteral("No se exportó: %1").arg(error));
}

void EditorWindow::importPackAsked()
{
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Importar paquete de palabras"), QString(),
                                                      QStringLiteral("Paquetes de palabras (*.korivanta)"));
    if (file.isEmpty())
        return;
    bool ok = false;
    const QString text = importPackFrom(file, &ok);
    QMessageBox box(ok ? QMessageBox::Information : QMessageBox::Warning, QStringLiteral("Importar paquete"), text,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("importResult"));
    box.setAccessibleName(QStringLiteral("Resultado de la importación"));
    box.exec();
}

} // namespace korivanta::editor
