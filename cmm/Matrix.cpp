#include "cmm/Matrix.h"

#include "cmm/ColorRecords.h"
#include "cmm/Saturate.h"

#include <cmath>
#include <utility>

namespace Nuvra {
namespace CMM {

mat33real_t mat33real_t::Identity()
{
    return Diagonal(1.0, 1.0, 1.0);
}

mat33real_t mat33real_t::Diagonal(double a, double b, double c)
{
    return mat33real_t{{{a, 0.0, 0.0}, {0.0, b, 0.0}, {0.0, 0.0, c}}};
}

mat33real_t mat33real_t::operator*(const mat33real_t& r) const
{
    mat33real_t o;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            o.m[i][j] = m[i][0] * r.m[0][j] + m[i][1] * r.m[1][j] + m[i][2] * r.m[2][j];
    return o;
}

vec3real_t mat33real_t::operator*(const vec3real_t& v) const
{
    vec3real_t o;
    for (int i = 0; i < 3; ++i)
        o.v[i] = m[i][0] * v.v[0] + m[i][1] * v.v[1] + m[i][2] * v.v[2];
    return o;
}

sCIEXYZ mat33real_t::operator*(const sCIEXYZ& c) const
{
    const vec3real_t r = *this * vec3real_t{{c.X, c.Y, c.Z}};
    return sCIEXYZ{float(r.v[0]), float(r.v[1]), float(r.v[2])};
}

bool mat33real_t::IsClose(const mat33real_t& o, double tolerance) const
{
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            if (!(std::fabs(m[i][j] - o.m[i][j]) <= tolerance))
                return false;
    return true;
}

bool mat33real_t::IsFinite() const
{
    for (const auto& row : m)
        for (double v : row)
            if (!std::isfinite(v))
                return false;
    return true;
}

bool Invert(const mat33real_t& in, mat33real_t& out)
{
    mat33real_t a = in;
    mat33real_t r = mat33real_t::Identity();
    for (int k = 0; k < 3; ++k) {
        int pivot = k;
        for (int i = k + 1; i < 3; ++i)
            if (std::fabs(a.m[i][k]) > std::fabs(a.m[pivot][k]))
                pivot = i;
        std::swap(a.m[k], a.m[pivot]);
        std::swap(r.m[k], r.m[pivot]);
        const double p = a.m[k][k];
        if (!(std::fabs(p) > 1e-6))
            return false;
        for (int j = 0; j < 3; ++j) {
            a.m[k][j] /= p;
            r.m[k][j] /= p;
        }
        for (int i = 0; i < 3; ++i) {
            if (i == k)
                continue;
            const double f = a.m[i][k];
            for (int j = 0; j < 3; ++j) {
                a.m[i][j] -= f * a.m[k][j];
                r.m[i][j] -= f * r.m[k][j];
            }
        }
    }
    if (!r.IsFinite())
        return false;
    out = r;
    return true;
}

mat33fixed_t mat33fixed_t::Identity()
{
    return mat33fixed_t{{0x10000, 0, 0, 0, 0x10000, 0, 0, 0, 0x10000}};
}

mat33fixed_t mat33fixed_t::FromReal(const mat33real_t& r)
{
    mat33fixed_t f;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            f.m[i * 3 + j] = SaturateInt32(r.m[i][j] * 65536.0);
    return f;
}

bool mat33fixed_t::operator==(const mat33fixed_t& o) const
{
    for (int i = 0; i < 9; ++i)
        if (m[i] != o.m[i])
            return false;
    return true;
}

vec3fixed_t FixedFromReal(const vec3real_t& v)
{
    return vec3fixed_t{{SaturateInt32(v.v[0] * 65536.0), SaturateInt32(v.v[1] * 65536.0),
                        SaturateInt32(v.v[2] * 65536.0)}};
}

} // namespace CMM
} // namespace Nuvra
