// korivanta-editor: the teacher's window onto the school's own words.
#include "editor/editor_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korivanta-editor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Editor de palabras KORIVANTA"));
    korivanta::wordstore::SchoolStore store(
        korivanta::wordstore::StorePaths::locate(QCoreApplication::applicationDirPath()));
    korivanta::editor::EditorWindow window(store);
    window.show();
    return app.exec();
}
