// The default CMYK profile against the measurements it was made from: its
// forward table against every patch, the round trip through its inverse for
// colours that legal inks (300 % total coverage) print, and its gamut tag
// against that round trip and against the measured patches. The other library
// evaluates the LUT tags; the gamut tag is read by this engine, and checked
// against the other library's reading of it. Paper white prints no ink in any
// of the inverse tables.

#include "IccTestUtil.h"

#include "cmm/LUT.h"

#include <QFile>

#include <gtest/gtest.h>
#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace Nuvra::CMM;
using namespace Nuvra::CMM::Test;

namespace {

// Debian's icc-profiles-free package (scripts/packages.txt).
const char* const kMeasurements = "/usr/share/color/icc/FOGRA39L.ti3";

struct Measured {
    double cmyk[4]; // 0..100
    cmsCIELab lab;
};

// The CGATS data rows: sample id, C, M, Y, K, X, Y, Z, L, a, b.
std::vector<Measured> readMeasurements()
{
    std::ifstream in(kMeasurements);
    std::vector<Measured> out;
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        if (line.rfind("BEGIN_DATA", 0) == 0 && line.rfind("BEGIN_DATA_FORMAT", 0) != 0) {
            data = true;
            continue;
        }
        if (line.rfind("END_DATA", 0) == 0 && line.rfind("END_DATA_FORMAT", 0) != 0)
            break;
        if (!data)
            continue;
        std::istringstream row(line);
        std::string id;
        double xyz[3];
        Measured m;
        row >> id >> m.cmyk[0] >> m.cmyk[1] >> m.cmyk[2] >> m.cmyk[3] >> xyz[0] >> xyz[1] >> xyz[2] >> m.lab.L >>
            m.lab.a >> m.lab.b;
        if (row)
            out.push_back(m);
    }
    return out;
}

QByteArray profileBytes()
{
    QFile f(QStringLiteral(":/profile/cmyk.icc"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

double deltaE(const cmsCIELab& a, const cmsCIELab& b)
{
    return std::sqrt((a.L - b.L) * (a.L - b.L) + (a.a - b.a) * (a.a - b.a) + (a.b - b.b) * (a.b - b.b));
}

class CmykProfile : public ::testing::Test {
protected:
    void SetUp() override
    {
        bytes = profileBytes();
        ASSERT_FALSE(bytes.isEmpty());
        h = cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size()));
        lab = cmsCreateLab4Profile(nullptr);
        ASSERT_TRUE(h && lab);
    }
    void TearDown() override
    {
        if (h)
            cmsCloseProfile(h);
        if (lab)
            cmsCloseProfile(lab);
    }

    cmsHTRANSFORM toLab(int intent) const
    {
        return cmsCreateTransform(h, TYPE_CMYK_DBL, lab, TYPE_Lab_DBL, cmsUInt32Number(intent), cmsFLAGS_NOOPTIMIZE);
    }

    QByteArray bytes;
    cmsHPROFILE h = nullptr;
    cmsHPROFILE lab = nullptr;
};

} // namespace

TEST_F(CmykProfile, ForwardTableMatchesTheMeasurements)
{
    const std::vector<Measured> data = readMeasurements();
    ASSERT_GE(data.size(), 1600u) << "measurements missing: " << kMeasurements;
    // Absolute colorimetric: the media-relative table scaled by the paper white.
    cmsHTRANSFORM t = toLab(INTENT_ABSOLUTE_COLORIMETRIC);
    ASSERT_NE(t, nullptr);
    double sum = 0, worst = 0;
    for (const Measured& m : data) {
        cmsCIELab ours;
        cmsDoTransform(t, m.cmyk, &ours, 1);
        const double e = deltaE(ours, m.lab);
        sum += e;
        worst = std::max(worst, e);
    }
    cmsDeleteTransform(t);
    const double mean = sum / double(data.size());
    RecordProperty("MeanDeltaE", std::to_string(mean));
    RecordProperty("MaxDeltaE", std::to_string(worst));
    EXPECT_LE(mean, 0.5);
    EXPECT_LE(worst, 2.0);
}

TEST_F(CmykProfile, LegalInksComeBackThroughTheInverseAndTheGamutTagAgrees)
{
    cProfile::ptr_t p(new cProfile);
    ASSERT_TRUE(LoadBytes(*p, bytes));
    const cLUT* gamt = p->TagAs<cLUT>(Sig::Gamt);
    ASSERT_NE(gamt, nullptr);

    cmsHTRANSFORM forward = toLab(INTENT_RELATIVE_COLORIMETRIC);
    cmsHTRANSFORM inverse = cmsCreateTransform(lab, TYPE_Lab_DBL, h, TYPE_CMYK_DBL, INTENT_RELATIVE_COLORIMETRIC,
                                               cmsFLAGS_NOOPTIMIZE);
    ASSERT_TRUE(forward && inverse);

    std::mt19937 rng(39);
    std::uniform_real_distribution<double> ink(0.0, 100.0);
    int samples = 0, within = 0, agreeing = 0, flagged = 0, shadows = 0, shadowsWithin = 0;
    while (samples < 20000) {
        double cmyk[4] = {ink(rng), ink(rng), ink(rng), ink(rng)};
        if (cmyk[0] + cmyk[1] + cmyk[2] + cmyk[3] > 300.0)
            continue;
        ++samples;
        cmsCIELab printed, back;
        double inks[4];
        cmsDoTransform(forward, cmyk, &printed, 1);
        cmsDoTransform(inverse, &printed, inks, 1);
        cmsDoTransform(forward, inks, &back, 1);
        const bool ok = deltaE(printed, back) <= 3.0;
        within += ok;
        if (printed.L < 30) {
            ++shadows;
            shadowsWithin += ok;
        }

        uint16_t enc[3], flag[16] = {};
        sCIELab{float(printed.L), float(printed.a), float(printed.b)}.ToFixed(enc);
        gamt->Eval(enc, flag);
        agreeing += (flag[0] >= 0x8000) == !ok;
        flagged += flag[0] >= 0x8000;
    }
    cmsDeleteTransform(forward);
    cmsDeleteTransform(inverse);

    const double reached = double(within) / samples, agreement = double(agreeing) / samples;
    RecordProperty("RoundTripWithin3", std::to_string(reached));
    RecordProperty("ShadowsWithin3", std::to_string(double(shadowsWithin) / std::max(shadows, 1)));
    RecordProperty("GamutTagAgreement", std::to_string(agreement));
    RecordProperty("LegalInksFlagged", std::to_string(double(flagged) / samples));
    EXPECT_GE(reached, 0.97);
    EXPECT_GE(double(shadowsWithin) / std::max(shadows, 1), 0.9);
    EXPECT_GE(agreement, 0.97);
    EXPECT_LE(double(flagged) / samples, 0.05);

    // Colours no ink prints are flagged; paper white is not.
    const struct {
        sCIELab lab;
        bool outside;
    } colours[] = {
        {{100, 0, 0}, false}, {{50, 100, 0}, true}, {{90, -90, 90}, true}, {{30, 0, -100}, true}, {{3, 0, 0}, true},
    };
    for (const auto& c : colours) {
        uint16_t enc[3], flag[16] = {};
        c.lab.ToFixed(enc);
        gamt->Eval(enc, flag);
        EXPECT_EQ(flag[0] >= 0x8000, c.outside) << c.lab.L << " " << c.lab.a << " " << c.lab.b;
    }
}

namespace {

// A printer profile whose only LUT is a gamut tag of 9 nodes a side: 0 and 255
// in a checkerboard, and the white L plane all flagged, so that Lab white reads
// lower without the 8-bit Lab scaling than with it.
QByteArray smallGamutTagFlaggingWhite()
{
    const int n = 9;
    Bytes b;
    b.mft1Head(3, 1, n);
    for (int l = 0; l < n; ++l)
        for (int a = 0; a < n; ++a)
            for (int bb = 0; bb < n; ++bb)
                b.u8(l == n - 1 || (l + a + bb) % 2 == 0 ? 255 : 0);
    b.identity8(1);

    HeaderFields h;
    h.deviceClass = icSig("prtr");
    h.colorSpace = icSig("CMYK");
    h.pcs = icSig("Lab ");
    const QByteArray white = Bytes().sig("XYZ ").u32(0).s15(0.9642).s15(1.0).s15(0.8249);
    return BuildProfile(h, {{Sig::Wtpt, white}, {Sig::Gamt, b}});
}

} // namespace

// The gamut tag is an 8-bit table on a Lab PCS: read at its grid nodes it must
// give what the other library reads there. A reader that loses the 8-bit Lab
// scaling (257/256) lands a fraction of a cell off every node, which on a
// table of 0 and 255 flags is thousands of levels. A gamut tag that flags
// white is where a reader judging the scaling by the device white drops it.
TEST_F(CmykProfile, GamutTagReadsAsTheOtherLibraryReadsIt)
{
    const struct {
        const char* name;
        QByteArray bytes;
    } profiles[] = {{"built-in", bytes}, {"white flagged", smallGamutTagFlaggingWhite()}};
    for (const auto& pr : profiles) {
        SCOPED_TRACE(pr.name);
        cProfile::ptr_t p(new cProfile);
        ASSERT_TRUE(LoadBytes(*p, pr.bytes));
        cmsHPROFILE other = cmsOpenProfileFromMem(pr.bytes.constData(), cmsUInt32Number(pr.bytes.size()));
        ASSERT_NE(other, nullptr);
        const cLUT* gamt = p->TagAs<cLUT>(Sig::Gamt);
        const auto* theirs = static_cast<const cmsPipeline*>(cmsReadTag(other, cmsSigGamutTag));
        if (!gamt || !theirs)
            cmsCloseProfile(other);
        ASSERT_TRUE(gamt && theirs);
        // Nodes only: the two readers interpolate between them differently.
        const int n = gamt->grid.gridPoints;
        int worst = 0;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                for (int k = 0; k < n; ++k) {
                    // The table's own 8-bit Lab: 0..1 spans L 0..100 and a, b -128..127.
                    const float at[3] = {float(i) / float(n - 1), float(j) / float(n - 1), float(k) / float(n - 1)};
                    float expected = 0;
                    cmsPipelineEvalFloat(at, &expected, theirs);
                    uint16_t enc[3], flag[16] = {};
                    sCIELab{at[0] * 100.0f, at[1] * 255.0f - 128.0f, at[2] * 255.0f - 128.0f}.ToFixed(enc);
                    gamt->Eval(enc, flag);
                    worst = std::max(worst, std::abs(int(flag[0]) - int(std::lround(expected * 65535.0))));
                }
        cmsCloseProfile(other);
        EXPECT_GE(n, 2);
        EXPECT_LE(worst, 64);
    }
}

// Every measured patch that legal inks print (300 % total coverage), through
// the profile's own colorimetric table and then its gamut tag, as this engine
// and the other library read them. Printed colours lie on the gamut's edge far
// more often than random inks do; few of them may be flagged (first output
// above half scale). Paper white is in gamut; colours no ink prints, the sRGB
// primaries and the corners of Lab at mid lightness, are flagged.
TEST_F(CmykProfile, GamutTagPassesMeasuredPatchesAndFlagsColoursNoInkPrints)
{
    cProfile::ptr_t p(new cProfile);
    ASSERT_TRUE(LoadBytes(*p, bytes));
    const cLUT* a2b = p->TagAs<cLUT>(Sig::A2B1);
    const cLUT* gamt = p->TagAs<cLUT>(Sig::Gamt);
    const auto* theirs = static_cast<const cmsPipeline*>(cmsReadTag(h, cmsSigGamutTag));
    ASSERT_TRUE(a2b && gamt && theirs);
    const auto oursFlags = [&](const uint16_t enc[3]) {
        uint16_t flag[16] = {};
        gamt->Eval(enc, flag);
        return flag[0] > 0x8000;
    };
    const auto theirsFlag = [&](const cmsCIELab& lab) {
        const float at[3] = {float(std::clamp(lab.L / 100, 0.0, 1.0)), float(std::clamp((lab.a + 128) / 255, 0.0, 1.0)),
                             float(std::clamp((lab.b + 128) / 255, 0.0, 1.0))};
        float flag = 0;
        cmsPipelineEvalFloat(at, &flag, theirs);
        return flag * 65535.0f > 0x8000;
    };

    const std::vector<Measured> data = readMeasurements();
    ASSERT_GE(data.size(), 1600u) << "measurements missing: " << kMeasurements;
    cmsHTRANSFORM forward = toLab(INTENT_RELATIVE_COLORIMETRIC);
    ASSERT_NE(forward, nullptr);
    int patches = 0, ours = 0, other = 0;
    for (const Measured& m : data) {
        if (m.cmyk[0] + m.cmyk[1] + m.cmyk[2] + m.cmyk[3] > 300.0)
            continue;
        ++patches;
        uint16_t inks[16] = {}, lab[16] = {};
        for (int c = 0; c < 4; ++c)
            inks[c] = uint16_t(std::lround(m.cmyk[c] / 100.0 * 65535.0));
        a2b->Eval(inks, lab);
        ours += oursFlags(lab);
        cmsCIELab printed;
        cmsDoTransform(forward, m.cmyk, &printed, 1);
        other += theirsFlag(printed);
    }
    cmsDeleteTransform(forward);
    ASSERT_GE(patches, 1500);
    RecordProperty("PatchesFlagged", std::to_string(double(ours) / patches));
    RecordProperty("PatchesFlaggedOther", std::to_string(double(other) / patches));
    EXPECT_LE(double(ours) / patches, 0.03) << ours << " of " << patches;
    EXPECT_LE(double(other) / patches, 0.03) << other << " of " << patches;

    const struct {
        const char* name;
        cmsCIELab lab;
        bool outside;
    } colours[] = {
        {"paper white", {100, 0, 0}, false},
        {"sRGB red", {54.29, 80.81, 69.89}, true},
        {"sRGB green", {87.82, -79.29, 80.99}, true},
        {"sRGB blue", {29.57, 68.30, -112.03}, true},
        {"50/+100/+100", {50, 100, 100}, true},
        {"50/+100/-100", {50, 100, -100}, true},
        {"50/-100/+100", {50, -100, 100}, true},
        {"50/-100/-100", {50, -100, -100}, true},
    };
    for (const auto& c : colours) {
        uint16_t enc[3];
        sCIELab{float(c.lab.L), float(c.lab.a), float(c.lab.b)}.ToFixed(enc);
        EXPECT_EQ(oursFlags(enc), c.outside) << c.name;
        EXPECT_EQ(theirsFlag(c.lab), c.outside) << c.name;
    }
}

// Lab white through every inverse table, as this engine and the other library
// read them: no trace of any ink.
TEST_F(CmykProfile, PaperWhitePrintsNoInk)
{
    cProfile::ptr_t p(new cProfile);
    ASSERT_TRUE(LoadBytes(*p, bytes));
    {
        // The paper is in gamut: the engine takes any non-zero flag as outside.
        const cLUT* gamt = p->TagAs<cLUT>(Sig::Gamt);
        ASSERT_NE(gamt, nullptr);
        const uint16_t white[3] = {0xFF00, 0x8000, 0x8000};
        uint16_t flag[16] = {1};
        gamt->Eval(white, flag);
        EXPECT_EQ(flag[0], 0);
    }
    const struct {
        icTagSignature sig;
        int intent;
    } tables[] = {
        {Sig::B2A0, INTENT_PERCEPTUAL},
        {Sig::B2A1, INTENT_RELATIVE_COLORIMETRIC},
        {Sig::B2A2, INTENT_SATURATION},
    };
    for (const auto& t : tables) {
        const cLUT* b2a = p->TagAs<cLUT>(t.sig);
        ASSERT_NE(b2a, nullptr);
        const uint16_t white[3] = {0xFF00, 0x8000, 0x8000};
        uint16_t ours[16] = {};
        b2a->Eval(white, ours);

        cmsHTRANSFORM x = cmsCreateTransform(lab, TYPE_Lab_DBL, h, TYPE_CMYK_16, cmsUInt32Number(t.intent),
                                             cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE);
        ASSERT_NE(x, nullptr);
        const cmsCIELab paper{100, 0, 0};
        cmsUInt16Number theirs[4] = {1, 1, 1, 1};
        cmsDoTransform(x, &paper, theirs, 1);
        cmsDeleteTransform(x);
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(ours[c], 0) << "intent " << t.intent << " ink " << c;
            EXPECT_EQ(theirs[c], 0) << "intent " << t.intent << " ink " << c;
        }
    }
}
