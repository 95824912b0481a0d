#include "style/StyleHelpers.h"
#include "style/StyleProperties.h"

#include <QPainter>
#include <QPixmap>
#include <QStyleOption>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdint>

namespace Nuvra {
namespace Style {

QString shapeOf(const QWidget* w)
{
    return w ? w->property(nuvraShapeProperty).toString() : QString();
}

bool flagOf(const QWidget* w, const char* name)
{
    return w && w->property(name).toBool();
}

const QWidget* parentOf(const QWidget* w)
{
    return w ? w->parentWidget() : nullptr;
}

QRect corners(int left, int top, int right, int bottom)
{
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

PainterIsolation::PainterIsolation(QPainter* painter, bool useSave)
    : m_painter(painter)
    , m_useSave(useSave)
{
    if (!m_painter)
        return;
    if (m_useSave) {
        m_painter->save();
        return;
    }
    m_pen = m_painter->pen();
    m_brush = m_painter->brush();
    m_hadClipping = m_painter->hasClipping();
    if (m_hadClipping)
        m_clip = m_painter->clipRegion();
}

PainterIsolation::~PainterIsolation()
{
    if (!m_painter)
        return;
    if (m_useSave) {
        m_painter->restore();
        return;
    }
    m_painter->setPen(m_pen);
    m_painter->setBrush(m_brush);
    if (m_hadClipping)
        m_painter->setClipRegion(m_clip, Qt::ReplaceClip);
    else
        m_painter->setClipping(false);
}

QColor mergedColors(const QColor& a, const QColor& b, int factor)
{
    const auto mix = [factor](int x, int y) { return (x * factor + y * (100 - factor)) / 100; };
    QColor c = a;
    c.setRgb(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()), a.alpha());
    return c;
}

QString uniqueName(const QString& key, const QStyleOption* option, const QSize& size)
{
    int subControls = 0;
    if (const auto* complex = qstyleoption_cast<const QStyleOptionComplex*>(option))
        subControls = static_cast<int>(complex->activeSubControls);
    return QString::asprintf("%s-%d-%d-%d-%lld-%dx%d", key.toLatin1().constData(),
                             option ? static_cast<int>(option->state) : 0,
                             option ? static_cast<int>(option->direction) : 0, subControls,
                             option ? static_cast<long long>(option->palette.cacheKey()) : 0LL, size.width(),
                             size.height());
}

void DrawArrow(QPainter* painter, QPoint point, int count, int distance, eArrowDirection direction)
{
    if (!painter || count < 1)
        return;
    // Unit step along the arrow's direction; lines run across it.
    static const QPoint kAlong[] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
    const QPoint along = kAlong[static_cast<int>(direction) & 3];
    const QPoint across(along.y(), along.x());
    const QPoint tip = point + along * distance;
    for (int i = 0; i < count; ++i) {
        const QPoint centre = tip - along * i;
        painter->drawLine(centre - across * i, centre + across * i);
    }
}

QIcon tintedIcon(const QIcon& icon, std::initializer_list<std::pair<QIcon::Mode, QColor>> tints)
{
    QIcon tinted;
    for (const QSize& size : icon.availableSizes()) {
        const QPixmap shape = icon.pixmap(size);
        for (const auto& tint : tints) {
            QPixmap pixmap = shape;
            QPainter p(&pixmap);
            p.setCompositionMode(QPainter::CompositionMode_SourceIn);
            p.fillRect(pixmap.rect(), tint.second);
            p.end();
            tinted.addPixmap(pixmap, tint.first);
        }
    }
    return tinted.isNull() ? icon : tinted;
}

QWindow* qt_getWindow(const QWidget* widget)
{
    return widget ? widget->window()->windowHandle() : nullptr;
}

int sliderPositionFromValue64(int minimum, int maximum, int value, int span, bool upsideDown)
{
    if (span <= 0 || maximum <= minimum)
        return 0;
    value = std::clamp(value, minimum, maximum);
    const std::uint64_t range = std::uint64_t(std::int64_t(maximum) - minimum);
    const std::uint64_t p = upsideDown ? std::uint64_t(std::int64_t(maximum) - value)
                                       : std::uint64_t(std::int64_t(value) - minimum);
    return static_cast<int>((p * std::uint64_t(span) + range / 2) / range);
}

} // namespace Style
} // namespace Nuvra
