#include "VRPC/RenderHeader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace {

using namespace Nuvra::VRPC;

std::uint32_t wordAt(const std::vector<unsigned char>& bytes, std::size_t offset)
{
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

TEST(RenderHeader, RequestBytesStandWhereTheChildReadsThem)
{
    const RenderRequestHeader header = makeRenderRequestHeader(64, 48, -7, 1234);
    std::vector<unsigned char> bytes(sizeof(header));
    std::memcpy(bytes.data(), &header, sizeof(header));

    EXPECT_EQ(wordAt(bytes, 0), 64u);
    EXPECT_EQ(wordAt(bytes, 4), 48u);
    for (std::size_t offset : {8, 12, 16, 20, 28})
        EXPECT_EQ(wordAt(bytes, offset), 1u) << offset;
    EXPECT_EQ(static_cast<std::int32_t>(wordAt(bytes, 24)), -7);
    EXPECT_EQ(wordAt(bytes, 32), 1234u);
    EXPECT_EQ(bytes[36], 0);
    EXPECT_EQ(bytes[37], 1);
    EXPECT_EQ(bytes[38], 0);
    EXPECT_EQ(bytes[39], 0);
}

TEST(RenderHeader, ReadersRefuseShortPayloads)
{
    std::vector<char> payload(39);
    RenderRequestHeader request{};
    EXPECT_FALSE(readRenderRequestHeader(payload.data(), 39, request));
    EXPECT_FALSE(readRenderRequestHeader(nullptr, 40, request));
    payload.resize(41);
    EXPECT_TRUE(readRenderRequestHeader(payload.data() + 1, 40, request));  // unaligned

    RenderReplyHeader reply{};
    EXPECT_FALSE(readRenderReplyHeader(payload.data(), 7, reply));
    EXPECT_TRUE(readRenderReplyHeader(payload.data(), 8, reply));
}

TEST(RenderHeader, SizesAreComputedIn64Bits)
{
    constexpr std::int64_t big = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(renderRequestBytes(1, 1, 0), 44);
    EXPECT_EQ(renderReplyBytes(1, 1), 12);
    EXPECT_EQ(renderRowStride(big), big * 4);
    EXPECT_EQ(renderReplyBytes(big, 1000), 8 + big * 4000);
    EXPECT_EQ(renderRequestBytes(big, 1000, big), 40 + big + big * 4000);
}

} // namespace
