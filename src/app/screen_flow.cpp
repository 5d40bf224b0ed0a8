#include "app/screen_flow.h"

#include "app/big_screen.h"
#include "app/fonts.h"
#include "game/con_obj.h"
#include "game/window_pictures.h"
#include "menu/form1.h"

#include <QGuiApplication>
#include <QTimer>

namespace {

// Brings a shown window to the front (the offscreen platform has no stacking).
void bringToFront(QWidget &w)
{
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return;
    w.raise();
    w.activateWindow();
}

} // namespace

namespace korivanta {

namespace {

// Runs a piece of idle work once, right after the watched window's first paint.
class AfterFirstPaint : public QObject {
public:
    AfterFirstPaint(QObject *parent, std::function<void()> work) : QObject(parent), m_work(std::move(work)) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_work) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                auto work = std::move(m_work);
                work();
                deleteLater();
            });
        }
        return false;
    }

private:
    std::function<void()> m_work;
};

} // namespace

ScreenFlow::ScreenFlow(Media media) : m_media(std::move(media)) {}

ScreenFlow::ScreenFlow(std::function<Media()> makeMedia) : m_makeMedia(std::move(makeMedia)) {}

ScreenFlow::~ScreenFlow() = default;

void ScreenFlow::start()
{
    m_form1 = std::make_unique<Form1>(*this);
    centreForBigScreen(*m_form1);
    m_form1->show();
    // Once the menu is on screen and waits for the learner, get the game
    // window's components, fonts and pictures ready, so that the first
    // "Aceptar" shows the game at once.
    m_form1->installEventFilter(new AfterFirstPaint(m_form1.get(), [this] {
        media();
        prepareFonts();
        prepareWindowPictures();
    }));
}

const Media &ScreenFlow::media()
{
    if (m_makeMedia) {
        m_media = m_makeMedia();
        m_makeMedia = nullptr;
    }
    return m_media;
}

void ScreenFlow::showConObj()
{
    if (!m_conObj) {
        m_conObj = std::make_unique<ConObj>(*this, media());
        centreForBigScreen(*m_conObj);
        if (m_conObjCreated)
            m_conObjCreated(*m_conObj);
        m_conObj->Form_Load();
    }
    m_conObj->show();
    bringToFront(*m_conObj);
    m_conObj->Form_Activate();
}

void ScreenFlow::showForm1()
{
    m_form1->show();
    bringToFront(*m_form1);
}

void ScreenFlow::end()
{
    m_ended = true;
    if (m_conObj)
        m_conObj->hide();
    if (m_form1)
        m_form1->hide();
    QGuiApplication::exit(0);
}

} // namespace korivanta
