#include "editor/lock_wait_dialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

namespace korivanta::editor {

LockWaitDialog::LockWaitDialog(QWidget *window) : m_window(window) {}

LockWaitDialog::~LockWaitDialog()
{
    delete m_dialog;
}

bool LockWaitDialog::keepWaiting(qint64 waitedMs)
{
    if (waitedMs < 0) {
        delete m_dialog;
        return false;
    }
    if (!m_dialog && waitedMs >= kShowAfterMs) {
        QWidget *parent = QApplication::activeModalWidget() ? QApplication::activeModalWidget() : m_window;
        m_dialog = new QProgressDialog(QStringLiteral("Otro programa está cambiando las palabras de la escuela.\n"
                                                      "El cambio se hará en cuanto termine."),
                                       QStringLiteral("Dejar de esperar"), 0, 0, parent);
        m_dialog->setObjectName(QStringLiteral("lockWait"));
        m_dialog->setWindowTitle(QStringLiteral("Esperando"));
        m_dialog->setAccessibleName(QStringLiteral("Esperando a otro programa"));
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        m_dialog->setMinimumDuration(0);
        m_dialog->show();
    }
    // Until the dialog shows, the window only draws: a click meanwhile would
    // start a second change inside this one. Once it shows, it is modal, and
    // its button is the only one that takes a click.
    QEventLoop pause;
    QTimer::singleShot(kPauseMs, &pause, &QEventLoop::quit);
    pause.exec(m_dialog ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    return !(m_dialog && m_dialog->wasCanceled());
}

} // namespace korivanta::editor
