// Prints start-up figures (process start to the menu's first paint, and peak
// memory) against a bare Qt window of the same size measured the same way,
// and the time to open a category and show its first word in a 100-row and a
// 1,000,000-row words table. The program's figures come at QT_SCALE_FACTOR 1
// and 2 (at 2 the pictures' @2x copies are read and drawn). Run with
// QT_QPA_PLATFORM=offscreen or under Xvfb.
#include "app/fonts.h"
#include "app/screen_flow.h"
#include "game/data_control.h"
#include "media/media.h"
#include "media/media_paths.h"
#include "menu/form1.h"
#include "support/game_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace korivanta;

namespace {

// In the child: report on stdout when the watched window first paints.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            std::printf("painted %ld\n", usage.ru_maxrss);
            std::fflush(stdout);
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool m_done = false;
};

int child(const QString &mode, int argc, char **argv)
{
    QApplication app(argc, argv);
    FirstPaint watch;
    if (mode == QLatin1String("--bare")) {
        QWidget bare;
        bare.setFixedSize(385, 239);
        bare.installEventFilter(&watch);
        bare.show();
        return QApplication::exec();
    }
    installFontSubstitutes();
    ScreenFlow flow([] { return Media::real(MediaPaths::locateDriveC(QCoreApplication::applicationDirPath())); });
    flow.start();
    if (mode == QLatin1String("--aceptar")) {
        // "Aceptar" with the real players and pictures: the first showing,
        // then Volver and a later showing.
        // A learner takes a moment to choose: let the menu's idle work run.
        QEventLoop idle;
        QTimer::singleShot(300, &idle, &QEventLoop::quit);
        idle.exec();
        flow.form1().optionClick(2);
        QElapsedTimer t;
        t.start();
        flow.form1().Command1_Click();
        const double first = double(t.nsecsElapsed()) / 1e6;
        flow.conObj()->Image40_Click();
        t.start();
        flow.form1().Command1_Click();
        const double later = double(t.nsecsElapsed()) / 1e6;
        // Key presses with the real players (the sound is preloaded).
        std::vector<double> keys;
        for (int round = 0; round < 4; ++round) {
            for (int key = 0; key < 32; ++key) {
                t.start();
                flow.conObj()->Image10_Click(key);
                keys.push_back(double(t.nsecsElapsed()) / 1e6);
            }
            flow.conObj()->Data1_Reposition();
        }
        std::sort(keys.begin(), keys.end());
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("aceptar %.3f %.3f %.4f %.4f %ld\n", first, later, keys[keys.size() / 2],
                    keys[keys.size() * 9 / 10], usage.ru_maxrss);
        return 0;
    }
    flow.form1().installEventFilter(&watch);
    return QApplication::exec();
}

struct Run {
    double ms;
    double peakMb;
};

// The environment of a child run at a scale factor.
QProcessEnvironment atScale(const QString &scale)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
    return env;
}

Run startOnce(const QString &self, const QString &mode, const QString &scale)
{
    QProcess p;
    p.setProcessEnvironment(atScale(scale));
    QElapsedTimer t;
    t.start();
    p.start(self, {mode});
    p.waitForReadyRead(10000);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    const QByteArray line = p.readLine().trimmed();
    p.waitForFinished(10000);
    return {ms, line.split(' ').value(1).toDouble() / 1024.0};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double spread(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() * 9 / 10] - v[v.size() / 10];
}

QString makeTable(const QString &dir, int rows)
{
    const QString folder = dir + QStringLiteral("/Trab_zumel");
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/diccionario.mdb");
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("CREATE TABLE nominal (nom_ay TEXT, nom_esp TEXT, categoria TEXT, dibujo TEXT, "
                              "sonido TEXT)"));
        q.exec(QStringLiteral("CREATE INDEX nominal_categoria ON nominal (categoria)"));
        db.transaction();
        q.prepare(QStringLiteral("INSERT INTO nominal VALUES (?, ?, ?, '', '')"));
        const char *keys[] = {"naturaleza", "persona",  "cuerpo", "animal", "ave",
                              "insecto",    "alimento", "color",  "hogar"};
        for (int i = 0; i < rows; ++i) {
            q.addBindValue(QStringLiteral("qarwa"));
            q.addBindValue(QStringLiteral("llama"));
            q.addBindValue(QString::fromLatin1(keys[i % 9]));
            q.exec();
        }
        db.commit();
    }
    QSqlDatabase::removeDatabase(name);
    return path;
}

// Time of opening the "animal" category on the data source and setting up
// its first word, as the game window's activation does.
std::vector<double> openCategory(int rows)
{
    QTemporaryDir dir;
    makeTable(dir.path(), rows);
    MediaPaths paths(dir.path());
    DataControl data(paths, QStringLiteral("C:\\Trab_zumel\\diccionario.mdb"), QStringLiteral("nominal"));
    QString word;
    data.bind(QStringLiteral("nom_ay"), [&](const QString &v) { word = v; });
    data.Refresh();
    std::vector<double> times;
    for (int i = 0; i < 50; ++i) {
        QElapsedTimer t;
        t.start();
        data.setRecordset(
            data.database().OpenRecordset(QStringLiteral("SELECT * from nominal where categoria='animal';")));
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return times;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1)
        return child(QString::fromLocal8Bit(argv[1]), argc, argv);

    QCoreApplication app(argc, argv);
    const QString self = QCoreApplication::applicationFilePath();
    for (const QString &scale : {QStringLiteral("1"), QStringLiteral("2")}) {
        std::printf("-- QT_SCALE_FACTOR=%s\n", qPrintable(scale));
        for (const auto &[label, mode] :
             {std::pair{"bare Qt window", "--bare"}, std::pair{"KORIVANTA menu", "--menu"}}) {
            std::vector<double> ms, mb;
            for (int i = 0; i < 15; ++i) {
                const Run r = startOnce(self, QString::fromLatin1(mode), scale);
                ms.push_back(r.ms);
                mb.push_back(r.peakMb);
            }
            std::printf("%-16s start to first paint: median %7.1f ms (spread %.1f), peak memory %.1f MB\n", label,
                        median(ms), spread(ms), median(mb));
        }
        std::vector<double> first, later, key, key90, peak;
        for (int i = 0; i < 15; ++i) {
            QProcess p;
            p.setProcessEnvironment(atScale(scale));
            p.start(self, {QStringLiteral("--aceptar")});
            p.waitForFinished(20000);
            const QList<QByteArray> f = p.readAllStandardOutput().trimmed().split(' ');
            first.push_back(f.value(1).toDouble());
            later.push_back(f.value(2).toDouble());
            key.push_back(f.value(3).toDouble());
            key90.push_back(f.value(4).toDouble());
            peak.push_back(f.value(5).toDouble() / 1024.0);
        }
        std::printf("Aceptar to the first word, real players: first %.2f ms (spread %.2f), later %.2f ms (spread "
                    "%.2f)\n",
                    median(first), spread(first), median(later), spread(later));
        std::printf("Image10_Click with the real players: median %.4f ms (p90 %.4f ms)\n", median(key), median(key90));
        std::printf("peak memory with the game window shown: %.1f MB\n", median(peak));
    }
    for (int rows : {100, 1000000}) {
        const auto t = openCategory(rows);
        std::printf("open a category, %7d rows: median %.3f ms (spread %.3f)\n", rows, median(t), spread(t));
    }
    return 0;
}
