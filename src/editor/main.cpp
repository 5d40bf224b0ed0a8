// korivanta-editor: the teacher's window onto the school's own words.
#include "editor/editor_window.h"
#include "locale/qt_spanish.h"
#include "wordstore/root_drop.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korivanta-editor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Editor de palabras KORIVANTA"));
    korivanta::locale::loadQtSpanish(app);
    korivanta::wordstore::SchoolStore store(
        korivanta::wordstore::StorePaths::locate(QCoreApplication::applicationDirPath()));
    // Started as root, the window keeps its display but gives up root before
    // it opens anything in the school's folder or any file a teacher picks.
    QString error;
    if (korivanta::wordstore::dropRootFor({store.paths().schoolDir}, &error) ==
        korivanta::wordstore::DropResult::Failed) {
        QMessageBox::critical(nullptr, QApplication::applicationDisplayName(),
                              QStringLiteral("El editor no se puede abrir: %1.").arg(error));
        return 1;
    }
    korivanta::editor::EditorWindow window(store);
    window.show();
    return app.exec();
}
