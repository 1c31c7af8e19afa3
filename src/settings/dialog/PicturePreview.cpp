#include "settings/dialog/PicturePreview.h"

#include <QFile>
#include <QImageReader>
#include <stdexcept>

#include "settings/PreviewPictureKind.h"

namespace {

const char* const kInvalidMetafile = "Metafile is not valid";
const char* const kInvalidIcon = "Icon image is not valid";

std::runtime_error OpenError(const QString& path, const QString& reason)
{
    return std::runtime_error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, reason).toStdString());
}

QImage ReadIcon(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw OpenError(path, file.errorString());
    QImageReader reader(&file, "ico");
    QImage image = reader.read();
    if (image.isNull())
        throw std::runtime_error(kInvalidIcon);
    return image;
}

QImage ReadPicture(const QString& path)
{
    const std::string extension = ExtensionOf(path.toStdString());
    const QString lower = QString::fromStdString(extension).toLower();
    static const QStringList kReadable{"bmp", "dib", "jpg", "jpeg", "png"};
    if (!kReadable.contains(lower))
        throw std::runtime_error("Unknown picture file extension (." + extension + ")");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw OpenError(path, file.errorString());
    QImageReader reader(&file, lower == "dib" ? QByteArray("bmp") : lower.toLatin1());
    QImage image = reader.read();
    if (image.isNull())
        throw std::runtime_error(reader.errorString().toStdString());
    return image;
}

} // namespace

QImage LoadPreviewPicture(const QString& path)
{
    switch (PreviewKindOf(path.toStdString())) {
    case TPreviewKind::pkIcon:
        return ReadIcon(path);
    case TPreviewKind::pkMetafile:
        throw std::runtime_error(kInvalidMetafile);
    case TPreviewKind::pkPicture:
        break;
    }
    return ReadPicture(path);
}
