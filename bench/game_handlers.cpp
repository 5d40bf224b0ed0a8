// Prints how long the game's handlers take: one key press, one word set-up,
// one Siguiente, and "Aceptar" to the game window with its first word, on the
// real windows with recording players (run it with QT_QPA_PLATFORM=offscreen).
#include "app/fonts.h"
#include "game/data_control.h"
#include "support/game_fixture.h"
#include "support/keys.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace korivanta;

namespace {

struct Figures {
    double median, p10, p90;
};

Figures summarise(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    auto at = [&](double q) { return v[size_t(q * double(v.size() - 1))]; };
    return {at(0.5), at(0.1), at(0.9)};
}

void print(const char *what, const Figures &f, const char *unit = "us")
{
    std::printf("%-44s median %9.2f %s  (p10 %.2f, p90 %.2f)\n", what, f.median, unit, f.p10, f.p90);
}

template <class F> std::vector<double> timeEach(int n, F &&f)
{
    std::vector<double> t;
    t.reserve(size_t(n));
    QElapsedTimer timer;
    for (int i = 0; i < n; ++i) {
        timer.start();
        f(i);
        t.push_back(double(timer.nsecsElapsed()) / 1000.0);
    }
    return t;
}

QList<WordRow> manyWords(int n)
{
    QList<WordRow> rows;
    const char *words[] = {"qarwa", "anu", "phisi", "ch'uspi", "k'isimira", "jamp'atu"};
    for (int i = 0; i < n; ++i)
        rows.append({QString::fromLatin1(words[i % 6]), "x", "animal", {}, {}});
    return rows;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installFontSubstitutes();
    const int n = 10000;

    {
        std::vector<double> times;
        for (int run = 0; run < 20; ++run) {
            GameFixture f(manyWords(10));
            f.choose(2);
            QElapsedTimer t;
            t.start();
            f.aceptar();
            times.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        print("Aceptar to first word (first showing)", summarise(times), "ms");
    }

    GameFixture f(manyWords(n + 10));
    f.choose(2);
    ConObj &game = f.aceptar();
    {
        std::vector<double> times;
        for (int run = 0; run < 20; ++run) {
            runHandler([&] { game.Image40_Click(); });
            QElapsedTimer t;
            t.start();
            f.aceptar();
            times.push_back(double(t.nsecsElapsed()) / 1e6);
        }
        print("Aceptar to first word (later showing)", summarise(times), "ms");
    }

    const int keys[] = {keyFor("a"), keyFor("x"), keyFor("ch'"), keyFor("q")};
    print("Image10_Click (one key press)",
          summarise(timeEach(n, [&](int i) { runHandler([&] { game.Image10_Click(keys[i % 4]); }); })));
    print("Data1_Reposition (one word set-up)",
          summarise(timeEach(n, [&](int) { runHandler([&] { game.Data1_Reposition(); }); })));
    print("Image6_Click (Siguiente, MoveNext + set-up)",
          summarise(timeEach(n, [&](int) { runHandler([&] { game.Image6_Click(); }); })));
    return 0;
}
