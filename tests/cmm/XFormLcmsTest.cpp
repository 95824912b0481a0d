// Transforms against LittleCMS 2 on the free profiles: profile pairs x
// intents 0, 1, 3 x 8-bit, 16-bit and float x with and without black-point
// compensation, the same pixels through both.
#include "cmm/ColorSpaces.h"
#include "XFormTestUtil.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

using namespace Nuvra;
using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

enum class Kind { U8, U16, Float };

struct Space {
    uint32_t sig;
    int channels;
};

// Our code and LittleCMS's type for one side.
struct Formats {
    unsigned ours;
    cmsUInt32Number theirs;
    size_t bytes; // per sample
};

Formats FormatsFor(uint32_t space, Kind kind)
{
    if (space == Sig::Lab) // Lab sides travel as 16-bit encodings or CIE floats
        return kind == Kind::U16 ? Formats{CMM_PF::kLab16, TYPE_LabV2_16, 2} : Formats{CMM_PF::kLabFloat, TYPE_Lab_FLT, 4};
    const size_t bytes = kind == Kind::U8 ? 1 : kind == Kind::U16 ? 2 : 4;
    const uint32_t type = kind == Kind::U8 ? 1 : kind == Kind::U16 ? 2 : 0;
    if (space == Sig::RGB)
        return {CMM_PF::Make(CMM_PF::kSpaceRGB, 3, 0, type),
                cmsUInt32Number(kind == Kind::U8 ? TYPE_RGB_8 : kind == Kind::U16 ? TYPE_RGB_16 : TYPE_RGB_FLT), bytes};
    if (space == Sig::CMYK)
        return {CMM_PF::Make(CMM_PF::kSpaceCMYK, 4, 0, type),
                cmsUInt32Number(kind == Kind::U8 ? TYPE_CMYK_8 : kind == Kind::U16 ? TYPE_CMYK_16 : TYPE_CMYK_FLT),
                bytes};
    return {CMM_PF::Make(CMM_PF::kSpaceGray, 1, 0, type),
            cmsUInt32Number(kind == Kind::U8 ? TYPE_GRAY_8 : kind == Kind::U16 ? TYPE_GRAY_16 : TYPE_GRAY_FLT), bytes};
}

// Samples of one side as doubles (device 0..1, Lab in CIE units) and back.
// LittleCMS keeps float CMYK in 0..100.
struct Buffer {
    uint32_t space;
    Kind kind;
    int channels;
    std::vector<uint8_t> bytes;

    Buffer(uint32_t s, Kind k, int n)
        : space(s), kind(k), channels(ChannelsOf(icColorSpaceSignature(s)))
        , bytes(size_t(n) * channels * FormatsFor(s, k).bytes)
    {
    }
    bool lab() const { return space == Sig::Lab; }
    size_t count() const { return bytes.size() / (size_t(channels) * FormatsFor(space, kind).bytes); }

    double get(size_t i, bool lcmsFloat) const
    {
        if (lab()) {
            if (kind == Kind::U16) {
                const uint16_t v = reinterpret_cast<const uint16_t*>(bytes.data())[i];
                return i % 3 == 0 ? v * 100.0 / 65280.0 : v / 256.0 - 128.0;
            }
            return reinterpret_cast<const float*>(bytes.data())[i];
        }
        switch (kind) {
        case Kind::U8: return bytes[i] / 255.0;
        case Kind::U16: return reinterpret_cast<const uint16_t*>(bytes.data())[i] / 65535.0;
        default: {
            // LittleCMS leaves float results unbounded (and CMYK in 0..100);
            // the engine works on 16-bit samples and clamps to 0..1.
            const float v = reinterpret_cast<const float*>(bytes.data())[i];
            const double d = lcmsFloat && space == Sig::CMYK ? v / 100.0 : v;
            return lcmsFloat ? std::min(std::max(d, 0.0), 1.0) : d;
        }
        }
    }
    void set(size_t i, double v, bool lcmsFloat)
    {
        if (lab()) {
            if (kind == Kind::U16)
                reinterpret_cast<uint16_t*>(bytes.data())[i] =
                    uint16_t(std::lround(i % 3 == 0 ? v * 652.8 : (v + 128.0) * 256.0));
            else
                reinterpret_cast<float*>(bytes.data())[i] = float(v);
            return;
        }
        switch (kind) {
        case Kind::U8: bytes[i] = uint8_t(std::lround(v * 255.0)); break;
        case Kind::U16: reinterpret_cast<uint16_t*>(bytes.data())[i] = uint16_t(std::lround(v * 65535.0)); break;
        default:
            reinterpret_cast<float*>(bytes.data())[i] = float(lcmsFloat && space == Sig::CMYK ? v * 100.0 : v);
        }
    }
};

struct Stats {
    double worst = 0, sum = 0;
    size_t n = 0;
    void add(double d)
    {
        worst = std::max(worst, d);
        sum += d;
        ++n;
    }
    double mean() const { return n ? sum / double(n) : 0; }
};

// Difference of two outputs: delta E for Lab, else the largest channel
// difference in 8-bit steps.
Stats Compare(const Buffer& ours, const Buffer& theirs)
{
    Stats s;
    const int c = ours.channels;
    for (size_t p = 0; p < ours.count(); ++p) {
        if (ours.lab()) {
            double d2 = 0;
            for (int k = 0; k < 3; ++k) {
                const double d = ours.get(p * 3 + k, false) - theirs.get(p * 3 + k, true);
                d2 += d * d;
            }
            s.add(std::sqrt(d2));
        } else {
            double d = 0;
            for (int k = 0; k < c; ++k)
                d = std::max(d, std::fabs(ours.get(p * c + k, false) - theirs.get(p * c + k, true)) * 255.0);
            s.add(d);
        }
    }
    return s;
}

struct Pair {
    const char* in;
    const char* out;
    double mean, max; // tolerances: 8-bit steps, or delta E for Lab outputs
    bool bpc;         // compared with black-point compensation too
};

QString PathOf(const char* name)
{
    return name[0] == '@' ? DataPath(QStringLiteral("../../resources/profile/cmyk.icc")) : DataPath(QString::fromUtf8(name));
}

void RunPair(const Pair& pair, bool print)
{
    const QString inPath = PathOf(pair.in), outPath = PathOf(pair.out);
    cProfile::ptr_t ourIn(new cProfile), ourOut(new cProfile);
    ASSERT_TRUE(ourIn->Load(inPath) && ourOut->Load(outPath)) << pair.in << " " << pair.out;
    cmsHPROFILE theirIn = cmsOpenProfileFromFile(inPath.toLocal8Bit().constData(), "r");
    cmsHPROFILE theirOut = cmsOpenProfileFromFile(outPath.toLocal8Bit().constData(), "r");
    ASSERT_TRUE(theirIn && theirOut);
    const uint32_t inSpace = ourIn->colorSpace(), outSpace = ourOut->colorSpace();
    constexpr int kPixels = 4096;
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<double> src(size_t(kPixels) * ChannelsOf(icColorSpaceSignature(inSpace)));
    for (double& v : src)
        v = unit(rng);
    if (inSpace == Sig::Lab) {
        // Lab of real colours (those of sRGB): Lab far outside every device
        // (light colours beyond the 16-bit XYZ range, chroma at L = 0) is
        // clipped by the engine's 16-bit connection space by design, while
        // LittleCMS keeps floats.
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
        cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
        cmsDoTransform(toLab, src.data(), src.data(), kPixels);
        cmsDeleteTransform(toLab);
        cmsCloseProfile(lab);
        cmsCloseProfile(srgb);
    }

    for (Kind kind : {Kind::U8, Kind::U16, Kind::Float})
        for (cmsUInt32Number intent : {0u, 1u, 3u})
            for (bool bpc : {false, true}) {
                if (bpc && !pair.bpc)
                    continue;
                Buffer a(inSpace, kind, kPixels), b(inSpace, kind, kPixels);
                for (size_t i = 0; i < src.size(); ++i) {
                    a.set(i, src[i], false);
                    b.set(i, src[i], true);
                }
                Buffer ours(outSpace, kind, kPixels), theirs(outSpace, kind, kPixels);
                const Formats fi = FormatsFor(inSpace, kind), fo = FormatsFor(outSpace, kind);
                const cXForm::ptr_t t = MakeXForm(ourIn, fi.ours, ourOut, fo.ours, icRenderingIntent(intent),
                                                  bpc ? QFlags<eXForm_Flags>(XForm_BlackPointCompensation)
                                                      : QFlags<eXForm_Flags>());
                ASSERT_TRUE(t->IsValid());
                cInternalProcessing(t.get()).Process(a.bytes.data(), ours.bytes.data(), kPixels);
                cmsHTRANSFORM x = cmsCreateTransform(theirIn, fi.theirs, theirOut, fo.theirs, intent,
                                                     cmsFLAGS_NOCACHE | (bpc ? cmsFLAGS_BLACKPOINTCOMPENSATION : 0));
                ASSERT_TRUE(x);
                cmsDoTransform(x, b.bytes.data(), theirs.bytes.data(), kPixels);
                cmsDeleteTransform(x);
                const Stats s = Compare(ours, theirs);
                if (print)
                    std::printf("%-40s %-40s k%d i%u bpc%d mean %.3f max %.3f\n", pair.in, pair.out, int(kind),
                                intent, int(bpc), s.mean(), s.worst);
                EXPECT_LE(s.mean(), pair.mean) << pair.in << " -> " << pair.out << " kind " << int(kind)
                                                  << " intent " << intent << " bpc " << bpc;
                EXPECT_LE(s.worst, pair.max + 1e-6) << pair.in << " -> " << pair.out << " kind " << int(kind)
                                                << " intent " << intent << " bpc " << bpc;
            }
    cmsCloseProfile(theirIn);
    cmsCloseProfile(theirOut);
}

TEST(XFormLcms, ProfilePairsIntentsFormatsAndCompensation)
{
    cmsSetAdaptationState(0.0);
    const bool print = qEnvironmentVariableIsSet("MORVELIN_PRINT_LCMS");
    // Tolerances. Both engines precalculate 16-bit grids (33 points for
    // three channels, 17 for four), but LittleCMS runs float formats through
    // its unsampled pipeline and 8-bit matrix-shaper pairs through matrix and
    // curves: the differences are the grids' interpolation error. It stays
    // within a step where the chain is smooth, and grows where a cell holds
    // gamut clipping (ProPhoto and Lab to sRGB), steep dark curves (gray's
    // 33-point 1-D grid), the edges of the CMYK tables, or the dark colours
    // whose black the CMYK profile's inverse raises off its black generation
    // to reach them: ink differences there of up to 27 steps print within
    // about one delta E of each other. A matrix-shaper
    // chain's white lands a unit short of 65535, so it gets no
    // prelinearisation tables either (LittleCMS's 16-bit grid for Lab to sRGB
    // is itself off by a mean of 2.8 and up to 35 steps from its float path).
    // With the CMYK profile, compensation is not compared: LittleCMS finds an
    // output black point with a search of its own, the engine measures it
    // as the other black points; its effect is checked by property instead.
    const Pair pairs[] = {
        {"cmm/colord/sRGB.icc", "cmm/colord/AdobeRGB1998.icc", 0.25, 6, true},
        {"cmm/colord/ProPhotoRGB.icc", "cmm/colord/sRGB.icc", 0.75, 30, true},
        {"cmm/colord/sRGB.icc", "@cmyk", 0.6, 30, false},
        {"@cmyk", "cmm/colord/sRGB.icc", 0.5, 20, false},
        {"@cmyk", "@cmyk", 1.2, 22, false},
        {"cmm/icc-profiles-free/Gray.icc", "cmm/colord/sRGB.icc", 2.0, 20, true},
        {"cmm/icc-profiles-free/Gray-CIE_L.icc", "cmm/colord/sRGB.icc", 0.1, 1, true},
        {"cmm/colord/sRGB.icc", "cmm/icc-profiles-free/Gray.icc", 0.06, 1, true},
        {"cmm/colord/sRGB.icc", "cmm/icc-profiles-free/LCMSLABI.ICM", 0.04, 0.5, true},
        {"cmm/icc-profiles-free/LCMSLABI.ICM", "@cmyk", 1.8, 30, false},
        {"cmm/icc-profiles-free/LCMSLABI.ICM", "cmm/colord/sRGB.icc", 2.6, 30, true},
    };
    for (const Pair& p : pairs)
        RunPair(p, print);
}

TEST(XFormLcms, CompensationMapsBlackToTheOutputsBlack)
{
    // Relative colorimetric without compensation keeps the printer's black
    // as a gray lighter than the screen's black; with it, black is black.
    cProfile::ptr_t cmyk(new cProfile), srgb(new cProfile);
    ASSERT_TRUE(cmyk->Load(PathOf("@cmyk")) && srgb->Load(PathOf("cmm/colord/sRGB.icc")));
    const std::vector<uint16_t> black{65535, 65535, 65535, 65535};
    const auto out = [&](QFlags<eXForm_Flags> f) {
        return Convert<uint16_t>(*MakeXForm(cmyk, CMM_PF::kCMYK16, srgb, kRGB16, icRelativeColorimetric, f), black);
    };
    EXPECT_GT(out({})[1], 1000);
    for (uint16_t v : out(XForm_BlackPointCompensation))
        EXPECT_LE(v, 300);
}

} // namespace
