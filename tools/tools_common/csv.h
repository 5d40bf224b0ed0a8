// A small reader for the word lists: RFC 4180 CSV in UTF-8 (quoted fields,
// doubled quotes, commas and line breaks inside quotes).
#pragma once

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

namespace korivanta {

// One record of the file and the line on which it starts (from 1). Blank
// lines hold no record.
struct CsvRecord {
    qsizetype line = 0;
    QStringList fields;
};

inline QList<CsvRecord> parseCsvRecords(const QString &text)
{
    QList<CsvRecord> records;
    QStringList row;
    QString field;
    bool quoted = false;
    bool fieldStarted = false;
    qsizetype line = 1;    // the line the reader is on
    qsizetype rowLine = 1; // the line the current record started on
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!fieldStarted && field.isEmpty() && row.isEmpty())
            rowLine = line;
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n'))
                    ++line;
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            fieldStarted = true;
        } else if (c == QLatin1Char(',')) {
            row.append(field);
            field.clear();
            fieldStarted = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            if (fieldStarted || !field.isEmpty() || !row.isEmpty()) {
                row.append(field);
                records.append({rowLine, row});
            }
            row.clear();
            field.clear();
            fieldStarted = false;
            ++line;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !row.isEmpty()) {
        row.append(field);
        records.append({rowLine, row});
    }
    return records;
}

inline QList<QStringList> parseCsv(const QString &text)
{
    QList<QStringList> rows;
    for (const CsvRecord &r : parseCsvRecords(text))
        rows.append(r.fields);
    return rows;
}

inline QString readCsvText(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("no se puede leer %1").arg(path);
        return {};
    }
    QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF")) // the byte order mark that spreadsheets write
        bytes.remove(0, 3);
    return QString::fromUtf8(bytes);
}

inline QList<QStringList> readCsv(const QString &path, QString *error)
{
    return parseCsv(readCsvText(path, error));
}

} // namespace korivanta
