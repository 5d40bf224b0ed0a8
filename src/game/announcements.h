// Spoken feedback for assistive technology: short Spanish sentences on a new
// word, a hit, a miss, the keyboard locking, the completion panel, the answer
// shown, the chart opened and the end of the category. A word is always
// spelled by its keys and counted in keys. No sentence is ever empty. Each sentence goes out as a new
// notification object, named by the sentence, that shows: a screen reader
// (Orca among them) speaks a notification as it shows, wherever the focus is. The sentences follow the handlers that a
// click runs; nothing here changes the game.
#pragma once

#include <QPointer>
#include <QStringList>
#include <QWidget>

namespace korivanta {

class ConObj;

// The object that carries the sentences: no size, draws nothing, takes no
// pointer input.
class Announcer : public QWidget {
    Q_OBJECT
public:
    Announcer(QWidget *parent, const QString &sentence);
    void say();
};

class Announcements : public QObject {
    Q_OBJECT
public:
    explicit Announcements(ConObj &game);

    // Every sentence said since the window was made, in order.
    const QStringList &said() const { return m_said; }

    // "cinco", "doce"; digits from 21 on.
    static QString number(int n);

signals:
    void announced(const QString &sentence);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void say(const QString &sentence);
    void keyPressed(int key);
    void newWordOrEnd();
    void animationEnded();
    QString maskLetters() const;
    QString shownText(const char *name) const;
    bool shown(const char *name) const;

    ConObj &m_game;
    QPointer<Announcer> m_announcer, m_previous;
    QStringList m_said;
};

} // namespace korivanta
