// Primitive elements of NuvraStyle: thin frames in palette colours, skin
// images for check boxes and radio buttons, cached arrow pixmaps. What the
// style does not draw itself QCommonStyle draws.
#include "style/NuvraStyle.h"

#include "style/OptionCopy.h"
#include "style/Palette.h"
#include "style/StyleHelpers.h"
#include "style/StyleManager.h"
#include "style/StyleOptions.h"
#include "style/StyleProperties.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QStyleOption>
#include <QTabBar>
#include <QWidget>
#include <qdrawutil.h>

#include <algorithm>
#include <cmath>

namespace Nuvra {
namespace Style {

namespace {

// Line width times scale, halves rounded up.
int scaledLineWidth(int lineWidth, double scale)
{
    return static_cast<int>(std::floor(lineWidth * scale + 0.5));
}

// The rectangle less one pixel at the right and bottom: what drawRect of a
// one-pixel pen covers exactly.
QRect inner(const QRect& r)
{
    return r.adjusted(0, 0, -1, -1);
}

QColor borderColor(const QStyleOption* opt, const QWidget* w)
{
    const QColor window = opt->palette.color(QPalette::Window);
    const QColor background = w ? w->palette().color(w->backgroundRole()) : window;
    return mergedColors(background, window.darker(178), 50);
}

QString skinName(const char* kind, const QStyleOption* opt, bool partialKind)
{
    const QStyle::State s = opt->state;
    const char* state = partialKind && (s & QStyle::State_NoChange) ? "partial"
                        : (s & QStyle::State_On)                   ? "checked"
                                                                    : "normal";
    const char* variant = !(s & QStyle::State_Enabled)     ? "-disabled"
                          : (s & QStyle::State_Sunken)     ? "-clicked"
                          : (s & QStyle::State_MouseOver)  ? "-hovered"
                                                           : "";
    return QStringLiteral("skin/%1-%2%3.svg").arg(QLatin1String(kind), QLatin1String(state), QLatin1String(variant));
}

void drawSkin(const NuvraStyle* style, const QString& name, const QStyleOption* opt, QPainter* p)
{
    QPixmap image;
    if (style->getPixmap(name.toUtf8().constData(), image))
        p->drawPixmap(opt->rect.topLeft(), image);
}

void drawArrow(const NuvraStyle* style, QStyle::PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
               const QWidget* w)
{
    const QRect& r = opt->rect;
    if (r.width() < 2 || r.height() < 2)
        return;
    const int size = std::min(r.width(), r.height());
    const QString shape = shapeOf(w);
    const bool tool = shape == QLatin1String(nuvraShapeToolBtn) || shape == QLatin1String(nuvraShapeTool);
    const QString key = QString::asprintf("%s-%s-%d-%d-%d-%lld%d", "$nuvra_ia", style->metaObject()->className(),
                                          static_cast<int>(opt->state), static_cast<int>(pe), size,
                                          static_cast<long long>(opt->palette.cacheKey()), tool ? 1 : 0);
    QPixmap arrow;
    if (!QPixmapCache::find(key, &arrow)) {
        const int side = size & ~1;
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        const int m = size / 2;
        const int f = size / 5;
        const int far = side - f;
        QPolygon triangle;
        switch (pe) {
        case QStyle::PE_IndicatorArrowDown:
            if (tool)
                triangle << QPoint(f, far) << QPoint(far, f) << QPoint(far, far);
            else
                triangle << QPoint(f, m) << QPoint(m, far) << QPoint(far, m);
            break;
        case QStyle::PE_IndicatorArrowLeft:
            triangle << QPoint(f, m) << QPoint(m, f) << QPoint(m, far);
            break;
        case QStyle::PE_IndicatorArrowRight:
            triangle << QPoint(far, m) << QPoint(m, f) << QPoint(m, far);
            break;
        default:
            triangle << QPoint(f, m) << QPoint(m, f) << QPoint(far, m);
            break;
        }
        const QRect box = triangle.boundingRect();
        const QPalette& pal = opt->palette;
        const ExtendedPalette* ext = style->extendedPalette();
        const bool enabled = opt->state & QStyle::State_Enabled;
        const bool lit = opt->state & (QStyle::State_Selected | QStyle::State_MouseOver);
        QColor colour = !enabled ? ext->getColor(Skin::IndicatorArrowDisabled, pal.color(QPalette::HighlightedText))
                        : lit    ? ext->getColor(Skin::IndicatorArrowHidhlight, pal.color(QPalette::HighlightedText))
                                 : ext->getColor(Skin::IndicatorArrowBase, pal.color(QPalette::Dark));
        QPainter painter(&image);
        painter.translate(m - (box.left() + box.right()) / 2 - 1, m - (box.top() + box.bottom()) / 2 - 1);
        painter.setPen(colour);
        painter.setBrush(colour);
        painter.drawPolygon(triangle, Qt::OddEvenFill);
        if (tool && enabled && !lit) {
            painter.setPen(ext->getColor(Skin::IndicatorArrowShadow, pal.color(QPalette::Dark)));
            painter.drawLine(triangle.point(0), triangle.point(1));
        }
        painter.end();
        arrow = QPixmap::fromImage(image);
        QPixmapCache::insert(key, arrow);
    }
    p->drawPixmap((r.width() - size) / 2 + r.left(), (r.height() - size) / 2 + r.top(), arrow);
}

void drawBranch(const QStyleOption* opt, QPainter* p, double scale, const QColor& branch)
{
    const QRect& r = opt->rect;
    const int x1 = r.left(), y1 = r.top(), x2 = r.right(), y2 = r.bottom();
    const int cx = x1 + (x2 - x1 + 1) / 2;
    const int cy = y1 + (y2 - y1 + 1) / 2;
    const QBrush dots(branch, Qt::Dense4Pattern);
    const auto line = [&](int ax, int ay, int bx, int by) {
        if (bx >= ax && by >= ay)
            p->fillRect(QRect(QPoint(ax, ay), QPoint(bx, by)), dots);
    };
    const QStyle::State s = opt->state;
    if (s & QStyle::State_Item) {
        if (opt->direction == Qt::RightToLeft)
            line(x1, cy, cx - 1, cy);
        else
            line(cx, cy, x2, cy);
    }
    if (s & QStyle::State_Sibling)
        line(cx, cy, cx, y2);
    if (s & (QStyle::State_Open | QStyle::State_Children | QStyle::State_Item | QStyle::State_Sibling))
        line(cx, y1, cx, cy - 1);
    if (s & QStyle::State_Children) {
        const int b = static_cast<int>(3 * scale);
        const int mx = (x1 + x2) / 2;
        const int my = (y1 + y2) / 2;
        p->setPen(branch);
        p->setBrush(opt->palette.brush(QPalette::Base));
        p->drawRect(QRect(QPoint(mx - b, my - b), QPoint(mx + b + 1, my + b + 1)));
        const int h = (b + 1) / 2;
        p->drawLine(mx + 1 - h, my + 1, mx + 1 + h, my + 1);
        if (!(s & QStyle::State_Open))
            p->drawLine(mx + 1, my + 1 - h, mx + 1, my + 1 + h);
    }
}

void drawMenuCheckMark(const QStyleOptionMenuItem* item, QPainter* p, const QWidget* w, double scale)
{
    if (!item->checked)
        return;
    const QRect& r = item->rect;
    const QPalette& pal = item->palette;
    if (qobject_cast<const QComboBox*>(w) || item->checkType == QStyleOptionMenuItem::Exclusive) {
        const int d = 2 * static_cast<int>(2 * scale);
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(Qt::NoPen);
        p->setBrush(pal.color((item->state & QStyle::State_MouseOver) ? QPalette::HighlightedText
                                                                      : QPalette::ButtonText));
        p->drawEllipse(QRectF(r.center().x() + 0.5 - d / 2.0, r.center().y() + 0.5 - d / 2.0, d, d));
        return;
    }
    p->setPen(pal.color((item->state & QStyle::State_On) ? QPalette::HighlightedText : QPalette::Text));
    const int k = std::min(static_cast<int>(7 * scale), r.width());
    const int x0 = r.left() + (r.width() - k) / 2 + 1;
    const int y0 = static_cast<int>(r.top() + (r.bottom() - r.top() - k + 1) / 2 + 3 * scale);
    const int stroke = static_cast<int>(2 * scale);
    const int j = k / 2;
    if (k > 1)
        for (int i = 0; i < j; ++i)
            p->drawLine(x0 + i, y0 + i, x0 + i, y0 + i + stroke);
    for (int i = j; i < k; ++i)
        p->drawLine(x0 + i, y0 + 2 * j - 2 - i, x0 + i, y0 + 2 * j - 2 - i + stroke);
}

void drawPanelButtonTool(const NuvraStyle* style, const QStyleOption* opt, QPainter* p, const QWidget* w)
{
    QString shape = shapeOf(w);
    if (shape.isEmpty() && w)
        shape = shapeOf(w->parentWidget());
    const QPalette& pal = opt->palette;
    const QStyle::State s = opt->state;
    const bool on = s & QStyle::State_On;
    const bool enabled = s & QStyle::State_Enabled;
    const int in = static_cast<int>(style->styleScale());
    const QRect& r = opt->rect;
    const QColor highlight = style->extendedPalette()->getColor(Skin::ToolButtonHighlight, pal.color(QPalette::Dark));
    const QRect insetRect = r.adjusted(in, in, -in - 1, -in - 1);

    if (shape == QLatin1String(nuvraShapeToolBtn) || shape == QLatin1String(nuvraShapeNone)) {
        const int f = (on ? 80 : 100) - ((s & QStyle::State_Sunken) ? 15 : 0) - ((s & QStyle::State_MouseOver) ? 10 : 0);
        p->setBrush(mergedColors(pal.color(QPalette::Window), highlight, f));
        p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
        p->drawRect(insetRect);
    } else if (on || ((s & QStyle::State_MouseOver) && enabled)) {
        p->fillRect(r, highlight);
        if (on) {
            QColor fill = mergedColors(pal.color(QPalette::Window), highlight, 85);
            fill.setAlphaF(enabled ? 0.5 : 1.0);
            p->setPen(mergedColors(pal.color(QPalette::Window), highlight, 40));
            p->setBrush(fill);
            p->drawRect(insetRect);
        }
    } else {
        p->fillRect(r, pal.color(QPalette::Window));
    }

    if (shape == QLatin1String(nuvraShapeTool) || shape == QLatin1String(nuvraShapeToolBar) || on ||
        (s & QStyle::State_AutoRaise))
        return;
    const int fw = style->pixelMetric(QStyle::PM_DefaultFrameWidth, opt, w);
    QPen pen(pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Midlight));
    if (fw > 1) {
        pen.setWidth(fw / 2);
        pen.setJoinStyle(Qt::MiterJoin);
    }
    p->setPen(pen);
    p->setBrush(Qt::NoBrush);
    p->drawRect(QRect(QPoint(r.left() + fw / 4, r.top() + fw / 4),
                      QPoint(r.right() - (fw / 2 + 1) / 2, r.bottom() - (fw / 2 + 1) / 2)));
}

// The grip image's colour table in the colours of the palette: entry 1 the
// border, 3 the light edge, 2 between them.
QImage gripImage(const char* name, const QStyleOption* opt, const QWidget* w)
{
    QImage image(StyleManager::realName(QString::fromLatin1(name)));
    if (image.isNull())
        image.load(QStringLiteral(":/Styles/NuvraStyle/") + QLatin1String(name));
    if (image.colorCount() >= 4) {
        QColor border = borderColor(opt, w);
        border.setAlpha(0xaa);
        const QColor light = opt->palette.color(QPalette::Light);
        image.setColor(1, border.rgba());
        image.setColor(2, mergedColors(border, light, 50).rgba());
        image.setColor(3, light.rgba());
    }
    return image;
}

// Whole copies of the grip down a horizontal tool bar's handle or across a
// vertical one's, the run centred along it, set in across it.
void drawToolBarHandle(const QStyleOption* opt, QPainter* p, const QWidget* w)
{
    const QRect& r = opt->rect;
    if (r.isEmpty())
        return;
    const QImage grip = gripImage("skin/toolbar-handle.png", opt, w);
    QImage panel(r.size(), QImage::Format_ARGB32_Premultiplied);
    panel.fill(Qt::transparent);
    QPainter painter(&panel);
    painter.fillRect(panel.rect(), w ? opt->palette.color(w->backgroundRole()) : opt->palette.color(QPalette::Window));
    if (!grip.isNull()) {
        const int across = shapeOf(w) == QLatin1String(nuvraShapeToolBar) ? 1 : 3;
        if (opt->state & QStyle::State_Horizontal) {
            const int n = r.height() / grip.height();
            const int start = (r.height() - n * grip.height()) / 2;
            for (int i = 0; i < n; ++i)
                painter.drawImage(across, start + i * grip.height(), grip);
        } else {
            const int n = r.width() / grip.width();
            const int start = (r.width() - n * grip.width()) / 2;
            for (int i = 0; i < n; ++i)
                painter.drawImage(start + i * grip.width(), across, grip);
        }
    }
    painter.end();
    p->drawImage(r.topLeft(), panel);
}

void drawTabWidgetFrame(const NuvraStyle* style, const QStyleOptionTabWidgetFrame* frame, QPainter* p,
                        const QWidget* w)
{
    const PainterIsolation keep(p, true);
    QRect r = frame->rect;
    if (w)
        r = r.marginsRemoved(w->contentsMargins());
    p->fillRect(r, frame->palette.color(QPalette::Window));
    p->setPen(style->extendedPalette()->getColor(Skin::TabLineHighlight, frame->palette.color(QPalette::Dark)));
    p->setBrush(Qt::NoBrush);
    const QTabBar::Shape shape = frame->shape;
    if (shape == QTabBar::TriangularSouth)
        r.setBottom(r.bottom() - 1);
    else if (shape == QTabBar::TriangularWest)
        r.setLeft(r.left() + 1);
    else if (shape == QTabBar::TriangularEast)
        r.setRight(r.right() - 1);
    const QString look = shapeOf(w);
    if (look == QLatin1String(nuvraShapeBorderNone) || look == QLatin1String(nuvraShapeScrollOver)) {
        switch (shape) {
        case QTabBar::TriangularSouth: p->drawLine(r.bottomLeft(), r.bottomRight()); break;
        case QTabBar::TriangularWest: p->drawLine(r.topLeft(), r.bottomLeft()); break;
        case QTabBar::TriangularEast: p->drawLine(r.topRight(), r.bottomRight()); break;
        default: p->drawLine(r.topLeft(), r.topRight()); break;
        }
        return;
    }
    QRect o = inner(r);
    if (look == QLatin1String(nuvraShapeBorderOver) && shape == QTabBar::TriangularNorth) {
        // Only the top and bottom edges show.
        p->setClipRect(r, Qt::IntersectClip);
        o.adjust(-1, 0, 1, 0);
    }
    p->drawRect(o);
}

void drawWindowFrame(const NuvraStyle* style, const QStyleOption* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation keep(p);
    QPalette pal = opt->palette;
    const bool active = opt->state & QStyle::State_Active;
    if (!active)
        pal.setCurrentColorGroup(QPalette::Disabled);
    const QRect& r = opt->rect;
    const int x1 = r.left(), x2 = r.right(), y2 = r.bottom();
    const int t = r.top() + style->pixelMetric(QStyle::PM_TitleBarHeight, opt, w);
    const QColor highlight = pal.color(QPalette::Highlight);
    const QColor window = pal.color(QPalette::Window);
    p->setPen(mergedColors(highlight, Qt::black, 50));
    p->drawLine(x1 + 1, y2, x2 - 1, y2);
    p->drawLine(x1, t, x1, y2 - 1);
    p->drawLine(x2, t, x2, y2 - 1);
    p->drawPoint(x1 + 1, y2 - 1);
    p->drawPoint(x2 - 1, y2 - 1);
    p->setPen(mergedColors(highlight, window, 55));
    p->drawPoint(x1 + 2, y2 - 1);
    p->drawPoint(x1 + 1, y2 - 2);
    p->drawPoint(x2 - 2, y2 - 1);
    p->drawPoint(x2 - 1, y2 - 2);
    p->setPen(active ? mergedColors(highlight, window, 50) : window.darker(120));
    p->drawLine(x1 + 1, t, x1 + 1, y2 - 2);
    // The inner right edge and bottom stop short of the corner points.
    p->setPen(active ? mergedColors(highlight, window, 57) : window.darker(130));
    p->drawLine(x2 - 1, t, x2 - 1, y2 - 3);
    p->drawLine(x1 + 3, y2 - 1, x2 - 3, y2 - 1);
}

} // namespace

void drawToolBarHandleImage(QPainter* painter, const QStyleOption* option, const QRect& r,
                            Qt::Orientation orientation, const QWidget* widget)
{
    if (!painter || !option)
        return;
    const QImage image = gripImage("skin/toolbar-handle-simple.png", option, widget);
    if (image.isNull())
        return;
    if (orientation == Qt::Vertical) {
        const int pitch = image.width() + 2;
        const int n = r.width() / pitch;
        for (int i = 0; i < n; ++i)
            painter->drawImage(r.left() + i * pitch, r.top(), image);
    } else {
        const int pitch = image.height() + 2;
        const int n = r.height() / pitch;
        for (int i = 0; i < n; ++i)
            painter->drawImage(r.left(), r.top() + i * pitch, image);
    }
}

void NuvraStyle::drawPrimitive(PrimitiveElement pe, const QStyleOption* option, QPainter* p, const QWidget* w) const
{
    if (!option || !p)
        return;
    // A fake-disabled widget is painted as enabled, from a copy: the caller's
    // option stays as it was given.
    const std::shared_ptr<QStyleOption> enabled = fakeEnabledCopy(option, w);
    const QStyleOption* opt = enabled ? enabled.get() : option;
    const QPalette& pal = opt->palette;
    const QRect& r = opt->rect;

    if (pe >= PE_CustomBase + 1 && pe <= PE_CustomBase + 6) {
        const PainterIsolation keep(p);
        switch (pe - PE_CustomBase) {
        case 1:
            if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(opt))
                p->fillRect(r, pal.brush((item->state & State_Enabled) ? QPalette::Active : QPalette::Disabled,
                                         QPalette::Base));
            break;
        case 2:
            if (qstyleoption_cast<const QStyleOptionFrame*>(opt)) {
                const QColor c = extendedPalette()->getColor(Skin::NotificationsNewsItemBackgroundColor, Qt::black);
                p->fillRect(r, c);
                p->setPen(c);
                p->setBrush(Qt::NoBrush);
                p->drawRect(inner(r));
            }
            break;
        case 3:
            if (qstyleoption_cast<const QStyleOptionToolButton*>(opt)) {
                p->setBrush(Qt::NoBrush);
                p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
                p->drawRect(inner(r));
            }
            break;
        case 4:
            if (qstyleoption_cast<const QStyleOptionToolButton*>(opt)) {
                QColor c = Skin::getColor(Skin::MenuItemHighlight, QColor(Qt::black));
                c.setAlpha(128);
                p->fillRect(r, c);
            }
            break;
        case 5:
            if (const auto* button = qstyleoption_cast<const StyleOptionPolygon*>(opt)) {
                if (button->polygon.isEmpty())
                    break;
                const bool on = button->state & State_Enabled;
                const QColor c = on ? Skin::getColor(Skin::IndicatorArrowBase, pal.color(QPalette::Dark))
                                    : Skin::getColor(Skin::IndicatorArrowDisabled, pal.color(QPalette::HighlightedText));
                p->setPen(c);
                p->setBrush(c);
                p->drawPolygon(button->polygon);
                if (on && button->polygon.size() > 1) {
                    p->setPen(Skin::getColor(Skin::IndicatorArrowShadow, pal.color(QPalette::Dark)));
                    p->drawLine(button->polygon.point(0), button->polygon.point(1));
                }
            }
            break;
        default:
            break;
        }
        return;
    }

    switch (pe) {
    case PE_Frame:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt)) {
            if (frame->lineWidth > 0) {
                const PainterIsolation keep(p);
                qDrawPlainRect(p, r, pal.color(QPalette::Midlight), scaledLineWidth(frame->lineWidth, scale), nullptr);
            }
        }
        return;
    case PE_FrameDefaultButton:
    case PE_FrameFocusRect:
    case PE_FrameTabBarBase:
    case PE_PanelMenuBar:
        return;
    case PE_FrameDockWidget: {
        const PainterIsolation keep(p);
        p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
        p->setBrush(Qt::NoBrush);
        p->drawRect(QRect(QPoint(r.left() + 1, r.top() + 1), QPoint(r.right() - 2, r.bottom() - 2)));
        return;
    }
    case PE_FrameGroupBox:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt)) {
            if (!(frame->features & QStyleOptionFrame::Flat)) {
                drawPrimitive(PE_Frame, opt, p, w);
                return;
            }
            const PainterIsolation keep(p);
            QPen pen(pal.color(QPalette::Midlight), scaledLineWidth(frame->lineWidth, scale));
            pen.setCapStyle(Qt::SquareCap);
            pen.setJoinStyle(Qt::BevelJoin);
            p->setPen(pen);
            p->drawLine(r.topLeft(), r.topRight());
        }
        return;
    case PE_FrameLineEdit:
        if (qstyleoption_cast<const QStyleOptionFrame*>(opt)) {
            const PainterIsolation keep(p);
            p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
            p->setBrush(pal.brush(QPalette::Base));
            p->drawRect(inner(r));
        }
        return;
    case PE_FrameMenu: {
        const PainterIsolation keep(p);
        p->setBrush(Qt::NoBrush);
        p->setPen(pal.color(QPalette::Dark));
        p->drawRect(inner(r));
        p->setPen(pal.color(QPalette::Light));
        p->drawRect(QRect(QPoint(r.left() + 1, r.top() + 1), QPoint(r.right() - 2, r.bottom() - 2)));
        return;
    }
    case PE_FrameStatusBarItem: {
        const PainterIsolation keep(p);
        p->setBrush(Qt::NoBrush);
        p->setPen(pal.color(QPalette::Window).darker(178));
        p->drawRect(inner(r));
        return;
    }
    case PE_FrameTabWidget:
        if (const auto* frame = qstyleoption_cast<const QStyleOptionTabWidgetFrame*>(opt)) {
            switch (frame->shape) {
            case QTabBar::TriangularNorth:
            case QTabBar::TriangularSouth:
            case QTabBar::TriangularWest:
            case QTabBar::TriangularEast:
                drawTabWidgetFrame(this, frame, p, w);
                return;
            default:
                qWarning("QTabBar::Rounded is not supported by NuvraStyle!");
                break;
            }
            break;
        }
        return;
    case PE_FrameWindow:
        drawWindowFrame(this, opt, p, w);
        return;
    case PE_IndicatorToolBarHandle:
        drawToolBarHandle(opt, p, w);
        return;
    case PE_PanelButtonCommand:
        if (qstyleoption_cast<const QStyleOptionButton*>(opt)) {
            const PainterIsolation keep(p);
            QColor fill = pal.color(QPalette::Button);
            if ((opt->state & State_Enabled) && (opt->state & State_MouseOver))
                fill = fill.lighter((opt->state & (State_Sunken | State_On)) ? 120 : 110);
            p->setBrush(fill);
            p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
            p->drawRect(inner(r));
        }
        return;
    case PE_PanelButtonTool: {
        const PainterIsolation keep(p);
        drawPanelButtonTool(this, opt, p, w);
        return;
    }
    case PE_IndicatorButtonDropDown:
        proxy()->drawPrimitive(PE_PanelButtonTool, opt, p, w);
        return;
    case PE_PanelLineEdit: {
        const QWidget* parent = w ? w->parentWidget() : nullptr;
        if (qobject_cast<const QComboBox*>(parent) || qobject_cast<const QAbstractSpinBox*>(parent))
            return;
        if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt)) {
            const int lw = frame->lineWidth;
            p->fillRect(r.adjusted(lw, lw, -lw, -lw), pal.brush(QPalette::Base));
            if (lw > 0)
                proxy()->drawPrimitive(PE_FrameLineEdit, opt, p, w);
        }
        return;
    }
    case PE_IndicatorArrowDown:
    case PE_IndicatorArrowLeft:
    case PE_IndicatorArrowRight:
    case PE_IndicatorArrowUp:
        drawArrow(this, pe, opt, p, w);
        return;
    case PE_IndicatorBranch: {
        const PainterIsolation keep(p);
        drawBranch(opt, p, scale, mergedColors(pal.color(QPalette::Window), pal.color(QPalette::Text), 50));
        return;
    }
    case PE_IndicatorItemViewItemCheck:
    case PE_IndicatorCheckBox:
        drawSkin(this, skinName("checkbox", opt, true), opt, p);
        return;
    case PE_IndicatorRadioButton:
        drawSkin(this, skinName("radiobutton", opt, false), opt, p);
        return;
    case PE_IndicatorHeaderArrow:
        p->save();
        p->setRenderHint(QPainter::Antialiasing, true);
        QCommonStyle::drawPrimitive(pe, opt, p, w);
        p->restore();
        return;
    case PE_IndicatorMenuCheckMark:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(opt)) {
            const PainterIsolation keep(p, true);
            drawMenuCheckMark(item, p, w, scale);
            return;
        }
        break;
    case PE_IndicatorToolBarSeparator: {
        const PainterIsolation keep(p);
        const QColor border = borderColor(opt, w);
        if (opt->state & State_Horizontal) {
            p->setPen(border);
            p->drawLine(r.left(), r.top() + 1, r.left(), r.bottom() - 2);
            p->setPen(pal.color(QPalette::Base));
            p->drawLine(r.right(), r.top() + 1, r.right(), r.bottom() - 2);
        } else {
            p->setPen(border);
            p->drawLine(r.left() + 1, r.top(), r.right() - 2, r.top());
            p->setPen(pal.color(QPalette::Base));
            p->drawLine(r.left() + 1, r.bottom(), r.right() - 2, r.bottom());
        }
        return;
    }
    case PE_IndicatorItemViewItemDrop: {
        const PainterIsolation keep(p);
        const bool flat = r.height() == 0;
        const bool thin = r.width() == 0;
        if (flat && thin)
            return;
        if (flat)
            p->drawLine(r.left(), r.top(), r.right(), r.top());
        else if (thin)
            p->drawLine(r.left(), r.top(), r.left(), r.bottom());
        else
            p->drawRect(inner(r));
        return;
    }
    case PE_PanelItemViewRow:
        if (const auto* row = qstyleoption_cast<const QStyleOptionViewItem*>(opt)) {
            const bool on = row->state & State_Enabled;
            const QPalette::ColorGroup group = !on ? QPalette::Disabled
                                               : (row->state & State_Active) ? QPalette::Active
                                                                             : QPalette::Inactive;
            if (row->state & State_Selected) {
                if (proxy()->styleHint(SH_ItemView_ShowDecorationSelected, opt, w))
                    p->fillRect(r, pal.brush(group, QPalette::Highlight));
            } else if (row->features & QStyleOptionViewItem::Alternate) {
                p->fillRect(r, pal.brush(group, QPalette::AlternateBase));
            }
            return;
        }
        break;
    case PE_PanelStatusBar: {
        const PainterIsolation keep(p);
        const QPalette app = QApplication::palette();
        p->fillRect(r, app.color(QPalette::Window));
        p->setPen(app.color(QPalette::Midlight));
        p->drawLine(r.topLeft(), r.topRight());
        return;
    }
    default:
        break;
    }
    // Some of the common drawing leaves its pen and brush behind.
    const PainterIsolation keep(p);
    QCommonStyle::drawPrimitive(pe, opt, p, w);
}

} // namespace Style
} // namespace Nuvra
