#include "wordstore/pending_files.h"

#include "wordstore/disk_files.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

namespace korivanta::wordstore {

namespace {

const QString kTemporaryMark = QStringLiteral(".nuevo-");

} // namespace

PendingFiles::PendingFiles(QString top, bool groupWritable) : m_top(std::move(top)), m_groupWritable(groupWritable) {}

PendingFiles::~PendingFiles()
{
    if (m_keep)
        return;
    for (auto f = m_files.crbegin(); f != m_files.crend(); ++f)
        diskfiles::removeFile(f->placed ? f->final : f->temporary, m_top);
    for (auto d = m_folders.crbegin(); d != m_folders.crend(); ++d)
        diskfiles::removeEmptyFolder(*d, m_top);
}

QString PendingFiles::makeFolder(const QString &folder)
{
    QStringList missing;
    for (QString d = QDir::cleanPath(folder); !QFileInfo::exists(d); d = QFileInfo(d).absolutePath()) {
        missing.prepend(d);
        if (QFileInfo(d).absolutePath() == d)
            break;
    }
    for (const QString &d : std::as_const(missing)) {
        const QString error = diskfiles::makeFolder(d, m_groupWritable, m_top);
        if (!error.isEmpty())
            return QStringLiteral("no se puede crear la carpeta «%1»: %2").arg(d, error);
        m_folders.append(d);
    }
    return {};
}

QString PendingFiles::write(const QString &file, const QByteArray &bytes)
{
    const QFileInfo info(file);
    QString error;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString temporary = info.absolutePath() + QStringLiteral("/.") + info.fileName() + kTemporaryMark +
                                  QString::number(QRandomGenerator::global()->generate() % 1000000);
        error = diskfiles::writeNewFile(temporary, bytes, m_groupWritable, m_top);
        if (error.isEmpty()) {
            m_files.append({temporary, file});
            return {};
        }
        if (QFileInfo::exists(temporary) || QFileInfo(temporary).isSymLink())
            continue; // a name taken meanwhile: another one
        break;
    }
    return QStringLiteral("no se puede escribir «%1»: %2").arg(file, error);
}

QString PendingFiles::putInPlace()
{
    for (File &f : m_files) {
        if (f.placed)
            continue;
        const QString error = diskfiles::renameNew(f.temporary, f.final, m_top);
        if (!error.isEmpty())
            return QStringLiteral("no se puede escribir «%1»: %2").arg(f.final, error);
        f.placed = true;
    }
    return {};
}

bool PendingFiles::isTemporaryName(const QString &fileName)
{
    return fileName.startsWith(QLatin1Char('.')) && fileName.contains(kTemporaryMark);
}

} // namespace korivanta::wordstore
