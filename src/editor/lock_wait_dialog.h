// While another program changes the school's words, a change asked for in the
// editor waits for it without freezing the window: the window keeps drawing,
// and after a moment a dialog says what it waits for, with a button that stops
// waiting (the change is then not made, and says so).
#pragma once

#include <QPointer>

class QProgressDialog;
class QWidget;

namespace korivanta::editor {

class LockWaitDialog {
public:
    // `window`: the editor's window, parent of the dialog when no form is open.
    explicit LockWaitDialog(QWidget *window);
    ~LockWaitDialog();
    LockWaitDialog(const LockWaitDialog &) = delete;
    LockWaitDialog &operator=(const LockWaitDialog &) = delete;

    // The wait a store asks about while the lock is busy: runs the program's
    // events for a short while and says whether to keep waiting; -1 ends the
    // wait and closes the dialog.
    bool keepWaiting(qint64 waitedMs);

    // How long a wait goes unannounced, and how long each pause lasts.
    static constexpr int kShowAfterMs = 300;
    static constexpr int kPauseMs = 50;

private:
    QWidget *m_window;
    QPointer<QProgressDialog> m_dialog;
};

} // namespace korivanta::editor
