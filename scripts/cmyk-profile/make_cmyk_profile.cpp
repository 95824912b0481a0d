// Builds the engine's default CMYK output profile from printer
// characterisation data (CMYK -> XYZ measurements in the CGATS text format).
//
// Model: a Yule-Nielsen modified Neugebauer model (16 measured primaries,
// per-ink effective coverage from the single-ink ramps, a fitted n factor)
// gives the shape of the colour space; a smooth radial-basis fit of what it
// leaves at every distinct patch brings it onto the measurements. From it:
//   A2B1 (mft2, 4 -> Lab): colorimetric, media-relative; grid nodes on the
//          measured ink levels through input tables.
//   A2B0 = A2B2 (one shared mft2): the same with lightness expanded so that
//          the printer's black maps to L 0.
//   B2A1 (mft1, Lab -> 4): the model inverted with a black generation and a
//          300 % ink limit; black leaves the generation's value only where a
//          colour cannot be reached with it, and is smoothed around those
//          colours. Colours outside the gamut move towards mid grey first.
//          Lab white gives no ink. B2A0 and B2A2 invert the perceptual
//          lightness map.
//   gamt (mft1, Lab -> 1): 0 where the printer reaches the node, else
//          graded by how far outside the gamut it lies, half scale at 3 dE76;
//          paper white is in gamut.
// Usage: make_cmyk_profile data.ti3 out.icc
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Vec3 = std::array<double, 3>;
using Cmyk = std::array<double, 4>;

constexpr double kD50[3] = {0.9642, 1.0, 0.8249};
constexpr double kInkLimit = 3.0; // total area coverage, 300 %

// f(0) .. f(n - 1) on a few threads. Each call is independent of the others,
// so the result does not depend on the thread count.
template <class F>
void parallelFor(int n, F f)
{
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t]() {
            for (int i = t; i < n; i += threads)
                f(i);
        });
    for (std::thread& th : pool)
        th.join();
}

struct Patch {
    Cmyk cmyk; // 0..1
    Vec3 xyz;  // 0..1, absolute
};

std::vector<Patch> readTi3(const char* path)
{
    std::ifstream in(path);
    if (!in) {
        std::fprintf(stderr, "cannot open %s\n", path);
        std::exit(1);
    }
    std::string line;
    std::vector<std::string> fields;
    std::vector<Patch> patches;
    bool inFormat = false, inData = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream ls(line);
        std::string first;
        ls >> first;
        if (first == "BEGIN_DATA_FORMAT") { inFormat = true; continue; }
        if (first == "END_DATA_FORMAT") { inFormat = false; continue; }
        if (first == "BEGIN_DATA") { inData = true; continue; }
        if (first == "END_DATA") { inData = false; continue; }
        if (inFormat) {
            std::istringstream fs(line);
            std::string f;
            while (fs >> f)
                fields.push_back(f);
            continue;
        }
        if (!inData || first.empty())
            continue;
        std::map<std::string, double> v;
        std::istringstream ds(line);
        for (const std::string& f : fields) {
            std::string s;
            ds >> s;
            v[f] = std::atof(s.c_str());
        }
        Patch p;
        p.cmyk = {v["CMYK_C"] / 100, v["CMYK_M"] / 100, v["CMYK_Y"] / 100, v["CMYK_K"] / 100};
        p.xyz = {v["XYZ_X"] / 100, v["XYZ_Y"] / 100, v["XYZ_Z"] / 100};
        patches.push_back(p);
    }
    return patches;
}

double labF(double t)
{
    return t > 0.008856452 ? std::cbrt(t) : 7.787037 * t + 16.0 / 116.0;
}

Vec3 xyzToLab(const Vec3& xyz)
{
    const double fx = labF(xyz[0] / kD50[0]), fy = labF(xyz[1] / kD50[1]), fz = labF(xyz[2] / kD50[2]);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

double deltaE(const Vec3& a, const Vec3& b)
{
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

class NeugebauerModel {
public:
    explicit NeugebauerModel(const std::vector<Patch>& patches) : m_patches(patches)
    {
        // Paper white and the 16 primaries, averaging repeated patches.
        for (int i = 0; i < 16; ++i) {
            Vec3 sum{0, 0, 0};
            int count = 0;
            for (const Patch& p : patches) {
                bool match = true;
                for (int k = 0; k < 4; ++k)
                    match = match && std::fabs(p.cmyk[k] - ((i >> k) & 1)) < 1e-9;
                if (match) {
                    for (int c = 0; c < 3; ++c)
                        sum[c] += p.xyz[c];
                    ++count;
                }
            }
            if (!count) {
                std::fprintf(stderr, "primary %d missing from the data\n", i);
                std::exit(1);
            }
            for (int c = 0; c < 3; ++c)
                m_primaries[i][c] = sum[c] / count;
        }
        m_paper = m_primaries[0];
        double best = 1e30, bestN = 1;
        for (double n = 1.0; n <= 6.0; n += 0.05) {
            setN(n);
            const double e = meanError();
            if (e < best) {
                best = e;
                bestN = n;
            }
        }
        setN(bestN);
        std::fprintf(stderr, "Neugebauer model: n factor %.2f, mean dE %.2f, max dE %.2f over %zu patches\n", bestN, meanError(),
                     maxError(), patches.size());
    }

    const Vec3& paper() const { return m_paper; }

    // Absolute XYZ.
    Vec3 xyz(const Cmyk& in) const
    {
        double a[4];
        for (int k = 0; k < 4; ++k)
            a[k] = effective(k, std::clamp(in[k], 0.0, 1.0));
        Vec3 r{0, 0, 0};
        for (int i = 0; i < 16; ++i) {
            double w = 1;
            for (int k = 0; k < 4; ++k)
                w *= ((i >> k) & 1) ? a[k] : 1 - a[k];
            for (int c = 0; c < 3; ++c)
                r[c] += w * m_rootPrimaries[i][c];
        }
        for (double& v : r)
            v = std::pow(std::max(v, 0.0), m_n);
        return r;
    }

private:
    void setN(double n)
    {
        m_n = n;
        for (int i = 0; i < 16; ++i)
            for (int c = 0; c < 3; ++c)
                m_rootPrimaries[i][c] = std::pow(m_primaries[i][c], 1 / n);
        // Effective coverage of each ink from its ramp on paper.
        for (int k = 0; k < 4; ++k) {
            std::map<double, std::pair<double, int>> levels;
            for (const Patch& p : m_patches) {
                bool single = true;
                for (int j = 0; j < 4; ++j)
                    single = single && (j == k || p.cmyk[j] == 0);
                if (!single)
                    continue;
                const Vec3& w = m_rootPrimaries[0];
                const Vec3& s = m_rootPrimaries[1 << k];
                double num = 0, den = 0;
                for (int c = 0; c < 3; ++c) {
                    const double d = s[c] - w[c];
                    num += (std::pow(p.xyz[c], 1 / n) - w[c]) * d;
                    den += d * d;
                }
                auto& e = levels[p.cmyk[k]];
                e.first += std::clamp(num / den, 0.0, 1.0);
                e.second += 1;
            }
            m_ramp[k].clear();
            for (const auto& l : levels)
                m_ramp[k].push_back({l.first, l.second.first / l.second.second});
            m_ramp[k].front().second = 0;
            m_ramp[k].back().second = 1;
            // Keep it increasing so the model stays invertible.
            for (size_t i = 1; i < m_ramp[k].size(); ++i)
                m_ramp[k][i].second = std::max(m_ramp[k][i].second, m_ramp[k][i - 1].second + 1e-4);
        }
    }

    double effective(int k, double v) const
    {
        const auto& r = m_ramp[k];
        for (size_t i = 1; i < r.size(); ++i) {
            if (v <= r[i].first) {
                const double t = (v - r[i - 1].first) / (r[i].first - r[i - 1].first);
                return r[i - 1].second + t * (r[i].second - r[i - 1].second);
            }
        }
        return r.back().second;
    }

    double meanError() const
    {
        double sum = 0;
        for (const Patch& p : m_patches)
            sum += deltaE(xyzToLab(p.xyz), xyzToLab(xyz(p.cmyk)));
        return sum / double(m_patches.size());
    }

    double maxError() const
    {
        double m = 0;
        for (const Patch& p : m_patches)
            m = std::max(m, deltaE(xyzToLab(p.xyz), xyzToLab(xyz(p.cmyk))));
        return m;
    }

    std::vector<Patch> m_patches;
    Vec3 m_primaries[16];
    Vec3 m_rootPrimaries[16];
    Vec3 m_paper;
    double m_n = 1;
    std::vector<std::pair<double, double>> m_ramp[4];
};

// What the Neugebauer model leaves: a smooth function of the inks fitted to
// the residual Lab of every distinct patch. Polyharmonic radial basis r^3 with
// a linear polynomial, solved exactly (the data are already smoothed).
class ResidualFit {
public:
    ResidualFit(const std::vector<Cmyk>& at, const std::vector<Vec3>& residual) : m_at(at)
    {
        const size_t n = at.size(), dim = n + 5;
        std::vector<double> a(dim * dim, 0.0), rhs(dim * 3, 0.0);
        for (size_t i = 0; i < n; ++i) {
            for (size_t j = 0; j < n; ++j)
                a[i * dim + j] = kernel(at[i], at[j]);
            const double poly[5] = {1, at[i][0], at[i][1], at[i][2], at[i][3]};
            for (size_t p = 0; p < 5; ++p) {
                a[i * dim + n + p] = poly[p];
                a[(n + p) * dim + i] = poly[p];
            }
            for (int c = 0; c < 3; ++c)
                rhs[i * 3 + c] = residual[i][c];
        }
        solve(a, rhs, dim);
        m_weights.assign(rhs.begin(), rhs.begin() + long(n * 3));
        for (int p = 0; p < 5; ++p)
            for (int c = 0; c < 3; ++c)
                m_poly[p][c] = rhs[(n + size_t(p)) * 3 + size_t(c)];
    }

    Vec3 operator()(const Cmyk& x) const
    {
        const double poly[5] = {1, x[0], x[1], x[2], x[3]};
        Vec3 r{0, 0, 0};
        for (int p = 0; p < 5; ++p)
            for (int c = 0; c < 3; ++c)
                r[c] += poly[p] * m_poly[p][c];
        for (size_t i = 0; i < m_at.size(); ++i) {
            const double k = kernel(x, m_at[i]);
            for (int c = 0; c < 3; ++c)
                r[c] += k * m_weights[i * 3 + size_t(c)];
        }
        return r;
    }

private:
    static double kernel(const Cmyk& a, const Cmyk& b)
    {
        double d = 0;
        for (int k = 0; k < 4; ++k)
            d += (a[k] - b[k]) * (a[k] - b[k]);
        const double r = std::sqrt(d);
        return r * r * r;
    }

    // Gaussian elimination with partial pivoting; rhs holds three columns.
    static void solve(std::vector<double>& a, std::vector<double>& rhs, size_t dim)
    {
        for (size_t col = 0; col < dim; ++col) {
            size_t pivot = col;
            for (size_t r = col + 1; r < dim; ++r)
                if (std::fabs(a[r * dim + col]) > std::fabs(a[pivot * dim + col]))
                    pivot = r;
            if (std::fabs(a[pivot * dim + col]) < 1e-14) {
                std::fprintf(stderr, "residual fit: singular system\n");
                std::exit(1);
            }
            if (pivot != col) {
                for (size_t j = 0; j < dim; ++j)
                    std::swap(a[col * dim + j], a[pivot * dim + j]);
                for (int c = 0; c < 3; ++c)
                    std::swap(rhs[col * 3 + size_t(c)], rhs[pivot * 3 + size_t(c)]);
            }
            const double* top = &a[col * dim];
            for (size_t r = col + 1; r < dim; ++r) {
                double* row = &a[r * dim];
                const double f = row[col] / top[col];
                if (f == 0.0)
                    continue;
                for (size_t j = col; j < dim; ++j)
                    row[j] -= f * top[j];
                for (int c = 0; c < 3; ++c)
                    rhs[r * 3 + size_t(c)] -= f * rhs[col * 3 + size_t(c)];
            }
        }
        for (size_t col = dim; col-- > 0;) {
            for (int c = 0; c < 3; ++c) {
                double v = rhs[col * 3 + size_t(c)];
                for (size_t j = col + 1; j < dim; ++j)
                    v -= a[col * dim + j] * rhs[j * 3 + size_t(c)];
                rhs[col * 3 + size_t(c)] = v / a[col * dim + col];
            }
        }
    }

    std::vector<Cmyk> m_at;
    std::vector<double> m_weights;
    double m_poly[5][3] = {};
};

// Repeated ink combinations averaged into one patch each.
std::vector<Patch> distinctPatches(const std::vector<Patch>& patches)
{
    std::map<std::array<long, 4>, std::pair<Vec3, int>> sums;
    for (const Patch& p : patches) {
        std::array<long, 4> key;
        for (int k = 0; k < 4; ++k)
            key[size_t(k)] = std::lround(p.cmyk[size_t(k)] * 10000);
        auto& e = sums[key];
        for (int c = 0; c < 3; ++c)
            e.first[size_t(c)] += p.xyz[size_t(c)];
        ++e.second;
    }
    std::vector<Patch> out;
    for (const auto& s : sums) {
        Patch p;
        for (int k = 0; k < 4; ++k)
            p.cmyk[size_t(k)] = double(s.first[size_t(k)]) / 10000;
        for (int c = 0; c < 3; ++c)
            p.xyz[size_t(c)] = s.second.first[size_t(c)] / s.second.second;
        out.push_back(p);
    }
    return out;
}

// The printer: the Neugebauer model for the shape of the colour space, the
// residual fit for what the measurements add. Lab is media-relative.
class PrinterModel {
public:
    explicit PrinterModel(const std::vector<Patch>& measured)
        : m_patches(distinctPatches(measured)), m_base(m_patches), m_fit(fitResiduals())
    {
        double sum = 0, worst = 0;
        for (const Patch& p : m_patches) {
            const double e = deltaE(lab(p.cmyk), relativeLab(p.xyz));
            sum += e;
            worst = std::max(worst, e);
        }
        std::fprintf(stderr, "printer model: mean dE %.3f, max dE %.3f over %zu distinct patches\n",
                     sum / double(m_patches.size()), worst, m_patches.size());
    }

    const Vec3& paper() const { return m_base.paper(); }
    const std::vector<Patch>& patches() const { return m_patches; }

    Vec3 relativeLab(const Vec3& xyz) const
    {
        Vec3 x = xyz;
        for (int c = 0; c < 3; ++c)
            x[size_t(c)] = x[size_t(c)] / m_base.paper()[size_t(c)] * kD50[c];
        return xyzToLab(x);
    }

    Vec3 lab(const Cmyk& in) const
    {
        Cmyk x;
        for (int k = 0; k < 4; ++k)
            x[size_t(k)] = std::clamp(in[size_t(k)], 0.0, 1.0);
        Vec3 r = relativeLab(m_base.xyz(x));
        const Vec3 d = m_fit(x);
        for (int c = 0; c < 3; ++c)
            r[size_t(c)] += d[size_t(c)];
        return r;
    }

private:
    ResidualFit fitResiduals() const
    {
        std::vector<Cmyk> at;
        std::vector<Vec3> residual;
        for (const Patch& p : m_patches) {
            const Vec3 model = relativeLab(m_base.xyz(p.cmyk));
            const Vec3 measured = relativeLab(p.xyz);
            at.push_back(p.cmyk);
            residual.push_back({measured[0] - model[0], measured[1] - model[1], measured[2] - model[2]});
        }
        return ResidualFit(at, residual);
    }

    std::vector<Patch> m_patches;
    NeugebauerModel m_base;
    ResidualFit m_fit;
};

// The model sampled on a fine grid and read back by multilinear
// interpolation: what the inversion evaluates, thousands of times per node.
class SampledModel {
public:
    static constexpr int kPoints = 33;

    explicit SampledModel(const PrinterModel& model)
        : m_lab(size_t(kPoints) * kPoints * kPoints * kPoints)
    {
        parallelFor(kPoints, [&](int c) {
            for (int m = 0; m < kPoints; ++m)
                for (int y = 0; y < kPoints; ++y)
                    for (int k = 0; k < kPoints; ++k)
                        m_lab[index(c, m, y, k)] = model.lab({double(c) / (kPoints - 1), double(m) / (kPoints - 1),
                                                              double(y) / (kPoints - 1), double(k) / (kPoints - 1)});
        });
    }

    Vec3 lab(const Cmyk& in) const
    {
        int cell[4];
        double frac[4];
        for (int k = 0; k < 4; ++k) {
            const double p = std::clamp(in[size_t(k)], 0.0, 1.0) * (kPoints - 1);
            cell[k] = std::min(int(p), kPoints - 2);
            frac[k] = p - cell[k];
        }
        Vec3 r{0, 0, 0};
        for (int corner = 0; corner < 16; ++corner) {
            double w = 1;
            int at[4];
            for (int k = 0; k < 4; ++k) {
                const bool up = (corner >> k) & 1;
                w *= up ? frac[k] : 1 - frac[k];
                at[k] = cell[k] + (up ? 1 : 0);
            }
            if (w == 0)
                continue;
            const Vec3& v = m_lab[index(at[0], at[1], at[2], at[3])];
            for (int c = 0; c < 3; ++c)
                r[size_t(c)] += w * v[size_t(c)];
        }
        return r;
    }

private:
    static size_t index(int c, int m, int y, int k)
    {
        return ((size_t(c) * kPoints + size_t(m)) * kPoints + size_t(y)) * kPoints + size_t(k);
    }

    std::vector<Vec3> m_lab;
};

// Black generation: none in light colours, rising with darkness, less in
// saturated colours. The inversion keeps to it wherever the colour can be
// reached with it, and moves black only as far as a colour needs.
double blackFor(const Vec3& lab)
{
    const double t = std::clamp((100 - lab[0]) / 100, 0.0, 1.0);
    const double chroma = std::hypot(lab[1], lab[2]);
    double k = t < 0.3 ? 0 : std::pow((t - 0.3) / 0.7, 1.2);
    k *= std::clamp(1 - chroma / 80, 0.2, 1.0);
    return std::clamp(k, 0.0, 1.0);
}

bool solve3(double J[3][3], const double r[3], double out[3])
{
    const double det = J[0][0] * (J[1][1] * J[2][2] - J[1][2] * J[2][1]) -
                       J[0][1] * (J[1][0] * J[2][2] - J[1][2] * J[2][0]) +
                       J[0][2] * (J[1][0] * J[2][1] - J[1][1] * J[2][0]);
    if (std::fabs(det) < 1e-12)
        return false;
    for (int c = 0; c < 3; ++c) {
        double M[3][3];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                M[i][j] = j == c ? r[i] : J[i][j];
        out[c] = (M[0][0] * (M[1][1] * M[2][2] - M[1][2] * M[2][1]) - M[0][1] * (M[1][0] * M[2][2] - M[1][2] * M[2][0]) +
                  M[0][2] * (M[1][0] * M[2][1] - M[1][1] * M[2][0])) /
                 det;
    }
    return true;
}

// The nearest CMY inside the unit cube whose sum stays within `limit`
// (Euclidean projection onto the capped simplex, by bisection on the shift).
void projectCmy(Cmyk& x, double limit)
{
    for (int i = 0; i < 3; ++i)
        x[size_t(i)] = std::clamp(x[size_t(i)], 0.0, 1.0);
    if (x[0] + x[1] + x[2] <= limit)
        return;
    double lo = 0, hi = 1;
    Cmyk y = x;
    for (int it = 0; it < 50; ++it) {
        const double shift = (lo + hi) / 2;
        double sum = 0;
        for (int i = 0; i < 3; ++i)
            sum += std::clamp(x[size_t(i)] - shift, 0.0, 1.0);
        (sum > limit ? lo : hi) = shift;
    }
    for (int i = 0; i < 3; ++i)
        y[size_t(i)] = std::clamp(x[size_t(i)] - hi, 0.0, 1.0);
    x = y;
}

struct Solution {
    Cmyk cmyk;
    double error; // dE76 from the target
};

// CMY for the target with black fixed, inside the ink limit: projected,
// damped Gauss-Newton from a few starts.
Solution solveCmy(const SampledModel& model, const Vec3& target, double k, const Cmyk& start)
{
    const double limit = std::max(0.0, kInkLimit - k);
    Solution best{{start[0], start[1], start[2], k}, 1e30};
    projectCmy(best.cmyk, limit);
    best.error = deltaE(model.lab(best.cmyk), target);
    for (const Cmyk& s0 : {best.cmyk, Cmyk{0.2, 0.2, 0.2, k}, Cmyk{0.8, 0.8, 0.8, k}}) {
        Cmyk x = s0;
        projectCmy(x, limit);
        double err = deltaE(model.lab(x), target);
        for (int it = 0; it < 30 && err > 0.005; ++it) {
            const Vec3 f = model.lab(x);
            double J[3][3];
            for (int j = 0; j < 3; ++j) {
                Cmyk y = x;
                const double h = x[size_t(j)] < 0.99 ? 1e-3 : -1e-3;
                y[size_t(j)] += h;
                const Vec3 g = model.lab(y);
                for (int i = 0; i < 3; ++i)
                    J[i][j] = (g[size_t(i)] - f[size_t(i)]) / h;
            }
            const double r[3] = {f[0] - target[0], f[1] - target[1], f[2] - target[2]};
            double step[3];
            if (!solve3(J, r, step)) {
                // Flat in some direction: a small gradient step instead.
                for (int j = 0; j < 3; ++j)
                    step[j] = 1e-3 * (J[0][j] * r[0] + J[1][j] * r[1] + J[2][j] * r[2]);
            }
            double damping = 1;
            bool improved = false;
            for (int tries = 0; tries < 10; ++tries, damping *= 0.5) {
                Cmyk y = x;
                for (int i = 0; i < 3; ++i)
                    y[size_t(i)] = x[size_t(i)] - damping * step[i];
                projectCmy(y, limit);
                const double e = deltaE(model.lab(y), target);
                if (e < err) {
                    x = y;
                    err = e;
                    improved = true;
                    break;
                }
            }
            if (!improved)
                break;
        }
        if (err < best.error)
            best = {x, err};
    }
    return best;
}

// Inks for a target: the black generation's black where the colour is
// reached with it. Elsewhere the black nearest to the generation's among those
// that come within kBlackTolerance of the closest any black reaches, so black
// changes smoothly from one colour to the next instead of jumping between
// equally good solutions.
constexpr double kBlackTolerance = 0.3; // dE76

Cmyk invert(const SampledModel& model, const Vec3& target, const Cmyk& start)
{
    const double preferred = blackFor(target);
    const Solution first = solveCmy(model, target, preferred, start);
    if (first.error <= 0.25)
        return first.cmyk;

    constexpr int kSteps = 20;
    std::vector<Solution> scan;
    double closest = first.error;
    for (int i = 0; i <= kSteps; ++i) {
        scan.push_back(solveCmy(model, target, double(i) / kSteps, start));
        closest = std::min(closest, scan.back().error);
    }
    const double acceptable = closest + kBlackTolerance;
    if (first.error <= acceptable)
        return first.cmyk;
    // The acceptable scan step nearest the preferred black ...
    int pick = -1;
    for (int i = 0; i <= kSteps; ++i) {
        if (scan[size_t(i)].error <= acceptable &&
            (pick < 0 || std::fabs(double(i) / kSteps - preferred) < std::fabs(double(pick) / kSteps - preferred)))
            pick = i;
    }
    // ... then the edge of the acceptable range towards it, by bisection.
    Solution best = scan[size_t(pick)];
    double inside = double(pick) / kSteps, outside = preferred;
    for (int it = 0; it < 6; ++it) {
        const double k = (inside + outside) / 2;
        const Solution s = solveCmy(model, target, k, best.cmyk);
        if (s.error <= acceptable) {
            best = s;
            inside = k;
        } else {
            outside = k;
        }
    }
    return best.cmyk;
}

// Whether some black within the ink limit prints the colour within
// kReachDeltaE: the preferred black first, then a coarse range.
constexpr double kReachDeltaE = 0.5;

bool reachable(const SampledModel& model, const Vec3& lab, const Cmyk& start)
{
    const double preferred = blackFor(lab);
    for (double k : {preferred, 0.0, 0.2, 0.4, 0.6, 0.8, 1.0}) {
        if (solveCmy(model, lab, k, start).error <= kReachDeltaE)
            return true;
    }
    return false;
}

// Inks for any Lab: colours the printer reaches are inverted; the others are
// first brought into the gamut along the line towards mid grey (L 50), as far
// out on it as prints. Hue stays, lightness and chroma give way together, and
// neighbouring colours map to neighbouring inks.
Vec3 intoGamut(const SampledModel& model, const Vec3& target, const Cmyk& start)
{
    if (reachable(model, target, start))
        return target;
    const Vec3 grey{50, 0, 0};
    auto along = [&](double t) {
        return Vec3{grey[0] + t * (target[0] - grey[0]), t * target[1], t * target[2]};
    };
    double inside = 0, outside = 1;
    for (int it = 0; it < 10; ++it) {
        const double mid = (inside + outside) / 2;
        (reachable(model, along(mid), start) ? inside : outside) = mid;
    }
    return along(inside);
}

// Output writing -------------------------------------------------------------

struct Out {
    std::vector<uint8_t> b;
    void u8(unsigned v) { b.push_back(uint8_t(v)); }
    void u16(unsigned v) { u8(v >> 8); u8(v & 0xFF); }
    void u32(uint32_t v) { u16(v >> 16); u16(v & 0xFFFF); }
    void s15(double v) { u32(uint32_t(int32_t(std::lround(v * 65536)))); }
    void sig(const char* s) { for (int i = 0; i < 4; ++i) u8(uint8_t(s[i])); }
    void text(const std::string& s) { for (char c : s) u8(uint8_t(c)); }
    void pad4() { while (b.size() % 4) u8(0); }
};

uint16_t labToV2(const Vec3& lab, int c)
{
    double v;
    if (c == 0)
        v = std::clamp(lab[0], 0.0, 100.0) * 652.8;
    else
        v = (std::clamp(lab[size_t(c)], -128.0, 127.996) + 128) * 256;
    return uint16_t(std::lround(std::clamp(v, 0.0, 65535.0)));
}

Vec3 labFromV2(const uint16_t v[3])
{
    return {v[0] / 652.8, v[1] / 256.0 - 128, v[2] / 256.0 - 128};
}

// Lab of an 8-bit-index grid node of n points per axis.
Vec3 nodeLab(int i, int j, int k, int n)
{
    const double f = 255.0 / (n - 1);
    return {i * f * 100 / 255, j * f - 128, k * f - 128};
}

void writeMatrixIdentity(Out& o)
{
    for (int i = 0; i < 9; ++i)
        o.s15(i % 4 == 0 ? 1.0 : 0.0);
}

// The CMYK to Lab tables. Grid nodes sit on the ink levels the measurements
// were printed at, through piecewise-linear input tables, so the grid
// resolves the light tones where a step of ink changes the colour most.
class ForwardTable {
public:
    static constexpr int kPoints = 11;
    static constexpr int kTableEntries = 4096;

    explicit ForwardTable(const PrinterModel& model)
        : m_knots{{{0, .05, .10, .20, .30, .40, .55, .70, .85, .93, 1},
                   {0, .05, .10, .20, .30, .40, .55, .70, .85, .93, 1},
                   {0, .05, .10, .20, .30, .40, .55, .70, .85, .93, 1},
                   {0, .05, .10, .20, .30, .40, .50, .60, .70, .80, 1}}}
    {
        for (int ch = 0; ch < 4; ++ch) {
            m_tables[ch].resize(kTableEntries);
            for (int i = 0; i < kTableEntries; ++i)
                m_tables[ch][size_t(i)] =
                    uint16_t(std::lround(coordinate(ch, double(i) / (kTableEntries - 1)) * 65535));
        }
        m_grid.resize(size_t(kPoints) * kPoints * kPoints * kPoints * 3);
        parallelFor(kPoints, [&](int c) {
            for (int m = 0; m < kPoints; ++m)
                for (int y = 0; y < kPoints; ++y)
                    for (int k = 0; k < kPoints; ++k) {
                        const Vec3 lab = model.lab({m_knots[0][size_t(c)], m_knots[1][size_t(m)],
                                                    m_knots[2][size_t(y)], m_knots[3][size_t(k)]});
                        const size_t at = (((size_t(c) * kPoints + size_t(m)) * kPoints + size_t(y)) * kPoints +
                                           size_t(k)) * 3;
                        for (int ch = 0; ch < 3; ++ch)
                            m_grid[at + size_t(ch)] = labToV2(lab, ch);
                    }
        });
    }

    // The tag, with the lightness of every node mapped by `lightness`.
    std::vector<uint8_t> tag(double (*lightness)(double, double), double blackL) const
    {
        Out o;
        o.sig("mft2");
        o.u32(0);
        o.u8(4);
        o.u8(3);
        o.u8(kPoints);
        o.u8(0);
        writeMatrixIdentity(o);
        o.u16(kTableEntries);
        o.u16(2);
        for (const auto& t : m_tables)
            for (uint16_t v : t)
                o.u16(v);
        for (size_t i = 0; i < m_grid.size(); i += 3) {
            Vec3 lab = labFromV2(&m_grid[i]);
            lab[0] = lightness(lab[0], blackL);
            for (int ch = 0; ch < 3; ++ch)
                o.u16(labToV2(lab, ch));
        }
        for (int t = 0; t < 3; ++t) {
            o.u16(0);
            o.u16(65535);
        }
        return o.b;
    }

    // The colorimetric table as a reader evaluates it: the input tables, then
    // the grid, linear along cyan and tetrahedral over the other three inks.
    Vec3 eval(const Cmyk& in) const
    {
        double pos[4];
        for (int ch = 0; ch < 4; ++ch) {
            const double x = std::clamp(in[size_t(ch)], 0.0, 1.0) * (kTableEntries - 1);
            const int i = std::min(int(x), kTableEntries - 2);
            const double t = x - i;
            const double v = m_tables[ch][size_t(i)] + t * (m_tables[ch][size_t(i) + 1] - m_tables[ch][size_t(i)]);
            pos[ch] = v / 65535 * (kPoints - 1);
        }
        const int c0 = std::min(int(pos[0]), kPoints - 2);
        const double fc = pos[0] - c0;
        double lo[3], hi[3], out[3];
        tetrahedral(c0, pos, lo);
        tetrahedral(c0 + 1, pos, hi);
        for (int ch = 0; ch < 3; ++ch)
            out[ch] = lo[ch] + fc * (hi[ch] - lo[ch]);
        const uint16_t v[3] = {uint16_t(std::lround(out[0])), uint16_t(std::lround(out[1])),
                               uint16_t(std::lround(out[2]))};
        return labFromV2(v);
    }

private:
    // Grid coordinate 0..1 of ink x on channel ch.
    double coordinate(int ch, double x) const
    {
        const auto& k = m_knots[size_t(ch)];
        for (int j = 0; j + 1 < kPoints; ++j) {
            if (x <= k[size_t(j) + 1])
                return (j + (x - k[size_t(j)]) / (k[size_t(j) + 1] - k[size_t(j)])) / (kPoints - 1);
        }
        return 1;
    }

    double node(int c, int m, int y, int k, int ch) const
    {
        return m_grid[(((size_t(c) * kPoints + size_t(m)) * kPoints + size_t(y)) * kPoints + size_t(k)) * 3 +
                      size_t(ch)];
    }

    void tetrahedral(int c, const double pos[4], double out[3]) const
    {
        int base[3];
        double r[3];
        for (int i = 0; i < 3; ++i) {
            base[i] = std::min(int(pos[i + 1]), kPoints - 2);
            r[i] = pos[i + 1] - base[i];
        }
        int order[3] = {0, 1, 2};
        std::sort(order, order + 3, [&](int a, int b) { return r[a] > r[b]; });
        int at[3] = {base[0], base[1], base[2]};
        for (int ch = 0; ch < 3; ++ch)
            out[ch] = node(c, at[0], at[1], at[2], ch);
        double previous[3];
        for (int ch = 0; ch < 3; ++ch)
            previous[ch] = out[ch];
        for (int s = 0; s < 3; ++s) {
            ++at[order[s]];
            for (int ch = 0; ch < 3; ++ch) {
                const double v = node(c, at[0], at[1], at[2], ch);
                out[ch] += (v - previous[ch]) * r[order[s]];
                previous[ch] = v;
            }
        }
    }

    std::array<std::array<double, kPoints>, 4> m_knots;
    std::vector<uint16_t> m_tables[4];
    std::vector<uint16_t> m_grid;
};

double colorimetricL(double l, double) { return l; }
// Perceptual and saturation tables: the printer's black becomes L 0.
double perceptualL(double l, double blackL) { return (l - blackL) * 100 / (100 - blackL); }

void identity8(Out& o, int tables)
{
    for (int t = 0; t < tables; ++t)
        for (int i = 0; i < 256; ++i)
            o.u8(unsigned(i));
}

constexpr int kInversePoints = 33;
constexpr int kBlackSmoothing = 10; // passes

// The inverse grid's nodes around Lab white: a reader takes it to L 100 on the
// last plane and a = b = 0 to the 8-bit code 128, which falls between two
// nodes on each axis.
std::vector<size_t> paperWhiteNodes()
{
    const int n = kInversePoints;
    const double zero = 128.0 * (n - 1) / 255;
    std::vector<size_t> nodes;
    for (int j : {int(std::floor(zero)), int(std::ceil(zero))})
        for (int k : {int(std::floor(zero)), int(std::ceil(zero))})
            nodes.push_back((size_t(n - 1) * n + size_t(j)) * n + size_t(k));
    return nodes;
}

// Inks of every node of the Lab to CMYK grid; perceptual maps L 0 to the
// printer's black first. `printed`, when given, receives the colour each node
// was brought to before inversion: the node itself when the printer reaches it.
std::vector<Cmyk> inverseNodes(const SampledModel& model, double blackL, bool perceptual,
                               std::vector<Vec3>* printed = nullptr)
{
    const int n = kInversePoints;
    const auto at = [n](int i, int j, int k) { return (size_t(i) * n + size_t(j)) * n + size_t(k); };
    std::vector<Cmyk> nodes(size_t(n) * n * n);
    std::vector<Vec3> targets(nodes.size());
    parallelFor(n, [&](int i) {
        Cmyk previous{0, 0, 0, 0};
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) {
                Vec3 lab = nodeLab(i, j, k, n);
                if (perceptual)
                    lab[0] = blackL + lab[0] * (100 - blackL) / 100;
                targets[at(i, j, k)] = intoGamut(model, lab, previous);
                previous = invert(model, targets[at(i, j, k)], previous);
                nodes[at(i, j, k)] = previous;
            }
    });

    // Where black had to leave the generation's value it can change quickly
    // from node to node, which interpolation between nodes turns into colour
    // error. Black is smoothed over each node's neighbours and the other inks
    // solved again for it, where that keeps the colour.
    for (int pass = 0; pass < kBlackSmoothing; ++pass) {
        const std::vector<Cmyk> before = nodes;
        parallelFor(n, [&](int i) {
            for (int j = 0; j < n; ++j)
                for (int k = 0; k < n; ++k) {
                    double sum = 0, weight = 0;
                    for (int di = -1; di <= 1; ++di)
                        for (int dj = -1; dj <= 1; ++dj)
                            for (int dk = -1; dk <= 1; ++dk) {
                                const int a = i + di, b = j + dj, c = k + dk;
                                if (a < 0 || b < 0 || c < 0 || a >= n || b >= n || c >= n)
                                    continue;
                                const double w = (di ? 1 : 2) * (dj ? 1 : 2) * (dk ? 1 : 2);
                                sum += w * before[at(a, b, c)][3];
                                weight += w;
                            }
                    const Cmyk& old = before[at(i, j, k)];
                    const Vec3& target = targets[at(i, j, k)];
                    const double oldError = deltaE(model.lab(old), target);
                    const Solution s = solveCmy(model, target, sum / weight, old);
                    if (s.error <= std::max(oldError + 0.1, kReachDeltaE))
                        nodes[at(i, j, k)] = s.cmyk;
                }
        });
    }

    // Paper white prints no ink: any ink at the nodes around it would reach
    // the paper through interpolation.
    for (size_t node : paperWhiteNodes())
        nodes[node] = Cmyk{0, 0, 0, 0};
    if (printed)
        *printed = std::move(targets);
    return nodes;
}

uint8_t ink8(double v)
{
    return uint8_t(std::lround(std::clamp(v, 0.0, 1.0) * 255));
}

// mft1: Lab -> CMYK.
std::vector<uint8_t> b2a(const std::vector<Cmyk>& nodes)
{
    Out o;
    o.sig("mft1");
    o.u32(0);
    o.u8(3);
    o.u8(4);
    o.u8(kInversePoints);
    o.u8(0);
    writeMatrixIdentity(o);
    identity8(o, 3);
    for (const Cmyk& c : nodes)
        for (int ch = 0; ch < 4; ++ch)
            o.u8(ink8(c[size_t(ch)]));
    identity8(o, 4);
    return o.b;
}

// How far a colour lies outside the gamut: the nearest any legal inks print
// to it, over a range of blacks, and no further than `printed`, the colour in
// the gamut the inverse tables map it to. 0 for a colour the printer reaches.
double outsideBy(const SampledModel& model, const Vec3& lab, const Vec3& printed, const Cmyk& start)
{
    double nearest = deltaE(lab, printed);
    constexpr int kSteps = 20;
    for (int i = 0; i <= kSteps && nearest > 0; ++i)
        nearest = std::min(nearest, solveCmy(model, lab, double(i) / kSteps, start).error);
    return nearest;
}

// mft1: Lab -> out-of-gamut flag, graded by how far a node lies outside the
// gamut: 0 where the printer reaches it, rising linearly to half scale at
// kGamutDeltaE and to full scale at twice that. A reader interpolating between
// nodes then crosses half scale near kGamutDeltaE outside the gamut, where a
// table of only 0 and 255 crosses it midway between an in-gamut node and an
// outside one and so flags colours at the gamut's edge that legal inks print.
constexpr double kGamutDeltaE = 3.0;

std::vector<uint8_t> gamut(const SampledModel& model, const std::vector<Cmyk>& nodes,
                           const std::vector<Vec3>& printed, size_t* outside)
{
    const int n = kInversePoints;
    const auto at = [n](int i, int j, int k) { return (size_t(i) * n + size_t(j)) * n + size_t(k); };
    std::vector<double> beyond(nodes.size());
    parallelFor(n, [&](int i) {
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k)
                beyond[at(i, j, k)] = outsideBy(model, nodeLab(i, j, k, n), printed[at(i, j, k)], nodes[at(i, j, k)]);
    });
    // The paper itself is in gamut, though the nodes around white lie a little
    // beyond it: a flag there would interpolate into white.
    for (size_t node : paperWhiteNodes())
        beyond[node] = 0;

    Out o;
    o.sig("mft1");
    o.u32(0);
    o.u8(3);
    o.u8(1);
    o.u8(n);
    o.u8(0);
    writeMatrixIdentity(o);
    identity8(o, 3);
    *outside = 0;
    for (double d : beyond) {
        const unsigned flag = unsigned(std::lround(std::min(d / kGamutDeltaE * 128, 255.0)));
        *outside += flag >= 128;
        o.u8(flag);
    }
    identity8(o, 1);
    return o.b;
}

std::vector<uint8_t> textTag(const char* type, const std::string& s)
{
    Out o;
    o.sig(type);
    o.u32(0);
    if (std::strcmp(type, "desc") == 0) {
        o.u32(uint32_t(s.size() + 1));
        o.text(s);
        o.u8(0);
        for (int i = 0; i < 78; ++i)
            o.u8(0);
    } else {
        o.text(s);
        o.u8(0);
    }
    return o.b;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s data.ti3 out.icc\n", argv[0]);
        return 2;
    }
    const PrinterModel model(readTi3(argv[1]));
    const double blackL = model.lab({1, 1, 1, 1})[0];
    std::fprintf(stderr, "printer black L %.2f\n", blackL);
    const ForwardTable forward(model);
    {
        double sum = 0, worst = 0;
        for (const Patch& p : model.patches()) {
            const double e = deltaE(forward.eval(p.cmyk), model.relativeLab(p.xyz));
            sum += e;
            worst = std::max(worst, e);
        }
        std::fprintf(stderr, "colorimetric table: mean dE %.3f, max dE %.3f over the patches\n",
                     sum / double(model.patches().size()), worst);
    }
    const SampledModel sampled(model);
    std::vector<Vec3> printed;
    const std::vector<Cmyk> colorimetric = inverseNodes(sampled, blackL, false, &printed);
    const std::vector<Cmyk> perceptual = inverseNodes(sampled, blackL, true);
    size_t outside = 0;
    std::vector<uint8_t> gamt = gamut(sampled, colorimetric, printed, &outside);
    std::fprintf(stderr, "gamut: %zu of %d nodes outside\n", outside,
                 kInversePoints * kInversePoints * kInversePoints);

    Out wtpt;
    wtpt.sig("XYZ ");
    wtpt.u32(0);
    for (int c = 0; c < 3; ++c)
        wtpt.s15(model.paper()[size_t(c)]);

    struct Tag {
        const char* sig;
        std::vector<uint8_t> data;
        int shares;
    };
    std::vector<Tag> tags;
    tags.push_back({"desc", textTag("desc", "Coated offset CMYK, built-in"), -1});
    tags.push_back({"cprt", textTag("text", "Generated from the FOGRA39L characterisation data (Fogra, "
                                             "www.fogra.org; zlib licence). This profile: zlib licence."),
                    -1});
    tags.push_back({"wtpt", wtpt.b, -1});
    tags.push_back({"A2B0", forward.tag(perceptualL, blackL), -1});
    tags.push_back({"A2B1", forward.tag(colorimetricL, blackL), -1});
    tags.push_back({"A2B2", {}, 3});
    tags.push_back({"B2A0", b2a(perceptual), -1});
    tags.push_back({"B2A1", b2a(colorimetric), -1});
    tags.push_back({"B2A2", b2a(perceptual), -1});
    tags.push_back({"gamt", std::move(gamt), -1});

    const uint32_t dirEnd = 128 + 4 + 12 * uint32_t(tags.size());
    std::vector<uint32_t> offsets(tags.size()), sizes(tags.size());
    Out body;
    for (size_t i = 0; i < tags.size(); ++i) {
        if (tags[i].shares >= 0) {
            offsets[i] = offsets[size_t(tags[i].shares)];
            sizes[i] = sizes[size_t(tags[i].shares)];
            continue;
        }
        offsets[i] = dirEnd + uint32_t(body.b.size());
        sizes[i] = uint32_t(tags[i].data.size());
        body.b.insert(body.b.end(), tags[i].data.begin(), tags[i].data.end());
        body.pad4();
    }
    Out h;
    h.u32(dirEnd + uint32_t(body.b.size()));
    h.u32(0);
    h.u32(0x02100000);
    h.sig("prtr");
    h.sig("CMYK");
    h.sig("Lab ");
    for (unsigned v : {2026u, 1u, 1u, 0u, 0u, 0u})
        h.u16(v);
    h.sig("acsp");
    h.u32(0);     // platform
    h.u32(0);     // flags
    h.u32(0);     // manufacturer
    h.u32(0);     // model
    h.u32(0);
    h.u32(0);     // attributes
    h.u32(0);     // perceptual
    for (double v : kD50)
        h.s15(v);
    h.u32(0);     // creator
    for (int i = 0; i < 44; ++i)
        h.u8(0);
    h.u32(uint32_t(tags.size()));
    for (size_t i = 0; i < tags.size(); ++i) {
        h.sig(tags[i].sig);
        h.u32(offsets[i]);
        h.u32(sizes[i]);
    }
    h.b.insert(h.b.end(), body.b.begin(), body.b.end());
    std::FILE* f = std::fopen(argv[2], "wb");
    if (!f || std::fwrite(h.b.data(), 1, h.b.size(), f) != h.b.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    std::fprintf(stderr, "%s: %zu bytes\n", argv[2], h.b.size());
    return 0;
}
