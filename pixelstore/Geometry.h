#pragma once

#include <algorithm>
#include <climits>

namespace Nuvra {
namespace Detail {

template <class T>
struct SizeT {
    T width{};
    T height{};

    bool isEmpty() const noexcept { return width <= 0 || height <= 0; }
    friend bool operator==(const SizeT& a, const SizeT& b) noexcept { return a.width == b.width && a.height == b.height; }
    friend bool operator!=(const SizeT& a, const SizeT& b) noexcept { return !(a == b); }
};

template <class T>
struct PointT {
    T x{};
    T y{};

    friend bool operator==(const PointT& a, const PointT& b) noexcept { return a.x == b.x && a.y == b.y; }
    friend bool operator!=(const PointT& a, const PointT& b) noexcept { return !(a == b); }
};

// right and bottom are exclusive; the whole of a (w, h) image is {0, 0, w, h}.
template <class T>
struct RectT {
    T left{};
    T top{};
    T right{};
    T bottom{};

    static RectT fromSize(const SizeT<T>& s) noexcept { return {T(0), T(0), s.width, s.height}; }

    bool isEmpty() const noexcept { return right <= left || bottom <= top; }
    T width() const noexcept { return right - left; }
    T height() const noexcept { return bottom - top; }

    // Clips a non-empty rectangle to an image of size (w, h); an empty one is
    // left as it is (and callers do nothing with it).
    RectT clipped(T w, T h) const noexcept {
        if (isEmpty())
            return *this;
        return {std::max(left, T(0)), std::max(top, T(0)), std::min(right, w), std::min(bottom, h)};
    }
    RectT clipped(const SizeT<T>& s) const noexcept { return clipped(s.width, s.height); }

    // The common part; empty (and then only tested with isEmpty) when they do not meet.
    RectT intersected(const RectT& o) const noexcept {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    }
    bool contains(const RectT& inner) const noexcept {
        return inner.left >= left && inner.top >= top && inner.right <= right && inner.bottom <= bottom;
    }

    // Corners in order: (left, top), (right, top), (right, bottom), (left, bottom).
    PointT<T> corner(int i) const noexcept {
        switch (i & 3) {
        case 0: return {left, top};
        case 1: return {right, top};
        case 2: return {right, bottom};
        default: return {left, bottom};
        }
    }

    friend bool operator==(const RectT& a, const RectT& b) noexcept {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
    friend bool operator!=(const RectT& a, const RectT& b) noexcept { return !(a == b); }
};

} // namespace Detail

using Size = Detail::SizeT<int>;
using Point = Detail::PointT<int>;
using Rect = Detail::RectT<int>;
using RectD = Detail::RectT<double>;

// 3x3 matrix stored row by row; a point (x, y) is the row vector (x, y, 1):
// x' = m0 x + m3 y + m6, y' = m1 x + m4 y + m7, w = m2 x + m5 y + m8.
template <class T>
struct tAffineTransform {
    T m[9] = {T(1), T(0), T(0), T(0), T(1), T(0), T(0), T(0), T(1)};

    static tAffineTransform identity() noexcept { return {}; }

    T mapX(T x, T y) const noexcept { return m[0] * x + m[3] * y + m[6]; }
    T mapY(T x, T y) const noexcept { return m[1] * x + m[4] * y + m[7]; }
    T mapW(T x, T y) const noexcept { return m[2] * x + m[5] * y + m[8]; }
    bool isAffine() const noexcept { return m[2] == T(0) && m[5] == T(0) && m[8] == T(1); }
};

// Tiles are 64 x 64 elements.
constexpr int kTileShift = 6;
constexpr int kTileSide = 1 << kTileShift;
constexpr int kTileMask = kTileSide - 1;
constexpr int kTileElements = kTileSide * kTileSide;

// Longest side whose last tile still ends within the int range; tile and
// element coordinates of longer sides would wrap around.
constexpr int kMaxTiledLength = INT_MAX / kTileSide * kTileSide;

constexpr int tileCount(int length) noexcept { return (length + kTileMask) / kTileSide; }
constexpr int tileColumn(int x) noexcept { return x >> kTileShift; }
constexpr int tileRow(int y) noexcept { return y >> kTileShift; }
constexpr int elementInTile(int x, int y) noexcept { return ((y & kTileMask) << kTileShift) + (x & kTileMask); }

} // namespace Nuvra
