// Builds the engine's default CMYK output profile from printer
// characterisation data (CMYK -> XYZ measurements in the CGATS text format).
//
// Model: Yule-Nielsen modified Neugebauer in XYZ with the 16 measured
// primaries, per-ink effective coverage taken from the single-ink ramps, and
// an n factor fitted to all patches. From it:
//   A2B1 (mft2, 4 -> Lab): colorimetric, media-relative.
//   A2B0 = A2B2 (one shared mft2): the same with lightness expanded so that
//          the printer's black maps to L 0.
//   B2A1 (mft1, Lab -> 4): colorimetric inversion with a fixed black generation
//          and an ink limit; B2A0 and B2A2 invert the perceptual lightness map.
//   gamt (mft1, Lab -> 1): 0 inside the printable gamut, 255 outside.
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
#include <vector>

namespace {

using Vec3 = std::array<double, 3>;
using Cmyk = std::array<double, 4>;

constexpr double kD50[3] = {0.9642, 1.0, 0.8249};
constexpr double kInkLimit = 3.0; // total area coverage, 300 %

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

class PrinterModel {
public:
    explicit PrinterModel(const std::vector<Patch>& patches) : m_patches(patches)
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
        std::fprintf(stderr, "n factor %.2f, mean dE %.2f, max dE %.2f over %zu patches\n", bestN, meanError(),
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

    // Lab of the media-relative XYZ (paper white maps to D50).
    Vec3 lab(const Cmyk& in) const
    {
        Vec3 x = xyz(in);
        for (int c = 0; c < 3; ++c)
            x[c] = x[c] / m_paper[c] * kD50[c];
        return xyzToLab(x);
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

// Black generation: none in light colours, rising with darkness, less in
// saturated colours.
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

void limitInk(Cmyk& c)
{
    const double sum = c[0] + c[1] + c[2] + c[3];
    if (sum > kInkLimit) {
        const double cmy = c[0] + c[1] + c[2];
        const double scale = std::max(0.0, (kInkLimit - c[3]) / cmy);
        for (int i = 0; i < 3; ++i)
            c[i] *= scale;
    }
}

// CMY for the target with K fixed: damped Gauss-Newton inside the unit cube.
Cmyk invert(const PrinterModel& model, const Vec3& target, const Cmyk& start)
{
    Cmyk best = start;
    best[3] = blackFor(target);
    double bestErr = deltaE(model.lab(best), target);
    for (const Cmyk& s0 : {best, Cmyk{0.3, 0.3, 0.3, best[3]}, Cmyk{0.7, 0.7, 0.7, best[3]}}) {
        Cmyk x = s0;
        double err = deltaE(model.lab(x), target);
        for (int it = 0; it < 40 && err > 0.01; ++it) {
            const Vec3 f = model.lab(x);
            double J[3][3];
            for (int j = 0; j < 3; ++j) {
                Cmyk y = x;
                const double h = x[j] < 0.99 ? 1e-3 : -1e-3;
                y[j] += h;
                const Vec3 g = model.lab(y);
                for (int i = 0; i < 3; ++i)
                    J[i][j] = (g[i] - f[i]) / h;
            }
            const double r[3] = {f[0] - target[0], f[1] - target[1], f[2] - target[2]};
            double step[3];
            if (!solve3(J, r, step))
                break;
            double damping = 1;
            bool improved = false;
            for (int tries = 0; tries < 8; ++tries, damping *= 0.5) {
                Cmyk y = x;
                for (int i = 0; i < 3; ++i)
                    y[i] = std::clamp(x[i] - damping * step[i], 0.0, 1.0);
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
        if (err < bestErr) {
            best = x;
            bestErr = err;
        }
    }
    limitInk(best);
    return best;
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
        v = (std::clamp(lab[c], -128.0, 127.996) + 128) * 256;
    return uint16_t(std::lround(std::clamp(v, 0.0, 65535.0)));
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

// mft2: CMYK -> Lab with a lightness map applied to the result.
std::vector<uint8_t> a2b(const PrinterModel& model, int n, double blackL, bool perceptual)
{
    Out o;
    o.sig("mft2");
    o.u32(0);
    o.u8(4);
    o.u8(3);
    o.u8(n);
    o.u8(0);
    writeMatrixIdentity(o);
    o.u16(2);
    o.u16(2);
    for (int t = 0; t < 4; ++t) { o.u16(0); o.u16(65535); }
    for (int c = 0; c < n; ++c)
        for (int m = 0; m < n; ++m)
            for (int y = 0; y < n; ++y)
                for (int k = 0; k < n; ++k) {
                    const Cmyk in{double(c) / (n - 1), double(m) / (n - 1), double(y) / (n - 1), double(k) / (n - 1)};
                    Vec3 lab = model.lab(in);
                    if (perceptual)
                        lab[0] = (lab[0] - blackL) * 100 / (100 - blackL);
                    for (int ch = 0; ch < 3; ++ch)
                        o.u16(labToV2(lab, ch));
                }
    for (int t = 0; t < 3; ++t) { o.u16(0); o.u16(65535); }
    return o.b;
}

void identity8(Out& o, int tables)
{
    for (int t = 0; t < tables; ++t)
        for (int i = 0; i < 256; ++i)
            o.u8(i);
}

// mft1: Lab -> CMYK (or the gamut flag).
std::vector<uint8_t> b2a(const PrinterModel& model, int n, double blackL, bool perceptual, bool gamut)
{
    Out o;
    o.sig("mft1");
    o.u32(0);
    o.u8(3);
    o.u8(gamut ? 1 : 4);
    o.u8(n);
    o.u8(0);
    writeMatrixIdentity(o);
    identity8(o, 3);
    Cmyk previous{0, 0, 0, 0};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            for (int k = 0; k < n; ++k) {
                Vec3 lab = nodeLab(i, j, k, n);
                if (perceptual)
                    lab[0] = blackL + lab[0] * (100 - blackL) / 100;
                const Cmyk c = invert(model, lab, previous);
                previous = c;
                if (gamut) {
                    o.u8(deltaE(model.lab(c), lab) > 3.0 ? 255 : 0);
                } else {
                    for (int ch = 0; ch < 4; ++ch)
                        o.u8(unsigned(std::lround(std::clamp(c[ch], 0.0, 1.0) * 255)));
                }
            }
    identity8(o, gamut ? 1 : 4);
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

    Out wtpt;
    wtpt.sig("XYZ ");
    wtpt.u32(0);
    for (int c = 0; c < 3; ++c)
        wtpt.s15(model.paper()[c]);

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
    tags.push_back({"A2B0", a2b(model, 11, blackL, true), -1});
    tags.push_back({"A2B1", a2b(model, 11, blackL, false), -1});
    tags.push_back({"A2B2", {}, 3});
    tags.push_back({"B2A0", b2a(model, 33, blackL, true, false), -1});
    tags.push_back({"B2A1", b2a(model, 33, blackL, false, false), -1});
    tags.push_back({"B2A2", b2a(model, 33, blackL, true, false), -1});
    tags.push_back({"gamt", b2a(model, 33, blackL, false, true), -1});

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
