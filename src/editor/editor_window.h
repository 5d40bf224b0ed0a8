// The teacher's word editor: the school's words by category, each with its
// picture's thumbnail, a filter by category and a search box, and the buttons
// that add, change and delete them. The package's own words can be shown too,
// greyed and read only: the editor never changes them.
#pragma once

#include "wordstore/school_store.h"

#include <QMainWindow>

#include <memory>

class QCheckBox;
class QFileSystemWatcher;
class QTimer;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace korivanta::editor {

class LockWaitDialog;

// Why the school's words cannot be changed by this user (Spanish), or empty:
// the school's folder, or the nearest folder above it that exists, and the
// school's files in it must be writable.
QString schoolNotWritable(const wordstore::StorePaths &paths);

class EditorWindow : public QMainWindow {
    Q_OBJECT
public:
    // Changes of the store made from this window wait for other programs
    // through a dialog of the window's own, never asleep.
    explicit EditorWindow(wordstore::SchoolStore &store, QWidget *parent = nullptr);
    ~EditorWindow() override;

    // Reads the words again and shows those the filter and the search keep;
    // the words chosen stay chosen. Also done, by itself, shortly after
    // another window or program changes the school's words.
    void reload();
    // The rows shown now (tests read them).
    QTreeWidget *list() const { return m_list; }
    // Deletes the selected school words; `confirm` false skips the question
    // (tests). Returns why it failed, or empty.
    QString deleteSelected(bool confirm = true);
    // Selects the shown school word with this Aymara word; false when none.
    bool selectWord(const QString &nomAy);

    // Writes the selected words (the school's, or the game's when shown),
    // with their pictures and sounds, into a word pack. Returns why it
    // failed, or empty.
    QString exportPackTo(const QString &packPath);
    // Adds the words of a word pack to the school's words, through the checks
    // of a CSV import, all of them or none. Returns what happened, in
    // Spanish (also shown below the list); `ok` tells whether words were added.
    QString importPackFrom(const QString &packPath, bool *ok = nullptr);

signals:
    // A form was opened (tests fill it in and save it).
    void formOpened(class WordForm *form);

private:
    void addWord();
    void editWord();
    void applyFilter();
    void exportPackAsked();
    void importPackAsked();
    void showStatus(const QString &text);
    void updateButtons();
    QList<qint64> selectedSchoolIds() const;
    // Watches the school's folder (or the nearest folder above it while it
    // does not exist yet) for the database another program puts in place.
    void watchSchool();
    void schoolChanged();

    wordstore::SchoolStore &m_store;
    QString m_notWritable;
    QLabel *m_banner = nullptr;
    QComboBox *m_filter = nullptr;
    QLineEdit *m_search = nullptr;
    QCheckBox *m_showPackage = nullptr;
    QTreeWidget *m_list = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_add = nullptr;
    QPushButton *m_edit = nullptr;
    QPushButton *m_delete = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_import = nullptr;
    std::unique_ptr<LockWaitDialog> m_lockWait;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_changed = nullptr;                // gathers a burst of changes into one look
    QList<wordstore::SchoolWord> m_shownSchool; // the school's words as last shown
};

} // namespace korivanta::editor
