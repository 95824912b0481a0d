#pragma once

#include <QFont>
#include <QImage>
#include <QRect>

#include <vector>

class QPainter;

namespace Nuvra {
namespace GUI {

// A soft black shadow along the right and bottom edges of a frame: two
// strips and three corner pieces, alpha-only images made for each call.
class NuvraDropShadow {
public:
    enum eShadowDirection {
        ShadowBottom = 1,
        ShadowRight = 2,
        ShadowBottomRight = 3,
        ShadowTopRight = 4,
        ShadowBottomLeft = 5
    };

    NuvraDropShadow();
    ~NuvraDropShadow() {}

    void setShadowWidth(int width) { shadowWidth = width; }
    void setShadowDec(int dec) { shadowDec = dec; }
    int getShadowWidth() const { return shadowWidth; }

    // Rectangles are inclusive, in painter coordinates, one per piece.
    void PrintShadow(QPainter* painter, QRect right, QRect bottom, QRect bottomRight, QRect topRight,
                     QRect bottomLeft);

    // The alpha ramp of both strips for a right strip n pixels wide.
    std::vector<unsigned char> shadowRamp(int n) const;

    // The strips read only the ramp; the corner pieces only alpha, width, offset and dec.
    QImage makeShadowImage(QRect rect, std::vector<unsigned char> ramp, eShadowDirection direction,
                           unsigned char alpha, int width, int offset, int dec) const;

private:
    int shadowWidth;
    int shadowOffset;
    int shadowDec;
    unsigned char shadowAlpha;
    int topRightAngle;
    int bottomLeftAngle;
};

// A font of the Roboto family carried in the application's resources.
QFont getRobotoFont();

} // namespace GUI
} // namespace Nuvra
