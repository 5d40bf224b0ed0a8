// Without any audio input (the sound server cannot be reached at all), the
// panel disables recording and says why in Spanish; nothing else breaks.
#include "editor/recording/record_panel.h"
#include "editor/recording/voice_recorder.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korivanta::recording;

class TestVoiceNoInput : public QObject {
    Q_OBJECT
private slots:
    void recordingIsDisabledWithAnExplanation();
    void recorderRefusesToStart();
};

void TestVoiceNoInput::recordingIsDisabledWithAnExplanation()
{
    QVERIFY(!VoiceRecorder::inputAvailable());
    RecordPanel panel;
    panel.show();
    auto *record = panel.findChild<QPushButton *>(QStringLiteral("recordButton"));
    auto *stop = panel.findChild<QPushButton *>(QStringLiteral("stopButton"));
    auto *play = panel.findChild<QPushButton *>(QStringLiteral("playButton"));
    auto *status = panel.findChild<QLabel *>(QStringLiteral("recordStatus"));
    QVERIFY(record && stop && play && status);
    QVERIFY(record->isVisible());
    QVERIFY(!record->isEnabled());
    QVERIFY(!stop->isEnabled());
    QVERIFY(!play->isEnabled());
    QCOMPARE(status->text(), QStringLiteral("No hay micrófono: conecte uno para grabar la voz."));
    QVERIFY(!record->accessibleName().isEmpty());

    // A click on the disabled button does nothing (and does not crash).
    QTest::mouseClick(record, Qt::LeftButton);
    QVERIFY(!panel.recorder().isRecording());
}

void TestVoiceNoInput::recorderRefusesToStart()
{
    QTemporaryDir dir;
    VoiceRecorder recorder;
    recorder.setOutputPath(dir.filePath(QStringLiteral("voz.wav")));
    QSignalSpy failed(&recorder, &VoiceRecorder::failed);
    QVERIFY(!recorder.start());
    QCOMPARE(failed.count(), 1);
    QVERIFY(failed.at(0).at(0).toString().contains(QStringLiteral("micrófono")));
    recorder.stop();
    QVERIFY(!QFileInfo::exists(recorder.outputPath()));
}

int main(int argc, char **argv)
{
    // A sound server that is not there: no device at all, before Qt looks.
    QTemporaryDir nowhere;
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(nowhere.filePath(QStringLiteral("no-server"))));
    QApplication app(argc, argv);
    TestVoiceNoInput test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_voice_no_input.moc"
