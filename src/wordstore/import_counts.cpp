#include "wordstore/import_counts.h"

#include <QStringList>

namespace korivanta::wordtool {

QString importCounts(qsizetype added, qsizetype updated, qsizetype unchanged)
{
    QStringList parts;
    // The noun goes with the first count said: "se actualizó 1 palabra",
    // but "se agregaron 2 palabras, se actualizó 1".
    const auto noun = [&](qsizetype n) {
        if (!parts.isEmpty())
            return QString();
        return n == 1 ? QStringLiteral(" palabra") : QStringLiteral(" palabras");
    };
    // The verb before the count ("se agregaron 2") or after it ("3 quedaron como estaban").
    const auto say = [&](qsizetype n, const char *one, const char *many, bool countFirst) {
        if (n <= 0)
            return;
        const QString verb = QString::fromUtf8(n == 1 ? one : many);
        const QString count = QString::number(n) + noun(n);
        parts << (countFirst ? count + QLatin1Char(' ') + verb : verb + QLatin1Char(' ') + count);
    };
    say(added, "se agregó", "se agregaron", false);
    say(updated, "se actualizó", "se actualizaron", false);
    say(unchanged, "quedó como estaba", "quedaron como estaban", true);
    if (parts.isEmpty())
        return QStringLiteral("no cambió ninguna palabra");
    if (parts.size() == 1)
        return parts.front();
    return parts.mid(0, parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" y ") + parts.last();
}

} // namespace korivanta::wordtool
