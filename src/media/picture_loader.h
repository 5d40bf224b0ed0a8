// Loads the picture a program path names, for an image control.
#pragma once

#include <QPixmap>
#include <QString>

#include <optional>

namespace korivanta {

class MediaPaths;

class PictureLoader {
public:
    virtual ~PictureLoader() = default;
    // The picture, or nothing when the file is missing or is not a picture.
    virtual std::optional<QPixmap> load(const QString &path) = 0;
};

class FilePictureLoader : public PictureLoader {
public:
    explicit FilePictureLoader(const MediaPaths &paths) : m_paths(paths) {}
    std::optional<QPixmap> load(const QString &path) override;

private:
    const MediaPaths &m_paths;
};

} // namespace korivanta
