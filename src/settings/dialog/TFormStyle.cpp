#include "settings/dialog/TFormStyle.h"

#include <QPainter>
#include <QStyleOption>

namespace {

constexpr int kCaptionGap = 3;
constexpr int kTitleIndent = 8;     // the title sits a little in from the frame's corner
constexpr int kTitleGap = 2;        // the frame line stops this far from the title
constexpr int kSliderInset = 6;     // each side of the groove and the ticks
constexpr int kFrameDarker = 130;   // percent, the frame line against the window
constexpr qreal kFrameRadius = 2.0;

// A group with a plain title (the form has no group boxes that can be checked).
bool HasTitle(const QStyleOptionComplex* option)
{
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    return box && !box->text.isEmpty() && !(box->subControls & QStyle::SC_GroupBoxCheckBox);
}

// The slider drawn and hit-tested a little inside its widget.
QStyleOptionSlider InsetSlider(const QStyleOptionComplex* option)
{
    QStyleOptionSlider inset = *qstyleoption_cast<const QStyleOptionSlider*>(option);
    inset.rect.adjust(kSliderInset, 0, -kSliderInset, 0);
    return inset;
}

bool IsSlider(QStyle::ComplexControl control, const QStyleOptionComplex* option)
{
    return control == QStyle::CC_Slider && qstyleoption_cast<const QStyleOptionSlider*>(option);
}

} // namespace

int TFormStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    if (metric == PM_RadioButtonLabelSpacing || metric == PM_CheckBoxLabelSpacing)
        return kCaptionGap;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

QRect TFormStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                                 const QWidget* widget) const
{
    if (IsSlider(control, option)) {
        const QStyleOptionSlider inset = InsetSlider(option);
        return QProxyStyle::subControlRect(control, &inset, subControl, widget);
    }
    QRect rect = QProxyStyle::subControlRect(control, option, subControl, widget);
    if (control == CC_GroupBox && HasTitle(option)) {
        // The title one line high at the top, the frame from its middle.
        const int lineHeight = option->fontMetrics.height();
        if (subControl == SC_GroupBoxLabel)
            rect = QRect(rect.left() + kTitleIndent, option->rect.top(), rect.width(), lineHeight);
        else if (subControl == SC_GroupBoxFrame)
            rect.setTop(option->rect.top() + lineHeight / 2);
    }
    return rect;
}

void TFormStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                    const QWidget* widget) const
{
    if (IsSlider(control, option)) {
        const QStyleOptionSlider inset = InsetSlider(option);
        QProxyStyle::drawComplexControl(control, &inset, painter, widget);
        return;
    }
    if (control != CC_GroupBox || !HasTitle(option)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    // A plain line from the middle of the title down, with a gap where the
    // title goes. (Styles draw their own frame below the title, where it
    // cuts through controls placed high in the group.)
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    const QRect title = subControlRect(control, option, SC_GroupBoxLabel, widget);
    if (box->subControls & SC_GroupBoxFrame) {
        const QRectF frame = subControlRect(control, option, SC_GroupBoxFrame, widget);
        painter->save();
        painter->setClipRegion(QRegion(box->rect).subtracted(title.adjusted(-kTitleGap, 0, kTitleGap, 0)));
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(box->palette.color(QPalette::Window).darker(kFrameDarker));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), kFrameRadius, kFrameRadius);
        painter->restore();
    }
    if (box->subControls & SC_GroupBoxLabel)
        proxy()->drawItemText(painter, title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, box->palette,
                              box->state & State_Enabled, box->text, QPalette::WindowText);
}

QStyle::SubControl TFormStyle::hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                                     const QPoint& position, const QWidget* widget) const
{
    if (IsSlider(control, option)) {
        const QStyleOptionSlider inset = InsetSlider(option);
        return QProxyStyle::hitTestComplexControl(control, &inset, position, widget);
    }
    return QProxyStyle::hitTestComplexControl(control, option, position, widget);
}
