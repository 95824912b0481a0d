// Random operations on channels checked against plain arrays, with snapshots
// taken by copy to prove copy-on-write isolation.
#include "ChannelTestSupport.h"

#include "pixelstore/ElementConversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

using namespace ChannelTest;

namespace {

const ChannelType kTypes[] = {kTypeU8, kTypeU16, kTypeFloat, kTypeDouble, 3, 12};

struct Model {
    ChannelType type = kTypeU8;
    int size = 1;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bytes;

    unsigned char* at(int x, int y) { return &bytes[(std::size_t(y) * width + x) * size]; }
    const unsigned char* at(int x, int y) const { return &bytes[(std::size_t(y) * width + x) * size]; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

Model zeroModel(int width, int height, ChannelType type)
{
    Model m;
    m.type = type;
    m.size = elementSize(type);
    m.width = width;
    m.height = height;
    m.bytes.assign(std::size_t(width) * height * m.size, 0);
    return m;
}

struct Subject {
    SmartPtr<DataChannel> channel;
    Model model;
};

bool convertible(ChannelType dst, ChannelType src)
{
    return dst == src || (isNumericType(dst) && isNumericType(src));
}

class Runner {
public:
    explicit Runner(unsigned seed) : m_rng(seed)
    {
        for (auto& s : m_subjects)
            create(s);
    }

    void run(int steps)
    {
        for (m_step = 0; m_step < steps; ++m_step) {
            Subject& s = m_subjects[pick(m_subjects.size())];
            const int op = int(pick(13));
            m_op = op;
            switch (op) {
            case 0: create(s); break;
            case 1: fillRect(s, Rect::fromSize(s.channel->size())); break;
            case 2: fillRect(s, randomRect(s.model)); break;
            case 3: setDataOp(s); break;
            case 4: getDataOp(s); break;
            case 5: copyOp(s, m_subjects[pick(m_subjects.size())]); break;
            case 6: resizeOp(s); break;
            case 7: swapOp(s, m_subjects[pick(m_subjects.size())]); break;
            case 8: tileWriteOp(s); break;
            case 9: snapshotOp(s); break;
            case 10: isMonotoneOp(s); break;
            case 11: tileFillOp(s); break;
            case 12: tileCopyOp(s, m_subjects[pick(m_subjects.size())]); break;
            }
            if (::testing::Test::HasFatalFailure() || ::testing::Test::HasFailure())
                return;
            if (op != 4 && op != 10)
                verify(s);
            if (m_step % 50 == 0)
                verifySnapshots();
        }
        verifySnapshots();
        for (auto& s : m_subjects)
            verify(s);
    }

private:
    std::size_t pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(m_rng); }
    int range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    bool chance(int percent) { return range(0, 99) < percent; }

    std::string where() const { return "step " + std::to_string(m_step) + " op " + std::to_string(m_op); }

    int randomLength()
    {
        // Mostly small, sometimes up to 300, with tile-aligned sizes now and then.
        switch (range(0, 3)) {
        case 0: return range(1, 300);
        case 1: return 64 * range(1, 3);
        default: return range(1, 140);
        }
    }

    // One of a few values per type so that uniform areas arise; now and then
    // zero or a fresh random value.
    std::vector<unsigned char> value(int size, ChannelType type)
    {
        std::vector<unsigned char> v(std::size_t(size), 0);
        const int kind = range(0, 9);
        if (kind == 0)
            return v;
        std::mt19937 palette(unsigned(kind < 7 ? kind * 977 + size * 13 - type : m_rng()));
        for (auto& b : v)
            b = static_cast<unsigned char>(palette());
        return v;
    }

    Rect randomRect(const Model& m)
    {
        if (chance(5))
            return Rect{3, 3, 3, 9};
        int left = range(-20, m.width + 10);
        int top = range(-20, m.height + 10);
        if (chance(30)) {
            left = 64 * range(0, 4);
            top = 64 * range(0, 4);
        }
        return Rect{left, top, left + range(1, 200), top + range(1, 200)};
    }

    void create(Subject& s)
    {
        const ChannelType type = kTypes[pick(std::size(kTypes))];
        const int w = randomLength(), h = randomLength();
        s.channel = new DataChannel(Size{w, h}, type);
        s.model = zeroModel(w, h, type);
    }

    void fillRect(Subject& s, const Rect& rect)
    {
        const bool zeros = chance(15);
        const std::vector<unsigned char> v = value(s.model.size, s.model.type);
        s.channel->fillRect(rect, zeros ? nullptr : v.data());
        if (rect.isEmpty())
            return;
        const Rect r = rect.clipped(s.channel->size());
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                std::memcpy(s.model.at(x, y), zeros ? std::vector<unsigned char>(v.size(), 0).data() : v.data(),
                            v.size());
    }

    void setDataOp(Subject& s)
    {
        const Rect rect = randomRect(s.model);
        if (rect.isEmpty())
            return;
        const int size = s.model.size;
        const unsigned stride = unsigned(rect.width() * size + range(0, 3) * size);
        std::vector<unsigned char> buffer(std::size_t(stride) * rect.height());
        const bool uniform = chance(50);
        const std::vector<unsigned char> v = value(size, s.model.type);
        for (int y = 0; y < rect.height(); ++y) {
            for (int x = 0; x < rect.width(); ++x) {
                const std::vector<unsigned char> e = uniform ? v : value(size, s.model.type);
                std::memcpy(&buffer[std::size_t(y) * stride + std::size_t(x) * size], e.data(), e.size());
            }
        }
        setData(*s.channel, rect, buffer.data(), stride);
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                if (s.model.inside(x, y))
                    std::memcpy(s.model.at(x, y),
                                &buffer[std::size_t(y - rect.top) * stride + std::size_t(x - rect.left) * size],
                                std::size_t(size));
    }

    void getDataOp(const Subject& s)
    {
        const Rect rect = randomRect(s.model);
        if (rect.isEmpty())
            return;
        const int size = s.model.size;
        const unsigned stride = unsigned(rect.width() * size + size);
        std::vector<unsigned char> buffer(std::size_t(stride) * rect.height(), 0xA5);
        getData(*s.channel, rect, buffer.data(), stride);
        for (int y = rect.top; y < rect.bottom; ++y) {
            for (int x = rect.left; x < rect.right; ++x) {
                const unsigned char* got =
                    &buffer[std::size_t(y - rect.top) * stride + std::size_t(x - rect.left) * size];
                if (s.model.inside(x, y)) {
                    ASSERT_EQ(std::memcmp(got, s.model.at(x, y), std::size_t(size)), 0)
                        << where() << " getData at " << x << "," << y;
                } else {
                    for (int b = 0; b < size; ++b)
                        ASSERT_EQ(got[b], 0xA5) << where() << " getData wrote outside at " << x << "," << y;
                }
            }
        }
    }

    void copyOp(Subject& dst, const Subject& src)
    {
        if (!convertible(dst.model.type, src.model.type))
            return;
        const Rect srcRect = randomRect(src.model);
        Point to{range(-20, dst.model.width), range(-20, dst.model.height)};
        if (chance(40)) {
            to.x = srcRect.left + 64 * range(-1, 1);
            to.y = srcRect.top + 64 * range(-1, 1);
        }
        const Model before = src.model; // the source may be the destination
        dst.channel->copy(*src.channel, srcRect, to);
        if (srcRect.isEmpty())
            return;
        for (int y = srcRect.top; y < srcRect.bottom; ++y) {
            for (int x = srcRect.left; x < srcRect.right; ++x) {
                const int dx = x - srcRect.left + to.x, dy = y - srcRect.top + to.y;
                if (!before.inside(x, y) || !dst.model.inside(dx, dy))
                    continue;
                ASSERT_TRUE(convertMemory(dst.model.at(dx, dy), before.at(x, y), dst.model.type, before.type, 1));
            }
        }
    }

    void resizeOp(Subject& s)
    {
        const bool keep = chance(70);
        const int w = chance(10) ? 0 : randomLength(), h = randomLength();
        s.channel->resize(Size{w, h}, keep);
        Model m = zeroModel(w, h, s.model.type);
        if (keep) {
            // Whole tiles are kept; within them only formerly valid elements
            // are meaningful, the rest reads as zero.
            for (int y = 0; y < std::min(h, s.model.height); ++y)
                for (int x = 0; x < std::min(w, s.model.width); ++x)
                    std::memcpy(m.at(x, y), s.model.at(x, y), std::size_t(m.size));
        }
        s.model = std::move(m);
    }

    void swapOp(Subject& a, Subject& b)
    {
        a.channel->swap(*b.channel);
        std::swap(a.model, b.model);
        verify(b);
    }

    void tileWriteOp(Subject& s)
    {
        if (s.channel->tileCount() == 0)
            return;
        const auto strategy =
            chance(50) ? DataChannel::TileReadWrite::CheckMonotone : DataChannel::TileReadWrite::ProbeMonotone;
        DataChannel::TileReadWrite writer(s.channel.get(), -1, strategy);
        for (int n = range(1, 3); n > 0; --n) {
            const int tile = int(pick(std::size_t(s.channel->tileCount())));
            writer.switchTo(tile);
            const int x0 = (tile % s.channel->tilesAcross()) * 64, y0 = (tile / s.channel->tilesAcross()) * 64;
            const bool uniform = chance(50);
            const std::vector<unsigned char> v = value(s.model.size, s.model.type);
            const int writes = chance(50) ? 4096 : range(1, 20);
            for (int i = 0; i < writes; ++i) {
                const int e = writes == 4096 ? i : range(0, 4095);
                const int x = x0 + (e & 63), y = y0 + (e >> 6);
                if (!s.model.inside(x, y))
                    continue;
                const std::vector<unsigned char> w = uniform ? v : value(s.model.size, s.model.type);
                std::memcpy(static_cast<unsigned char*>(writer.data()) + std::size_t(e) * s.model.size, w.data(),
                            w.size());
                std::memcpy(s.model.at(x, y), w.data(), w.size());
            }
        }
    }

    void snapshotOp(const Subject& s)
    {
        Subject snap;
        const ChannelType type = chance(60) ? s.model.type : kTypes[pick(std::size(kTypes))];
        if (type == s.model.type) {
            snap.channel = new DataChannel(*s.channel);
            snap.model = s.model;
        } else {
            if (!convertible(type, s.model.type))
                return;
            snap.channel = new DataChannel(*s.channel, type);
            snap.model = zeroModel(s.model.width, s.model.height, type);
            ASSERT_TRUE(convertMemory(snap.model.bytes.data(), s.model.bytes.data(), type, s.model.type,
                                      s.model.width * s.model.height));
        }
        verify(snap);
        if (m_snapshots.size() >= 6)
            m_snapshots.erase(m_snapshots.begin() + std::ptrdiff_t(pick(m_snapshots.size())));
        m_snapshots.push_back(std::move(snap));
    }

    void isMonotoneOp(const Subject& s)
    {
        const Rect rect = chance(30) ? Rect::fromSize(s.channel->size()) : randomRect(s.model);
        std::vector<unsigned char> got(std::size_t(s.model.size), 0xA5);
        const bool uniform = s.channel->isMonotone(rect, got.data());
        const Rect r = rect.clipped(s.channel->size());
        bool want = true;
        const unsigned char* first = nullptr;
        if (!r.isEmpty()) {
            first = s.model.at(r.left, r.top);
            for (int y = r.top; y < r.bottom && want; ++y)
                for (int x = r.left; x < r.right && want; ++x)
                    want = std::memcmp(s.model.at(x, y), first, std::size_t(s.model.size)) == 0;
        }
        ASSERT_EQ(uniform, want) << where();
        if (want && first) {
            ASSERT_EQ(std::memcmp(got.data(), first, got.size()), 0) << where();
        }
    }

    void tileFillOp(Subject& s)
    {
        if (s.channel->tileCount() == 0)
            return;
        const int tile = int(pick(std::size_t(s.channel->tileCount())));
        const std::vector<unsigned char> v = value(s.model.size, s.model.type);
        s.channel->tileFill(tile, v.data());
        const int x0 = (tile % s.channel->tilesAcross()) * 64, y0 = (tile / s.channel->tilesAcross()) * 64;
        for (int y = y0; y < std::min(y0 + 64, s.model.height); ++y)
            for (int x = x0; x < std::min(x0 + 64, s.model.width); ++x)
                std::memcpy(s.model.at(x, y), v.data(), v.size());
    }

    void tileCopyOp(Subject& dst, const Subject& src)
    {
        if (dst.model.type != src.model.type || dst.channel->tileCount() == 0 || src.channel->tileCount() == 0)
            return;
        const int d = int(pick(std::size_t(dst.channel->tileCount())));
        const int s = int(pick(std::size_t(src.channel->tileCount())));
        const int dx0 = (d % dst.channel->tilesAcross()) * 64, dy0 = (d / dst.channel->tilesAcross()) * 64;
        const int sx0 = (s % src.channel->tilesAcross()) * 64, sy0 = (s / src.channel->tilesAcross()) * 64;
        const int dw = std::min(64, dst.model.width - dx0), dh = std::min(64, dst.model.height - dy0);
        const int sw = std::min(64, src.model.width - sx0), sh = std::min(64, src.model.height - sy0);
        // Only where the destination's valid part lies within the source's:
        // the source's padding has no meaning to the model.
        if (dw > sw || dh > sh)
            return;
        const Model before = src.model;
        dst.channel->tileCopy(d, *src.channel, s);
        for (int y = 0; y < dh; ++y)
            for (int x = 0; x < dw; ++x)
                std::memcpy(dst.model.at(dx0 + x, dy0 + y), before.at(sx0 + x, sy0 + y), std::size_t(before.size));
    }

    void verify(const Subject& s)
    {
        ASSERT_EQ(s.channel->type(), s.model.type) << where();
        ASSERT_EQ(s.channel->size(), (Size{s.model.width, s.model.height})) << where();
        const std::vector<unsigned char> all = readAll(*s.channel);
        if (all != s.model.bytes) {
            for (int y = 0; y < s.model.height; ++y)
                for (int x = 0; x < s.model.width; ++x)
                    ASSERT_EQ(std::memcmp(&all[(std::size_t(y) * s.model.width + x) * s.model.size],
                                          s.model.at(x, y), std::size_t(s.model.size)),
                              0)
                        << where() << " at " << x << "," << y << " type " << s.model.type;
        }
        // Every interior tile that holds one value is the cache's shared tile.
        const DataChannel& c = *s.channel;
        for (int ty = 0; ty < s.model.height / 64; ++ty) {
            for (int tx = 0; tx < s.model.width / 64; ++tx) {
                const unsigned char* first = s.model.at(tx * 64, ty * 64);
                bool uniform = true;
                for (int y = 0; y < 64 && uniform; ++y)
                    for (int x = 0; x < 64 && uniform; ++x)
                        uniform = std::memcmp(s.model.at(tx * 64 + x, ty * 64 + y), first,
                                              std::size_t(s.model.size)) == 0;
                if (uniform) {
                    ASSERT_EQ(c.tileAt(ty * c.tilesAcross() + tx), cachedTile(s.model.size, first))
                        << where() << " uniform tile " << tx << "," << ty << " is not shared";
                }
            }
        }
    }

    void verifySnapshots()
    {
        for (const Subject& snap : m_snapshots) {
            verify(snap);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }

    std::mt19937 m_rng;
    std::vector<Subject> m_subjects = std::vector<Subject>(4);
    std::vector<Subject> m_snapshots;
    int m_step = 0;
    int m_op = -1;
};

class ChannelModel : public ::testing::TestWithParam<unsigned> {
};

} // namespace

TEST_P(ChannelModel, RandomOperationsMatchPlainArrays)
{
    Runner runner(GetParam());
    runner.run(1500);
}

INSTANTIATE_TEST_SUITE_P(Seeds, ChannelModel, ::testing::Values(1u, 2u, 3u, 4u, 5u, 6u));
