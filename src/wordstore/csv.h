// A small reader for the word lists: RFC 4180 CSV (quoted fields, doubled
// quotes, separators and line breaks inside quotes, CRLF or LF lines), as
// spreadsheets save it: UTF-8 with or without a byte order mark, UTF-16 with
// its byte order mark (a spreadsheet's "Unicode text"), or, when the bytes
// are none of these, Windows-1252 (which covers Latin-1); the separator is a
// comma, a semicolon or a tab, whichever the header line uses.
#pragma once

#include <QFile>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

namespace korivanta {

// Bounds of a word list (a teacher's CSV file or a pack's list). The game's
// own list has a few hundred words and a school adds tens; the word tool may
// also build a database of its own from a whole dictionary (the largest
// Aymara dictionaries hold some tens of thousands of entries). 50,000 words
// take that, keep an import's checks to seconds and its memory to about
// 100 MB. A row takes under 200 bytes, even with long names and file paths:
// 10 MB holds 50,000 of them. A list beyond either bound is refused before
// its rows are checked.
inline constexpr qsizetype kMaxWordListRows = 50000; // besides the header
inline constexpr qint64 kMaxWordListBytes = 10 * 1024 * 1024;

// One record of the file and the line on which it starts (from 1). Blank
// lines hold no record.
struct CsvRecord {
    qsizetype line = 0;
    QStringList fields;
};

// The separator of the first non-blank line, outside quotes: the most
// frequent of comma, semicolon and tab (a comma when there is none).
inline QChar detectCsvSeparator(const QString &text)
{
    int counts[3] = {0, 0, 0};
    const QChar candidates[3] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')};
    bool quoted = false, seen = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) {
            if (seen)
                break;
        } else if (!quoted) {
            seen = true;
            for (int i = 0; i < 3; ++i)
                counts[i] += c == candidates[i];
        }
    }
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[best])
            best = i;
    return candidates[best];
}

// The records of `text`; at most `maxRecords` of them when it is not
// negative (the reader stops there: a caller that gets that many knows the
// file may hold more).
inline QList<CsvRecord> parseCsvRecords(const QString &text, QChar separator = QLatin1Char(','),
                                        qsizetype maxRecords = -1)
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
        } else if (c == separator) {
            row.append(field);
            field.clear();
            fieldStarted = true;
        } else if (c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            if (fieldStarted || !field.isEmpty() || !row.isEmpty()) {
                row.append(field);
                records.append({rowLine, row});
                if (records.size() == maxRecords)
                    return records;
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

// The text of a word list file and how it was read.
struct CsvText {
    QString text;
    QString encoding;     // "UTF-8", "UTF-16" or "Windows-1252"
    bool fromUtf8 = true; // false: the bytes were neither UTF-8 nor marked UTF-16, and were read as Windows-1252
    QChar separator = QLatin1Char(',');
};

inline CsvText decodeCsv(QByteArray bytes)
{
    CsvText t;
    // UTF-16 always comes with its byte order mark from a spreadsheet.
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        t.text = utf16.decode(QByteArrayView(bytes).sliced(2));
        t.encoding = QStringLiteral("UTF-16");
        t.separator = detectCsvSeparator(t.text);
        return t;
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) // the byte order mark that spreadsheets write
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringConverter::Utf8);
    t.text = utf8.decode(bytes);
    t.encoding = QStringLiteral("UTF-8");
    if (utf8.hasError()) {
        // An older spreadsheet's "CSV" or "texto": one byte per character.
        QStringDecoder windows1252("windows-1252");
        t.text = windows1252.isValid() ? QString(windows1252.decode(bytes)) : QString::fromLatin1(bytes);
        t.encoding = QStringLiteral("Windows-1252");
        t.fromUtf8 = false;
    }
    t.separator = detectCsvSeparator(t.text);
    return t;
}

// The text of a word list file of at most kMaxWordListBytes; a larger one is
// refused without reading it.
inline CsvText readCsvFile(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("no se puede leer %1").arg(path);
        return {};
    }
    const auto tooLarge = [&] {
        *error = QStringLiteral("%1: la lista ocupa más de %2 MB; una lista de palabras tiene como mucho %3 palabras "
                                "y %2 MB (divídala en varias)")
                     .arg(path)
                     .arg(kMaxWordListBytes / (1024 * 1024))
                     .arg(kMaxWordListRows);
        return CsvText{};
    };
    if (f.size() > kMaxWordListBytes)
        return tooLarge();
    // One byte more than allowed: a file that grew meanwhile is caught too.
    const QByteArray bytes = f.read(kMaxWordListBytes + 1);
    if (bytes.size() > kMaxWordListBytes)
        return tooLarge();
    return decodeCsv(bytes);
}

// The records of a word list: the header and at most kMaxWordListRows rows;
// a list with more is refused (`error` says so) and gives no records.
inline QList<CsvRecord> parseWordList(const QString &path, const CsvText &text, QString *error)
{
    QList<CsvRecord> records = parseCsvRecords(text.text, text.separator, kMaxWordListRows + 2);
    if (records.size() > kMaxWordListRows + 1) {
        *error = QStringLiteral("%1: la lista tiene más de %2 palabras; una lista de palabras tiene como mucho %2 "
                                "(divídala en varias)")
                     .arg(path)
                     .arg(kMaxWordListRows);
        return {};
    }
    return records;
}

// The records of a word list file, read as decodeCsv() explains, within the
// bounds above.
inline QList<CsvRecord> readCsvRecords(const QString &path, QString *error)
{
    const CsvText t = readCsvFile(path, error);
    if (!error->isEmpty())
        return {};
    return parseWordList(path, t, error);
}

} // namespace korivanta
