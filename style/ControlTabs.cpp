// Tabs of NuvraStyle: the style's own shape for the triangular tab shapes,
// a label for every shape.
#include "style/ControlDrawing.h"

#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleHelpers.h"
#include "style/StyleProperties.h"

#include <QPainter>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>

namespace Nuvra {
namespace Style {
namespace Control {

namespace {

bool isTriangular(QTabBar::Shape shape)
{
    return shape == QTabBar::TriangularNorth || shape == QTabBar::TriangularSouth ||
           shape == QTabBar::TriangularWest || shape == QTabBar::TriangularEast;
}

bool isVertical(QTabBar::Shape shape)
{
    return shape == QTabBar::RoundedWest || shape == QTabBar::RoundedEast || shape == QTabBar::TriangularWest ||
           shape == QTabBar::TriangularEast;
}

void drawShapeThenLabel(const NuvraStyle* style, const QStyleOptionTab* opt, QPainter* p, const QWidget* w)
{
    style->drawControl(QStyle::CE_TabBarTabShape, opt, p, w);
    style->drawControl(QStyle::CE_TabBarTabLabel, opt, p, w);
}

} // namespace

void drawTab(const NuvraStyle* style, const QStyleOptionTab* opt, QPainter* p, const QWidget* w)
{
    if (!isTriangular(opt->shape) || !(opt->state & QStyle::State_Selected)) {
        drawShapeThenLabel(style, opt, p, w);
        return;
    }
    const PainterIsolation isolation(p, true);
    QFont bold = p->font();
    bold.setWeight(75);
    p->setFont(bold);
    const auto* bar = qobject_cast<const QTabBar*>(w);
    if (!bar) {
        drawShapeThenLabel(style, opt, p, w);
        return;
    }
    // The selected tab's text, elided for the bold font it is shown in.
    const int width = style->proxy()->subElementRect(QStyle::SE_TabBarTabText, opt, w).width();
    const QString text = QFontMetrics(bold).elidedText(bar->tabText(bar->currentIndex()), bar->elideMode(),
                                                       width, Qt::TextShowMnemonic);
    if (const auto* v4 = qstyleoption_cast<const QStyleOptionTabV4*>(opt)) {
        QStyleOptionTabV4 copy(*v4);
        copy.version = QStyleOptionTabV4::Version;
        copy.text = text;
        drawShapeThenLabel(style, &copy, p, w);
    } else {
        QStyleOptionTab copy(*opt);
        copy.version = QStyleOptionTab::Version;
        copy.text = text;
        drawShapeThenLabel(style, &copy, p, w);
    }
}

void drawTabShape(const NuvraStyle* style, const QStyleOptionTab* opt, QPainter* p, const QWidget* w)
{
    if (!isTriangular(opt->shape))
        return;
    const QPalette& pal = opt->palette;
    const ExtendedPalette* ext = style->extendedPalette();
    const QColor line = ext->getColor(Skin::TabLineHighlight, pal.color(QPalette::Dark));
    const QColor idleBorder = ext->getColor(Skin::TabLineShadow, pal.color(QPalette::Light));
    const QColor idleFill = ext->getColor(Skin::TabShadow, pal.color(QPalette::Mid));
    QColor activeFill = pal.color(QPalette::Window);
    const QVariant tabColour = w ? w->property(activeTabColorProperty) : QVariant();
    if (tabColour.isValid())
        activeFill = tabColour.value<QColor>();
    const QString shape = w ? w->property(nuvraShapeProperty).toString() : QString();
    const bool borderless =
        shape == QLatin1String(nuvraShapeBorderOver) || shape == QLatin1String(nuvraShapeBorderNone);
    const bool first = opt->position == QStyleOptionTab::Beginning || opt->position == QStyleOptionTab::OnlyOneTab;

    QRect r = opt->rect;
    const QTabWidget* tabs = qobject_cast<const QTabWidget*>(w);
    if (!tabs && w)
        tabs = qobject_cast<const QTabWidget*>(w->parentWidget());
    if (tabs) {
        const QMargins m = tabs->contentsMargins();
        if (first)
            r.setLeft(r.left() + m.left());
        r.setTop(r.top() + m.top());
    }
    if (opt->shape == QTabBar::TriangularNorth)
        r.setBottom(r.bottom() - 1);

    const PainterIsolation isolation(p);
    p->setClipRect(r, Qt::IntersectClip);
    QRect o;
    switch (opt->shape) {
    case QTabBar::TriangularNorth:
        o = corners(r.left() - (borderless && first ? 1 : 0), r.top(), r.right() - 1, r.bottom());
        break;
    case QTabBar::TriangularSouth:
        o = corners(r.left(), r.top() - 1, r.right() - 1, r.bottom() - 1);
        break;
    case QTabBar::TriangularWest:
        o = corners(r.left(), r.top(), r.right(), r.bottom() - 1);
        break;
    default:
        o = corners(r.left() - 1, r.top(), r.right() - 1, r.bottom() - 1);
        break;
    }
    const bool selected = opt->state & QStyle::State_Selected;
    p->setPen(selected ? line : idleBorder);
    p->setBrush(selected ? activeFill : idleFill);
    p->drawRect(o);
    if (selected)
        return;
    // The edge that faces the page.
    p->setPen(line);
    switch (opt->shape) {
    case QTabBar::TriangularNorth:
        p->drawLine(r.bottomLeft(), r.bottomRight());
        break;
    case QTabBar::TriangularSouth:
        p->drawLine(r.topLeft(), r.topRight());
        break;
    case QTabBar::TriangularWest:
        p->drawLine(r.topRight(), r.bottomRight());
        break;
    default:
        p->drawLine(r.topLeft(), r.bottomLeft());
        break;
    }
}

void drawTabLabel(const NuvraStyle* style, const QStyleOptionTab* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p, true);
    const QRect& r = opt->rect;
    if (isVertical(opt->shape)) {
        if (opt->shape == QTabBar::RoundedEast || opt->shape == QTabBar::TriangularEast) {
            p->translate(r.right() + 1, r.top());
            p->rotate(90);
        } else {
            p->translate(r.left(), r.bottom() + 1);
            p->rotate(-90);
        }
    }
    QRect textRect, iconRect;
    style->tabLayout(opt, w, &textRect, &iconRect);
    const bool enabled = opt->state & QStyle::State_Enabled;
    if (!opt->icon.isNull()) {
        const QPixmap pixmap = opt->icon.pixmap(opt->iconSize, enabled ? QIcon::Normal : QIcon::Disabled,
                                                (opt->state & QStyle::State_Selected) ? QIcon::On : QIcon::Off);
        p->drawPixmap(iconRect.topLeft(), pixmap);
    }
    int flags = Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextShowMnemonic;
    if (!style->proxy()->styleHint(QStyle::SH_UnderlineShortcut, opt, w))
        flags |= Qt::TextHideMnemonic;
    style->proxy()->drawItemText(p, textRect, flags, opt->palette, enabled, opt->text, QPalette::WindowText);
}

} // namespace Control
} // namespace Style
} // namespace Nuvra
