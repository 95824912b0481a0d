// Push buttons, the combo-box label and shaped frames of NuvraStyle.
#include "style/ControlDrawing.h"

#include "style/NuvraStyle.h"
#include "style/StyleHelpers.h"
#include "style/StyleProperties.h"

#include <QFrame>
#include <QPainter>
#include <QStyleOption>
#include <QWidget>
#include <qdrawutil.h>

#include <cmath>

namespace Nuvra {
namespace Style {
namespace Control {

SharedColours::SharedColours(const QStyleOption* opt, const QWidget* w)
{
    const QPalette& pal = opt->palette;
    border = pal.color(QPalette::Window).darker(178);
    const QColor background = w ? pal.color(w->backgroundRole()) : pal.color(QPalette::Window);
    corner = mergedColors(background, border, 50);
    buttonLight = pal.color(QPalette::Button).lighter(104);
    buttonDark = pal.color(QPalette::Button).darker(105);
}

void drawPushButtonBevel(const NuvraStyle* style, const QStyleOptionButton* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p, true);
    const QStyle::State s = opt->state;
    if ((opt->features & QStyleOptionButton::Flat) && (s & QStyle::State_Enabled) && (s & QStyle::State_MouseOver) &&
        !(s & (QStyle::State_Sunken | QStyle::State_On))) {
        QColor fill = opt->palette.color(QPalette::Button);
        fill.setAlphaF(0.4);
        p->fillRect(opt->rect.adjusted(0, 0, -1, -1), fill);
    }
    style->QCommonStyle::drawControl(QStyle::CE_PushButtonBevel, opt, p, w);
}

bool drawWrappedPushButtonLabel(const NuvraStyle* style, const QStyleOptionButton* opt, QPainter* p,
                                const QWidget* w)
{
    if (!w || w->property(nuvraShapeProperty).toString() != QLatin1String(nuvraWrapText))
        return false;
    const PainterIsolation isolation(p, true);
    const QStyle::State s = opt->state;
    const bool rtl = opt->direction == Qt::RightToLeft;
    const bool pressed = s & (QStyle::State_On | QStyle::State_Sunken);
    const QStyle* proxy = style->proxy();
    QRect textRect = opt->rect;
    int flags = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextWordWrap;
    if (!proxy->styleHint(QStyle::SH_UnderlineShortcut, opt, w))
        flags |= Qt::TextHideMnemonic;
    const int shiftX = pressed ? proxy->pixelMetric(QStyle::PM_ButtonShiftHorizontal, opt, w) : 0;
    const int shiftY = pressed ? proxy->pixelMetric(QStyle::PM_ButtonShiftVertical, opt, w) : 0;

    if (!opt->icon.isNull()) {
        const QIcon::Mode mode = !(s & QStyle::State_Enabled) ? QIcon::Disabled
                                 : (s & QStyle::State_HasFocus) ? QIcon::Active
                                                                : QIcon::Normal;
        const QIcon::State state = (s & QStyle::State_On) ? QIcon::On : QIcon::Off;
        const QPixmap pixmap = opt->icon.pixmap(qt_getWindow(w), opt->iconSize, mode, state);
        const qreal ratio = pixmap.devicePixelRatio() > 0 ? pixmap.devicePixelRatio() : 1.0;
        const int pw = static_cast<int>(pixmap.width() / ratio);
        const int ph = static_cast<int>(pixmap.height() / ratio);
        int labelWidth = pw;
        if (!opt->text.isEmpty())
            labelWidth += opt->fontMetrics.boundingRect(opt->rect, flags, opt->text).width() + 4;
        QRect iconRect(opt->rect.left() + (opt->rect.width() - labelWidth) / 2,
                       opt->rect.top() + (opt->rect.height() - ph) / 2, pw, ph);
        iconRect = QStyle::visualRect(opt->direction, opt->rect, iconRect);
        if (rtl)
            textRect.setRight(iconRect.left() - 4);
        else
            textRect.setLeft(iconRect.left() + iconRect.width() + 4);
        flags |= Qt::AlignLeft;
        iconRect.translate(shiftX, shiftY);
        p->drawPixmap(iconRect, pixmap);
    } else {
        flags |= Qt::AlignHCenter;
    }
    textRect.translate(shiftX, shiftY);
    if (opt->features & QStyleOptionButton::HasMenu) {
        const int indicator = proxy->pixelMetric(QStyle::PM_MenuButtonIndicator, opt, w);
        if (rtl)
            textRect.setLeft(textRect.left() + indicator);
        else
            textRect.setRight(textRect.right() - indicator);
    }
    proxy->drawItemText(p, textRect, flags, opt->palette, s & QStyle::State_Enabled, opt->text,
                        QPalette::ButtonText);
    return true;
}

void drawComboBoxLabel(const NuvraStyle* style, const QStyleOptionComboBox* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p);
    const QStyle* proxy = style->proxy();
    QRect edit = proxy->subControlRect(QStyle::CC_ComboBox, opt, QStyle::SC_ComboBoxEditField, w);
    p->setClipRect(edit, Qt::IntersectClip);
    if (!opt->currentIcon.isNull()) {
        const QIcon::Mode mode = (opt->state & QStyle::State_Enabled) ? QIcon::Normal : QIcon::Disabled;
        const QPixmap pixmap = opt->currentIcon.pixmap(opt->iconSize, mode, QIcon::Off);
        const int step = opt->iconSize.width() + 4;
        const QRect iconRect = QStyle::alignedRect(opt->direction, Qt::AlignLeft | Qt::AlignVCenter,
                                                   QSize(step, edit.height()), edit);
        if (opt->editable)
            p->fillRect(iconRect, opt->palette.brush(QPalette::Base));
        proxy->drawItemPixmap(p, iconRect, Qt::AlignCenter, pixmap);
        edit.translate(opt->direction == Qt::RightToLeft ? -step : step, 0);
    }
    if (!opt->currentText.isEmpty() && !opt->editable)
        proxy->drawItemText(p, edit.adjusted(1, 0, -1, 0),
                            QStyle::visualAlignment(opt->direction, Qt::AlignLeft | Qt::AlignVCenter), opt->palette,
                            opt->state & QStyle::State_Enabled, opt->currentText, QPalette::NoRole);
}

namespace {

// The option's width times the scale, halves away from zero; unscaled for a
// widget that asks to be left unscaled.
int frameWidth(int width, double scale, const QWidget* w)
{
    if (w && w->property(ignoreScaleProperty).toBool())
        return width;
    return static_cast<int>(std::round(width * scale));
}

void drawPlainLine(QPainter* p, const QPoint& a, const QPoint& b, const QColor& colour, int width)
{
    const QPen old = p->pen();
    p->setPen(QPen(QBrush(colour), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    p->drawLine(a, b);
    p->setPen(old);
}

} // namespace

void drawShapedFrame(const NuvraStyle* style, const QStyleOptionFrame* opt, QPainter* p, const QWidget* w)
{
    const PainterIsolation isolation(p);
    const QStyle::State s = opt->state;
    const QFrame::Shadow shadow = (s & QStyle::State_Sunken)  ? QFrame::Sunken
                                  : (s & QStyle::State_Raised) ? QFrame::Raised
                                                               : QFrame::Plain;
    const bool sunken = shadow == QFrame::Sunken;
    const int lw = frameWidth(opt->lineWidth, style->styleScale(), w);
    const int mlw = frameWidth(opt->midLineWidth, style->styleScale(), w);
    const QColor plain = opt->palette.color(QPalette::Active, QPalette::Midlight);
    const QRect& r = opt->rect;
    switch (opt->frameShape) {
    case QFrame::Box:
        if (shadow == QFrame::Plain)
            qDrawPlainRect(p, r, plain, lw, nullptr);
        else
            qDrawShadeRect(p, r, opt->palette, sunken, lw, mlw, nullptr);
        break;
    case QFrame::Panel:
        if (shadow == QFrame::Plain)
            qDrawPlainRect(p, r, plain, lw, nullptr);
        else
            qDrawShadePanel(p, r, opt->palette, sunken, lw, nullptr);
        break;
    case QFrame::WinPanel:
        if (shadow == QFrame::Plain)
            qDrawPlainRect(p, r, plain, lw, nullptr);
        else
            qDrawWinPanel(p, r, opt->palette, sunken, nullptr);
        break;
    case QFrame::HLine:
    case QFrame::VLine: {
        QPoint a, b;
        if (opt->frameShape == QFrame::HLine) {
            a = QPoint(r.left(), r.top() + r.height() / 2);
            b = QPoint(r.right() + 1, a.y());
        } else {
            a = QPoint(r.left() + r.width() / 2, r.top());
            b = QPoint(a.x(), r.bottom() + 1);
        }
        if (shadow == QFrame::Plain)
            drawPlainLine(p, a, b, plain, lw);
        else
            qDrawShadeLine(p, a, b, opt->palette, sunken, lw, mlw);
        break;
    }
    case QFrame::StyledPanel: {
        const QStyle* painterStyle = w ? w->style() : style->proxy();
        painterStyle->drawPrimitive(QStyle::PE_Frame, opt, p, w);
        break;
    }
    default:
        break;
    }
}

} // namespace Control
} // namespace Style
} // namespace Nuvra
