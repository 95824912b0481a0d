// Metrics and layout of NuvraStyle. Until the style measures a piece itself,
// QCommonStyle's measure stands.
#include "style/NuvraStyle.h"

namespace Nuvra {
namespace Style {

void NuvraStyle::drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal, bool enabled,
                              const QString& text, QPalette::ColorRole textRole) const
{
    QCommonStyle::drawItemText(painter, rect, flags, pal, enabled, text, textRole);
}

QRect NuvraStyle::subElementRect(SubElement r, const QStyleOption* opt, const QWidget* widget) const
{
    return QCommonStyle::subElementRect(r, opt, widget);
}

QStyle::SubControl NuvraStyle::hitTestComplexControl(ComplexControl cc, const QStyleOptionComplex* opt,
                                                     const QPoint& pt, const QWidget* w) const
{
    return QCommonStyle::hitTestComplexControl(cc, opt, pt, w);
}

QRect NuvraStyle::subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                                 const QWidget* w) const
{
    return QCommonStyle::subControlRect(cc, opt, sc, w);
}

int NuvraStyle::pixelMetric(PixelMetric m, const QStyleOption* opt, const QWidget* widget) const
{
    return QCommonStyle::pixelMetric(m, opt, widget);
}

QSize NuvraStyle::sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& contentsSize,
                                   const QWidget* widget) const
{
    return QCommonStyle::sizeFromContents(ct, opt, contentsSize, widget);
}

int NuvraStyle::styleHint(StyleHint sh, const QStyleOption* opt, const QWidget* w, QStyleHintReturn* shret) const
{
    return QCommonStyle::styleHint(sh, opt, w, shret);
}

QPixmap NuvraStyle::standardPixmap(StandardPixmap sp, const QStyleOption* opt, const QWidget* widget) const
{
    return QCommonStyle::standardPixmap(sp, opt, widget);
}

QIcon NuvraStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption* option, const QWidget* widget) const
{
    return QCommonStyle::standardIcon(standardIcon, option, widget);
}

int NuvraStyle::layoutSpacing(QSizePolicy::ControlType control1, QSizePolicy::ControlType control2,
                              Qt::Orientation orientation, const QStyleOption* option, const QWidget* widget) const
{
    return QCommonStyle::layoutSpacing(control1, control2, orientation, option, widget);
}

} // namespace Style
} // namespace Nuvra
