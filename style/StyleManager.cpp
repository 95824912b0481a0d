#include "style/StyleManager.h"

#include "style/ModernStyle.h"
#include "style/NuvraOldStyle.h"
#include "style/NuvraStyle.h"
#include "style/Scaling.h"
#include "style/StyleProperties.h"

#include "server/NuvraApplication.h"

#include <QApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QLayout>
#include <QPixmapCache>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace Nuvra {
namespace Style {

namespace {

constexpr char kMinSizeScaled[] = "MinSizeScaled";
constexpr char kMaxSizeScaled[] = "MaxSizeScaled";
constexpr char kMarginsScaled[] = "MarginsScaled";
constexpr char kSpacingScaled[] = "SpacingScaled";
constexpr char kVSpacingScaled[] = "VSpacingScaled";
constexpr char kHSpacingScaled[] = "HSpacingScaled";
constexpr char kMinRowScaled[] = "MinRowScaled";
constexpr char kMinColumnScaled[] = "MinColumnScaled";
constexpr char kFontSizeScaled[] = "FontSizeScaled";
constexpr char kFontScaled[] = "FontScaled";
constexpr char kFakeDisabled[] = "FakeDisabled";
constexpr char kFakePalette[] = "FakePalette";

constexpr int kMaxWidgetSize = QWIDGETSIZE_MAX;

bool has(const QObject* o, const char* name)
{
    return o->property(name).isValid();
}

void removeProperty(QObject* o, const char* name)
{
    o->setProperty(name, QVariant());
}

QSize scaledSize(const QSize& s, double scale)
{
    return QSize(Scaling::scaled(s.width(), scale), Scaling::scaled(s.height(), scale));
}

QSize limitedToWidgetMax(const QSize& s)
{
    return QSize(std::min(s.width(), kMaxWidgetSize), std::min(s.height(), kMaxWidgetSize));
}

NuvraStyle* nuvraStyle()
{
    return qobject_cast<NuvraStyle*>(QApplication::style());
}

// One int value kept unscaled in a "...Scaled" property: scaled from the
// record, or recorded on the first pass that is not at 1.0. With
// keepZero = false a value of 0 is neither recorded nor changed.
void rescaleValue(QObject* o, const char* recordName, double scale, int current, bool keepZero,
                  const std::function<void(int)>& set)
{
    if (has(o, recordName)) {
        set(Scaling::scaled(o->property(recordName).toInt(), scale));
    } else if (scale != 1.0 && (keepZero || current != 0)) {
        o->setProperty(recordName, current);
        set(Scaling::scaled(current, scale));
    }
}

// Row heights or column widths of a grid, kept as "a,b,c" text.
void rescaleGridLines(QGridLayout* grid, const char* recordName, double scale, int count,
                      const std::function<int(int)>& get, const std::function<void(int, int)>& set)
{
    if (has(grid, recordName)) {
        const QStringList parts = grid->property(recordName).toString().split(QLatin1Char(','));
        if (parts.size() != count)
            return;
        for (int i = 0; i < count; ++i)
            set(i, Scaling::scaled(parts[i].toInt(), scale));
    } else if (scale != 1.0) {
        QStringList parts;
        for (int i = 0; i < count; ++i) {
            const int v = get(i);
            parts << QString::number(v);
            set(i, Scaling::scaled(v, scale));
        }
        grid->setProperty(recordName, parts.join(QLatin1Char(',')));
    }
}

QPalette fakeDisabledPalette()
{
    QPalette pal = QApplication::style()->standardPalette();
    for (int role = QPalette::WindowText; role <= QPalette::ToolTipText; ++role) {
        const auto r = static_cast<QPalette::ColorRole>(role);
        pal.setBrush(QPalette::Disabled, r, QBrush(pal.color(QPalette::Active, r)));
    }
    return pal;
}

void applyFakePalette(QWidget* widget, const QPalette& pal, bool recursive)
{
    if (widget->testAttribute(Qt::WA_SetPalette))
        return;
    if (has(widget, kFakeDisabled)) {
        widget->setPalette(pal);
        widget->setProperty(kFakePalette, 1);
    } else if (widget->testAttribute(Qt::WA_ForceDisabled)) {
        // Truly disabled: keeps the disabled look, and so does its subtree.
        widget->setPalette(QApplication::style()->standardPalette());
        widget->setProperty(kFakePalette, 1);
        return;
    }
    if (recursive) {
        for (QObject* child : widget->children())
            if (child->isWidgetType())
                applyFakePalette(static_cast<QWidget*>(child), pal, true);
    }
}

void restoreFakePalette(QWidget* widget, bool recursive)
{
    if (has(widget, kFakePalette)) {
        widget->setPalette(QPalette());
        removeProperty(widget, kFakePalette);
    }
    if (recursive) {
        for (QObject* child : widget->children())
            if (child->isWidgetType())
                restoreFakePalette(static_cast<QWidget*>(child), true);
    }
}

// A style that does not scale the application font would keep the previous
// style's scaled one: the font from before the first scaling pass comes back.
void restoreUnscaledApplicationFont()
{
    const QCoreApplication* app = QCoreApplication::instance();
    if (app && has(app, kFontSizeScaled) && has(app, kFontScaled))
        QApplication::setFont(app->property(kFontScaled).value<QFont>());
}

} // namespace

QStyle* StyleManager::createStyle(const QString& name)
{
    static const struct {
        const char* name;
        QStyle* (*make)();
    } kStyles[] = {
        {"NuvraStyle", [] () -> QStyle* { return new NuvraStyle; }},
        {"MidStyle", [] () -> QStyle* { return new MidStyle; }},
        {"DarkStyle", [] () -> QStyle* { return new DarkStyle; }},
        {"NuvraOldStyle", [] () -> QStyle* { return new NuvraOldStyle; }},
        {"ModernStyle", [] () -> QStyle* { return new ModernStyle; }},
        {"ModernGray", [] () -> QStyle* { return new ModernGray; }},
    };
    for (const auto& entry : kStyles)
        if (name == QLatin1String(entry.name))
            return entry.make();
    return new NuvraStyle;
}

void StyleManager::applyStyle(QStyle* style)
{
    if (!style)
        return;
    const double native = NativeScale();
    // Without the application object of ours there are no user settings to
    // read: the native scale stands.
    NuvraApplication* app = NuvraApplication::instance();
    const double stored =
        app ? app->userSettings(QString()).value(QStringLiteral("UIScale"), native).toDouble() : native;
    applyStyle(style, stored);
}

void StyleManager::applyStyle(QStyle* style, double scale)
{
    if (!style)
        return;
    if (Scaling::usesNative(scale))
        scale = NativeScale();
    scale = Scaling::boundedScale(scale, Scaling::screenBound(Scaling::primaryScreen()));

    QGuiApplication::setDesktopSettingsAware(false);
    auto* ns = qobject_cast<NuvraStyle*>(style);
    if (ns)
        ns->setStyleScale(scale);
    for (QWidget* w : QApplication::allWidgets())
        SetFakeDisabled(w, -1, false);
    QApplication::setPalette(style->standardPalette());
    if (!ns)
        restoreUnscaledApplicationFont();
    QPixmapCache::clear();
    QApplication::setStyle(style);
    for (QWidget* w : QApplication::topLevelWidgets())
        RescaleWidget(w, scale, true);
    // A tool or test that runs on a plain QApplication has nobody to tell.
    if (NuvraApplication* app = NuvraApplication::instance()) {
        app->setStyleScale(scale);
        app->emitStyleChanged();
    }
}

double StyleManager::NativeScale()
{
    return Scaling::nativeScale(Scaling::primaryScreen());
}

double StyleManager::StyleScale()
{
    const NuvraStyle* style = nuvraStyle();
    return style ? style->styleScale() : 1.0;
}

void StyleManager::RescaleWidget(QWidget* widget, double scale, bool recursive)
{
    if (!widget || Scaling::usesNative(scale))
        return;
    if (!has(widget, ignoreScaleProperty)) {
        const QLayout::SizeConstraint constraint =
            widget->layout() ? widget->layout()->sizeConstraint() : QLayout::SetDefaultConstraint;
        // A layout that sets these sizes itself wins over the recorded ones.
        const bool layoutSetsMin =
            constraint == QLayout::SetMinimumSize || constraint == QLayout::SetMinAndMaxSize;
        const bool layoutSetsMax =
            constraint == QLayout::SetMaximumSize || constraint == QLayout::SetMinAndMaxSize;
        if (!layoutSetsMin) {
            if (has(widget, kMinSizeScaled)) {
                widget->setMinimumSize(scaledSize(widget->property(kMinSizeScaled).toSize(), scale));
            } else if (scale != 1.0 && widget->minimumSize() != QSize(0, 0)) {
                widget->setProperty(kMinSizeScaled, widget->minimumSize());
                widget->setMinimumSize(scaledSize(widget->minimumSize(), scale));
            }
        }
        if (!layoutSetsMax) {
            const QSize unbounded(kMaxWidgetSize, kMaxWidgetSize);
            if (has(widget, kMaxSizeScaled)) {
                widget->setMaximumSize(
                    limitedToWidgetMax(scaledSize(widget->property(kMaxSizeScaled).toSize(), scale)));
            } else if (scale != 1.0 && widget->maximumSize() != unbounded) {
                widget->setProperty(kMaxSizeScaled, widget->maximumSize());
                widget->setMaximumSize(limitedToWidgetMax(scaledSize(widget->maximumSize(), scale)));
            }
        }
    }
    const QObjectList children = widget->children();
    for (QObject* child : children) {
        if (child->isWidgetType()) {
            if (recursive)
                RescaleWidget(static_cast<QWidget*>(child), scale, true);
        } else if (auto* layout = qobject_cast<QLayout*>(child)) {
            RescaleLayout(layout, scale);
        }
    }
}

void StyleManager::RescaleWidget(QWidget* widget, bool recursive)
{
    const NuvraStyle* style = nuvraStyle();
    if (style)
        RescaleWidget(widget, style->styleScale(), recursive);
}

void StyleManager::RescaleLayout(QLayout* layout, double scale)
{
    if (!layout || Scaling::usesNative(scale))
        return;
    if (!has(layout, ignoreScaleProperty)) {
        if (has(layout, kMarginsScaled)) {
            const QRect m = layout->property(kMarginsScaled).toRect();
            layout->setContentsMargins(Scaling::scaled(m.x(), scale), Scaling::scaled(m.y(), scale),
                                       Scaling::scaled(m.width(), scale), Scaling::scaled(m.height(), scale));
        } else if (scale != 1.0 && !layout->contentsMargins().isNull()) {
            const QMargins m = layout->contentsMargins();
            layout->setProperty(kMarginsScaled, QRect(m.left(), m.top(), m.right(), m.bottom()));
            layout->setContentsMargins(Scaling::scaled(m.left(), scale), Scaling::scaled(m.top(), scale),
                                       Scaling::scaled(m.right(), scale), Scaling::scaled(m.bottom(), scale));
        }

        if (auto* grid = qobject_cast<QGridLayout*>(layout)) {
            rescaleValue(grid, kVSpacingScaled, scale, grid->verticalSpacing(), true,
                         [grid](int v) { grid->setVerticalSpacing(v); });
            rescaleValue(grid, kHSpacingScaled, scale, grid->horizontalSpacing(), true,
                         [grid](int v) { grid->setHorizontalSpacing(v); });
            rescaleGridLines(
                grid, kMinRowScaled, scale, grid->rowCount(), [grid](int i) { return grid->rowMinimumHeight(i); },
                [grid](int i, int v) { grid->setRowMinimumHeight(i, v); });
            rescaleGridLines(
                grid, kMinColumnScaled, scale, grid->columnCount(),
                [grid](int i) { return grid->columnMinimumWidth(i); },
                [grid](int i, int v) { grid->setColumnMinimumWidth(i, v); });
        } else if (auto* form = qobject_cast<QFormLayout*>(layout)) {
            rescaleValue(form, kVSpacingScaled, scale, form->verticalSpacing(), true,
                         [form](int v) { form->setVerticalSpacing(v); });
            rescaleValue(form, kHSpacingScaled, scale, form->horizontalSpacing(), true,
                         [form](int v) { form->setHorizontalSpacing(v); });
        } else {
            rescaleValue(layout, kSpacingScaled, scale, layout->spacing(), false,
                         [layout](int v) { layout->setSpacing(v); });
        }
    }
    const QObjectList children = layout->children();
    for (QObject* child : children)
        if (auto* nested = qobject_cast<QLayout*>(child))
            RescaleLayout(nested, scale);
    layout->invalidate();
}

void StyleManager::RescaleApplicationFont(QApplication* application)
{
    if (!application)
        return;
    const double scale = StyleScale();
    if (!has(application, kFontSizeScaled)) {
        application->setProperty(kFontSizeScaled, 12);
        application->setProperty(kFontScaled, QApplication::font());
    }
    const int base = application->property(kFontSizeScaled).toInt();
    QFont font = QApplication::font();
    font.setPixelSize(std::max(1, Scaling::scaled(base, scale)));
    QApplication::setFont(font);
}

void StyleManager::SetFakeDisabled(QWidget* widget, int state, bool recursive)
{
    if (!widget || (state != 1 && state != -1))
        return;
    const int current = has(widget, kFakeDisabled) ? 1 : -1;
    if (current == state)
        return;
    if (state == -1) {
        removeProperty(widget, kFakeDisabled);
        restoreFakePalette(widget, recursive);
    } else {
        widget->setProperty(kFakeDisabled, 1);
        applyFakePalette(widget, fakeDisabledPalette(), recursive);
    }
}

bool StyleManager::GetFakeDisabledState(const QWidget* widget, bool inherited)
{
    bool answer = inherited;
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const bool fake = has(w, kFakeDisabled);
        if (!fake && w->testAttribute(Qt::WA_ForceDisabled))
            return false;
        answer = answer || fake;
        if (w->isWindow())
            break;
    }
    return answer;
}

bool IsModernStyle()
{
    const auto* style = dynamic_cast<const BaseStyle*>(QApplication::style());
    return style && style->GetStyleFamily() == 1;
}

} // namespace Style
} // namespace Nuvra
