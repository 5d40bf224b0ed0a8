#include "app/untrapped_error.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace korivanta {

namespace {

bool s_ending = false;

void showAndEnd(const UntrappedError &error)
{
    const QString text = QStringLiteral("Error %1: %2").arg(error.number()).arg(error.description());
    std::fprintf(stderr, "korivanta: %s\n", qUtf8Printable(text));
    std::fflush(stderr);
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        for (QWidget *w : QApplication::topLevelWidgets())
            w->hide();
        QMessageBox box(QMessageBox::Critical, QStringLiteral("KORIVANTA"), text, QMessageBox::Ok);
        box.setObjectName(QStringLiteral("UntrappedErrorBox"));
        // Qt's own button text is English; the program speaks Spanish.
        box.button(QMessageBox::Ok)->setText(QStringLiteral("Aceptar"));
        box.exec();
    }
    QCoreApplication::exit(1);
}

UntrappedErrorReporter &reporter()
{
    static UntrappedErrorReporter r = showAndEnd;
    return r;
}

} // namespace

UntrappedError::UntrappedError(int number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QStringLiteral("%1: %2").arg(number).arg(m_description).toUtf8())
{
}

void runHandler(const std::function<void()> &handler)
{
    if (s_ending)
        return;
    try {
        handler();
    } catch (const UntrappedError &error) {
        reportUntrappedError(error);
    }
}

void reportUntrappedError(const UntrappedError &error)
{
    if (s_ending)
        return;
    s_ending = true;
    reporter()(error);
}

void setUntrappedErrorReporter(UntrappedErrorReporter r)
{
    reporter() = r ? std::move(r) : showAndEnd;
}

bool programIsEnding()
{
    return s_ending;
}

void resetProgramEnding()
{
    s_ending = false;
}

} // namespace korivanta
