// Reading whole profiles from memory: the default CMYK output profile (650 KB
// of LUTs) and a small matrix-shaper, beside LittleCMS 2 opening the same bytes
// and reading every tag (it reads tags lazily, so each is asked for).
#include "cmm/Profile.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>

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

void BM_LoadCmyk_Engine(benchmark::State& s) { ours(s, CmykBytes()); }
void BM_LoadCmyk_LittleCMS(benchmark::State& s) { theirs(s, CmykBytes()); }
void BM_LoadSrgb_Engine(benchmark::State& s) { ours(s, SrgbBytes()); }
void BM_LoadSrgb_LittleCMS(benchmark::State& s) { theirs(s, SrgbBytes()); }

} // namespace

BENCHMARK(BM_LoadCmyk_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadCmyk_LittleCMS)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadSrgb_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSrgb_LittleCMS)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
