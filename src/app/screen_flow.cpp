#include "app/screen_flow.h"

#include "game/con_obj.h"
#include "menu/form1.h"

#include <QCoreApplication>

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
    m_conObj->raise();
    m_conObj->activateWindow();
    m_conObj->Form_Activate();
}

void ScreenFlow::showForm1()
{
    m_form1->show();
    m_form1->raise();
    m_form1->activateWindow();
}

void ScreenFlow::end()
{
    m_ended = true;
    if (m_conObj)
        m_conObj->hide();
    if (m_form1)
        m_form1->hide();
    QCoreApplication::exit(0);
}

} // namespace korivanta
