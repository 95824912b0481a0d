#pragma once

#include <cstdint>

namespace Nuvra {
namespace CMM {

struct sCIEXYZ;

struct vec3real_t {
    double v[3];
};

// Row-major 3x3 matrix in double precision.
struct mat33real_t {
    double m[3][3];

    static mat33real_t Identity();
    static mat33real_t Diagonal(double a, double b, double c);

    mat33real_t operator*(const mat33real_t& r) const;
    vec3real_t operator*(const vec3real_t& v) const;
    sCIEXYZ operator*(const sCIEXYZ& v) const;

    // True when every element is within tolerance of the other's.
    bool IsClose(const mat33real_t& o, double tolerance) const;
    bool IsFinite() const;
};

// Gauss-Jordan inversion with partial pivoting; false (out untouched) when
// a pivot is 1e-6 or less in magnitude or any value is not finite.
bool Invert(const mat33real_t& in, mat33real_t& out);

// 16.16 fixed point: 0x10000 is 1.0.
struct vec3fixed_t {
    int32_t v[3];
};

struct mat33fixed_t {
    int32_t m[9]; // row-major

    static mat33fixed_t Identity();
    // Each element rounded half away from zero (saturating).
    static mat33fixed_t FromReal(const mat33real_t& r);

    // out_i = (sum_j m_ij v_j + 0x8000) >> 16, in 64 bits, saturated to 32
    // bits: a file's matrix can reach far beyond them, and a wrapped sum
    // would clamp to the wrong end.
    vec3fixed_t operator*(const vec3fixed_t& v) const
    {
        vec3fixed_t r;
        for (int i = 0; i < 3; ++i) {
            const int64_t s = (int64_t(m[i * 3]) * v.v[0] + int64_t(m[i * 3 + 1]) * v.v[1] +
                               int64_t(m[i * 3 + 2]) * v.v[2] + 0x8000) >>
                              16;
            r.v[i] = static_cast<int32_t>(s < INT32_MIN ? INT32_MIN : (s > INT32_MAX ? INT32_MAX : s));
        }
        return r;
    }

    bool operator==(const mat33fixed_t& o) const;
};

vec3fixed_t FixedFromReal(const vec3real_t& v);

} // namespace CMM
} // namespace Nuvra
