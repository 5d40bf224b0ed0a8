// On a screen of device pixel ratio 2 (here QT_SCALE_FACTOR=2, set before the
// application is made) the program draws the copies at twice the size that
// lie beside its pictures: the window's pictures, a word's picture and the
// frames of an animation, each at the logical size of the picture it stands
// for. A missing or unreadable copy falls back to the picture silently, and a
// copy never stands in for a picture that is missing.
#include "game/window_pictures.h"
#include "media/media_paths.h"
#include "media/movie_animation_player.h"
#include "media/picture_loader.h"
#include "media/sharp_pictures.h"

#include "support/media_fixtures.h"
#include "support/stderr_capture.h"

#include <QApplication>
#include <QBuffer>
#include <QIcon>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace korivanta;

namespace {

QByteArray bmpBytes(int width, int height, const QColor &colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

} // namespace

class TestSharpLoading : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_driveC.isValid());
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
        m_folder = m_driveC.path() + QStringLiteral("/Trab_zumel/dibujos/");
    }

    void windowPictures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addRow("scene") << "background.bmp" << QSize(707, 546);
        QTest::addRow("key") << keyPictureName(5, false) << QSize(55, 35);
        QTest::addRow("grey copy") << keyPictureName(13, true) << QSize(56, 38);
        QTest::addRow("chart") << "chart.bmp" << QSize(590, 385);
        QTest::addRow("panel") << "panel.bmp" << QSize(280, 142);
    }

    // The window's pictures keep their logical size and carry twice the pixels.
    void windowPictures()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QPixmap picture = windowPicture(name);
        QCOMPARE(picture.devicePixelRatio(), 2.0);
        QCOMPARE(picture.deviceIndependentSize().toSize(), size);
        QCOMPARE(picture.size(), size * 2);
    }

    // The window icon: Qt's QIcon picks the @2x copy beside a file by itself.
    void windowIcon()
    {
        const QPixmap icon = QIcon(QStringLiteral(":/pictures/icon.ico")).pixmap(QSize(32, 32));
        QCOMPARE(icon.size(), QSize(64, 64));
        QCOMPARE(icon.toImage().convertToFormat(QImage::Format_ARGB32),
                 QImage(QStringLiteral(":/pictures/icon@2x.ico")).convertToFormat(QImage::Format_ARGB32));
    }

    void wordPicture_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QByteArray>("copy");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<qreal>("ratio");
        QTest::addColumn<QColor>("colour");
        QTest::addRow("both: the copy") << true << bmpBytes(40, 30, Qt::blue) << true << 2.0 << QColor(Qt::blue);
        QTest::addRow("no copy: the picture") << true << QByteArray() << true << 1.0 << QColor(Qt::red);
        QTest::addRow("broken copy: the picture")
            << true << QByteArray("BM not a picture") << true << 1.0 << QColor(Qt::red);
        QTest::addRow("copy alone: still missing") << false << bmpBytes(40, 30, Qt::blue) << false << 0.0 << QColor();
    }

    void wordPicture()
    {
        QFETCH(bool, picture);
        QFETCH(QByteArray, copy);
        QFETCH(bool, loaded);
        QFETCH(qreal, ratio);
        QFETCH(QColor, colour);
        const QString name = QString::fromLatin1(QTest::currentDataTag())
                                 .replace(QLatin1Char(' '), QLatin1Char('_'))
                                 .remove(QLatin1Char(':'));
        if (picture)
            writeFile(m_folder + name + QStringLiteral(".bmp"), bmpBytes(20, 15, Qt::red));
        if (!copy.isEmpty())
            writeFile(m_folder + name + QStringLiteral("@2x.bmp"), copy);

        const MediaPaths paths(m_driveC.path());
        FilePictureLoader loader(paths);
        const auto result = loader.load(QStringLiteral("c:\\Trab_zumel\\dibujos\\") + name + QStringLiteral(".bmp"));
        QCOMPARE(result.has_value(), loaded);
        if (!loaded)
            return;
        QCOMPARE(result->devicePixelRatio(), ratio);
        QCOMPARE(result->deviceIndependentSize().toSize(), QSize(20, 15));
        QCOMPARE(result->toImage().pixelColor(0, 0), colour);
    }

    void animationFrames_data()
    {
        QTest::addColumn<QByteArray>("copy");
        QTest::addColumn<QColor>("colour");
        QTest::addRow("copy drawn") << gifBytes(16, 16, {{Qt::blue, 50}, {Qt::blue, 50}}, 0) << QColor(Qt::blue);
        QTest::addRow("cut copy: the animation")
            << gifBytes(16, 16, {{Qt::blue, 50}, {Qt::blue, 50}}, 0).left(40) << QColor(Qt::red);
        QTest::addRow("no copy: the animation") << QByteArray() << QColor(Qt::red);
    }

    // The player shows the copy's frames on the animation's logical rectangle
    // (8 x 8 of its 12 x 12); a copy drawn at ratio 1 would spread over twice
    // the width and height, the player's bottom-right corner included.
    void animationFrames()
    {
        QFETCH(QByteArray, copy);
        QFETCH(QColor, colour);
        const QString name = QString::number(++m_animations);
        const QString folder = m_driveC.path() + QStringLiteral("/Trab_zumel/animaciones/");
        writeFile(folder + name + QStringLiteral(".gif"), gifBytes(8, 8, {{Qt::red, 50}, {Qt::red, 50}}, 0));
        if (!copy.isEmpty())
            writeFile(folder + name + QStringLiteral("@2x.gif"), copy);

        const MediaPaths paths(m_driveC.path());
        MovieAnimationPlayer player(paths);
        player.setBackColor(Qt::green);
        player.resize(12, 12);
        player.show();
        QSignalSpy ends(&player, &AnimationPlayer::AnimationEnd);
        player.setAnimationFile(QStringLiteral("c:\\Trab_zumel\\animaciones\\") + name + QStringLiteral(".gif"));
        const QImage shot = player.grab().toImage();
        QCOMPARE(shot.size(), QSize(24, 24));
        QCOMPARE(shot.pixelColor(1, 1), colour);
        QCOMPARE(shot.pixelColor(15, 15), colour); // the frame's last pixel, logically (7, 7)
        QCOMPARE(shot.pixelColor(17, 17), QColor(Qt::green));
        QVERIFY(ends.wait(5000));
    }

private:
    QTemporaryDir m_driveC;
    QString m_folder;
    int m_animations = 0;
};

int main(int argc, char **argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestSharpLoading test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sharp_loading.moc"
