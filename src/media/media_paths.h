// Turns the program's literal Windows paths ("c:\Trab_zumel\sonido\bien.wav")
// into files on this machine. Drive C is a folder found from the executable's
// own location; every path component is matched without regard to letter case
// (Unicode-aware, compared in NFC), so "Grafemario" and "grafemario" reach the
// same folder and a name stored decomposed on disk is still found.
//
// When several entries of one folder match a component (say "grafemario" and
// "Grafemario" both exist after a copy), the one whose name as stored on disk
// comes first in UTF-16 code-unit order is taken, whatever spelling was asked
// for: "Grafemario" before "grafemario" (capitals sort before small letters),
// a decomposed "ñ" ("n" and a combining tilde) before a composed one. So every
// spelling of a path reaches the same file.
#pragma once

#include <QString>

namespace korivanta {

class MediaPaths {
public:
    explicit MediaPaths(QString driveC);

    // drive_c beside the executable, else ../share/korivanta/drive_c relative
    // to it (an installed program); the first when neither exists.
    static QString locateDriveC(const QString &executableDir);

    const QString &driveC() const { return m_driveC; }

    // The local file a program path names. A path that does not exist comes
    // back as a path that does not exist, so that opening it fails as it should.
    // A value without drive or folder is used relative to the working directory.
    QString resolve(const QString &programPath) const;

private:
    QString m_driveC;
};

} // namespace korivanta
