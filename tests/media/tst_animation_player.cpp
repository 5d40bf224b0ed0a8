// The real animation player answers every AnimationFile setting with exactly
// one AnimationEnd, from the event loop, for good and bad files alike, unless
// a newer setting replaces it before its pass has ended: then only the newer
// one ends. It shows the frames at its top-left on the back colour and stops
// when hidden.
#include "media/media_paths.h"
#include "media/movie_animation_player.h"

#include "support/media_fixtures.h"
#include "support/stderr_capture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/stat.h>

using namespace korivanta;

namespace {

constexpr int kTimeout = 10000; // generous: only a lost end should ever reach it
const QColor kFirst(Qt::red);
const QColor kSecond(Qt::blue);
const QColor kBack(64, 64, 128); // the game window's colour
constexpr int kGifSize = 8;

QString anim(const QString &name)
{
    return QStringLiteral("c:\\Trab_zumel\\Animaciones\\") + name;
}

QColor colourAt(QWidget &w, QPoint at)
{
    return w.grab().toImage().pixelColor(at);
}

} // namespace

class TestAnimationPlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void everySettingEndsOnce_data();
    void everySettingEndsOnce();
    void sameFileSetAgainPlaysAgainAndEndsAgain();
    void newSettingReplacesTheInterruptedOne_data();
    void newSettingReplacesTheInterruptedOne();
    void badFileAfterGoodOneShowsBackColour();
    void keepsLoopingWhileShown_data();
    void keepsLoopingWhileShown();
    void hiddenAfterItsEndStopsAndResumesWhenShown();
    void hiddenBeforeItsEndStillEnds();
    void destroyedWithEndPending();

private:
    std::unique_ptr<MovieAnimationPlayer> shownPlayer();

    QTemporaryDir m_driveC;
    std::unique_ptr<MediaPaths> m_paths;
};

void TestAnimationPlayer::initTestCase()
{
    QVERIFY(m_driveC.isValid());
    m_paths = std::make_unique<MediaPaths>(m_driveC.path());
    const QString dir = m_driveC.filePath(QStringLiteral("Trab_zumel/animaciones/"));
    const QList<GifFrame> frames{{kFirst, 40}, {kSecond, 40}};
    writeFile(dir + QStringLiteral("siempre.gif"), gifBytes(kGifSize, kGifSize, frames, 0));
    writeFile(dir + QStringLiteral("dos_veces.gif"), gifBytes(kGifSize, kGifSize, frames, 1));
    writeFile(dir + QStringLiteral("una_vez.gif"), gifBytes(kGifSize, kGifSize, frames, std::nullopt));
    writeFile(dir + QStringLiteral("quieto.gif"), gifBytes(kGifSize, kGifSize, {{kFirst, 0}}, 0));
    // A long second frame, to catch the player on it.
    writeFile(dir + QStringLiteral("lento.gif"), gifBytes(kGifSize, kGifSize, {{kFirst, 30}, {kSecond, 600}}, 0));
    const QByteArray whole = gifBytes(kGifSize, kGifSize, frames, 0);
    writeFile(dir + QStringLiteral("cortado.gif"), whole.left(whole.size() * 3 / 4));
    writeFile(dir + QStringLiteral("cortado_pronto.gif"), whole.left(20));
    writeFile(dir + QStringLiteral("sin_imagenes.gif"), whole.left(13 + 6) + QByteArray(1, '\x3b'));
    writeFile(dir + QStringLiteral("texto.gif"), "esto no es una imagen\n");
    writeFile(dir + QStringLiteral("vacio.gif"), QByteArray());
    QDir().mkpath(dir + QStringLiteral("carpeta.gif"));
    // Files that must never reach the decoder: a named pipe (opening it would
    // wait for a writer), a link to an endless device, a 1 KB GIF whose canvas
    // alone is 100 MB decoded, and one with too many frames for its size.
    QVERIFY(::mkfifo(QFile::encodeName(dir + QStringLiteral("tuberia.gif")).constData(), 0600) == 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir + QStringLiteral("cero.gif")));
    writeFile(dir + QStringLiteral("enorme.gif"), bigCanvasGifBytes(5000, 5000, 50));
    writeFile(dir + QStringLiteral("muchos_cuadros.gif"), bigCanvasGifBytes(1000, 1000, 40));
    writeFile(dir + QStringLiteral("mil_cuadros.gif"), bigCanvasGifBytes(8, 8, 1001));
}

std::unique_ptr<MovieAnimationPlayer> TestAnimationPlayer::shownPlayer()
{
    auto player = std::make_unique<MovieAnimationPlayer>(*m_paths);
    player->resize(40, 30);
    player->setBackColor(kBack);
    player->show();
    return player;
}

void TestAnimationPlayer::everySettingEndsOnce_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("playable");

    QTest::newRow("loops forever") << anim(QStringLiteral("siempre.gif")) << true;
    QTest::newRow("loop count 1") << anim(QStringLiteral("dos_veces.gif")) << true;
    QTest::newRow("no loop extension") << anim(QStringLiteral("una_vez.gif")) << true;
    QTest::newRow("one frame, no delay") << anim(QStringLiteral("quieto.gif")) << true;
    QTest::newRow("missing") << anim(QStringLiteral("nada.gif")) << false;
    QTest::newRow("cut short") << anim(QStringLiteral("cortado.gif")) << false;
    QTest::newRow("cut in the header") << anim(QStringLiteral("cortado_pronto.gif")) << false;
    QTest::newRow("no images") << anim(QStringLiteral("sin_imagenes.gif")) << false;
    QTest::newRow("text named .gif") << anim(QStringLiteral("texto.gif")) << false;
    QTest::newRow("empty file") << anim(QStringLiteral("vacio.gif")) << false;
    QTest::newRow("folder") << anim(QStringLiteral("carpeta.gif")) << false;
    QTest::newRow("empty path") << QString() << false;
    QTest::newRow("named pipe") << anim(QStringLiteral("tuberia.gif")) << false;
    QTest::newRow("link to /dev/zero") << anim(QStringLiteral("cero.gif")) << false;
    QTest::newRow("5000 x 5000 canvas, 50 frames") << anim(QStringLiteral("enorme.gif")) << false;
    QTest::newRow("1000 x 1000 canvas, 40 frames") << anim(QStringLiteral("muchos_cuadros.gif")) << false;
    QTest::newRow("1001 frames") << anim(QStringLiteral("mil_cuadros.gif")) << false;
}

void TestAnimationPlayer::everySettingEndsOnce()
{
    QFETCH(QString, path);
    QFETCH(bool, playable);
    auto player = shownPlayer();
    QSignalSpy ends(player.get(), &AnimationPlayer::AnimationEnd);

    StderrCapture capture;
    player->setAnimationFile(path);
    QCOMPARE(ends.count(), 0); // never from inside the setter
    QCOMPARE(player->animationFile(), path);
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
    const QColor shown = colourAt(*player, QPoint(1, 1));
    QTest::qWait(400); // several more passes: they raise no further end
    const QStringList warnings = StderrCapture::warnings(capture.finish());

    QCOMPARE(ends.count(), 1);
    if (playable) {
        QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join(QLatin1Char('\n'))));
        QVERIFY2(shown == kFirst || shown == kSecond, qPrintable(shown.name()));
    } else {
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings[0].contains(QStringLiteral("«") + path + QStringLiteral("»")), qPrintable(warnings[0]));
        QCOMPARE(shown, kBack);
    }
    // Only the frame's own area holds the picture; the rest is back colour.
    QCOMPARE(colourAt(*player, QPoint(kGifSize + 2, kGifSize + 2)), kBack);
}

void TestAnimationPlayer::sameFileSetAgainPlaysAgainAndEndsAgain()
{
    auto player = shownPlayer();
    QSignalSpy ends(player.get(), &AnimationPlayer::AnimationEnd);
    const QString path = anim(QStringLiteral("lento.gif"));

    player->setAnimationFile(path);
    QTRY_COMPARE_WITH_TIMEOUT(colourAt(*player, QPoint(1, 1)), kSecond, kTimeout);
    player->setAnimationFile(path); // as on a second correct guess within the pass
    // Back to the first frame at once; the interrupted setting raises no end,
    // the new one raises one after its own pass.
    QCOMPARE(colourAt(*player, QPoint(1, 1)), kFirst);
    QCoreApplication::processEvents();
    QCOMPARE(ends.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);

    // Set again after its end: it plays anew and ends anew.
    player->setAnimationFile(path);
    QCOMPARE(colourAt(*player, QPoint(1, 1)), kFirst);
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 2, kTimeout);
    QTest::qWait(200);
    QCOMPARE(ends.count(), 2);
}

// Settings in a row, each before the previous one's pass has ended: the last
// alone raises an end, after its pass (or, for a bad file, soon after the
// setting); every bad file on the way still gives its one warning.
void TestAnimationPlayer::newSettingReplacesTheInterruptedOne_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<int>("warnings");
    const QString good = QStringLiteral("siempre.gif");
    const QString slow = QStringLiteral("lento.gif");
    const QString once = QStringLiteral("una_vez.gif");
    const QString missing = QStringLiteral("nada.gif");
    const QString cut = QStringLiteral("cortado.gif");
    QTest::newRow("same file twice") << QStringList{good, good} << 0;
    QTest::newRow("slow file twice") << QStringList{slow, slow} << 0;
    QTest::newRow("another file") << QStringList{good, once} << 0;
    // The bad file's end is queued at once, and dropped all the same.
    QTest::newRow("bad file, then a slow one") << QStringList{missing, slow} << 1;
    QTest::newRow("good file, then a bad one") << QStringList{good, cut} << 1;
    QTest::newRow("two bad files") << QStringList{missing, cut} << 2;
    QTest::newRow("four in a row") << QStringList{good, good, missing, once} << 1;
}

void TestAnimationPlayer::newSettingReplacesTheInterruptedOne()
{
    QFETCH(QStringList, files);
    QFETCH(int, warnings);
    auto player = shownPlayer();
    QSignalSpy ends(player.get(), &AnimationPlayer::AnimationEnd);
    StderrCapture capture;
    for (const QString &file : files)
        player->setAnimationFile(anim(file));
    if (files.last() == QLatin1String("lento.gif")) {
        // Nothing ends before the last setting's pass has played.
        QCoreApplication::processEvents();
        QCOMPARE(ends.count(), 0);
    }
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
    QTest::qWait(300);
    QCOMPARE(ends.count(), 1);
    QCOMPARE(StderrCapture::warnings(capture.finish()).size(), warnings);
}

void TestAnimationPlayer::badFileAfterGoodOneShowsBackColour()
{
    auto player = shownPlayer();
    QSignalSpy ends(player.get(), &AnimationPlayer::AnimationEnd);
    StderrCapture capture;
    player->setAnimationFile(anim(QStringLiteral("siempre.gif")));
    QCOMPARE(colourAt(*player, QPoint(1, 1)), kFirst);
    player->setAnimationFile(anim(QStringLiteral("cortado.gif")));
    QCOMPARE(colourAt(*player, QPoint(1, 1)), kBack);
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout); // the bad file's own
    QCOMPARE(colourAt(*player, QPoint(1, 1)), kBack);
    QCOMPARE(StderrCapture::warnings(capture.finish()).size(), 1);

    player->setBackColor(Qt::green);
    QCOMPARE(colourAt(*player, QPoint(1, 1)), QColor(Qt::green));
}

void TestAnimationPlayer::keepsLoopingWhileShown_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("loops forever") << anim(QStringLiteral("siempre.gif"));
    QTest::newRow("loop count 1") << anim(QStringLiteral("dos_veces.gif"));
    QTest::newRow("no loop extension") << anim(QStringLiteral("una_vez.gif"));
}

void TestAnimationPlayer::keepsLoopingWhileShown()
{
    QFETCH(QString, path);
    auto player = shownPlayer();
    QSignalSpy ends(player.get(), &AnimationPlayer::AnimationEnd);
    player->setAnimationFile(path);
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
    QTest::qWait(300); // past every loop the GIF itself asks for

    // Both frames keep coming round.
    for (const QColor &colour : {kFirst, kSecond, kFirst, kSecond})
        QTRY_COMPARE_WITH_TIMEOUT(colourAt(*player, QPoint(1, 1)), colour, kTimeout);
    QVERIFY(player->isAnimating());
    QCOMPARE(ends.count(), 1);
}

void TestAnimationPlayer::hiddenAfterItsEndStopsAndResumesWhenShown()
{
    auto player = shownPlayer();
    QSignalSpy ends(player.get(), &AnimationPlayer::AnimationEnd);
    // As the game does: hide the player in its AnimationEnd handler.
    connect(player.get(), &AnimationPlayer::AnimationEnd, player.get(), &QWidget::hide);
    player->setAnimationFile(anim(QStringLiteral("siempre.gif")));
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
    QVERIFY(player->isHidden());
    QVERIFY(!player->isAnimating());

    player->show();
    QVERIFY(player->isAnimating());
    QTest::qWait(200);
    QCOMPARE(ends.count(), 1); // showing again is no new setting
}

void TestAnimationPlayer::hiddenBeforeItsEndStillEnds()
{
    auto player = shownPlayer();
    QSignalSpy ends(player.get(), &AnimationPlayer::AnimationEnd);
    player->setAnimationFile(anim(QStringLiteral("siempre.gif")));
    player->hide(); // as the instruction animation is hidden by a pointer move
    QVERIFY(player->isAnimating());
    QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, kTimeout);
    QVERIFY(!player->isAnimating());
}

void TestAnimationPlayer::destroyedWithEndPending()
{
    auto player = shownPlayer();
    QSignalSpy ends(player.get(), &AnimationPlayer::AnimationEnd);
    StderrCapture capture;
    player->setAnimationFile(anim(QStringLiteral("siempre.gif")));
    player->setAnimationFile(anim(QStringLiteral("nada.gif"))); // its end queued at once
    player.reset();
    QTest::qWait(200); // the queued end dies with the player
    capture.finish();
    QCOMPARE(ends.count(), 0);
}

QTEST_MAIN(TestAnimationPlayer)
#include "tst_animation_player.moc"
