#include "support/school_fixture.h"

#include "support/words_fixture.h"

SchoolWithOneWord::SchoolWithOneWord() : store({package.path(), school.filePath(QStringLiteral("escuela"))})
{
    korivanta::makeWordsDatabase(package.path(), korivanta::packageSampleWords());
    const QString error =
        store.save({0, QStringLiteral("uta"), QStringLiteral("casa"), QStringLiteral("hogar"), {}, {}});
    if (!error.isEmpty())
        qFatal("cannot save the school's word: %s", qPrintable(error));
}
