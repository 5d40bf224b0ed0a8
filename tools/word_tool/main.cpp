// korivanta-palabras: lists, imports and voices the words of the game.
#include "locale/qt_spanish.h"
#include "word_tool/word_tool.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korivanta-palabras"));
    korivanta::locale::loadQtSpanish(app);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return korivanta::wordtool::run(arguments, QCoreApplication::applicationDirPath(), out, err);
}
