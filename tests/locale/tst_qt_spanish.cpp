// Qt's own texts in Spanish: after loading, the dialogs and buttons Qt draws
// itself speak Spanish, whatever the language of the computer.
#include "locale/qt_spanish.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

class TestQtSpanish : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void standardButtons_data();
    void standardButtons();
    void fileDialogIsSpanish();
};

void TestQtSpanish::initTestCase()
{
    // The computer's language is English here: Spanish must come anyway.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QVERIFY(korivanta::locale::loadQtSpanish(*qApp));
}

void TestQtSpanish::standardButtons_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("spanish");
    QTest::newRow("Cancel") << int(QDialogButtonBox::Cancel) << QStringLiteral("Cancelar");
    QTest::newRow("Open") << int(QDialogButtonBox::Open) << QStringLiteral("Abrir");
    QTest::newRow("Save") << int(QDialogButtonBox::Save) << QStringLiteral("Guardar");
    QTest::newRow("Yes") << int(QDialogButtonBox::Yes) << QStringLiteral("Sí");
    QTest::newRow("Close") << int(QDialogButtonBox::Close) << QStringLiteral("Cerrar");
}

void TestQtSpanish::standardButtons()
{
    QFETCH(int, button);
    QFETCH(QString, spanish);
    QDialogButtonBox box{QDialogButtonBox::StandardButtons(button)};
    QString text = box.button(QDialogButtonBox::StandardButton(button))->text();
    text.remove(u'&');
    QCOMPARE(text, spanish);
}

// Qt's own file dialog (the one the editor opens for pictures, sounds and
// packs): its labels and buttons in Spanish.
void TestQtSpanish::fileDialogIsSpanish()
{
    QFileDialog dialog(nullptr, QStringLiteral("Elegir un dibujo"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList labels;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        labels << label->text();
    const QString all = labels.join(u'|');
    QVERIFY2(all.contains(QStringLiteral("Ver en:")) && all.contains(QStringLiteral("Nombre de fichero:")),
             qPrintable(all));
    QVERIFY2(!all.contains(QStringLiteral("Look in")) && !all.contains(QStringLiteral("File name")), qPrintable(all));
    QStringList buttons;
    for (const QPushButton *button : dialog.findChildren<QPushButton *>())
        buttons << button->text().remove(u'&');
    QVERIFY2(buttons.contains(QStringLiteral("Abrir")) && buttons.contains(QStringLiteral("Cancelar")),
             qPrintable(buttons.join(u'|')));
}

QTEST_MAIN(TestQtSpanish)
#include "tst_qt_spanish.moc"
