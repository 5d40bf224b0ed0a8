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
//
// Names cannot reach outside the folder they start in, the base:
// - "c:\..." and rooted paths ("\...") start in drive C; a name without drive
//   or leading separator starts in the working folder (a bare file name such
//   as "palabra.wav" is used there unchanged);
// - "." and ".." are taken by their names alone, as Windows does, before any
//   folder is looked at, and ".." never climbs above the base;
// - a name on any other drive letter is refused: there is only drive C;
// - an entry on the way that is a symbolic link is followed only when it leads
//   to a place inside the base; one that leads outside it is refused.
// A refused name is reported with the reason and names no file at all, so the
// caller reads nothing.
//
// Drive C may be made of two layers: an upper folder (a school's own words and
// files) over a lower one (the installed package's). A name on drive C is
// taken from the upper layer when it names an existing file or folder there,
// else from the lower one; a name that neither has comes back as the lower
// layer's missing path. The rules above apply within each layer on its own: a
// link in the upper layer must lead inside the upper layer, one in the lower
// layer inside the lower one, and a refusal in the upper layer is final. A
// name without drive (the working folder) is not layered.
#pragma once

#include <QString>

namespace korivanta {

class MediaPaths {
public:
    explicit MediaPaths(QString driveC);
    // Drive C as `upperDriveC` over `lowerDriveC` (see above); an empty lower
    // layer is a plain drive C.
    MediaPaths(QString upperDriveC, QString lowerDriveC);

    // drive_c beside the executable, else ../share/korivanta/drive_c relative
    // to it (an installed program); the first when neither exists.
    static QString locateDriveC(const QString &executableDir);

    // The (upper) drive C folder, and the lower layer (empty: none).
    const QString &driveC() const { return m_driveC; }
    const QString &lowerDriveC() const { return m_lowerDriveC; }

    struct Location {
        // The local file; empty for an empty or refused name. A path that does
        // not exist comes back as a path that does not exist, so that opening
        // it fails as it should.
        QString file;
        // Why the name is refused (a Spanish sentence), empty when it is not.
        QString refusal;
    };
    Location locate(const QString &programPath) const;

    // The local file a program path names: locate().file (empty when the
    // name is refused).
    QString resolve(const QString &programPath) const { return locate(programPath).file; }

private:
    static Location locateIn(const QString &driveC, const QString &programPath, bool *onDriveC);

    QString m_driveC;
    QString m_lowerDriveC;
};

} // namespace korivanta
