#pragma once
#include <QProxyStyle>

// The platform's style with the narrow gap between a check box or radio
// button and its caption that the form's widths were laid out for.
class TCompactButtonStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
};
