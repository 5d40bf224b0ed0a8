// Figures of the word store's bounds: how long converting a teacher's sound
// takes and how much memory it needs (it is decoded in blocks, so the peak
// should not follow the file's size), how fast a two-hour WAV and a word list
// of a million rows are refused. Prints figures; asserts nothing.
#include "support/sound_kinds.h"
#include "wordstore/csv.h"
#include "wordstore/word_sound.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

using namespace korivanta;

namespace {

long peakKb()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    struct Case {
        const char *name;
        SoundKind kind;
    };
    const Case cases[] = {
        {"30 s, 24-bit, 2 channels, 384 kHz (resampled)",
         {SoundMaking::Tone, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 384000, 2, 30.0}},
        {"30 s, float32, 6 channels, 48 kHz (mixed down)",
         {SoundMaking::Tone, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 6, 30.0}},
        {"2 s, 24-bit, mono, 44.1 kHz (a spoken word)",
         {SoundMaking::Tone, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 1, 2.0}},
        {"2 hours, 16-bit, mono, 22.05 kHz (refused)", {SoundMaking::SparseHours, 0, 22050, 1, 0}},
    };
    for (const Case &c : cases) {
        const QString source = dir.filePath(QStringLiteral("fuente.wav"));
        const QString converted = dir.filePath(QStringLiteral("convertido.wav"));
        if (!makeSound(source, c.kind))
            return 1;
        const long before = peakKb();
        QElapsedTimer clock;
        clock.start();
        const QString problem = wordsound::convertToFile(source, converted);
        const qint64 ms = clock.elapsed();
        out << c.name << ": " << QFileInfo(source).size() / 1024 << " KB in, "
            << (problem.isEmpty() ? QFileInfo(converted).size() / 1024 : 0) << " KB out, " << ms
            << " ms, peak memory grew by " << (peakKb() - before) << " KB"
            << (problem.isEmpty() ? QString() : QStringLiteral(" (refused: %1)").arg(problem)) << Qt::endl;
        QFile::remove(source);
        QFile::remove(converted);
    }

    const QString list = dir.filePath(QStringLiteral("palabras.csv"));
    QFile file(list);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("nom_ay,nom_esp,categoria\n");
    for (int i = 0; i < 1000000; ++i)
        file.write("a,b,c\n");
    file.close();
    QElapsedTimer clock;
    clock.start();
    QString error;
    const QList<CsvRecord> records = readCsvRecords(list, &error);
    out << "word list of 1,000,000 rows (" << QFileInfo(list).size() / 1024 << " KB): refused in " << clock.elapsed()
        << " ms with " << records.size() << " records kept" << Qt::endl;
    return 0;
}
