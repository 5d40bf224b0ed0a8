// Prints the layout tables of the program as JSON, so that the asset pipeline
// draws the scene, the keys and the chart from the same numbers the windows use.
#include "game/con_obj_layout.h"
#include "game/key_oval.h"
#include "game/keyboard_table.h"
#include "graphemes/chart_table.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdio>

using namespace korivanta;

namespace {

QString str(const char16_t *s)
{
    return s ? QString::fromUtf16(s) : QString();
}

QJsonObject rect(int left, int top, int width, int height)
{
    return {{"left", left}, {"top", top}, {"width", width}, {"height", height}};
}

// The key's oval, and the pixels it covers as one [first, end) span per row
// of the picture (an empty span is [0, 0]).
QJsonObject ovalOf(const KeyRow &k)
{
    const KeyOval o = keyOval(k.pictureWidth, k.pictureHeight);
    QJsonArray rows;
    for (int y = 0; y < k.pictureHeight; ++y) {
        int first = 0, end = 0;
        for (int x = 0; x < k.pictureWidth; ++x) {
            if (!keyOvalCovers(k.pictureWidth, k.pictureHeight, x, y))
                continue;
            if (end == 0)
                first = x;
            end = x + 1;
        }
        rows.append(QJsonArray{first, end});
    }
    return {{"cx", o.cx}, {"cy", o.cy}, {"rx", o.rx}, {"ry", o.ry}, {"reach", kKeyOvalReach}, {"rows", rows}};
}

const char *className(KeyClass c)
{
    switch (c) {
    case KeyClass::Simple: return "simple";
    case KeyClass::Aspirated: return "aspirated";
    case KeyClass::Glottalized: return "glottalized";
    }
    return "";
}

} // namespace

int main(int argc, char **argv)
{
    QJsonArray keys;
    for (const KeyRow &k : kKeyboard) {
        QJsonObject o = rect(k.left, k.top, k.width, k.height);
        o["letters"] = str(k.letters);
        o["class"] = className(k.keyClass);
        o["pictureWidth"] = k.pictureWidth;
        o["pictureHeight"] = k.pictureHeight;
        o["tooltip"] = str(k.tooltip);
        o["grapheme"] = str(k.grapheme);
        o["overlay"] = k.overlay;
        o["oval"] = ovalOf(k);
        keys.append(o);
    }
    QJsonArray chart;
    for (const ChartRow &c : kChart) {
        QJsonObject o = rect(c.left, c.top, c.width, c.height);
        o["letters"] = str(c.letters);
        o["grapheme"] = str(c.grapheme);
        o["soundPath"] = str(c.soundPath);
        chart.append(o);
    }
    QJsonObject controls;
    for (const auto *table : {&kConObjControls}) {
        for (const ControlRect &c : *table)
            controls[QString::fromUtf8(c.name.data(), qsizetype(c.name.size()))] =
                rect(c.left, c.top, c.width, c.height);
    }
    for (const ControlRect &c : kInnerControls)
        controls[QString::fromUtf8(c.name.data(), qsizetype(c.name.size()))] = rect(c.left, c.top, c.width, c.height);

    QJsonObject root{{"twipsPerPixel", 15},
                     {"window", rect(kConObjLeft, kConObjTop, kConObjClientWidth, kConObjClientHeight)},
                     {"keys", keys},
                     {"chart", chart},
                     {"controls", controls}};
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    if (argc > 1) {
        QFile out(QString::fromLocal8Bit(argv[1]));
        if (!out.open(QIODevice::WriteOnly) || out.write(json) != json.size()) {
            std::fprintf(stderr, "dump_tables: cannot write %s\n", argv[1]);
            return 1;
        }
        return 0;
    }
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    return 0;
}
