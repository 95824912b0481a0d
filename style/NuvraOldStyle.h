#pragma once

#include <QProxyStyle>

class QPixmap;

namespace Nuvra {
namespace Style {

// The legacy look: Qt's platform style, except for horizontal sliders, which
// are painted from the small images under ":/OldStyle/skin/" and measured by
// their sizes. It has no palettes and no scale of its own.
class NuvraOldStyle : public QProxyStyle {
public:
    NuvraOldStyle();
    ~NuvraOldStyle() override;

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* opt, QPainter* p,
                            const QWidget* widget = nullptr) const override;
    SubControl hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* opt, const QPoint& pos,
                                     const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* opt, SubControl sc,
                         const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* opt = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* opt, const QSize& contentsSize,
                           const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* opt = nullptr, const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;

    // The image at name, relative to the resource folder ("skin/slider_brush.png"),
    // through the global pixmap cache under that relative name.
    virtual bool getPixmap(const char* name, QPixmap& pixmap) const;
    // The resource folder, ":/OldStyle/".
    virtual QString prefix() const;
};

} // namespace Style
} // namespace Nuvra
