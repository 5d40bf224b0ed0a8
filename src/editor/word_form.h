// The form of one word: the Aymara word checked as it is typed (shown split
// into the game's keys), the Spanish word, the category, the picture and the
// sound. "Guardar" stays disabled until the store's checks pass; the reason
// for each refusal is shown beside its field.
#pragma once

#include "wordstore/school_store.h"

#include <QDialog>
#include <QTemporaryDir>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QFormLayout;
class QHBoxLayout;
class QMediaPlayer;
class QAudioOutput;

namespace korivanta::editor {

class WordForm : public QDialog {
    Q_OBJECT
public:
    // A new word when `word` is null, else that school word to change.
    WordForm(wordstore::SchoolStore &store, const wordstore::SchoolWord *word, QWidget *parent = nullptr);
    ~WordForm() override;

    // The draft as the fields give it now.
    wordstore::WordDraft draft() const;
    const wordstore::DraftProblems &problems() const { return m_problems; }
    // The saved word's id after a successful save.
    qint64 savedId() const { return m_savedId; }

    // Chooses the category by its key; a key that is not one of the nine
    // (an old row) is added to the list so that its check shows why.
    void setCategory(const QString &key);
    // Sets the picture or the sound as a file (what the choosers and the
    // clipboard end in; tests call them directly).
    void setPictureFile(const QString &file);
    void setSoundFile(const QString &file);
    // Takes the clipboard's image, written to a temporary PNG file.
    void pastePicture();
    // Saves through the store as the fields are; returns why it failed, or
    // empty (and accepts).
    QString save();
    // What "Guardar" does: a word with no sound gets the synthetic voice
    // first, and one with no picture is saved only once the teacher says so.
    void saveAsked();
    // The file "Escuchar" plays: a newly chosen sound converted as the store
    // will keep it (so the teacher hears what the children will), else the
    // saved sound. Empty when there is none, or when the chosen one cannot be
    // converted (the reason is then shown beside the sound).
    QString listenFile();

private:
    void addField(QFormLayout *form, const char *name, const QString &title, QWidget *field, QLabel **problem);
    void recheck();
    void fitContents();
    QString wordFile(const QString &savedPath, QString (*standard)(const QString &)) const;
    void showChips();
    void showPicture(const QString &file);
    void choosePicture();
    void chooseSound();
    void makeVoice();
    void playSound();

    // After a save found the word changed or deleted elsewhere since the form
    // opened: asks whether to save over it (or as a new word); true to do so.
    bool askOverConflict(wordstore::SaveConflict conflict);

    wordstore::SchoolStore &m_store;
    qint64 m_id = 0;
    std::optional<wordsdb::Word> m_shown; // the word as it was when the form opened
    QString m_pictureFile, m_soundFile;
    QString m_currentSound; // the saved word's sound, when editing
    wordstore::DraftProblems m_problems;
    qint64 m_savedId = 0;
    QTemporaryDir m_scratch;
    int m_scratchCount = 0;

    QLineEdit *m_nomAy = nullptr;
    QLineEdit *m_nomEsp = nullptr;
    QComboBox *m_categoria = nullptr;
    QWidget *m_chips = nullptr;
    QHBoxLayout *m_chipsLayout = nullptr;
    QLabel *m_nomAyProblem = nullptr;
    QLabel *m_nomEspProblem = nullptr;
    QLabel *m_categoriaProblem = nullptr;
    QLabel *m_picture = nullptr;
    QLabel *m_pictureProblem = nullptr;
    QLabel *m_soundName = nullptr;
    QLabel *m_soundProblem = nullptr;
    QPushButton *m_voice = nullptr;
    QPushButton *m_play = nullptr;
    QLabel *m_warnings = nullptr;
    QLabel *m_saveError = nullptr;
    QPushButton *m_save = nullptr;
    QMediaPlayer *m_player = nullptr;
    QAudioOutput *m_output = nullptr;
};

} // namespace korivanta::editor
