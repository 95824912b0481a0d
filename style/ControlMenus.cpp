// Menu items, menu bars and header sections of NuvraStyle.
#include "style/ControlDrawing.h"

#include "style/NuvraStyle.h"
#include "style/Palette.h"
#include "style/StyleHelpers.h"
#include "style/StyleProperties.h"

#include <QMainWindow>
#include <QPainter>
#include <QStyleOption>
#include <QWidget>

#include <algorithm>

namespace Nuvra {
namespace Style {
namespace Control {

namespace {

void drawSeparator(const NuvraStyle* style, const QStyleOptionMenuItem* opt, QPainter* p)
{
    const QRect& r = opt->rect;
    const QPalette& pal = opt->palette;
    p->fillRect(r, pal.color(QPalette::Window).lighter(103));
    const int m = static_cast<int>(5 * style->styleScale());
    int textWidth = 0;
    if (!opt->text.isEmpty()) {
        p->setFont(opt->font);
        style->NuvraStyle::drawItemText(p, corners(r.left() + m, r.top(), r.right() - m, r.bottom()),
                                        Qt::AlignLeft | Qt::AlignVCenter, pal, opt->state & QStyle::State_Enabled,
                                        opt->text, QPalette::Text);
        textWidth = QFontMetrics(opt->font).horizontalAdvance(opt->text) + m;
    }
    int from = r.left() + m;
    int to = r.right() - m;
    if (opt->direction == Qt::RightToLeft)
        to -= textWidth;
    else
        from += textWidth;
    if (from > to)
        return;
    const int y = (r.top() + r.bottom()) / 2;
    p->setPen(mergedColors(pal.color(QPalette::Disabled, QPalette::Window),
                           pal.color(QPalette::Disabled, QPalette::WindowText), 50));
    p->drawLine(from, y, to, y);
}

} // namespace

void drawMenuItem(const NuvraStyle* style, const QStyleOptionMenuItem* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p, true);
    if (opt->menuItemType == QStyleOptionMenuItem::Separator) {
        drawSeparator(style, opt, p);
        return;
    }
    const QRect& r = opt->rect;
    const QPalette& pal = opt->palette;
    const QStyle::State s = opt->state;
    const double scale = style->styleScale();
    const ExtendedPalette* ext = style->extendedPalette();
    const QString shape = w ? w->property(nuvraShapeProperty).toString() : QString();
    const bool toolish = shape == QLatin1String(nuvraShapeTool) || shape == QLatin1String(nuvraShapeToolBtn) ||
                         shape == QLatin1String(nuvraIconMenu);
    const bool highlighted = (s & QStyle::State_Selected) && (s & QStyle::State_Enabled);
    const auto visual = [&](const QRect& rect) { return QStyle::visualRect(opt->direction, r, rect); };

    p->fillRect(r, highlighted ? ext->getColor(Skin::MenuItemHighlight, pal.color(QPalette::Dark))
                               : pal.color(QPalette::Window).lighter(103));

    const int smallIcon = style->pixelMetric(QStyle::PM_SmallIconSize, opt, w);
    const int toolColumn = std::max(opt->maxIconWidth - static_cast<int>(4 * scale), smallIcon);
    const int column = toolish ? toolColumn : std::max(static_cast<int>(14 * scale), opt->maxIconWidth);
    const QRect iconColumn = visual(corners(r.left(), r.top(), r.left() + column - 1, r.bottom()));
    const bool checkable = opt->checkType != QStyleOptionMenuItem::NotCheckable;

    if (checkable) {
        if (!opt->icon.isNull()) {
            if (opt->checked) {
                const int side = toolish ? toolColumn : opt->maxIconWidth;
                const int in = static_cast<int>(scale);
                const QRect square =
                    (visual(QRect(r.left(), r.top() + (r.height() - side) / 2, side, side)) & r).adjusted(in, in, -in, -in);
                const QColor h = ext->getColor(Skin::ToolButtonHighlight, pal.color(QPalette::Dark));
                QColor fill = mergedColors(pal.color(QPalette::Window), h, 85);
                fill.setAlphaF((s & QStyle::State_Selected) ? 0.5 : 1.0);
                p->setBrush(fill);
                p->setPen(mergedColors(pal.color(QPalette::Window), h, 40));
                p->drawRect(square);
            }
        } else {
            QStyleOptionMenuItem mark(*opt);
            mark.version = QStyleOptionMenuItem::Version;
            const int size = static_cast<int>(12 * scale + 1);
            mark.rect = visual(QRect(static_cast<int>(r.left() + 2 * scale),
                                     static_cast<int>((r.top() + r.bottom()) / 2 - 6 * scale), size, size));
            if (highlighted)
                mark.state |= QStyle::State_MouseOver;
            style->drawPrimitive(QStyle::PE_IndicatorMenuCheckMark, &mark, p, w);
        }
    }

    if (!opt->icon.isNull()) {
        const QIcon::Mode mode = !(s & QStyle::State_Enabled) ? QIcon::Disabled
                                 : (s & QStyle::State_Selected) ? QIcon::Active
                                                                : QIcon::Normal;
        const QIcon::State state = checkable && opt->checked ? QIcon::On : QIcon::Off;
        const QPixmap pixmap = opt->icon.pixmap(QSize(smallIcon, smallIcon), mode, state);
        const qreal ratio = pixmap.devicePixelRatio() > 0 ? pixmap.devicePixelRatio() : 1.0;
        const QPoint centre = iconColumn.center();
        p->drawPixmap(centre.x() - static_cast<int>(pixmap.width() / ratio) / 2,
                      centre.y() - static_cast<int>(pixmap.height() / ratio) / 2, pixmap);
    }

    p->setPen(pal.color(highlighted ? QPalette::HighlightedText : QPalette::ButtonText));

    if (!opt->text.isEmpty()) {
        p->save();
        const QRect text = corners(r.left() + static_cast<int>(3 * scale + column), r.top() + static_cast<int>(2 * scale),
                                   r.right() - opt->tabWidth - static_cast<int>(15 * scale) + 1,
                                   r.bottom() - static_cast<int>(2 * scale));
        int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
        if (!style->proxy()->styleHint(QStyle::SH_UnderlineShortcut, opt, w))
            flags |= Qt::TextHideMnemonic;
        QString label = opt->text;
        const int tab = label.indexOf(QLatin1Char('\t'));
        if (tab >= 0) {
            p->drawText(visual(corners(text.right(), text.top(), r.right(), text.bottom())), flags,
                        label.mid(tab + 1));
            label.truncate(tab);
        }
        QFont font = opt->font;
        if (opt->menuItemType == QStyleOptionMenuItem::DefaultItem)
            font.setWeight(75);
        p->setFont(font);
        p->drawText(visual(text), flags, label);
        p->restore();
    }

    if (opt->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const int dim = (r.height() - 4) / 2;
        const int right = r.right() - 8;
        QStyleOptionMenuItem arrow(*opt);
        arrow.version = QStyleOptionMenuItem::Version;
        arrow.rect = visual(QRect(right - dim + 1, r.top() + r.height() / 2 - dim / 2, dim, dim));
        style->drawPrimitive(opt->direction == Qt::RightToLeft ? QStyle::PE_IndicatorArrowLeft
                                                               : QStyle::PE_IndicatorArrowRight,
                             &arrow, p, w);
    }
}

void drawMenuBarItemBackground(const QStyleOption* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p);
    const QRect& r = opt->rect;
    const QPalette& pal = opt->palette;
    const QStyle::State s = opt->state;
    if (!((s & QStyle::State_Selected) && (s & QStyle::State_Enabled))) {
        p->fillRect(r, pal.color(QPalette::Window));
        return;
    }
    const SharedColours colours(opt, w);
    const bool pressed = s & (QStyle::State_Sunken | QStyle::State_On);
    const int L = r.left(), T = r.top(), R = r.right(), B = r.bottom();
    p->setPen(colours.border);
    p->setBrush(pal.color(QPalette::Window));
    p->drawRect(corners(L, T, R - 1, B - 1));
    p->setPen(pressed ? pal.color(QPalette::Button).darker(118) : colours.buttonLight);
    p->drawLine(L + 1, T + 1, R - 1, T + 1);
    p->drawLine(L + 1, T + 2, L + 1, B - 2);
    p->setPen(pressed ? pal.color(QPalette::Button).darker(114) : colours.buttonDark.darker(102));
    p->drawLine(L + 1, B - 1, R - 1, B - 1);
    p->drawLine(R - 1, T + 1, R - 1, B - 2);
}

void drawMenuBarEmptyArea(const QStyleOption* opt, QPainter* p, const QWidget* w)
{
    if (!w || !qobject_cast<const QMainWindow*>(w->parentWidget()))
        return;
    const PainterIsolation isolation(p);
    const QRect& r = opt->rect;
    p->fillRect(r, opt->palette.color(QPalette::Window));
    p->setPen(opt->palette.color(QPalette::Dark));
    p->drawLine(r.bottomLeft(), r.bottomRight());
}

void drawHeaderSection(const QStyleOptionHeader* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p);
    const QPalette& pal = opt->palette;
    const SharedColours colours(opt, w);
    const bool pressed = (opt->state & QStyle::State_Enabled) && (opt->state & QStyle::State_Sunken);
    const QColor fill = pressed ? pal.color(QPalette::Window).darker(110) : colours.buttonLight;
    const QColor inner = pressed ? pal.color(QPalette::Window).darker(114) : colours.buttonLight;
    const int dx = opt->orientation == Qt::Horizontal && opt->position != QStyleOptionHeader::OnlyOneSection ? 1 : 0;
    const int dy = opt->orientation == Qt::Vertical ? 1 : 0;
    const QRect& r = opt->rect;
    p->setPen(colours.border);
    p->drawRect(corners(r.left() - dx, r.top() - dy, r.right() - 1, r.bottom() - 1));
    p->setPen(inner);
    p->setBrush(fill);
    p->drawRect(corners(r.left() + 1 - dx, r.top() + 1 - dy, r.right() - 2, r.bottom() - 2));
}

} // namespace Control
} // namespace Style
} // namespace Nuvra
