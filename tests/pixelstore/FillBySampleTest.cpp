#include "pixelstore/FillBySample.h"
#include "pixelstore/Kernel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

using namespace Nuvra;

namespace {

constexpr unsigned char kGuard = 0xEE;

// Reference: the sample's bytes at each element position, guard bytes elsewhere.
std::vector<unsigned char> expected(size_t bytes, const unsigned char* sample, int size, int width, int height,
                                    int pixelStride, int rowStride)
{
    std::vector<unsigned char> out(bytes, kGuard);
    for (int r = 0; r < height; ++r)
        for (int i = 0; i < width; ++i)
            std::memcpy(&out[size_t(r) * rowStride + size_t(i) * pixelStride], sample, size_t(size));
    return out;
}

TEST(FillBySample, RunsOfEveryElementSize)
{
    const unsigned char sample[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    for (int size : {1, 2, 3, 4, 5, 8, 12, 16}) {
        for (int count : {0, 1, 2, 3, 5, 7, 8, 17, 33}) {
            std::vector<unsigned char> buf(size_t(size) * 40 + 8, kGuard);
            fillBySample(buf.data() + 1, sample, size, count); // misaligned on purpose
            std::vector<unsigned char> want(buf.size(), kGuard);
            for (int i = 0; i < count; ++i)
                std::memcpy(&want[1 + size_t(i) * size], sample, size_t(size));
            EXPECT_EQ(buf, want) << "size " << size << " count " << count;
        }
    }
    unsigned char untouched = kGuard;
    fillBySample(&untouched, sample, 1, -3);
    EXPECT_EQ(untouched, kGuard);
}

TEST(FillBySample, TwoDimensionalForms)
{
    const unsigned char sample[8] = {0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18};
    struct Case {
        int size, width, height, pixelStride, rowStride;
    } cases[] = {
        {4, 10, 3, 4, 40},   // contiguous: one run of 30 elements
        {4, 10, 3, 4, 256},  // three rows, 216 bytes after each untouched
        {1, 7, 5, 4, 30},    // every fourth byte of each row
        {2, 9, 4, 6, 64},
        {8, 3, 3, 16, 50},
        {3, 6, 2, 3, 21},    // odd size, row stride form
        {3, 4, 3, 5, 23},    // odd size, pixel stride form
        {4, 0, 3, 4, 40},    // nothing
        {4, 3, 0, 4, 40},
    };
    for (const auto& c : cases) {
        const size_t bytes = size_t(c.rowStride) * (c.height + 1);
        std::vector<unsigned char> buf(bytes, kGuard);
        if (c.pixelStride == c.size && c.height % 2 == 0)
            fillBySample2D(buf.data(), sample, c.size, c.width, c.height, c.rowStride);
        else
            fillBySample2D(buf.data(), sample, c.size, c.width, c.height, c.pixelStride, c.rowStride);
        EXPECT_EQ(buf, expected(bytes, sample, c.size, c.width, c.height, c.pixelStride, c.rowStride))
            << "size " << c.size << " w " << c.width << " h " << c.height << " ps " << c.pixelStride << " rs "
            << c.rowStride;
    }
}

TEST(KernelUtilities, CategoriesAndPlatform)
{
    EXPECT_STREQ(libds().categoryName(), "lib.ds");
    EXPECT_STREQ(libkernel().categoryName(), "lib.kernel");
    EXPECT_EQ(&libds(), &libds());
    EXPECT_TRUE(check_os_is_64bit());
}

} // namespace
