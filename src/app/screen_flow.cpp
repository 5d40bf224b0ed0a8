#include "app/screen_flow.h"

#include "game/con_obj.h"
#include "menu/form1.h"

#include <QGuiApplication>

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

ScreenFlow::ScreenFlow(Media media) : m_media(std::move(media)) {}

ScreenFlow::~ScreenFlow() = default;

void ScreenFlow::start()
{
    m_form1 = std::make_unique<Form1>(*this);
    m_form1->show();
}

void ScreenFlow::showConObj()
{
    if (!m_conObj) {
        m_conObj = std::make_unique<ConObj>(*this, m_media);
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
