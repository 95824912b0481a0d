#include "style/IconLookup.h"

#include "style/StyleManager.h"
#include "style/StyleProperties.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QSvgRenderer>

#include <cmath>

namespace Nuvra {

bool AppVars::usingNuvraStyle = true;

namespace Style {

namespace {

QString currentStyleFolder()
{
    const QStyle* style = QApplication::style();
    return style ? style->property(resourcePathProperty).toString() : QString();
}

QString currentStyleName()
{
    const QStyle* style = QApplication::style();
    return style ? style->objectName() : QString();
}

bool usableSize(const QSize& size)
{
    return size.width() >= 1 && size.height() >= 1;
}

QPixmap loadScaledPixmap(const QString& path, const QSize& size, double s)
{
    if (s == 1.0)
        return QPixmap(path);
    const QImage image(path);
    if (image.isNull())
        return QPixmap();
    if (usableSize(size))
        return QPixmap::fromImage(image.scaled(static_cast<int>(size.width() * s), static_cast<int>(size.height() * s),
                                               Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return QPixmap::fromImage(image.scaledToHeight(static_cast<int>(image.height() * s), Qt::SmoothTransformation));
}

QPixmap renderSvgPixmap(QSvgRenderer& renderer, const QSize& size, double s)
{
    const QSize base = usableSize(size) ? size : renderer.defaultSize();
    QImage image(static_cast<int>(base.width() * s), static_cast<int>(base.height() * s), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    if (!image.isNull()) {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        renderer.render(&painter);
    }
    return QPixmap::fromImage(image);
}

void warnFailed(const QString& prefix)
{
    qWarning("Nuvra::Style::iconByPrefix('%s') is failed\n", prefix.toLocal8Bit().constData());
}

// The icon of a file set whose base image is p".png".
QIcon plainFamily(const QString& p, const QPixmap& base, const QSize& size, double s)
{
    QPixmap hover = loadScaledPixmap(p + "-hover.png", size, s);
    QPixmap clicked = loadScaledPixmap(p + "-clicked.png", size, s);
    const QPixmap disabled = loadScaledPixmap(p + "-disabled.png", size, s);
    if (hover.isNull())
        hover = base;
    if (clicked.isNull())
        clicked = hover;
    QIcon icon;
    icon.addPixmap(base, QIcon::Normal, QIcon::Off);
    icon.addPixmap(hover, QIcon::Active, QIcon::Off);
    icon.addPixmap(clicked, QIcon::Active, QIcon::On);
    if (!disabled.isNull())
        icon.addPixmap(disabled, QIcon::Disabled, QIcon::Off);
    return icon;
}

// The images of one state (unchecked or checked) of a file set.
struct StateImages {
    QPixmap plain, hovered, clicked, disabled;
};

// One state of an SVG file set: stem is p"-normal" or p"-checked"; a missing
// hovered image repeats the plain one, a missing clicked image the hovered
// one, a missing disabled image is the plain one at opacity 0.25.
StateImages svgState(QSvgRenderer& renderer, const QString& stem, const QPixmap& plain, const QSize& size, double s)
{
    const auto optional = [&](const QString& file) {
        return QFile::exists(file) && renderer.load(file) ? renderSvgPixmap(renderer, size, s) : QPixmap();
    };
    StateImages st;
    st.plain = plain;
    st.hovered = optional(stem + "-hovered.svg");
    if (st.hovered.isNull())
        st.hovered = st.plain;
    st.clicked = optional(stem + "-clicked.svg");
    if (st.clicked.isNull())
        st.clicked = st.hovered;
    st.disabled = optional(stem + "-disabled.svg");
    if (st.disabled.isNull())
        st.disabled = setAlphaChannel(st.plain, 0.25);
    return st;
}

QIcon svgFamily(const QString& p, const QSize& size, double s, bool warn)
{
    QSvgRenderer renderer;
    if (!renderer.load(p + "-normal.svg")) {
        if (warn)
            warnFailed(p);
        return QIcon();
    }
    const QPixmap normal = renderSvgPixmap(renderer, size, s);
    const StateImages off = svgState(renderer, p + "-normal", normal, size, s);
    QIcon icon;
    icon.addPixmap(off.plain, QIcon::Normal, QIcon::Off);
    icon.addPixmap(off.hovered, QIcon::Active, QIcon::Off);
    icon.addPixmap(off.clicked, QIcon::Selected, QIcon::Off);
    icon.addPixmap(off.disabled, QIcon::Disabled, QIcon::Off);
    const QString checkedFile = p + "-checked.svg";
    if (QFile::exists(checkedFile) && renderer.load(checkedFile)) {
        const StateImages on = svgState(renderer, p + "-checked", renderSvgPixmap(renderer, size, s), size, s);
        icon.addPixmap(on.plain, QIcon::Normal, QIcon::On);
        icon.addPixmap(on.hovered, QIcon::Active, QIcon::On);
        icon.addPixmap(on.clicked, QIcon::Selected, QIcon::On);
        icon.addPixmap(on.disabled, QIcon::Disabled, QIcon::On);
    } else {
        icon.addPixmap(off.clicked, QIcon::Active, QIcon::On);
    }
    return icon;
}

// One state of a PNG file set; the disabled image stays null when missing.
StateImages pngState(const QString& stem, const QPixmap& plain, const QSize& size, double s)
{
    StateImages st;
    st.plain = plain;
    st.hovered = loadScaledPixmap(stem + "-hovered.png", size, s);
    st.clicked = loadScaledPixmap(stem + "-clicked.png", size, s);
    st.disabled = loadScaledPixmap(stem + "-disabled.png", size, s);
    if (st.hovered.isNull())
        st.hovered = st.plain;
    if (st.clicked.isNull())
        st.clicked = st.hovered;
    return st;
}

QIcon normalPngFamily(const QString& p, const QSize& size, double s, bool warn)
{
    const QPixmap normal = loadScaledPixmap(p + "-normal.png", size, s);
    if (normal.isNull()) {
        if (warn)
            warnFailed(p);
        return QIcon();
    }
    const StateImages off = pngState(p + "-normal", normal, size, s);
    QIcon icon;
    icon.addPixmap(off.plain, QIcon::Normal, QIcon::Off);
    icon.addPixmap(off.hovered, QIcon::Active, QIcon::Off);
    icon.addPixmap(off.clicked, QIcon::Selected, QIcon::Off);
    if (!off.disabled.isNull())
        icon.addPixmap(off.disabled, QIcon::Disabled, QIcon::Off);
    const QPixmap checked = loadScaledPixmap(p + "-checked.png", size, s);
    if (!checked.isNull()) {
        const StateImages on = pngState(p + "-checked", checked, size, s);
        icon.addPixmap(on.plain, QIcon::Normal, QIcon::On);
        icon.addPixmap(on.hovered, QIcon::Active, QIcon::On);
        icon.addPixmap(on.clicked, QIcon::Selected, QIcon::On);
        if (!on.disabled.isNull())
            icon.addPixmap(on.disabled, QIcon::Disabled, QIcon::On);
    } else {
        icon.addPixmap(off.clicked, QIcon::Active, QIcon::On);
    }
    return icon;
}

// The file set at prefix p: plain, SVG or normal-PNG family, the first that applies.
QIcon iconFromFiles(const QString& p, const QSize& size, bool warn)
{
    if (p.isEmpty())
        return QIcon();
    const double s = StyleManager::StyleScale();
    const QPixmap base = loadScaledPixmap(p + ".png", size, s);
    if (!base.isNull())
        return plainFamily(p, base, size, s);
    if (QFile::exists(p + "-normal.svg"))
        return svgFamily(p, size, s, warn);
    return normalPngFamily(p, size, s, warn);
}

QIcon styleIconWithFallback(const QString& name, const QSize& size)
{
    static const QString kNuvra = QStringLiteral(":/Styles/NuvraStyle/");
    static const QString kDark = QStringLiteral(":/Styles/DarkStyle/");
    const QString style = currentStyleName();
    QStringList folders{currentStyleFolder()};
    if (style == QLatin1String("ModernGray") || style == QLatin1String("MidStyle"))
        folders << kDark;
    if (style != QLatin1String("NuvraStyle"))
        folders << kNuvra;
    for (const QString& folder : folders) {
        QIcon icon = iconFromFiles(folder + name, size, false);
        if (!icon.isNull())
            return icon;
    }
    qWarning("Nuvra::Style::iconByPrefix('%s') is failed\n", (kNuvra + name).toUtf8().constData());
    return QIcon();
}

} // namespace

bool isAbsoluteResourceName(const QString& name)
{
    if (name.isEmpty())
        return true;
    const QChar first = name.at(0);
    return first == QLatin1Char('$') || first == QLatin1Char('/') || first == QLatin1Char(':') ||
           first == QLatin1Char('\\') || (name.size() > 1 && name.at(1) == QLatin1Char(':'));
}

QString StyleManager::realName(const QString& name)
{
    if (isAbsoluteResourceName(name))
        return name;
    if (!AppVars::usingNuvraStyle)
        return QStringLiteral(":/style/") + name;
    return currentStyleFolder() + name;
}

QIcon iconByPrefix(const QString& name, const QSize& size)
{
    if (isAbsoluteResourceName(name))
        return iconFromFiles(name, size, true);
    if (!AppVars::usingNuvraStyle)
        return iconFromFiles(StyleManager::realName(name), size, true);
    auto* engine = new StyleIconEngine(name, size);
    if (engine->isNullIcon()) {
        delete engine;
        return QIcon();
    }
    return QIcon(engine);
}

QPixmap setAlphaChannel(const QPixmap& pixmap, double opacity)
{
    QImage image(pixmap.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (!image.isNull()) {
        QPainter painter(&image);
        painter.setOpacity(opacity);
        painter.drawPixmap(0, 0, pixmap);
    }
    return QPixmap::fromImage(image);
}

bool StyleManager::LoadPixmap(QPixmap& pixmap, const QString& name, eRasterizerFilter)
{
    if (name.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        // Missing files are the normal case of the fall-back folders; only a
        // file that exists and does not render is worth the renderer's warning.
        QSvgRenderer renderer;
        if (!QFile::exists(name) || !renderer.load(name))
            return false;
        pixmap = renderSvgPixmap(renderer, QSize(), StyleScale());
    } else {
        pixmap = loadScaledPixmap(name, QSize(), StyleScale());
    }
    return !pixmap.isNull();
}

void setStyleIcon(QAbstractButton* button, const char* icon, const char* shape, const QSize& size)
{
    if (!button || !icon)
        return;
    button->setProperty(nuvraShapeProperty, QString::fromUtf8(shape));
    button->setProperty(nuvraIconProperty, QString::fromUtf8(icon));
    button->setProperty(nuvraIconSizeProperty, size);
    button->setIcon(iconByPrefix(QString::fromUtf8(icon), size));
}

// --- StyleIconEngine --------------------------------------------------------

StyleIconEngine::StyleIconEngine(const QString& name, const QSize& size)
    : m_folder(currentStyleFolder())
    , m_name(name)
    , m_scale(StyleManager::StyleScale())
    , m_size(size)
{
    m_icon = styleIconWithFallback(m_name, m_size);
}

void StyleIconEngine::refresh()
{
    const QString folder = currentStyleFolder();
    const double s = StyleManager::StyleScale();
    if (folder == m_folder && s == m_scale)
        return;
    m_folder = folder;
    m_scale = s;
    m_icon = styleIconWithFallback(m_name, m_size);
}

void StyleIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    refresh();
    m_icon.paint(painter, rect, Qt::AlignCenter, mode, state);
}

QSize StyleIconEngine::actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    refresh();
    return m_icon.actualSize(size, mode, state);
}

QPixmap StyleIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    refresh();
    return m_icon.pixmap(size, mode, state);
}

QIconEngine* StyleIconEngine::clone() const
{
    return new StyleIconEngine(*this);
}

} // namespace Style
} // namespace Nuvra
