#include "support/game_fixture.h"

#include "app/modulo1.h"
#include "media/movie_animation_player.h"

#include <QLabel>
#include <QLineEdit>

namespace korivanta {

GameFixture::GameFixture(const QList<WordRow> &rows, Players players) : m_media(fakeMedia(m_dir.path()))
{
    if (players == Players::Real) {
        m_media.makeAnimationPlayer = [paths = m_media.paths](QWidget *parent) -> AnimationPlayer * {
            return new MovieAnimationPlayer(*paths, parent);
        };
    }
    m_database = makeWordsDatabase(m_dir.path(), rows);
    Modulo1::reset();
    resetProgramEnding();
    setUntrappedErrorReporter([this](const UntrappedError &e) {
        errors.append(QStringLiteral("%1: %2").arg(e.number()).arg(e.description()));
    });
    m_flow = std::make_unique<ScreenFlow>(m_media);
    m_flow->start();
}

GameFixture::~GameFixture()
{
    m_flow.reset();
    setUntrappedErrorReporter(nullptr);
    resetProgramEnding();
}

ConObj &GameFixture::aceptar()
{
    runHandler([&] { form1().Command1_Click(); });
    return game();
}

FakeAnimationPlayer &GameFixture::marchoso(int n)
{
    return *control<FakeAnimationPlayer>(QStringLiteral("Marchoso%1").arg(n));
}

QString GameFixture::text(const QString &name)
{
    QWidget *w = control(name);
    if (auto *edit = qobject_cast<QLineEdit *>(w))
        return edit->text();
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    qFatal("%s shows no text", qPrintable(name));
}

} // namespace korivanta
