#include "colorproc/ProfileRegistry.h"
#include "tests/cmm/LogCapture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <vector>

using namespace Nuvra;
using namespace Nuvra::DataStorage;
using CMM::cProfile;

namespace {

QString dataFile(const char* relative)
{
    return QString::fromLocal8Bit(MORVELIN_TEST_DATA_DIR) + QLatin1Char('/') + QLatin1String(relative);
}

struct Change {
    cProfile::ptr_t profile, previous;
};

} // namespace

TEST(ProfileRegistry, BuiltInsAndTheirSpaces)
{
    cManagerCMM_Profile* registry = ManagerCMM_Profile();
    ASSERT_NE(registry, nullptr);
    EXPECT_EQ(ManagerCMM_Profile(), registry);
    const struct {
        const char* name;
        icColorSpaceSignature space;
    } cases[] = {{"*sRGB", icSigRgbData},  {"*XYZ", icSigXYZData},    {"*CMYK", icSigCmykData},
                 {"*Lab", icSigLabData},   {"*LabD65", icSigLabData}, {"*Gray22", icSigGrayData},
                 {"*SCREEN0", icSigRgbData}};
    for (const auto& c : cases) {
        const cProfile::ptr_t p = registry->Get(QString::fromLatin1(c.name));
        ASSERT_TRUE(p) << c.name;
        EXPECT_EQ(p->colorSpace(), c.space) << c.name;
    }
    EXPECT_NE(registry->Get("*Lab"), registry->Get("*LabD65"));
    EXPECT_EQ(registry->Get("*SCREEN0"), registry->Get("*sRGB"));
}

TEST(ProfileRegistry, NamesThatAreNotThere)
{
    cManagerCMM_Profile* registry = ManagerCMM_Profile();
    {
        LogCapture log;
        EXPECT_FALSE(registry->Get(QString()));
        EXPECT_TRUE(log.take().isEmpty());
    }
    {
        LogCapture log;
        EXPECT_FALSE(registry->Get("*lab"));
        EXPECT_TRUE(log.contains("Constant profile \"*lab\" not found"));
    }
    {
        LogCapture log;
        EXPECT_FALSE(registry->Get(dataFile("cmm/no-such-profile.icc")));
        EXPECT_FALSE(registry->Get(dataFile("cmm/no-such-profile.icc")));
    }
    // Any other screen number means the first screen.
    for (const char* name : {"*SCREEN", "*SCREEN1", "*SCREENx"})
        EXPECT_EQ(registry->Get(name), registry->Get("*SCREEN0")) << name;

    // Before the main thread registered the screen, asking for it is an error.
    cManagerCMM_Profile fresh;
    LogCapture log;
    EXPECT_FALSE(fresh.Get("*SCREEN1"));
    EXPECT_TRUE(log.contains("Constant profile \"*SCREEN0\" not found"));
}

TEST(ProfileRegistry, DefaultNamesOfTheStoreSpaces)
{
    const cManagerCMM_Profile* registry = ManagerCMM_Profile();
    const struct {
        ColorSpace space;
        const char* name;
    } cases[] = {{ColorSpaceOther, ""},      {ColorSpaceGray, "*Gray22"}, {ColorSpaceRGB, "*sRGB"},
                 {ColorSpaceCMYK, "*CMYK"},  {ColorSpaceLab, "*Lab"},     {ColorSpaceSingle, "*sRGB"},
                 {ColorSpace(6), ""}};
    for (const auto& c : cases)
        EXPECT_EQ(registry->ProfileName(c.space), QString::fromLatin1(c.name)) << c.space;
}

TEST(ProfileRegistry, FilesLoadOnceAndStayWhileUsed)
{
    cManagerCMM_Profile registry;
    const QString path = dataFile("cmm/colord/AdobeRGB1998.icc");
    cProfile::ptr_t first = registry.Get(path);
    ASSERT_TRUE(first);
    EXPECT_EQ(registry.Get(path), first);
    registry.Cleanup();
    EXPECT_EQ(registry.Get(path), first) << "held by the test, so kept";
    first.reset();
    registry.Cleanup();
    const cProfile::ptr_t again = registry.Get(path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->refCount(), 2) << "a fresh load: only the registry and this handle";
}

TEST(ProfileRegistry, RegisterSignalsOnlyRealChanges)
{
    cManagerCMM_Profile registry;
    std::vector<Change> changes;
    QObject::connect(&registry, &cManagerCMM_Profile::ProfileChanged,
                     [&](cProfile::ptr_t p, cProfile::ptr_t previous) { changes.push_back({p, previous}); });
    const cProfile::ptr_t a = cProfile::Create_sRGB();
    const cProfile::ptr_t b = cProfile::CreateXYZ();
    registry.Register("*Mine", a);
    registry.Register("*Mine", a);
    EXPECT_TRUE(changes.empty());
    registry.Register("*Mine", b);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].profile, b);
    EXPECT_EQ(changes[0].previous, a);
    EXPECT_EQ(registry.Get("*Mine"), b);

    // A file path taken over by Register survives Cleanup although only the
    // registry holds it.
    const QString path = dataFile("cmm/colord/AppleRGB.icc");
    const cProfile::ptr_t loaded = registry.Get(path);
    ASSERT_TRUE(loaded);
    registry.Register(path.toUtf8().constData(), cProfile::ptr_t(cProfile::Create_sRGB()));
    EXPECT_EQ(changes.size(), 2u);
    registry.Cleanup();
    EXPECT_TRUE(registry.Get(path));
    EXPECT_NE(registry.Get(path), loaded);
}

// The 102nd load first drops every loaded profile nobody else holds. Files
// removed from disk show which entries the registry still has.
TEST(ProfileRegistry, GrowthIsBounded)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString source = dataFile("cmm/colord/AdobeRGB1998.icc");
    cManagerCMM_Profile registry;
    std::vector<cProfile::ptr_t> held;
    for (int i = 0; i < 102; ++i) {
        const QString path = dir.filePath(QStringLiteral("p%1.icc").arg(i));
        ASSERT_TRUE(QFile::copy(source, path));
        if (i == 101) {
            // 101 entries: nothing was dropped yet.
            ASSERT_TRUE(QFile::remove(dir.filePath("p1.icc")));
            EXPECT_TRUE(registry.Get(dir.filePath("p1.icc")));
        }
        const cProfile::ptr_t p = registry.Get(path);
        ASSERT_TRUE(p) << i;
        if (i % 10 == 0)
            held.push_back(p);
    }
    // The ones not held were dropped, so the held ones come back as the same
    // objects and the others are reloaded, or missing with their file.
    EXPECT_EQ(registry.Get(dir.filePath("p0.icc")), held[0]);
    EXPECT_EQ(registry.Get(dir.filePath("p50.icc")), held[5]);
    {
        LogCapture log;
        EXPECT_FALSE(registry.Get(dir.filePath("p1.icc")));
    }
    const cProfile::ptr_t reloaded = registry.Get(dir.filePath("p2.icc"));
    EXPECT_EQ(reloaded->refCount(), 2);
}

TEST(ProfileRegistry, DisplayChangeFollowsTheCurrentSRGB)
{
    cManagerCMM_Profile registry;
    const cProfile::ptr_t a = cProfile::Create_sRGB();
    registry.Register("*sRGB", a);
    RegisterScreensProfile(registry);
    EXPECT_EQ(registry.Get("*SCREEN0"), a);
    int emitted = 0;
    QObject::connect(&registry, &cManagerCMM_Profile::ProfileChanged, [&] { ++emitted; });
    registry.NotifyDisplayChanged();
    EXPECT_EQ(emitted, 0);
    const cProfile::ptr_t b = cProfile::Create_sRGB();
    registry.Register("*sRGB", b);
    EXPECT_EQ(emitted, 1);
    registry.NotifyDisplayChanged();
    EXPECT_EQ(emitted, 2);
    EXPECT_EQ(registry.Get("*SCREEN0"), b);
}
