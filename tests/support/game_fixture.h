// The real windows over a words database made by the test, with recording
// players: the handlers are driven step by step, without timing.
#pragma once

#include "app/screen_flow.h"
#include "app/untrapped_error.h"
#include "game/con_obj.h"
#include "menu/form1.h"
#include "support/fake_animation_player.h"
#include "support/fake_media.h"
#include "support/words_fixture.h"

#include <QTemporaryDir>

#include <memory>

namespace korivanta {

class GameFixture {
public:
    // The animation players: doubles whose passes the test ends by hand, or
    // the real ones, playing GIFs from the fixture's drive C.
    enum class Players { Recording, Real };

    explicit GameFixture(const QList<WordRow> &rows, Players players = Players::Recording);
    ~GameFixture();

    ScreenFlow &flow() { return *m_flow; }
    Form1 &form1() { return m_flow->form1(); }
    ConObj &game() { return *m_flow->conObj(); }

    void choose(int option)
    {
        runHandler([&] { form1().optionClick(option); });
    }                  // Option1 … Option5
    ConObj &aceptar(); // "Aceptar"

    RecordingSoundPlayer &sound() { return *recorder(m_media); }
    FakeAnimationPlayer &marchoso(int n); // 1 or 2, with the recording players

    template <class T = QWidget> T *control(const QString &name)
    {
        T *w = game().findChild<T *>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    QString text(const QString &name); // a text box's or a label's text
    bool shown(const QString &name) { return control(name)->isVisibleTo(&game()); }

    QString driveC() const { return m_dir.path(); }
    QString databasePath() const { return m_database; }
    QStringList errors; // untrapped errors, as "number: description"

private:
    QTemporaryDir m_dir;
    QString m_database;
    Media m_media;
    std::unique_ptr<ScreenFlow> m_flow;
};

} // namespace korivanta
