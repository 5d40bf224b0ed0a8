// The yardstick of the start-up measurement: an empty Qt window of the menu's
// size (385 x 239 pixels) and nothing else. It is linked like korivanta, with
// the same Qt modules and the same linker flags, and it names one symbol of
// each module korivanta calls besides Widgets, so that both programs load the
// same Qt libraries at exec and differ only in what they do before their
// window is on screen.
#include <QApplication>
#include <QMediaDevices>
#include <QSqlDatabase>
#include <QWidget>

int main(int argc, char **argv)
{
    // Referenced, never used.
    [[maybe_unused]] const void *volatile keepLinked = &QMediaDevices::staticMetaObject;
    keepLinked = &QSqlDatabase::defaultConnection;
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.setFixedSize(385, 239);
    window.show();
    return QApplication::exec();
}
