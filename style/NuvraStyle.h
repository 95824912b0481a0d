#pragma once

#include "style/BaseStyle.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>

class QProgressBar;
class QStyleOptionComboBox;
class QStyleOptionGroupBox;
class QStyleOptionMenuItem;
class QStyleOptionSlider;
class QStyleOptionSpinBox;
class QStyleOptionTab;

namespace Nuvra {
namespace Style {

class ExtendedPalette;

// The default style. Its palettes come from "Standard.palette" and
// "Extended.palette" in its resource folder ("ResourcePath"), read once on
// first use; its images from the same folder through getPixmap. Every length
// it measures or paints is the unscaled value times scale.
//
// Metrics, primitives, controls and complex controls each have a source file
// of their own (NuvraStyleMetrics.cpp, NuvraStylePrimitives.cpp,
// NuvraStyleControls.cpp, NuvraStyleComplex.cpp).
class NuvraStyle : public BaseStyle {
    Q_OBJECT
public:
    NuvraStyle();
    ~NuvraStyle() override;

    bool eventFilter(QObject* watched, QEvent* event) override;

    void polish(QWidget* widget) override;
    void unpolish(QWidget* widget) override;
    void polish(QApplication* application) override;
    void unpolish(QApplication* application) override;
    void polish(QPalette& palette) override;

    void drawItemText(QPainter* painter, const QRect& rect, int flags, const QPalette& pal, bool enabled,
                      const QString& text, QPalette::ColorRole textRole = QPalette::NoRole) const override;
    QPalette standardPalette() const override;

    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                       const QWidget* w = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* opt, QPainter* p,
                     const QWidget* w = nullptr) const override;
    QRect subElementRect(SubElement r, const QStyleOption* opt, const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                            const QWidget* w = nullptr) const override;
    SubControl hitTestComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, const QPoint& pt,
                                     const QWidget* w = nullptr) const override;
    QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                         const QWidget* w = nullptr) const override;
    int pixelMetric(PixelMetric m, const QStyleOption* opt = nullptr, const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& contentsSize,
                           const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint sh, const QStyleOption* opt = nullptr, const QWidget* w = nullptr,
                  QStyleHintReturn* shret = nullptr) const override;
    QPixmap standardPixmap(StandardPixmap sp, const QStyleOption* opt = nullptr,
                           const QWidget* widget = nullptr) const override;
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    QPixmap generatedIconPixmap(QIcon::Mode iconMode, const QPixmap& pixmap,
                                const QStyleOption* opt) const override;
    int layoutSpacing(QSizePolicy::ControlType control1, QSizePolicy::ControlType control2,
                      Qt::Orientation orientation, const QStyleOption* option = nullptr,
                      const QWidget* widget = nullptr) const override;

    int GetStyleFamily() const override;
    // The style's extended colours; owned by the style.
    virtual ExtendedPalette* extendedPalette() const;
    // The style's resource folder, ending in "/".
    virtual QString prefix() const;
    // An image of the style folder (such as "skin/checkbox-normal.svg") at
    // the current scale, through the pixmap cache and the fall-back folders.
    virtual bool getPixmap(const char* name, QPixmap& pixmap) const;

    // Where a tab's text and icon go inside its option rectangle.
    void tabLayout(const QStyleOptionTab* opt, const QWidget* widget, QRect* textRect, QRect* iconRect) const;

    double dpiScaled(double v) const { return v * scale; }
    double styleScale() const { return scale; }
    void setStyleScale(double value) { scale = value; }
    // Step of the endless progress animation (elapsed milliseconds / 40).
    int busyAnimationStep() const { return busyStep; }
    // Whether the busy-bar timer runs.
    bool busyTimerActive() const { return timerId != 0; }

protected:
    // Layout of the pieces the metrics measure (NuvraStyleMetrics.cpp).
    QSize menuItemSize(const QStyleOptionMenuItem* item, const QSize& contentsSize, const QWidget* widget) const;
    QRect tabButtonRect(bool leftButton, const QStyleOptionTab* tab, const QWidget* widget) const;
    QRect spinBoxRect(const QStyleOptionSpinBox* spin, SubControl sc, const QWidget* w) const;
    QRect scrollBarRect(const QStyleOptionSlider* bar, SubControl sc, const QWidget* w) const;
    QRect sliderRect(const QStyleOptionSlider* slider, SubControl sc, const QWidget* w) const;
    QRect groupBoxRect(const QStyleOptionGroupBox* box, SubControl sc, const QWidget* w) const;
    // The width a combo box of this height takes beyond its text: frame and
    // arrow column as its own parts lay them out, plus the label's insets
    // (labelInsets) or, when editable, the line edit's margins and cursor.
    int comboBoxChrome(const QStyleOptionComboBox* combo, int height, int labelInsets, const QWidget* w) const;
    // The text width a combo box's label needs: Qt measures each item's ink
    // from its own first inked column, the label draws it from the text's
    // origin, so the widest item is taken from there to its advance or last
    // inked column, whichever is further.
    static int comboBoxTextWidth(const QSize& contentsSize, const QWidget* w);

    void timerEvent(QTimerEvent* event) override;
    // Sets the object name and resource folder of a variant.
    void setIdentity(const char* objectName, const char* resourcePath);

    mutable QPalette* palette = nullptr;
    mutable ExtendedPalette* extPalette = nullptr;
    double scale = 1.0;
    // Shown progress bars. Guarded, so a bar deleted while shown is never
    // used; kept as QObjects, so a bar in destruction is found by address
    // without a cast.
    QList<QPointer<QObject>> busyBars;
    int timerId = 0;
    QElapsedTimer busyTime;
    int busyStep = 0;

private:
    void busyBarShown(QProgressBar* bar);
    void busyBarGone(QObject* bar);
    void stopBusyTimerIfIdle();
};

// The tiled tool-bar grip along r: for Qt::Vertical copies across r, for
// Qt::Horizontal copies down it, in the border colour of the option's palette
// and the widget's background.
void drawToolBarHandleImage(QPainter* painter, const QStyleOption* option, const QRect& r,
                            Qt::Orientation orientation, const QWidget* widget);

// The dark variant: palettes and images of ":/Styles/DarkStyle/".
class DarkStyle : public NuvraStyle {
    Q_OBJECT
public:
    DarkStyle();
    ~DarkStyle() override;
};

// The mid-grey variant: ":/Styles/MidStyle/", falling back to DarkStyle's images.
class MidStyle : public NuvraStyle {
    Q_OBJECT
public:
    MidStyle();
    ~MidStyle() override;
};

} // namespace Style
} // namespace Nuvra
