#include "settings/dialog/TCompactButtonStyle.h"

namespace {

constexpr int kCaptionGap = 3;

} // namespace

int TCompactButtonStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                     const QWidget* widget) const
{
    if (metric == PM_RadioButtonLabelSpacing || metric == PM_CheckBoxLabelSpacing)
        return kCaptionGap;
    return QProxyStyle::pixelMetric(metric, option, widget);
}
