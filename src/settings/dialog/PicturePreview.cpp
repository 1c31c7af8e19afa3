#include "settings/dialog/PicturePreview.h"

#include <QFile>
#include <QImageReader>
#include <stdexcept>

#include "pictures/PictureFile.h"

namespace {

const char* const kIconExtension = "ico";
const char* const kInvalidIcon = "Icon image is not valid";
constexpr uint32_t kRedMask = 0x00ff0000;
constexpr uint32_t kGreenMask = 0x0000ff00;
constexpr uint32_t kBlueMask = 0x000000ff;
constexpr QRgb kOpaque = 0xff000000;

QImage ReadIcon(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()).toStdString());
    QImage image = QImageReader(&file, kIconExtension).read();
    if (image.isNull())
        throw std::runtime_error(kInvalidIcon);
    return image;
}

QImage ToImage(const TDIB& dib)
{
    // Rows are stored bottom-up, so the wrapped rows come out upside down
    // and mirroring them makes the deep copy the preview keeps.
    if (dib.BitCount() == 24)
        return QImage(dib.Bits(), dib.Width(), dib.Height(), dib.WidthBytes(), QImage::Format_BGR888).mirrored();
    const bool alpha = dib.HasOwnAlpha();
    if (alpha && dib.RedMask() == kRedMask && dib.GreenMask() == kGreenMask && dib.BlueMask() == kBlueMask)
        return QImage(dib.Bits(), dib.Width(), dib.Height(), dib.WidthBytes(), QImage::Format_ARGB32).mirrored();
    QImage image(dib.Width(), dib.Height(), alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const QRgb opaque = alpha ? 0 : kOpaque;
    for (int32_t y = 0; y < dib.Height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int32_t x = 0; x < dib.Width(); ++x)
            row[x] = dib.GetColor(x, y) | opaque;
    }
    return image;
}

} // namespace

QImage LoadPreviewPicture(const QString& path)
{
    const std::string fileName = path.toStdString();
    if (QString::fromStdString(PictureExtension(fileName)).compare(kIconExtension, Qt::CaseInsensitive) == 0)
        return ReadIcon(path);
    return ToImage(LoadPictureFile(fileName));
}
