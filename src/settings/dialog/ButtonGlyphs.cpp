#include "settings/dialog/ButtonGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kGlyphSize = 17;

// A small 16-colour palette, like the one such glyphs were drawn with.
const QColor kFrame(0, 0, 0);
const QColor kMat(255, 255, 255);
const QColor kSky(0, 255, 255);
const QColor kSun(255, 255, 0);
const QColor kFarHill(0, 128, 0);
const QColor kNearHill(0, 255, 0);
const QColor kShade(128, 128, 128);

QPixmap BlankGlyph()
{
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QIcon AddPictureGlyph()
{
    QPixmap pixmap = BlankGlyph();
    QPainter painter(&pixmap);
    // Picture frame with a drop shadow, a white mat and the scene inside.
    painter.fillRect(3, 4, 14, 12, kShade);
    painter.fillRect(1, 2, 14, 12, kFrame);
    painter.fillRect(2, 3, 12, 10, kMat);
    const QRect scene(3, 4, 10, 8);
    painter.fillRect(scene, kSky);
    painter.setClipRect(scene);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    // A round sun at this size is a square with its corners cut.
    painter.fillRect(10, 4, 2, 1, kSun);
    painter.fillRect(9, 5, 4, 2, kSun);
    painter.fillRect(10, 7, 2, 1, kSun);
    QPainterPath farHill;
    farHill.moveTo(3, 12);
    farHill.lineTo(3, 9);
    farHill.lineTo(6, 6);
    farHill.lineTo(10, 10);
    farHill.lineTo(13, 8);
    farHill.lineTo(13, 12);
    painter.setBrush(kFarHill);
    painter.drawPath(farHill);
    QPainterPath nearHill;
    nearHill.moveTo(3, 12);
    nearHill.lineTo(3, 11);
    nearHill.lineTo(7, 9);
    nearHill.lineTo(13, 11);
    nearHill.lineTo(13, 12);
    painter.setBrush(kNearHill);
    painter.drawPath(nearHill);
    return QIcon(pixmap);
}

QIcon RemovePictureGlyph()
{
    QPixmap pixmap = BlankGlyph();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Two pixel-wide strokes side by side make each bar of the X.
    painter.setPen(QPen(kFrame, 1));
    for (int offset = 0; offset < 2; ++offset) {
        painter.drawLine(3 + offset, 3, 13, 13 - offset);
        painter.drawLine(3, 3 + offset, 13 - offset, 13);
        painter.drawLine(13 - offset, 3, 3, 13 - offset);
        painter.drawLine(13, 3 + offset, 3 + offset, 13);
    }
    return QIcon(pixmap);
}
