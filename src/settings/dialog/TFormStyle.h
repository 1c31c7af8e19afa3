#pragma once
#include <QProxyStyle>

// The platform's style with the spacings the form's geometry was laid out
// for: a narrow gap between a check box or radio button and its caption,
// group frames whose top line runs through the middle of their title (so
// controls placed just below the title sit inside the frame), and a slider
// whose groove keeps clear of the caption beside it.
class TFormStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     const QPoint& position, const QWidget* widget = nullptr) const override;
};
