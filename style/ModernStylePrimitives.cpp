// Primitive elements of the flat style, and its rounded shaded panel;
// NuvraStyle paints the elements not handled here.
#include "style/ModernStyle.h"

#include "style/Palette.h"
#include "style/StyleHelpers.h"
#include "style/StyleManager.h"
#include "style/StyleOptions.h"
#include "style/StyleProperties.h"

#include <QApplication>
#include <QFrame>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOption>
#include <QTabBar>
#include <QWidget>
#include <qdrawutil.h>

namespace Nuvra {
namespace Style {

namespace {

int shadowOf(QStyle::State state)
{
    if (state & QStyle::State_Sunken)
        return QFrame::Sunken;
    if (state & QStyle::State_Raised)
        return QFrame::Raised;
    return QFrame::Plain;
}

QPen linePen(const QColor& c, double width)
{
    return QPen(QBrush(c), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

} // namespace

void qDrawStylePanel(QPainter* p, const QRect& r, const QPalette& pal, int shadow, int lineWidth, double radius,
                     const QBrush* fill)
{
    if (!p || r.width() == 0 || r.height() == 0)
        return;
    if (radius == 0) {
        if (shadow == QFrame::Plain)
            qDrawPlainRect(p, r, pal.color(QPalette::Midlight), lineWidth, fill);
        else
            qDrawShadePanel(p, r, pal, shadow == QFrame::Sunken, lineWidth, fill);
        return;
    }
    if (r.width() < 0 || r.height() < 0 || lineWidth < 0) {
        qWarning("qDrawStylePanel: Invalid parameters");
        // A negative pen width is undefined: draw hairlines.
        lineWidth = std::max(lineWidth, 0);
    }

    double left = r.left();
    double top = r.top();
    double width = r.width();
    double height = r.height();
    const double d = p->device() ? p->device()->devicePixelRatioF() : 1.0;
    const bool rescaled = !qFuzzyCompare(d, 1.0);
    if (rescaled) {
        p->save();
        p->scale(1 / d, 1 / d);
        left *= d;
        top *= d;
        width *= d;
        height *= d;
        lineWidth = qRound(lineWidth * d);
    }

    const QPen pen = p->pen();
    const QBrush brush = p->brush();
    const bool antialiased = p->testRenderHint(QPainter::Antialiasing);
    p->setRenderHint(QPainter::Antialiasing, true);

    const double lw = lineWidth;
    const double X = left + lw / 2;
    const double Y = top + lw / 2;
    const double W = width - lw;
    const double H = height - lw;
    const double R = radius;
    const int Ri = static_cast<int>(radius);

    if (shadow == QFrame::Plain) {
        p->setBrush(fill ? *fill : QBrush(Qt::NoBrush));
        p->setPen(linePen(pal.color(QPalette::Midlight), lw));
        p->drawRoundedRect(QRectF(X, Y, W, H), R, R);
    } else {
        const bool sunken = shadow == QFrame::Sunken;
        const QColor c1 = pal.color(sunken ? QPalette::Dark : QPalette::Light);
        const QColor c2 = pal.color(sunken ? QPalette::Light : QPalette::Dark);
        if (fill) {
            p->setPen(QPen());
            p->setBrush(*fill);
            p->drawRoundedRect(QRectF(X, Y, W, H), R, R);
        }
        p->setBrush(Qt::NoBrush);
        p->setPen(linePen(c1, lw));
        p->drawLine(QPointF(X + Ri, Y), QPointF(X + W - Ri, Y));
        p->drawLine(QPointF(X, Y + Ri), QPointF(X, Y + H - Ri));
        p->drawArc(QRectF(X, Y, 2 * R, 2 * R), 90 * 16, 90 * 16);
        p->setPen(linePen(c2, lw));
        p->drawLine(QPointF(X + Ri, Y + H), QPointF(X + W - Ri, Y + H));
        p->drawLine(QPointF(X + W, Y + Ri), QPointF(X + W, Y + H - Ri));
        p->drawArc(QRectF(X + W - 2 * R, Y + H - 2 * R, 2 * R, 2 * R), -90 * 16, 90 * 16);

        const auto gradientPen = [&](QPointF from, QPointF to) {
            QLinearGradient g(from, to);
            g.setColorAt(0, c1);
            g.setColorAt(1, c2);
            return QPen(QBrush(g), lw, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        };
        p->setPen(gradientPen(QPointF(X + W - Ri, Y), QPointF(X + W, Y + Ri)));
        p->drawArc(QRectF(X + W - 2 * R, Y, 2 * R, 2 * R), 0, 90 * 16);
        p->setPen(gradientPen(QPointF(X, Y + H - Ri), QPointF(X + Ri, Y + H)));
        p->drawArc(QRectF(X, Y + H - 2 * R, 2 * R, 2 * R), 180 * 16, 90 * 16);
    }

    p->setRenderHint(QPainter::Antialiasing, antialiased);
    p->setPen(pen);
    p->setBrush(brush);
    if (rescaled)
        p->restore();
}

namespace {

bool isStandardTab(QTabBar::Shape shape)
{
    return shape >= QTabBar::RoundedNorth && shape <= QTabBar::TriangularEast;
}

void drawTabWidgetFrame(const QStyleOptionTabWidgetFrame* frame, QPainter* p, const QWidget* w)
{
    const QPalette& pal = frame->palette;
    const PainterIsolation keep(p, true);
    QRect r = frame->rect;
    if (w) {
        const QMargins m = w->contentsMargins();
        r.adjust(m.left(), m.top(), -m.right(), -m.bottom());
    }
    p->fillRect(r, pal.brush(QPalette::Window));
    p->setPen(pal.color(QPalette::Midlight));
    p->setBackground(pal.brush(QPalette::Window));

    const QTabBar::Shape shape = frame->shape;
    const bool south = shape == QTabBar::RoundedSouth || shape == QTabBar::TriangularSouth;
    const bool west = shape == QTabBar::RoundedWest || shape == QTabBar::TriangularWest;
    const bool east = shape == QTabBar::RoundedEast || shape == QTabBar::TriangularEast;
    if (south)
        r.setBottom(r.bottom() - 1);
    else if (west)
        r.setLeft(r.left() + 1);
    else if (east)
        r.setRight(r.right() - 1);

    const QString s = shapeOf(w);
    if (s == QLatin1String(nuvraShapeBorderNone) || s == QLatin1String(nuvraShapeScrollOver)) {
        if (south)
            p->drawLine(r.bottomLeft(), r.bottomRight());
        else if (west)
            p->drawLine(r.topLeft(), r.bottomLeft());
        else if (east)
            p->drawLine(r.topRight(), r.bottomRight());
        else
            p->drawLine(r.topLeft(), r.topRight());
        return;
    }
    if (s == QLatin1String(nuvraShapeBorderOver) && shape == QTabBar::TriangularNorth) {
        p->setClipRect(r, Qt::ReplaceClip);
        r.adjust(-1, 0, 1, 0);
    }
    if (flagOf(w, "rawDialogTabs")) {
        p->drawLine(r.topLeft(), r.topRight());
        p->drawLine(r.bottomLeft(), r.bottomRight());
    } else if (flagOf(w, "rawDialogTabsIns")) {
        p->drawLine(r.topLeft(), r.topRight());
    } else if (flagOf(w, "offsetLeftTabBorder")) {
        p->drawRect(corners(r.left() - 1, r.top(), r.right() - 1, r.bottom() - 1));
    } else {
        p->drawRect(corners(r.left(), r.top(), r.right() - 1, r.bottom() - 1));
    }
}

} // namespace

void ModernStyle::drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const
{
    if (!opt || !p)
        return;
    const QPalette& pal = opt->palette;
    const QRect& r = opt->rect;
    const auto ext = [this](Skin::ColorId id, const QColor& fallback = QColor(Qt::black)) {
        return extendedPalette()->getColor(id, fallback);
    };
    const auto restoreAntialiasing = [p](bool on) { p->setRenderHint(QPainter::Antialiasing, on); };

    switch (int(pe)) {
    case PE_Frame: {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt);
        if (!frame || frame->version < 3 || frame->lineWidth < 1)
            return;
        const int lw = qRound(dpiScaled(frame->lineWidth));
        const QString s = shapeOf(w);
        if (s == QLatin1String(nuvraShapeRoundBox) || s == QLatin1String(nuvraShapeRoundFill) ||
            s == QLatin1String(nuvraShapeRoundFillBox)) {
            const QBrush midlight = pal.brush(QPalette::Midlight);
            const QBrush window = pal.brush(QPalette::Window);
            const QBrush* fill = s == QLatin1String(nuvraShapeRoundFill)      ? &midlight
                                 : s == QLatin1String(nuvraShapeRoundFillBox) ? &window
                                                                              : nullptr;
            qDrawStylePanel(p, r, pal, shadowOf(opt->state), lw, qRound(dpiScaled(6)), fill);
        } else {
            qDrawPlainRect(p, r, pal.color(QPalette::Midlight), lw, nullptr);
        }
        return;
    }
    case PE_FrameDockWidget: {
        const PainterIsolation keep(p);
        p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
        p->drawRect(corners(r.left() + 1, r.top() + 1, r.right() - 2, r.bottom() - 2));
        return;
    }
    case PE_FrameLineEdit: {
        if (!flagOf(w, "qlineEditModernStyle"))
            break;
        if (!qstyleoption_cast<const QStyleOptionFrame*>(opt))
            return;
        const PainterIsolation keep(p);
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(ext(Skin::ComboBoxFrameColor));
        p->setBrush(pal.brush(QPalette::Base));
        p->drawRoundedRect(QRectF(r), 4, 4);
        p->setRenderHint(QPainter::Antialiasing, false);
        return;
    }
    case PE_FrameMenu: {
        const PainterIsolation keep(p);
        p->setPen(pal.color(QPalette::Midlight));
        p->drawRect(corners(r.left(), r.top(), r.right() - 1, r.bottom() - 1));
        return;
    }
    case PE_FrameTabWidget: {
        const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(opt);
        if (!frame || frame->version < 2)
            return;
        if (!isStandardTab(frame->shape)) {
            const PainterIsolation keep(p, true);
            QCommonStyle::drawPrimitive(pe, opt, p, w);
            return;
        }
        drawTabWidgetFrame(frame, p, w);
        return;
    }
    case PE_PanelButtonCommand: {
        if (!qstyleoption_cast<const QStyleOptionButton*>(opt))
            return;
        QColor fillColour;
        QColor border;
        const QStyle::State st = opt->state;
        if (!(st & State_Enabled)) {
            fillColour = ext(Skin::ButtonNormalColor).lighter(100);
            border = ext(Skin::ComboBoxFrameColor).lighter(100);
        } else if (st & State_MouseOver) {
            fillColour = border = ext(Skin::ButtonHoveredColor);
        } else if (st & State_On) {
            fillColour = border = ext(Skin::ButtonCheckedColor);
        } else if (st & State_Sunken) {
            fillColour = border = ext(Skin::ButtonClickedColor);
        } else {
            fillColour = ext(Skin::ButtonNormalColor);
            border = ext(Skin::ComboBoxFrameColor);
        }
        const PainterIsolation keep(p);
        const int lw = qRound(dpiScaled(1));
        const double rad = dpiScaled(4);
        const bool antialiased = p->testRenderHint(QPainter::Antialiasing);
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(linePen(border, lw));
        p->setBrush(fillColour);
        p->drawRoundedRect(QRectF(r.left() + 0.5 * lw, r.top() + 0.5 * lw, r.width() - lw, r.height() - lw), rad, rad);
        restoreAntialiasing(antialiased);
        return;
    }
    case PE_PanelButtonTool: {
        QString s = shapeOf(w);
        if (s.isEmpty() && w)
            s = shapeOf(w->parentWidget());
        const QStyle::State st = opt->state;
        const QColor highlight = ext(Skin::ToolButtonHighlight, pal.color(QPalette::Dark));
        if (s == QLatin1String(nuvraShapeToolBtn) || s == QLatin1String(nuvraShapeNone)) {
            const PainterIsolation keep(p);
            p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
            int f = (st & State_On) ? 80 : 100;
            if (st & State_Sunken)
                f -= 15;
            if (st & State_MouseOver)
                f -= 10;
            p->setBrush(mergedColors(ext(Skin::ButtonNormalColor), highlight, f));
            const int lw = static_cast<int>(dpiScaled(1));
            p->drawRect(corners(r.left() + lw, r.top() + lw, r.right() - lw - 1, r.bottom() - lw - 1));
            return;
        }
        if ((st & State_On) || ((st & State_MouseOver) && (st & State_Enabled))) {
            const PainterIsolation keep(p);
            const QColor edge = ext(Skin::TooLButtonBorder, pal.color(QPalette::Dark));
            const int lw = static_cast<int>(dpiScaled(1));
            const QRectF innerRect(r.left() + lw, r.top() + lw, r.width() - 2 * lw - 1, r.height() - 2 * lw - 1);
            p->setRenderHint(QPainter::Antialiasing, true);
            if (st & State_On) {
                p->setPen(edge);
                p->setBrush(highlight);
                QPainterPath outer;
                outer.addRoundedRect(QRectF(r), 4, 4);
                p->fillPath(outer, edge);
                p->drawPath(outer);
                p->drawRoundedRect(innerRect, 4, 4);
            }
            p->setPen(highlight);
            p->setBrush(highlight);
            p->drawRoundedRect(innerRect, 4, 4);
            p->setRenderHint(QPainter::Antialiasing, false);
        } else {
            p->fillRect(r, ext(Skin::ButtonNormalColor));
        }
        if (s == QLatin1String(nuvraShapeTool) || s == QLatin1String(nuvraShapeToolBar) || (st & State_On) ||
            (st & State_AutoRaise))
            return;
        const PainterIsolation keep(p);
        QPen pen(pal.color((st & State_Enabled) ? QPalette::Active : QPalette::Disabled, QPalette::Midlight));
        const int fw = pixelMetric(PM_DefaultFrameWidth, opt, w);
        if (fw > 1) {
            pen.setWidth(fw / 2);
            pen.setJoinStyle(Qt::MiterJoin);
        }
        p->setPen(pen);
        p->setBrush(Qt::NoBrush);
        p->drawRect(corners(r.left() + fw / 4, r.top() + fw / 4, r.right() - (fw / 2 + 1) / 2,
                            r.bottom() - (fw / 2 + 1) / 2));
        return;
    }
    case PE_IndicatorToolBarHandle:
        // Not isolated: the pen stays on the painter.
        p->setPen(Skin::getColor(Skin::ActiveTabHeaderColor, QColor(Qt::black)));
        if (opt->state & State_Horizontal)
            p->drawLine(r.topRight(), r.bottomRight());
        else
            p->drawLine(r.bottomLeft(), r.bottomRight());
        return;
    case PE_IndicatorToolBarSeparator: {
        const PainterIsolation keep(p);
        if (opt->state & State_Horizontal) {
            p->setPen(ext(Skin::MenuAndComboboxSplittersColor));
            p->drawLine(r.left(), r.top() + 1, r.left(), r.bottom() - 2);
            p->setPen(pal.color(QPalette::Base));
            p->drawLine(r.right(), r.top() + 1, r.right(), r.bottom() - 2);
        } else {
            p->setPen(ext(Skin::MenuAndComboboxSplittersColor));
            p->drawLine(r.left() + 1, r.top(), r.right() - 2, r.top());
            p->setPen(pal.color(QPalette::Base));
            p->drawLine(r.left() + 1, r.bottom(), r.right() - 2, r.bottom());
        }
        return;
    }
    case PE_PanelStatusBar: {
        const PainterIsolation keep(p);
        p->fillRect(r, QGuiApplication::palette().brush(QPalette::Window));
        p->setPen(ext(Skin::WindowBase));
        p->drawLine(r.topLeft(), r.topRight());
        return;
    }
    case PE_CustomBase + 1: {
        const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(opt);
        if (item && item->version >= 4)
            p->fillRect(r, Skin::getColor(Skin::BrushPresetUncheckedColor, QColor(Qt::black)));
        return;
    }
    case PE_CustomBase + 2: {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt);
        if (!frame || frame->version < 3)
            return;
        const PainterIsolation keep(p);
        const QColor c = ext(Skin::NotificationsNewsItemBackgroundColor);
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(c);
        p->setBrush(c);
        p->drawRoundedRect(r, 12, 12);
        p->setRenderHint(QPainter::Antialiasing, false);
        return;
    }
    case PE_CustomBase + 3: {
        if (!qstyleoption_cast<const QStyleOptionToolButton*>(opt))
            return;
        const PainterIsolation keep(p);
        p->setBrush(Qt::NoBrush);
        p->setPen(linePen(Skin::getColor(Skin::ComboBoxFrameColor, QColor(Qt::black)), 2.0));
        p->setRenderHint(QPainter::Antialiasing, true);
        p->drawRoundedRect(QRect(r.left() + 1, r.top() + 1, r.width() - 2, r.height() - 2), 4, 4);
        p->setRenderHint(QPainter::Antialiasing, false);
        return;
    }
    case PE_CustomBase + 4: {
        if (!qstyleoption_cast<const QStyleOptionToolButton*>(opt))
            return;
        QColor c = Skin::getColor(Skin::MenuItemHighlight, QColor(Qt::black));
        c.setAlpha(128);
        QPainterPath path;
        path.addRoundedRect(QRectF(r.left() + 2, r.top() + 2, r.width() - 4, r.height() - 4), 4, 4);
        p->fillPath(path, c);
        return;
    }
    case PE_CustomBase + 5: {
        const auto* button = qstyleoption_cast<const StyleOptionPolygon*>(opt);
        if (!button)
            return;
        const PainterIsolation keep(p);
        const QColor c = (opt->state & State_Enabled)
                             ? Skin::getColor(Skin::IndicatorArrowBase, pal.color(QPalette::Dark))
                             : Skin::getColor(Skin::IndicatorArrowDisabled, pal.color(QPalette::HighlightedText));
        p->setPen(c);
        p->setBrush(c);
        p->setRenderHint(QPainter::Antialiasing, true);
        const double S = StyleManager::StyleScale();
        const QRectF bounds = QPolygonF(button->polygon).boundingRect();
        const QStyle* current = QApplication::style();
        const QString name = current ? current->objectName() : objectName();
        PrintPixmapFromCache(p, QStringLiteral(":/Styles/") + name + QStringLiteral("/components/arrow_down-normal.svg"),
                             QPointF(bounds.left() + bounds.width() * 0.5 - 5 * S,
                                     bounds.top() + bounds.height() * 0.5 - 3 * S));
        p->setRenderHint(QPainter::Antialiasing, false);
        return;
    }
    case PE_CustomBase + 6: {
        const auto* frame = qstyleoption_cast<const StyleOptionFloatingFrame*>(opt);
        if (!frame || !IsModernStyle())
            return;
        const PainterIsolation keep(p);
        const bool antialiased = p->testRenderHint(QPainter::Antialiasing);
        const QColor window = pal.color(QPalette::Window);
        p->setPen(window);
        p->setBrush(window);
        p->setRenderHint(QPainter::Antialiasing, true);
        const int rad = qRound(8 * StyleManager::StyleScale());
        p->drawRoundedRect(QRectF(3, 3, frame->width + 1, frame->height + 1), rad, rad);
        p->setPen(Skin::getColor(Skin::FloatingDockFrameColor, QColor(Qt::black)));
        p->drawRoundedRect(QRectF(3.5, 3.5, frame->width + 1, frame->height + 1), rad, rad);
        restoreAntialiasing(antialiased);
        return;
    }
    default:
        break;
    }
    NuvraStyle::drawPrimitive(pe, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
