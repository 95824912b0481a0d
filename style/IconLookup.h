#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QSize>
#include <QString>

class QAbstractButton;

namespace Nuvra {
namespace Style {

// Accepted by the image loaders for callers that name a filter; every value
// rasterizes the same way.
enum eRasterizerFilter { RasterizerDefault = 0 };

// True for names that do not resolve against the style folder: a first
// character of "$", "/", ":" or "\", a drive letter, or the empty name.
bool isAbsoluteResourceName(const QString& name);

// The icon for a resource name ("std/arrow_back" relative to the current
// style's folder, ":/about/close" absolute); null when no file set exists.
// Icons of relative names follow later changes of style and scale.
QIcon iconByPrefix(const QString& name, const QSize& size);

// A copy of the pixmap drawn at the given opacity.
QPixmap setAlphaChannel(const QPixmap& pixmap, double opacity);

// Marks the button for the styles ("nuvraShape", "nuvraIcon",
// "nuvraIconSize") and gives it the icon of that name. A null button or
// icon name is ignored.
void setStyleIcon(QAbstractButton* button, const char* icon, const char* shape, const QSize& size);

// Icon engine over a relative name: it looks its files up again whenever the
// application's style folder or scale has changed since it last did.
class StyleIconEngine : public QIconEngine {
public:
    StyleIconEngine(const QString& name, const QSize& size);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;

    bool isNullIcon() const { return m_icon.isNull(); }

private:
    void refresh();

    QString m_folder;
    QString m_name;
    QIcon m_icon;
    double m_scale = 1.0;
    QSize m_size;
};

} // namespace Style
} // namespace Nuvra
