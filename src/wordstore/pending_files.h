// The files one change of a words store writes, made under hidden temporary
// names and put in place together, right before the words database that
// names them is replaced; removed again when the change does not go through.
// A run killed at any moment leaves hidden temporary files, or files no word
// names yet: both are leftovers that the store's next change removes
// (isLeftover, SchoolStore).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace korivanta::wordstore {

class PendingFiles {
public:
    // Below `top` nothing is followed if it is a link (diskfiles); files are
    // 0664 and folders 2775 when `groupWritable`.
    PendingFiles(QString top, bool groupWritable);
    ~PendingFiles();
    PendingFiles(const PendingFiles &) = delete;
    PendingFiles &operator=(const PendingFiles &) = delete;

    // Makes the folder and those above it that are missing (down from `top`
    // when the folder is below it). Returns why it failed, or empty.
    QString makeFolder(const QString &folder);
    // Writes `bytes` under a hidden temporary name beside `file`, which must
    // not exist yet. Returns why it failed, or empty.
    QString write(const QString &file, const QByteArray &bytes);
    // Renames every file written into its place, never over a file that
    // appeared there meanwhile. Returns why it failed, or empty.
    QString putInPlace();
    // The change went through: everything stays.
    void keep() { m_keep = true; }

    // Whether a file name is one of the hidden temporary names written here.
    static bool isTemporaryName(const QString &fileName);

private:
    struct File {
        QString temporary, final;
        bool placed = false;
    };
    QString m_top;
    bool m_groupWritable;
    QList<File> m_files;
    QStringList m_folders;
    bool m_keep = false;
};

} // namespace korivanta::wordstore
