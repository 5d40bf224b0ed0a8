// The box that reports an untrapped error: its title, its text and its one
// button, in Spanish.
#include "app/untrapped_error.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace korivanta;

class TestUntrappedError : public QObject {
    Q_OBJECT
private slots:
    void boxSpeaksSpanish()
    {
        resetProgramEnding();
        setUntrappedErrorReporter(nullptr);
        QString title, text;
        QStringList buttons;
        QTimer::singleShot(0, this, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(w);
                if (!box || box->objectName() != QLatin1String("UntrappedErrorBox") || !box->isVisible())
                    continue;
                title = box->windowTitle();
                text = box->text();
                for (QAbstractButton *b : box->buttons())
                    buttons << b->text();
                box->done(0);
            }
        });
        reportUntrappedError(UntrappedError(ErrorNumber::DatabaseNotFound, QStringLiteral("No se encuentra.")));
        resetProgramEnding();
        QCOMPARE(title, QStringLiteral("KORIVANTA"));
        QCOMPARE(text, QStringLiteral("Error 3024: No se encuentra."));
        QCOMPARE(buttons, QStringList{QStringLiteral("Aceptar")});
    }
};

QTEST_MAIN(TestUntrappedError)
#include "tst_untrapped_error.moc"
