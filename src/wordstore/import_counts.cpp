#include "wordstore/import_counts.h"

#include <QStringList>

namespace korivanta::wordtool {

QString importCounts(qsizetype added, qsizetype updated, qsizetype unchanged)
{
    QStringList parts;
    // The verb before the count ("se agregaron 2") or after it ("3 quedaron
    // como estaban"); the noun goes with the first count said: "se actualizó 1
    // palabra", but "se agregaron 2 palabras, se actualizó 1".
    const auto say = [&](qsizetype n, const char *one, const char *many, bool countFirst) {
        if (n <= 0)
            return;
        const QString verb = QString::fromUtf8(n == 1 ? one : many);
        const QString count = parts.isEmpty() ? wordCount(n) : QString::number(n);
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

QString wordCount(qsizetype n, const QString &adjective)
{
    const bool one = n == 1;
    QString text = QString::number(n) + (one ? QStringLiteral(" palabra") : QStringLiteral(" palabras"));
    if (!adjective.isEmpty())
        text += u' ' + adjective + (one ? QString() : QStringLiteral("s"));
    return text;
}

} // namespace korivanta::wordtool
