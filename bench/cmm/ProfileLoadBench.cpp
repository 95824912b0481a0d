// Reading whole profiles from memory: the default CMYK output profile (700 KB
// of LUTs) and a small matrix-shaper, beside LittleCMS 2 opening the same bytes
// and reading every tag (it reads tags lazily, so each is asked for). A
// profile of 100,000 small tags is read from a file and from memory.
#include "cmm/Profile.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>
#include <QtEndian>

#include <benchmark/benchmark.h>
#include <lcms2.h>

using namespace Nuvra::CMM;

namespace {

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

const QByteArray& CmykBytes()
{
    static const QByteArray b = bytesOf(QStringLiteral(MORVELIN_SOURCE_DIR "/resources/profile/cmyk.icc"));
    return b;
}

const QByteArray& SrgbBytes()
{
    static const QByteArray b =
        bytesOf(QStringLiteral(MORVELIN_SOURCE_DIR "/tests/data/cmm/icc-profiles-free/sRGB.icc"));
    return b;
}

void ours(benchmark::State& state, const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        state.SkipWithError("profile not found");
        return;
    }
    for (auto _ : state) {
        QByteArray copy(bytes);
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QDataStream s(&buffer);
        s.setByteOrder(QDataStream::BigEndian);
        cProfile::ptr_t p(new cProfile);
        if (!p->Load(s, QStringLiteral("bench")))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(p->Tags().size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

void theirs(benchmark::State& state, const QByteArray& bytes)
{
    for (auto _ : state) {
        cmsHPROFILE h = cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size()));
        const cmsInt32Number n = cmsGetTagCount(h);
        for (cmsInt32Number i = 0; i < n; ++i)
            benchmark::DoNotOptimize(cmsReadTag(h, cmsGetTagSignature(h, cmsUInt32Number(i))));
        cmsCloseProfile(h);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes.size());
}

// 100,000 tags of distinct private signatures sharing one 12-byte block.
const QByteArray& ManyTagBytes()
{
    static const QByteArray b = [] {
        const uint32_t tags = 100000;
        const uint32_t data = 128 + 4 + 12 * tags;
        QByteArray out(int(data + 12), '\0');
        auto put = [&](uint32_t at, uint32_t v) { qToBigEndian(v, out.data() + at); };
        put(0, uint32_t(out.size()));
        put(8, 0x02100000);
        put(12, 0x6D6E7472); // mntr
        put(16, 0x52474220); // RGB
        put(20, 0x58595A20); // XYZ
        put(36, 0x61637370); // acsp
        put(128, tags);
        for (uint32_t i = 0; i < tags; ++i) {
            put(132 + 12 * i, 0x70000000u + i);
            put(136 + 12 * i, data);
            put(140 + 12 * i, 12);
        }
        put(data, 0x58595A20);
        return out;
    }();
    return b;
}

void BM_LoadManyTags_File(benchmark::State& state)
{
    QTemporaryFile file;
    if (!file.open() || file.write(ManyTagBytes()) != ManyTagBytes().size()) {
        state.SkipWithError("temporary file");
        return;
    }
    file.close();
    for (auto _ : state) {
        cProfile::ptr_t p(new cProfile);
        if (!p->Load(file.fileName()))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(p->Tags().size());
    }
}

void BM_LoadManyTags_Memory(benchmark::State& s) { ours(s, ManyTagBytes()); }
void BM_LoadCmyk_Engine(benchmark::State& s) { ours(s, CmykBytes()); }
void BM_LoadCmyk_LittleCMS(benchmark::State& s) { theirs(s, CmykBytes()); }
void BM_LoadSrgb_Engine(benchmark::State& s) { ours(s, SrgbBytes()); }
void BM_LoadSrgb_LittleCMS(benchmark::State& s) { theirs(s, SrgbBytes()); }

} // namespace

BENCHMARK(BM_LoadCmyk_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCmyk_LittleCMS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSrgb_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSrgb_LittleCMS)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadManyTags_File)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadManyTags_Memory)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
