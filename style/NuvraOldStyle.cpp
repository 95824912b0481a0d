#include "style/NuvraOldStyle.h"

#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QSlider>
#include <QStyleOptionSlider>

// The images live in the style library's resource tree, which a static
// library must register itself; this style may be the first to need it.
static void registerOldStyleResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(style);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace Nuvra {
namespace Style {

namespace {

const char kBlue[] = "skin/slider_blue_brush.png";
const char kGrey[] = "skin/slider_grey_brush.png";
const char kLeftCap[] = "skin/slider_left_brush.png";
const char kRightCap[] = "skin/slider_right_brush.png";
const char kHandle[] = "skin/slider_brush.png";

const QStyleOptionSlider* sliderOption(const QStyleOption* opt)
{
    if (!opt || opt->version < 1 || opt->type != QStyleOption::SO_Slider)
        return nullptr;
    return static_cast<const QStyleOptionSlider*>(opt);
}

bool isValid(const QRect& r)
{
    return r.left() <= r.right() && r.top() <= r.bottom();
}

} // namespace

NuvraOldStyle::NuvraOldStyle()
{
    registerOldStyleResources();
    setObjectName(QStringLiteral("NuvraOldStyle"));
    setProperty("ResourcePath", QStringLiteral(":/OldStyle/"));
}

NuvraOldStyle::~NuvraOldStyle() = default;

QString NuvraOldStyle::prefix() const
{
    return property("ResourcePath").toString();
}

bool NuvraOldStyle::getPixmap(const char* name, QPixmap& pixmap) const
{
    const QString relative = QString::fromUtf8(name);
    if (QPixmapCache::find(relative, &pixmap))
        return true;
    if (pixmap.load(prefix() + relative) || pixmap.load(property("ResourcePath").toString() + relative)) {
        QPixmapCache::insert(relative, pixmap);
        return true;
    }
    return false;
}

void NuvraOldStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* opt, QPainter* p,
                                       const QWidget* widget) const
{
    if (control != CC_Slider) {
        QProxyStyle::drawComplexControl(control, opt, p, widget);
        return;
    }
    const QStyleOptionSlider* slider = sliderOption(opt);
    if (!slider || !p)
        return;
    const bool horizontal = slider->orientation == Qt::Horizontal;
    const QRect groove = subControlRect(CC_Slider, slider, SC_SliderGroove, widget);
    const QRect handle = subControlRect(CC_Slider, slider, SC_SliderHandle, widget);
    QPixmap image;

    if ((slider->subControls & SC_SliderGroove) && isValid(groove) && horizontal) {
        if (getPixmap(kBlue, image))
            p->drawPixmap(QRect(groove.left(), groove.top(), handle.left() - groove.left(), groove.height()), image);
        // The grey part runs from the handle to the groove's right end,
        // wherever the groove starts.
        if (getPixmap(kGrey, image))
            p->drawPixmap(QRect(handle.left(), handle.top(), groove.right() + 1 - handle.left(), groove.height()),
                          image);
        if (getPixmap(kLeftCap, image))
            p->drawPixmap(groove.left(), groove.top(), image);
        if (getPixmap(kRightCap, image))
            p->drawPixmap(groove.right() - 1, groove.top(), image);
    }
    if ((slider->subControls & SC_SliderTickmarks) && slider->tickPosition != QSlider::NoTicks) {
        QStyleOptionSlider ticks(*slider);
        ticks.subControls = SC_SliderTickmarks;
        QProxyStyle::drawComplexControl(CC_Slider, &ticks, p, widget);
    }
    if ((slider->subControls & SC_SliderHandle) && isValid(handle) && horizontal && getPixmap(kHandle, image))
        p->drawPixmap(handle.left(), handle.top(), image);
}

QStyle::SubControl NuvraOldStyle::hitTestComplexControl(ComplexControl control, const QStyleOptionComplex* opt,
                                                        const QPoint& pos, const QWidget* widget) const
{
    return QProxyStyle::hitTestComplexControl(control, opt, pos, widget);
}

QRect NuvraOldStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* opt, SubControl sc,
                                    const QWidget* widget) const
{
    return QProxyStyle::subControlRect(control, opt, sc, widget);
}

int NuvraOldStyle::pixelMetric(PixelMetric metric, const QStyleOption* opt, const QWidget* widget) const
{
    // Read from the files on every call: the metrics follow the images.
    const auto imageSize = [this](const char* name) { return QPixmap(prefix() + QString::fromUtf8(name)).size(); };
    const auto orBase = [&](int value) {
        return value == -1 ? QProxyStyle::pixelMetric(metric, opt, widget) : value;
    };
    switch (metric) {
    case PM_SliderThickness:
        return orBase(qMax(0, imageSize(kHandle).height()));
    case PM_SliderControlThickness:
        return orBase(qMax(0, imageSize(kGrey).height()));
    case PM_SliderLength:
        return orBase(qMax(0, imageSize(kHandle).width()));
    case PM_SliderTickmarkOffset:
        return sliderOption(opt) ? QProxyStyle::pixelMetric(metric, opt, widget) : 0;
    case PM_SliderSpaceAvailable: {
        const QStyleOptionSlider* slider = sliderOption(opt);
        if (!slider)
            return 0;
        const int length = slider->orientation == Qt::Horizontal ? slider->rect.width() : slider->rect.height();
        return orBase(length - qMax(0, imageSize(kHandle).width()));
    }
    default:
        return QProxyStyle::pixelMetric(metric, opt, widget);
    }
}

QSize NuvraOldStyle::sizeFromContents(ContentsType type, const QStyleOption* opt, const QSize& contentsSize,
                                      const QWidget* widget) const
{
    if (type != CT_Slider)
        return QProxyStyle::sizeFromContents(type, opt, contentsSize, widget);
    const QStyleOptionSlider* slider = sliderOption(opt);
    if (!slider)
        return contentsSize;
    int thickness = pixelMetric(PM_SliderThickness, slider, widget);
    const int offset = pixelMetric(PM_SliderTickmarkOffset, slider, widget);
    if (slider->tickPosition & QSlider::TicksAbove)
        thickness += offset;
    if (slider->tickPosition & QSlider::TicksBelow)
        thickness += offset;
    return slider->orientation == Qt::Horizontal ? QSize(contentsSize.width(), thickness)
                                                 : QSize(thickness, contentsSize.height());
}

int NuvraOldStyle::styleHint(StyleHint hint, const QStyleOption* opt, const QWidget* widget,
                             QStyleHintReturn* returnData) const
{
    if (hint == SH_Slider_AbsoluteSetButtons)
        return Qt::LeftButton;
    return QProxyStyle::styleHint(hint, opt, widget, returnData);
}

} // namespace Style
} // namespace Nuvra
