#include "colorproc/Processing.h"
#include "colorproc/XFormCache.h"
#include "pixelstore/PixelPlane.h"
#include "pixelstore/PlaneCopy.h"
#include "tests/cmm/LogCapture.h"
#include "cmm/ColorRecords.h"
#include "cmm/GammaTable.h"

#include <gtest/gtest.h>


#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;
using CMM::cProcessing;
using CMM::cProfile;
using CMM::cXForm;

namespace {

const icRenderingIntent kDefault = icRenderingIntent(-1);
const QFlags<CMM::eXForm_Flags> kDefaultFlags(CMM::eXForm_Flags(0xFFFFFFFFu));
constexpr unsigned kRGB8 = 393241, kLabFloat = 262168, kGray8 = 327689;

cProfile::ptr_t builtIn(const char* name)
{
    return ManagerCMM_Profile()->Get(QString::fromLatin1(name));
}

cProfile::ptr_t gray(float gamma)
{
    CMM::sCIExyY white{};
    white.Set(CMM::sCIEXYZ{0.9642f, 1.0f, 0.8249f});
    CMM::cGammaTable curve;
    curve.Build(256, 1, &gamma);
    return cProfile::CreateGray(&white, &curve);
}

cXForm::ptr_t get(const cManagerCMM_XForm& cache, const cProfile::ptr_t& in, unsigned inCode,
                  const cProfile::ptr_t& out, unsigned outCode, icRenderingIntent intent = kDefault,
                  const cProfile::ptr_t& proof = cProfile::ptr_t(), icRenderingIntent proofIntent = kDefault)
{
    return cache.Get(in, inCode, out, outCode, proof, intent, proofIntent, kDefaultFlags);
}

} // namespace

TEST(XFormCache, KeysAndSharing)
{
    cManagerCMM_XForm cache;
    const cProfile::ptr_t rgb = builtIn("*sRGB"), lab = builtIn("*Lab");
    const cXForm::ptr_t a = get(cache, rgb, kRGB8, lab, kLabFloat);
    ASSERT_TRUE(a);
    EXPECT_EQ(get(cache, rgb, kRGB8, lab, kLabFloat), a);
    EXPECT_EQ(cache.EntryCount(), 1);
    // The default intent and the same intent asked for by value are two keys.
    const cXForm::ptr_t b = get(cache, rgb, kRGB8, lab, kLabFloat, icPerceptual);
    EXPECT_NE(b, a);
    EXPECT_EQ(cache.EntryCount(), 2);
    // Without a proofing profile the proofing intent is no part of the key.
    EXPECT_EQ(get(cache, rgb, kRGB8, lab, kLabFloat, icPerceptual, cProfile::ptr_t(), icSaturation), b);
    EXPECT_EQ(cache.EntryCount(), 2);
    // Another code is another transform.
    EXPECT_NE(get(cache, rgb, kRGB8 + 1, lab, kLabFloat), a);
}

TEST(XFormCache, FailedBuildsAreNotKept)
{
    cManagerCMM_XForm cache;
    LogCapture log;
    // A gray code with an RGB profile cannot be built.
    EXPECT_FALSE(get(cache, builtIn("*sRGB"), kGray8, builtIn("*Lab"), kLabFloat));
    EXPECT_EQ(cache.EntryCount(), 0);
}

// At 51 entries a miss first drops the transforms only the cache holds.
TEST(XFormCache, CleanupOnGrowth)
{
    cManagerCMM_XForm cache;
    const cProfile::ptr_t lab = builtIn("*Lab");
    std::vector<cProfile::ptr_t> profiles;
    std::vector<cXForm::ptr_t> held;
    for (int i = 0; i < 51; ++i) {
        profiles.push_back(gray(1.0f + i / 64.0f));
        const cXForm::ptr_t t = get(cache, profiles.back(), kGray8, lab, kLabFloat);
        ASSERT_TRUE(t) << i;
        if (i % 5 == 0)
            held.push_back(t);
    }
    EXPECT_EQ(cache.EntryCount(), 51);
    ASSERT_TRUE(get(cache, gray(3.0f), kGray8, lab, kLabFloat));
    EXPECT_EQ(cache.EntryCount(), int(held.size()) + 1);
    // The held ones are still the cached ones.
    EXPECT_EQ(get(cache, profiles[0], kGray8, lab, kLabFloat), held[0]);
}

TEST(XFormCache, ManyShortLivedConversionsStayBounded)
{
    cManagerCMM_XForm* cache = ManagerCMM_XForm();
    ASSERT_NE(cache, nullptr);
    const PixelFormat grayFormat(kSetGray, kTypeU8), labFormat(kSetLab, kTypeFloat);
    cProfile::ptr_t profile;
    for (int i = 0; i < 10000; ++i) {
        if (i % 50 == 0)
            profile = gray(1.0f + (i / 50) / 256.0f);
        const SmartPtr<cProcessing> p = GetProcessingCMM(grayFormat, profile, labFormat, cProfile::ptr_t(),
                                                         kDefault, kDefault, kDefaultFlags);
        ASSERT_TRUE(p) << i;
        ASSERT_LE(cache->EntryCount(), 51) << i;
    }
}

TEST(XFormCache, ProcessorChoiceForPlaneFormats)
{
    const PixelFormat rgb8(kSetRGB, kTypeU8), lab(kSetLab, kTypeFloat), gray8(kSetGray, kTypeU8);
    const cProfile::ptr_t none, srgb = builtIn("*sRGB");
    const ChannelDescriptor mixed[] = {{2, kTypeU8}, {3, kTypeU16}, {4, kTypeU16}, {-1, 0}};
    const struct {
        const char* what;
        PixelFormat in;
        cProfile::ptr_t inProfile;
        PixelFormat out;
        cProfile::ptr_t outProfile;
        bool processor;
    } cases[] = {
        {"same space, no profiles", rgb8, none, rgb8, none, false},
        {"rgb to lab", rgb8, none, lab, none, true},
        {"lab to rgb", lab, none, rgb8, none, true},
        {"gray to gray, two profiles", gray8, gray(1.8f), gray8, gray(2.4f), true},
        {"rgb to rgb with the default profile", rgb8, none, rgb8, srgb, false},
        {"mixed element types", PixelFormat(mixed), none, lab, none, false},
        {"lone channel", PixelFormat(kSetSingle, kTypeU8), none, lab, none, false},
        {"no colour space", PixelFormat(kSetRGB | kSetSingle, kTypeU8), none, lab, none, false},
        {"rgb with an unusable gray profile", rgb8, gray(2.2f), lab, none, false},
    };
    for (const auto& c : cases) {
        LogCapture log;
        const SmartPtr<cProcessing> p =
            GetProcessingCMM(c.in, c.inProfile, c.out, c.outProfile, kDefault, kDefault, kDefaultFlags);
        EXPECT_EQ(bool(p), c.processor) << c.what;
    }
    // The default profiles are the registry's.
    const SmartPtr<cProcessing> p = GetProcessingCMM(rgb8, none, lab, none, kDefault, kDefault, kDefaultFlags);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Transform()->inputFormat, kRGB8);
    EXPECT_EQ(p->Transform()->outputFormat, kLabFloat);
    EXPECT_EQ(ManagerCMM_XForm()->Get(srgb, kRGB8, builtIn("*Lab"), kLabFloat, cProfile::ptr_t(), kDefault,
                                      kDefault, kDefaultFlags),
              p->xform);
}

// Replacing a registered profile rebuilds the transforms that used it when
// the new one is of the same kind, drops them otherwise, and leaves the rest.
TEST(XFormCache, FollowsReplacedProfiles)
{
    cManagerCMM_Profile registry;
    cManagerCMM_XForm cache;
    QObject::connect(&registry, &cManagerCMM_Profile::ProfileChanged, &cache, &cManagerCMM_XForm::ProfileChanged,
                     Qt::DirectConnection);
    std::vector<std::pair<cXForm::ptr_t, cXForm::ptr_t>> changes;
    QObject::connect(&cache, &cManagerCMM_XForm::XFormChanged,
                     [&](cXForm::ptr_t now, cXForm::ptr_t before) { changes.emplace_back(now, before); });
    const cProfile::ptr_t g1 = gray(1.8f), lab = builtIn("*Lab"), rgb = builtIn("*sRGB");
    registry.Register("*Mine", g1);
    const cXForm::ptr_t usesIt = get(cache, g1, kGray8, lab, kLabFloat);
    const cXForm::ptr_t other = get(cache, rgb, kRGB8, lab, kLabFloat);
    ASSERT_TRUE(usesIt && other);

    // Same space and class: rebuilt with the new profile.
    const cProfile::ptr_t g2 = gray(2.4f);
    registry.Register("*Mine", g2);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].second, usesIt);
    ASSERT_TRUE(changes[0].first);
    EXPECT_TRUE(changes[0].first->routine);
    EXPECT_EQ(get(cache, g2, kGray8, lab, kLabFloat), changes[0].first);
    EXPECT_EQ(get(cache, rgb, kRGB8, lab, kLabFloat), other);

    // Another space: dropped.
    changes.clear();
    const cXForm::ptr_t rebuilt = get(cache, g2, kGray8, lab, kLabFloat);
    registry.Register("*Mine", rgb);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_FALSE(changes[0].first);
    EXPECT_EQ(changes[0].second, rebuilt);

    // A null replacement drops only what used the replaced profile.
    changes.clear();
    const cXForm::ptr_t viaRgb = get(cache, rgb, kRGB8, lab, kLabFloat);
    const cXForm::ptr_t viaGray = get(cache, g1, kGray8, lab, kLabFloat);
    registry.Register("*Other", g1);
    registry.Register("*Other", cProfile::ptr_t());
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].second, viaGray);
    EXPECT_EQ(get(cache, rgb, kRGB8, lab, kLabFloat), viaRgb);
    // And a null previous profile matches nothing.
    changes.clear();
    registry.Register("*Other", g2);
    EXPECT_TRUE(changes.empty());
    EXPECT_EQ(get(cache, rgb, kRGB8, lab, kLabFloat), viaRgb);
}

// Render threads convert while the main thread replaces "*sRGB": every
// conversion finishes with a valid processor, old or new.
TEST(XFormCache, ConversionsWhileTheRegistryChanges)
{
    const cProfile::ptr_t original = builtIn("*sRGB");
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            PixelPlane src(kSetRGB, kTypeU8, Size{96, 80});
            const uint8_t v = uint8_t(30 * t);
            for (const Channel c : {kChannelRed, kChannelGreen, kChannelBlue})
                src.channelWriteOnly(c)->fillRect(Rect{0, 0, 50, 80}, &v);
            while (!stop) {
                PixelPlane lab(kSetLab, kTypeFloat, Size{96, 80});
                copy(lab, src, Rect{0, 0, 96, 80}, Point{0, 0});
                float white = 0.0f;
                lab.channelReadOnly(kChannelL)->isMonotone(Rect{0, 0, 50, 80}, &white);
                if (t > 0 && !(white > 0.0f))
                    ++failures;
            }
        });
    for (int i = 0; i < 20; ++i)
        ManagerCMM_Profile()->Register("*sRGB", i % 2 ? original : cProfile::Create_sRGB());
    ManagerCMM_Profile()->Register("*sRGB", original);
    stop = true;
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(builtIn("*sRGB"), original);
}

// In a process of its own: the cache is first used on a render thread that
// then ends; a profile replaced later on the main thread still reaches it.
TEST(XFormCacheDeathTest, CacheMadeOnAWorkerThreadFollowsTheRegistry)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            cXForm::ptr_t cached;
            std::thread([&] {
                cached = ManagerCMM_XForm()->Get(builtIn("*Gray22"), kGray8, builtIn("*Lab"), kLabFloat,
                                                 cProfile::ptr_t(), kDefault, kDefault, kDefaultFlags);
            }).join();
            int changes = 0;
            QObject::connect(ManagerCMM_XForm(), &cManagerCMM_XForm::XFormChanged, [&] { ++changes; });
            ManagerCMM_Profile()->Register("*Gray22", gray(1.7f));
            std::exit(cached && changes == 1 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

namespace {

void convertForever(std::atomic<int>* running)
{
    const PixelFormat rgb(kSetRGB, kTypeU8), lab(kSetLab, kTypeFloat);
    ++*running;
    for (;;)
        GetProcessingCMM(rgb, cProfile::ptr_t(), lab, cProfile::ptr_t(), kDefault, kDefault, kDefaultFlags);
}

[[noreturn]] void exitWhileConverting()
{
    const PixelFormat rgb(kSetRGB, kTypeU8), lab(kSetLab, kTypeFloat);
    if (!GetProcessingCMM(rgb, cProfile::ptr_t(), lab, cProfile::ptr_t(), kDefault, kDefault, kDefaultFlags))
        std::exit(1);
    static std::atomic<int> running{0};
    for (int t = 0; t < 4; ++t)
        std::thread(convertForever, &running).detach();
    while (running < 4)
        std::this_thread::yield();
    std::exit(0);
}

} // namespace

// In a process of its own: render threads that are converting when the
// program exits find the registry and cache gone and get no processor,
// instead of touching destroyed objects.
TEST(XFormCacheDeathTest, ConversionsDuringExit)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(exitWhileConverting(), testing::ExitedWithCode(0), "");
}
