// Control elements of the flat style; NuvraStyle paints the others.
#include "style/ModernStyle.h"

#include "style/NuvraDropShadow.h"
#include "style/OptionCopy.h"
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
#include <QTextOption>
#include <QWidget>
#include <qdrawutil.h>

#include <algorithm>

namespace Nuvra {
namespace Style {

namespace {

bool isStandardTab(QTabBar::Shape shape)
{
    return shape >= QTabBar::RoundedNorth && shape <= QTabBar::TriangularEast;
}

const QStyleOptionTab* tabOf(const QStyleOption* opt)
{
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(opt);
    return tab && tab->version >= 3 ? tab : nullptr;
}

bool isIconMenu(const QWidget* w)
{
    const QString s = shapeOf(w);
    return s == QLatin1String(nuvraShapeTool) || s == QLatin1String(nuvraShapeToolBtn) ||
           s == QLatin1String(nuvraIconMenu);
}

} // namespace

void ModernStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* p, const QWidget* w) const
{
    if (!option || !p)
        return;
    // A fake-disabled widget is drawn enabled from a copy: the caller's
    // option is never changed.
    const std::shared_ptr<QStyleOption> enabledCopy = fakeEnabledCopy(option, w);
    const QStyleOption* opt = enabledCopy ? enabledCopy.get() : option;
    const QPalette& pal = opt->palette;
    const QRect& r = opt->rect;
    const bool enabled = opt->state & State_Enabled;
    const auto ext = [this](Skin::ColorId id, const QColor& fallback = QColor(Qt::black)) {
        return extendedPalette()->getColor(id, fallback);
    };
    const bool antialiased = p->testRenderHint(QPainter::Antialiasing);

    switch (static_cast<unsigned>(element)) {
    case CE_PushButtonLabel: {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(opt);
        if (!button)
            return;
        const PainterIsolation keep(p, true);
        QRect textRect = r.adjusted(0, -1, 0, 0);
        int tf = Qt::AlignVCenter | Qt::TextShowMnemonic;
        if (shapeOf(w) == QLatin1String(nuvraWrapText))
            tf |= Qt::TextWordWrap;
        if (!styleHint(SH_UnderlineShortcut, button, w))
            tf |= Qt::TextHideMnemonic;
        const bool shifted = button->state & (State_On | State_Sunken);
        const QPoint shift(pixelMetric(PM_ButtonShiftHorizontal, button, w),
                           pixelMetric(PM_ButtonShiftVertical, button, w));
        if (!button->icon.isNull()) {
            const QIcon::Mode mode = !enabled                         ? QIcon::Disabled
                                     : (button->state & State_HasFocus) ? QIcon::Active
                                                                        : QIcon::Normal;
            const QIcon::State state = (button->state & State_On) ? QIcon::On : QIcon::Off;
            const QPixmap pixmap = button->icon.pixmap(qt_getWindow(w), button->iconSize, mode, state);
            const double dpr = pixmap.devicePixelRatio();
            const int pw = static_cast<int>(pixmap.width() / dpr);
            const int ph = static_cast<int>(pixmap.height() / dpr);
            int labelWidth = pw;
            if (!button->text.isEmpty())
                labelWidth += button->fontMetrics.boundingRect(r, tf, button->text).width() + 4;
            QRect iconRect(textRect.x() + (textRect.width() - labelWidth) / 2,
                           textRect.y() + (textRect.height() - ph) / 2, pw, ph);
            iconRect = visualRect(button->direction, textRect, iconRect);
            tf |= Qt::AlignLeft;
            if (button->direction == Qt::RightToLeft)
                textRect.setRight(iconRect.left() - 4);
            else
                textRect.setLeft(iconRect.left() + iconRect.width() + 4);
            if (shifted)
                iconRect.translate(shift);
            p->drawPixmap(iconRect, pixmap);
        } else {
            tf |= Qt::AlignHCenter;
        }
        if (shifted)
            textRect.translate(shift);
        if (button->features & QStyleOptionButton::HasMenu) {
            const int indicator = pixelMetric(PM_MenuButtonIndicator, button, w);
            if (button->direction == Qt::LeftToRight)
                textRect.adjust(0, 0, -indicator, 0);
            else
                textRect.adjust(indicator, 0, 0, 0);
        }
        const bool lit = enabled && (button->state & (State_MouseOver | State_On | State_Sunken));
        drawItemText(p, textRect, tf, pal, enabled, button->text, lit ? QPalette::HighlightedText : QPalette::ButtonText);
        return;
    }
    case CE_TabBarTab: {
        const auto* tab = tabOf(opt);
        if (!tab)
            return;
        if (!isStandardTab(tab->shape) || !(tab->state & State_Selected)) {
            drawControl(CE_TabBarTabShape, tab, p, w);
            drawControl(CE_TabBarTabLabel, tab, p, w);
            return;
        }
        const PainterIsolation keep(p, true);
        QFont bold = p->font();
        bold.setWeight(QFont::Bold);
        p->setFont(bold);
        if (const auto* bar = qobject_cast<const QTabBar*>(w)) {
            QStyleOptionTab copy(*tab);
            const int width = subElementRect(SE_TabBarTabText, tab, w).width();
            copy.text = QFontMetrics(bold).elidedText(bar->tabText(bar->currentIndex()), bar->elideMode(), width,
                                                      Qt::TextShowMnemonic);
            drawControl(CE_TabBarTabShape, &copy, p, w);
            drawControl(CE_TabBarTabLabel, &copy, p, w);
        } else {
            drawControl(CE_TabBarTabShape, tab, p, w);
            drawControl(CE_TabBarTabLabel, tab, p, w);
        }
        return;
    }
    case CE_TabBarTabShape: {
        const auto* tab = tabOf(opt);
        if (!tab || !isStandardTab(tab->shape))
            return;
        const QColor line = ext(Skin::TabLineHighlight, pal.color(QPalette::Dark));
        const QColor shadowLine = ext(Skin::TabLineShadow, pal.color(QPalette::Light));
        const QColor unselected = ext(Skin::TabShadow, pal.color(QPalette::Mid));
        QColor selectedFill = ext(Skin::ActiveTabHeaderColor, pal.color(QPalette::Dark));
        if (w) {
            const QVariant colour = w->property(activeTabColorProperty);
            if (colour.isValid())
                selectedFill = colour.value<QColor>();
        }
        const bool selected = tab->state & State_Selected;
        const PainterIsolation keep(p);
        p->setClipRect(r, Qt::IntersectClip);
        QRect o = r;
        switch (tab->shape) {
        case QTabBar::RoundedNorth:
        case QTabBar::TriangularNorth:
            o.adjust(0, 0, -1, -2);
            break;
        case QTabBar::RoundedSouth:
        case QTabBar::TriangularSouth:
            o.adjust(0, -1, -1, -1);
            break;
        case QTabBar::RoundedWest:
        case QTabBar::TriangularWest:
            o.adjust(0, 0, 0, -1);
            break;
        default:
            o.adjust(-1, 0, -1, -1);
            break;
        }
        p->setPen(selected ? line : shadowLine);
        p->setBrush(selected ? selectedFill : unselected);
        p->setRenderHint(QPainter::Antialiasing, true);
        QPainterPath path;
        path.setFillRule(Qt::WindingFill);
        path.addRoundedRect(QRectF(o.left(), o.top(), o.right() + 1 - o.left(), o.bottom() + 1 - o.top()),
                            dpiScaled(4), dpiScaled(4));
        const int half = o.height() / 2;
        path.addRect(o.left(), o.bottom() + 1 - half, half, half);
        path.addRect(o.right() + 1 - half, o.bottom() + 1 - half, half, half);
        path = path.simplified();
        p->drawPath(path);
        p->setRenderHint(QPainter::Antialiasing, false);
        if (selected) {
            const QRectF b = path.boundingRect();
            p->setPen(QPen(selectedFill, 0));
            p->drawLine(QLineF(b.left() + 1, b.bottom() - 1, b.right() - 2, b.bottom() - 1));
        } else {
            p->setPen(QPen(line, 0));
            switch (tab->shape) {
            case QTabBar::RoundedNorth:
            case QTabBar::TriangularNorth:
                p->drawLine(r.left(), r.bottom() - 1, r.right(), r.bottom() - 1);
                break;
            case QTabBar::RoundedSouth:
            case QTabBar::TriangularSouth:
                p->drawLine(r.left(), r.top() - 1, r.right(), r.top() - 1);
                break;
            case QTabBar::RoundedWest:
            case QTabBar::TriangularWest:
                p->drawLine(r.right(), r.top() - 1, r.right(), r.bottom() - 1);
                break;
            default:
                p->drawLine(r.left(), r.top() - 1, r.left(), r.bottom() - 1);
                break;
            }
        }
        p->setRenderHint(QPainter::Antialiasing, antialiased);
        return;
    }
    case CE_TabBarTabLabel: {
        const auto* tab = tabOf(opt);
        if (!tab)
            return;
        QStyleOptionTab copy(*tab);
        const PainterIsolation keep(p, true);
        const bool east = tab->shape == QTabBar::RoundedEast || tab->shape == QTabBar::TriangularEast;
        const bool west = tab->shape == QTabBar::RoundedWest || tab->shape == QTabBar::TriangularWest;
        if (east) {
            p->translate(r.right() + 1, r.top());
            p->rotate(90);
        } else if (west) {
            p->translate(r.left(), r.bottom() + 1);
            p->rotate(-90);
        }
        QRect textRect;
        QRect iconRect;
        tabLayout(&copy, w, &textRect, &iconRect);
        const bool selected = tab->state & State_Selected;
        if (!tab->icon.isNull()) {
            QSize size = tab->iconSize;
            if (!size.isValid()) {
                const int extent = pixelMetric(PM_SmallIconSize, tab, w);
                size = QSize(extent, extent);
            }
            const QPixmap pixmap = tab->icon.pixmap(qt_getWindow(w), size, enabled ? QIcon::Normal : QIcon::Disabled,
                                                    selected ? QIcon::On : QIcon::Off);
            p->drawPixmap(iconRect.topLeft(), pixmap);
        }
        int tf = Qt::AlignCenter | Qt::TextShowMnemonic;
        if (!styleHint(SH_UnderlineShortcut, tab, w))
            tf |= Qt::TextHideMnemonic;
        drawItemText(p, textRect.adjusted(0, -3, 0, 0), tf, pal, enabled, tab->text,
                     selected ? QPalette::HighlightedText : QPalette::WindowText);
        return;
    }
    case CE_MenuItem: {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
        if (!item)
            return;
        drawMenuItemModern(item, p, w);
        return;
    }
    case CE_MenuBarItem: {
        // Any option: the text only when it is a menu item's.
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
        const PainterIsolation keep(p);
        const bool selected = enabled && (opt->state & State_Selected);
        if (!selected) {
            p->fillRect(r, pal.brush(QPalette::Window));
        } else {
            p->setRenderHint(QPainter::Antialiasing, true);
            p->setPen(pal.color(QPalette::Highlight));
            p->setBrush(pal.brush(QPalette::Highlight));
            p->drawRoundedRect(QRect(r.left(), r.top(), r.right() - r.left(), r.bottom() - r.top()), dpiScaled(4),
                               dpiScaled(4));
            p->setRenderHint(QPainter::Antialiasing, antialiased);
        }
        const bool lit = selected || (opt->state & (State_MouseOver | State_On | State_Sunken));
        p->setPen(lit ? ext(Skin::TabSelectedTextColor) : pal.color(QPalette::Text));
        if (item) {
            const int m = static_cast<int>(dpiScaled(5));
            drawItemText(p, corners(r.left() + m, r.top(), r.right() - m, r.bottom()), Qt::AlignLeft | Qt::AlignVCenter,
                         pal, enabled, item->text, QPalette::NoRole);
        }
        return;
    }
    case CE_HeaderSection: {
        const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(opt);
        if (!header)
            return;
        const PainterIsolation keep(p);
        const bool horizontal = header->orientation == Qt::Horizontal;
        const bool only = header->position == QStyleOptionHeader::OnlyOneSection;
        p->setBrush(ext(Skin::WindowBase));
        const QRect outer = corners(r.left() - (horizontal && !only ? 1 : 0), r.top() - (horizontal ? 0 : 1),
                                    r.right() - 1, r.bottom() - 1);
        if (!flagOf(parentOf(w), "noDownBorder")) {
            p->setPen(ext(Skin::WindowBorder));
            p->drawRect(outer);
            p->drawRect(corners(r.left() + (only || !horizontal ? 1 : 0), r.top() + (horizontal ? 1 : 0),
                                r.right() - 2, r.bottom() - 2));
        } else {
            p->setPen(ext(Skin::WindowBase));
            p->drawRect(outer);
            p->setPen(ext(Skin::WindowBorder));
            p->drawLine(outer.left(), r.bottom(), outer.right(), r.bottom());
            p->drawLine(r.right(), r.top(), r.right(), r.bottom());
        }
        return;
    }
    case CE_HeaderLabel: {
        const auto* header = qstyleoption_cast<const QStyleOptionHeader*>(opt);
        if (!header)
            return;
        const PainterIsolation keep(p);
        p->drawText(QRectF(r), header->text,
                    QTextOption(flagOf(parentOf(w), "noDownBorder") ? Qt::AlignLeft : Qt::AlignCenter));
        return;
    }
    case CE_ScrollBarAddLine:
    case CE_ScrollBarSubLine: {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        if (!bar)
            return;
        const PainterIsolation keep(p);
        const bool horizontal = bar->orientation == Qt::Horizontal;
        const bool leading = (element == CE_ScrollBarSubLine) == (bar->direction != Qt::RightToLeft);
        if (!leading && shapeOf(w) == QLatin1String(nuvraShapeScrollOver)) {
            p->setPen(QPen(pal.color(QPalette::Window), 1));
            if (horizontal)
                p->drawLine(r.right(), r.top(), r.right(), r.bottom());
            else
                p->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        }
        p->setPen(ext(Skin::WindowBase, pal.color(QPalette::Active, QPalette::Mid)));
        p->setBrush(pal.brush(QPalette::Window));
        p->drawRect(r);
        p->setPen(pal.color(QPalette::Active, QPalette::Midlight));
        if (horizontal) {
            p->drawLine(r.topLeft(), r.topRight());
            p->drawLine(r.bottomLeft(), r.bottomRight());
        } else {
            p->drawLine(r.left(), r.bottom(), r.right() - 1, r.bottom());
            if (!isListScrollBar(w)) {
                if (!flagOf(parentOf(w), "noScrollLeftBorder"))
                    p->drawLine(r.topLeft(), r.bottomLeft());
                if (flagOf(w, "LineDockScrollBarRightBorder"))
                    p->drawLine(r.right() - 1, r.top(), r.right() - 1, r.bottom());
            }
        }
        return;
    }
    case CE_ScrollBarSlider: {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(opt);
        if (!bar || r.isEmpty())
            return;
        const PainterIsolation keep(p);
        p->setRenderHint(QPainter::Antialiasing, true);
        p->setPen(ext(Skin::SliderFrame, pal.color(QPalette::Active, QPalette::Mid)));
        QColor fill = pal.color(QPalette::Shadow);
        if (opt->state & State_MouseOver)
            fill = fill.lighter((opt->state & (State_Sunken | State_On)) ? 120 : 110);
        p->setBrush(fill);
        if (bar->orientation == Qt::Horizontal) {
            p->drawRoundedRect(QRectF(r.left(), r.top() + 3, r.right() - r.left(), static_cast<int>(dpiScaled(6))),
                               dpiScaled(2), dpiScaled(90));
        } else {
            const int width = static_cast<int>(dpiScaled(isListScrollBar(w) ? 4 : 6));
            p->drawRoundedRect(QRectF(r.left() + 3, r.top(), width, r.bottom() - r.top()), dpiScaled(90),
                               dpiScaled(2));
        }
        p->setRenderHint(QPainter::Antialiasing, antialiased);
        return;
    }
    case CE_ComboBoxLabel: {
        const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt);
        if (!combo)
            return;
        drawComboBoxLabelModern(combo, p, w);
        return;
    }
    case CE_ItemViewItem: {
        const QWidget* target = enabledCopy ? nullptr : w;
        const PainterIsolation keep(p, true);
        const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(opt);
        if (item && item->version >= 4 && !item->icon.isNull()) {
            QStyleOptionViewItem copy(*item);
            for (const QSize& size : item->icon.availableSizes(QIcon::Normal, QIcon::Off))
                copy.icon.addPixmap(item->icon.pixmap(size, QIcon::Normal, QIcon::Off), QIcon::Selected);
            QCommonStyle::drawControl(element, &copy, p, target);
        } else {
            QCommonStyle::drawControl(element, opt, p, target);
        }
        return;
    }
    case CE_ShapedFrame: {
        const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt);
        if (!frame || frame->version < 3)
            return;
        drawShapedFrameModern(frame, p, w);
        return;
    }
    case CE_HandlePanel: {
        const PainterIsolation keep(p, true);
        if (w) {
            p->setRenderHint(QPainter::Antialiasing, true);
            const QColor window = pal.color(QPalette::Active, QPalette::Window);
            p->setPen(window);
            p->setBrush(window);
            const QRect c = w->contentsRect();
            QPainterPath path;
            path.addRoundedRect(QRectF(c.left(), c.top(), c.width(),
                                       c.height() - static_cast<int>(5 * StyleManager::StyleScale())),
                                4, 4);
            p->fillPath(path, window);
            p->drawPath(path);
        }
        const auto* panel = qstyleoption_cast<const StyleOptionHandlePanel*>(opt);
        if (panel && panel->handle) {
            const QRect handle = subElementRect(SE_ToolBarHandle, opt, w);
            if (handle.isValid()) {
                // On a copy: the caller's option keeps its rectangle.
                StyleOptionHandlePanel copy(*panel);
                copy.version = StyleOptionHandlePanel::Version;
                copy.rect = handle;
                drawPrimitive(PE_IndicatorToolBarHandle, &copy, p, w);
            }
        }
        return;
    }
    case CE_PopupFrame: {
        // A framed panel with a shadow on its right and bottom, the widget's
        // size; the pen and brush stay on the painter.
        if (!w)
            return;
        const int width = w->width();
        const int h = w->height();
        p->setPen(Skin::getColor(Skin::WindowBorder, QColor(Qt::black)));
        p->setBrush(Skin::getColor(Skin::WindowBase, QColor(Qt::black)));
        p->drawRect(QRectF(0, 0, width - 4, h - 4));
        GUI::NuvraDropShadow shadow;
        shadow.setShadowWidth(4);
        shadow.setShadowDec(3);
        shadow.PrintShadow(p, corners(width - 3, 12, width, h - 4), corners(12, h - 3, width - 4, h - 1),
                           corners(width - 3, h - 3, width, h), corners(width - 3, 8, width, 11),
                           corners(8, h - 3, 11, h));
        return;
    }
    case CE_SwatchButton: {
        const auto* swatch = qstyleoption_cast<const StyleOptionSwatch*>(opt);
        if (!swatch)
            return;
        drawSwatchModern(swatch, p, w);
        return;
    }
    case CE_PageTabButton: {
        const auto* header = qstyleoption_cast<const StyleOptionPageTab*>(opt);
        if (!header)
            return;
        drawTabHeaderModern(header, p, w);
        return;
    }
    default:
        NuvraStyle::drawControl(element, option, p, w);
        return;
    }
}

void ModernStyle::drawMenuItemModern(const QStyleOptionMenuItem* item, QPainter* p, const QWidget* w) const
{
    const PainterIsolation keep(p, true);
    const QPalette& pal = item->palette;
    const QRect& r = item->rect;
    const bool enabled = item->state & State_Enabled;
    const Qt::LayoutDirection dir = item->direction;
    const QColor background = pal.color(QPalette::Window).lighter(103);

    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        p->fillRect(r, background);
        const int m = static_cast<int>(dpiScaled(5));
        int caption = 0;
        if (!item->text.isEmpty()) {
            p->setFont(item->font);
            drawItemText(p, corners(r.left() + m, r.top(), r.right() - m, r.bottom()), Qt::AlignLeft | Qt::AlignVCenter,
                         pal, enabled, item->text, QPalette::Text);
            caption = item->fontMetrics.horizontalAdvance(item->text) + m;
        }
        p->setPen(extendedPalette()->getColor(Skin::MenuAndComboboxSplittersColor, Qt::black));
        const int y = (r.top() + r.bottom()) / 2;
        if (dir == Qt::RightToLeft)
            p->drawLine(r.left() + m, y, r.right() - m + 2 - caption, y);
        else
            p->drawLine(r.left() + m + caption, y, r.right() - m + 2, y);
        return;
    }

    const bool highlighted = enabled && (item->state & State_Selected);
    p->fillRect(r, highlighted ? extendedPalette()->getColor(Skin::MenuItemHighlight, pal.color(QPalette::Dark))
                               : background);
    const bool iconMenu = isIconMenu(w);
    const int small = pixelMetric(PM_SmallIconSize, item, w);
    const int column = iconMenu ? std::max(item->maxIconWidth - static_cast<int>(dpiScaled(4)), small)
                                : std::max(static_cast<int>(dpiScaled(14)), item->maxIconWidth);
    const bool checkable = item->checkType != QStyleOptionMenuItem::NotCheckable;

    if (checkable) {
        if (!item->icon.isNull() && item->checked) {
            const PainterIsolation box(p);
            const int q = iconMenu ? std::max(item->maxIconWidth - static_cast<int>(dpiScaled(4)), small)
                                   : item->maxIconWidth;
            const int in = static_cast<int>(dpiScaled(1));
            QRect square = visualRect(dir, r, QRect(r.left(), r.top() + (r.height() - q) / 2, q, q)) & r;
            square.adjust(in, in, -in, -in);
            const QColor window = pal.color(QPalette::Window);
            const QColor tint = extendedPalette()->getColor(Skin::ToolButtonHighlight, pal.color(QPalette::Dark));
            QColor fill = mergedColors(window, tint, 85);
            fill.setAlphaF((item->state & State_Selected) ? 0.5 : 1.0);
            p->setPen(mergedColors(window, tint, 40));
            p->setBrush(fill);
            p->drawRect(square);
        } else if (item->icon.isNull()) {
            QStyleOptionMenuItem mark(*item);
            const int side = static_cast<int>(dpiScaled(12) + 1);
            mark.rect = visualRect(dir, r,
                                   QRect(r.left() + static_cast<int>(dpiScaled(2)),
                                         static_cast<int>(r.center().y() - dpiScaled(12) / 2), side, side));
            if (highlighted)
                mark.state |= State_MouseOver;
            drawPrimitive(PE_IndicatorMenuCheckMark, &mark, p, w);
        }
    }

    if (!item->icon.isNull()) {
        const QIcon::Mode mode = !enabled ? QIcon::Disabled
                                 : (item->state & State_Selected) ? QIcon::Active
                                                                  : QIcon::Normal;
        const QIcon::State state = checkable && item->checked ? QIcon::On : QIcon::Off;
        const QPixmap pixmap = item->icon.pixmap(qt_getWindow(w), QSize(small, small), mode, state);
        const QRect cell = visualRect(dir, r, corners(r.left(), r.top(), r.left() + column - 1, r.bottom()));
        const QSize size = pixmap.size() / pixmap.devicePixelRatio();
        QRect target(QPoint(), size);
        target.moveCenter(cell.center());
        p->setPen(Qt::NoPen);
        p->setBrush(Qt::NoBrush);
        p->drawPixmap(target, pixmap);
    }

    p->setPen(pal.color(highlighted ? QPalette::HighlightedText : QPalette::ButtonText));
    if (!item->text.isEmpty()) {
        const PainterIsolation text(p);
        // Laid out left to right, then mirrored: the shortcut takes the rest
        // of the line after the text, whichever way the menu reads.
        const QRect ltrText =
            corners(r.left() + static_cast<int>(dpiScaled(3) + column), r.top() + static_cast<int>(dpiScaled(2)),
                    r.right() - item->tabWidth - static_cast<int>(dpiScaled(15)) + 1,
                    r.bottom() - static_cast<int>(dpiScaled(2)));
        const QRect textRect = visualRect(dir, r, ltrText);
        int tf = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
        if (!styleHint(SH_UnderlineShortcut, item, w))
            tf |= Qt::TextHideMnemonic;
        QFont font = item->font;
        if (item->menuItemType == QStyleOptionMenuItem::DefaultItem)
            font.setWeight(QFont::Bold);
        p->setFont(font);
        QString s = item->text;
        const int tab = s.indexOf(QLatin1Char('\t'));
        if (tab >= 0) {
            const QRect shortcut = visualRect(dir, r, corners(ltrText.right(), ltrText.top(), r.right(), ltrText.bottom()));
            p->drawText(shortcut, tf, s.mid(tab + 1));
            s = s.left(tab);
        }
        p->drawText(textRect, tf, s);
    }

    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const int dim = (r.height() - 4) / 2;
        QStyleOptionMenuItem arrow(*item);
        arrow.rect = visualRect(dir, r, QRect(r.right() - dim - 7, r.top() + r.height() / 2 - dim / 2, dim, dim));
        drawPrimitive(dir == Qt::RightToLeft ? PE_IndicatorArrowLeft : PE_IndicatorArrowRight, &arrow, p, w);
    }
}

void ModernStyle::drawComboBoxLabelModern(const QStyleOptionComboBox* combo, QPainter* p, const QWidget* w) const
{
    const bool enabled = combo->state & State_Enabled;
    QRect field = subControlRect(CC_ComboBox, combo, SC_ComboBoxEditField, w);
    // The clip stays on the painter; the pen does not.
    p->setClipRect(field, Qt::IntersectClip);
    const QPen pen = p->pen();
    if (!combo->currentIcon.isNull()) {
        const QPixmap pixmap =
            combo->currentIcon.pixmap(qt_getWindow(w), combo->iconSize, enabled ? QIcon::Normal : QIcon::Disabled);
        const QRect iconRect = alignedRect(combo->direction, Qt::AlignLeft | Qt::AlignVCenter,
                                           QSize(combo->iconSize.width() + 4, field.height()), field);
        if (combo->editable)
            p->fillRect(iconRect, combo->palette.brush(QPalette::Window));
        drawItemPixmap(p, iconRect, Qt::AlignCenter, pixmap);
        const QRect before = field;
        if (combo->direction == Qt::RightToLeft)
            field.setRight(field.right() - combo->iconSize.width() - 4);
        else
            field.setLeft(field.left() + combo->iconSize.width() + 4);
        field &= before;
    }
    if (!combo->currentText.isEmpty() && !combo->editable && field.width() >= 9) {
        if (enabled && (combo->state & (State_MouseOver | State_On | State_Sunken)))
            p->setPen(extendedPalette()->getColor(Skin::TabSelectedTextColor, Qt::black));
        const bool left = flagOf(w, "leftTextAlign");
        const QRect textRect = field.translated(left ? 5 : 1, 0);
        const QFontMetrics metrics = w ? w->fontMetrics() : combo->fontMetrics;
        const QString text = metrics.elidedText(combo->currentText, Qt::ElideRight, textRect.width());
        const Qt::Alignment alignment = left ? Qt::AlignLeft | Qt::AlignVCenter : Qt::Alignment(Qt::AlignCenter);
        drawItemText(p, textRect, visualAlignment(combo->direction, alignment), combo->palette, enabled, text,
                     QPalette::NoRole);
    }
    p->setPen(pen);
}

void ModernStyle::drawShapedFrameModern(const QStyleOptionFrame* frame, QPainter* p, const QWidget* w) const
{
    const QPalette& pal = frame->palette;
    const QRect& r = frame->rect;
    const int shadow = (frame->state & State_Sunken)  ? QFrame::Sunken
                       : (frame->state & State_Raised) ? QFrame::Raised
                                                       : QFrame::Plain;
    const bool plain = shadow == QFrame::Plain;
    const bool sunken = shadow == QFrame::Sunken;
    const bool unscaled = flagOf(w, ignoreScaleProperty);
    const int lw = unscaled ? frame->lineWidth : qRound(dpiScaled(frame->lineWidth));
    const int mlw = unscaled ? frame->midLineWidth : qRound(dpiScaled(frame->midLineWidth));
    const QColor plainColour = pal.color(QPalette::Active, QPalette::Midlight);

    switch (frame->frameShape) {
    case QFrame::Box:
        if (plain)
            qDrawPlainRect(p, r, plainColour, lw, nullptr);
        else
            qDrawShadeRect(p, r, pal, sunken, lw, mlw, nullptr);
        return;
    case QFrame::Panel: {
        const QString s = shapeOf(w);
        if (s == QLatin1String(nuvraShapeRoundBox) || s == QLatin1String(nuvraShapeRoundFill) ||
            s == QLatin1String(nuvraShapeRoundFillBox)) {
            const QBrush midlight = pal.brush(QPalette::Midlight);
            const QBrush window = pal.brush(QPalette::Window);
            const QBrush* fill = s == QLatin1String(nuvraShapeRoundFill)      ? &midlight
                                 : s == QLatin1String(nuvraShapeRoundFillBox) ? &window
                                                                              : nullptr;
            qDrawStylePanel(p, r, pal, shadow, lw, qRound(dpiScaled(6)), fill);
        } else if (plain) {
            qDrawPlainRect(p, r, plainColour, lw, nullptr);
        } else {
            qDrawShadePanel(p, r, pal, sunken, lw, nullptr);
        }
        return;
    }
    case QFrame::WinPanel:
        if (plain)
            qDrawPlainRect(p, r, plainColour, lw, nullptr);
        else
            qDrawWinPanel(p, r, pal, sunken, nullptr);
        return;
    case QFrame::HLine:
    case QFrame::VLine: {
        const bool horizontal = frame->frameShape == QFrame::HLine;
        const QPen pen = p->pen();
        if (flagOf(w, "Crutch")) {
            p->setPen(QPen(plainColour, frame->lineWidth));
            if (horizontal)
                p->drawLine(r.left(), r.top() + 1, r.right() + 1, r.top() + 1);
            else
                p->drawLine(r.left() + 1, r.top(), r.left() + 1, r.bottom() + 1);
            p->setPen(pen);
            return;
        }
        const QPoint from = horizontal ? QPoint(r.left(), r.top() + r.height() / 2)
                                       : QPoint(r.left() + r.width() / 2, r.top());
        const QPoint to = horizontal ? QPoint(r.right() + 1, from.y()) : QPoint(from.x(), r.bottom() + 1);
        if (plain) {
            if (flagOf(w, "needToHide"))
                return;
            p->setPen(QPen(plainColour, lw));
            p->drawLine(from, to);
            p->setPen(pen);
        } else {
            qDrawShadeLine(p, from, to, pal, sunken, lw, mlw);
        }
        return;
    }
    case QFrame::StyledPanel:
        drawPrimitive(PE_Frame, frame, p, w);
        return;
    default:
        return;
    }
}

void ModernStyle::drawSwatchModern(const StyleOptionSwatch* swatch, QPainter* p, const QWidget* w) const
{
    const PainterIsolation keep(p, true);
    const double S = StyleManager::StyleScale();
    const int px = qRound(S);
    const double radius = 4 * S;
    const QRectF box = QRectF(swatch->swatchRect).adjusted(px / 2.0, px / 2.0, -px / 2.0, -px / 2.0);
    // Without a widget the swatch counts as enabled, in the option's palette.
    const bool enabled = w ? w->isEnabled() : true;
    const QPalette& pal = w ? w->palette() : swatch->palette;
    p->setRenderHint(QPainter::Antialiasing, true);
    if (!swatch->square) {
        p->setPen(QPen(enabled ? QColor(Qt::black) : QColor(Qt::gray), px));
        p->setBrush(Qt::NoBrush);
        p->drawRoundedRect(box, radius, radius);
        QBrush fill = swatch->hasColour ? QBrush(swatch->colour) : QBrush(Qt::gray, Qt::DiagCrossPattern);
        if (!enabled)
            fill = pal.brush(QPalette::Window);
        p->setBrush(fill);
        p->drawRoundedRect(box.adjusted(2, 2, -2, -2), radius, radius);
    } else {
        QBrush fill = swatch->hasColour ? QBrush(swatch->colour) : QBrush(swatch->pattern);
        if (!enabled)
            fill = pal.brush(QPalette::Window);
        p->setBrush(fill);
        p->setPen(QPen(pal.color(QPalette::Active, QPalette::Mid), px));
        p->drawRoundedRect(box, radius, radius);
        p->setBrush(Qt::NoBrush);
        p->setPen(QPen(extendedPalette()->getColor(Skin::SpinBoxFrameColor, Qt::black), px));
        p->drawRoundedRect(box, radius + px, radius + px);
    }
    if (swatch->selected) {
        const double in = 2 * px + 0.5;
        const QRectF selection = QRectF(swatch->swatchRect).adjusted(in, in, -in, -in);
        const double rr = radius - (px * 0.5 + 0.5);
        p->setBrush(Qt::NoBrush);
        p->setPen(Qt::white);
        p->drawRoundedRect(selection, rr, rr);
        QPen dashes = swatch->framePen;
        dashes.setDashOffset(swatch->dashOffset);
        p->setPen(dashes);
        p->drawRoundedRect(selection, rr, rr);
    }
    p->setRenderHint(QPainter::Antialiasing, false);
}

void ModernStyle::drawTabHeaderModern(const StyleOptionPageTab* header, QPainter* p, const QWidget* w) const
{
    const PainterIsolation keep(p, true);
    const QPalette& pal = w ? w->palette() : header->palette;
    const QRect& r = header->rect;
    p->fillRect(r, pal.brush(QPalette::Window));
    const double S = StyleManager::StyleScale();
    const int px = qRound(S);
    QPen pen(extendedPalette()->getColor(Skin::TabLineHighlight, pal.color(QPalette::Dark)), px, Qt::SolidLine,
             Qt::SquareCap, Qt::MiterJoin);
    p->setRenderHint(QPainter::Antialiasing, true);
    const int h = r.bottom() - r.top();
    const int width = r.width();
    const double a = px / 2.0;
    const double d = px + a;
    const double baseline = h + 1 - a;
    if (!header->selected) {
        if (header->hovered) {
            QPen dashed(pen);
            dashed.setColor(Qt::gray);
            dashed.setStyle(Qt::DashLine);
            p->setPen(dashed);
            const QPoint outline[4] = {QPoint(int(d), int(baseline)), QPoint(int(d), int(a)),
                                       QPoint(int(width - d), int(a)), QPoint(int(width - d), int(baseline))};
            p->drawPolyline(outline, 4);
        }
        p->setPen(pen);
        p->drawLine(QPointF(a, baseline), QPointF(width - a, baseline));
    } else {
        const double R = 5 * S;
        QPainterPath path;
        path.moveTo(a, baseline);
        path.lineTo(d, baseline);
        path.lineTo(d, a + R);
        path.arcTo(QRectF(d, a, 2 * R, 2 * R), 180, -90);
        path.lineTo(width - d - R, a);
        path.arcTo(QRectF(width - d - 2 * R, a, 2 * R, 2 * R), 90, -90);
        path.lineTo(width - d, baseline);
        path.lineTo(width - a, baseline);
        p->setPen(pen);
        p->setBrush(Qt::NoBrush);
        p->drawPath(path);
    }
    if (const QStyle* app = QApplication::style())
        app->drawItemText(p, r, Qt::AlignCenter, pal, header->textEnabled, header->label, QPalette::ButtonText);
}

} // namespace Style
} // namespace Nuvra
