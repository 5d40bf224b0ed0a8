#include "app/fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace korivanta {

namespace {

struct Substitute {
    const char *family;
    QStringList standIns;
    bool heavy = false; // the family's ordinary face is a heavy one
};

const std::vector<Substitute> &substitutes()
{
    static const std::vector<Substitute> table = {
        // Liberation Sans has Arial's metrics; the old MS Sans Serif bitmap
        // font is closest to it at the small sizes the menus use.
        {"MS Sans Serif", {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
        {"Arial", {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")}},
        // A heavy face of these, not their regular one (see chooseFace).
        {"Arial Black", {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")}, true},
        {"Times New Roman", {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")}},
        {"Comic Sans MS", {QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans")}},
    };
    return table;
}

} // namespace

void installFontSubstitutes()
{
    for (const Substitute &s : substitutes())
        QFont::insertSubstitutions(QString::fromLatin1(s.family), s.standIns);
}

void chooseFace(QFont &font)
{
    const auto named = std::find_if(substitutes().begin(), substitutes().end(), [&](const Substitute &s) {
        return font.family().compare(QLatin1String(s.family), Qt::CaseInsensitive) == 0;
    });
    if (named == substitutes().end() || !named->heavy || !QFontDatabase::styles(font.family()).isEmpty())
        return;
    for (const QString &standIn : named->standIns) {
        if (QFontDatabase::styles(standIn).isEmpty())
            continue; // not installed
        // Asked for the heaviest weight there is, the font matcher takes the
        // family's heaviest upright face of normal width.
        QFont heaviest(standIn);
        heaviest.setWeight(QFont::Black);
        font.setStyleName(QFontInfo(heaviest).styleName());
        return;
    }
}

void prepareFonts()
{
    for (const Substitute &s : substitutes()) {
        for (bool bold : {false, true}) {
            QFont f(QString::fromLatin1(s.family));
            f.setBold(bold);
            QFontMetrics(f).height();
        }
    }
}

} // namespace korivanta
