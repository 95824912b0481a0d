// The bundle as the build stages it and as the install target lays it out:
// the binary, the child and the icons under Contents, the PNG icon named
// after the identifier that the staged binary announces, as hosts look for it.
#include "OfxTestHost.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Only builds that stage the bundle (not the libraries-only sanitizer build)
// have one to look at.
#ifdef MORVELIN_STAGED_BUNDLE

bool isFile(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The icon decodes as a picture of its own: square, with an alpha channel,
// transparent corners (its rounded tile) and an opaque middle.
void expectIcon(const std::string& path)
{
    SCOPED_TRACE(path);
    ASSERT_TRUE(isFile(path));
    const QImage icon(QString::fromStdString(path), "PNG");
    ASSERT_FALSE(icon.isNull()) << "not a PNG";
    EXPECT_EQ(icon.width(), 128);
    EXPECT_EQ(icon.height(), 128);
    EXPECT_TRUE(icon.hasAlphaChannel());
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(127, 127)), 0);
    EXPECT_EQ(qAlpha(icon.pixel(64, 64)), 255);
}

void expectBundle(const std::string& bundle, const std::string& identifier)
{
    SCOPED_TRACE(bundle);
    const std::string contents = bundle + "/Contents";
    EXPECT_TRUE(isFile(contents + "/Linux-x86-64/MorvelinVideo.ofx"));
    EXPECT_EQ(access((contents + "/Resources/MorvelinVideoMain").c_str(), X_OK), 0);
    EXPECT_TRUE(isFile(contents + "/Resources/nuvra-normal.svg"));
    EXPECT_TRUE(isFile(contents + "/Resources/" + identifier + ".svg"));
    expectIcon(contents + "/Resources/" + identifier + ".png");
}

std::string stagedIdentifier()
{
    OfxTest::Binary binary(std::string(MORVELIN_STAGED_BUNDLE) + "/Contents/Linux-x86-64/MorvelinVideo.ofx");
    return binary.plugin(0)->pluginIdentifier;
}

TEST(Bundle, TheBuildStagesItWithItsIcon)
{
    expectBundle(MORVELIN_STAGED_BUNDLE, stagedIdentifier());
}

TEST(Bundle, TheInstallTargetLaysItOutTheSame)
{
    char pattern[] = "/tmp/ofx-install-XXXXXX";
    const std::string prefix = mkdtemp(pattern);
    const std::string command = std::string("'") + MORVELIN_CMAKE_COMMAND + "' --install '" + MORVELIN_BUILD_DIR +
                                "' --prefix '" + prefix + "' > /dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    expectBundle(prefix + "/" + MORVELIN_OFX_INSTALL_DIR + "/MorvelinVideo.ofx.bundle", stagedIdentifier());
    EXPECT_EQ(std::system(("rm -rf '" + prefix + "'").c_str()), 0);
}

#endif

} // namespace
