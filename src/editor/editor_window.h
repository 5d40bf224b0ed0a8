// The teacher's word editor: the school's words by category, each with its
// picture's thumbnail, a filter by category and a search box, and the buttons
// that add, change and delete them. The package's own words can be shown too,
// greyed and read only: the editor never changes them.
#pragma once

#include "wordstore/school_store.h"

#include <QMainWindow>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace korivanta::editor {

// Why the school's words cannot be changed by this user (Spanish), or empty:
// the school's folder, or the nearest folder above it that exists, and the
// school's files in it must be writable.
QString schoolNotWritable(const wordstore::StorePaths &paths);

class EditorWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit EditorWindow(wordstore::SchoolStore &store, QWidget *parent = nullptr);

    // Reads the words again and shows those the filter and the search keep.
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
};

} // namespace korivanta::editor
