#pragma once

#include "cmm/Int2Type.h"
#include "cmm/PixelFormatCode.h"
#include "cmm/XForm.h"
#include "pixelstore/RefCounted.h"
#include "pixelstore/SmartPtr.h"

#include <algorithm>
#include <cstdint>

namespace Nuvra {
namespace CMM {

// Holders of one pixel-format code: at run time, and fixed at compile time.
struct cColorFormat {
    uint32_t code = 0;
};

template <uint32_t Code>
struct tColorFormat {
    static constexpr uint32_t code = Code;
};

// Converts the three Lab colour samples of a Lab layout (0x200000). Each
// family of converters specialises it for its own Conv: the engine's for
// float Lab in CIE units, the pixel-format processors' for all sample types.
//   input side:  static void Unpack(const T* stored, uint16_t* work);
//   output side: static void Pack(const uint16_t* work, T* stored);
template <class T, class Conv>
struct tLabSamples;

// A pixel processor: converts runs of interleaved pixels of the transform's
// input code into pixels of its output code. Immutable once built; Process
// keeps all per-pixel state on its own stack, so one processor serves any
// number of threads.
class cProcessing : public RefCounted<MultiThreadedLocks> {
public:
    using ptr_t = SmartPtr<cProcessing>;

    // Not owned; set by the engine's own short-lived processors.
    const cXForm* rawXForm = nullptr;
    // Owned through the count; used when rawXForm is null.
    SmartPtr<cXForm> xform;

    cProcessing() = default;
    explicit cProcessing(const cXForm* raw) : rawXForm(raw) {}
    explicit cProcessing(SmartPtr<cXForm> counted) : xform(std::move(counted)) {}
    ~cProcessing() override;

    const cXForm* Transform() const { return rawXForm ? rawXForm : xform.get(); }

    // count pixels from src to dst (separate buffers); nothing for count <= 0.
    virtual void Process(const void* src, void* dst, int count) const = 0;

    // Sample adapters: Unpack turns one stored pixel of n samples into 16-bit
    // working samples, Pack the reverse; each returns the position just past
    // the pixel. Layout is Int2Type<F>, F the sum of:
    //   0x400    all samples reversed
    //   0x800    first stored sample belongs at the end
    //   0xC00    colours reversed, last sample in place
    //   0x100000 one colour channel: Unpack widens it to working 0, 1, 2 and
    //            puts the extras from working 3 on
    //   0x200000 Lab colour samples, converted by tLabSamples<T, Conv>
    template <class T, class Conv, class Layout>
    struct tAdapter;
};

namespace AdapterRules {

// Stored index of the sample at working position j of an n-sample pixel.
template <uint32_t Order>
inline int StoredIndex(int j, int n)
{
    if (Order == 0x400)
        return n - 1 - j;
    if (Order == 0x800)
        return j < n - 1 ? j + 1 : 0;
    if (Order == 0xC00)
        return j < n - 1 ? n - 2 - j : n - 1;
    return j;
}

// The plain sample rules shared by every family.
inline uint16_t ToWork(uint8_t v) { return uint16_t(v * 257); }
inline uint16_t ToWork(uint16_t v) { return v; }
inline uint16_t ToWork(float v)
{
    const float x = v * 65535.0f;
    if (!(x > 0.0f)) // negative, zero and NaN
        return 0;
    if (x >= 65535.0f)
        return 0xFFFF;
    return uint16_t(x + 0.5f);
}

template <class T>
inline T FromWork(uint16_t w);
template <>
inline uint8_t FromWork<uint8_t>(uint16_t w) { return uint8_t((uint32_t(w) + 127) / 257); }
template <>
inline uint16_t FromWork<uint16_t>(uint16_t w) { return w; }
template <>
inline float FromWork<float>(uint16_t w) { return float(w) * 1.5259021893143654e-5f; }

} // namespace AdapterRules

// The one primary adapter: both families share its plain members and differ
// only in their tLabSamples.
template <class T, class Conv, int F>
struct cProcessing::tAdapter<T, Conv, Int2Type<F>> {
    static constexpr uint32_t kOrder = uint32_t(F) & 0xC00;
    static constexpr bool kOneColor = (F & 0x100000) != 0;
    static constexpr bool kLab = (F & 0x200000) != 0;

    static const void* Unpack(const void* src, uint16_t* w, int n)
    {
        const T* s = static_cast<const T*>(src);
        using AdapterRules::StoredIndex;
        using AdapterRules::ToWork;
        if constexpr (kOneColor) {
            const uint16_t g = n > 0 ? ToWork(s[StoredIndex<kOrder>(0, n)]) : 0;
            w[0] = w[1] = w[2] = g;
            for (int k = 1; k < n; ++k)
                w[2 + k] = ToWork(s[StoredIndex<kOrder>(k, n)]);
        } else {
            int j = 0;
            if constexpr (kLab) {
                // In stored order the samples convert where they are.
                if (n >= 3 && kOrder == 0) {
                    tLabSamples<T, Conv>::Unpack(s, w);
                    j = 3;
                } else if (n >= 3) {
                    const T lab[3] = {s[StoredIndex<kOrder>(0, n)], s[StoredIndex<kOrder>(1, n)],
                                      s[StoredIndex<kOrder>(2, n)]};
                    tLabSamples<T, Conv>::Unpack(lab, w);
                    j = 3;
                }
            }
            for (; j < n; ++j)
                w[j] = ToWork(s[StoredIndex<kOrder>(j, n)]);
        }
        return s + n;
    }

    // A one-colour pixel packs like a plain one: the gray from working 0 and
    // the extras from working 1 on, where the pixel loop puts them.
    static void* Pack(const uint16_t* w, void* dst, int n)
    {
        T* d = static_cast<T*>(dst);
        using AdapterRules::FromWork;
        using AdapterRules::StoredIndex;
        int j = 0;
        if constexpr (kLab) {
            if (n >= 3 && kOrder == 0) {
                tLabSamples<T, Conv>::Pack(w, d);
                j = 3;
            } else if (n >= 3) {
                T lab[3];
                tLabSamples<T, Conv>::Pack(w, lab);
                for (; j < 3; ++j)
                    d[StoredIndex<kOrder>(j, n)] = lab[j];
            }
        }
        for (; j < n; ++j)
            d[StoredIndex<kOrder>(j, n)] = FromWork<T>(w[j]);
        return d + n;
    }

    // Unpack and Pack over count pixels whose working samples lie
    // kWorkSamples apart. Three samples, the common pixel, get a loop of their
    // own in which the count is known.
    static const void* UnpackRun(const void* src, uint16_t* w, int n, int count)
    {
        if (n == 3)
            for (int i = 0; i < count; ++i)
                src = Unpack(src, w + i * kWorkSamples, 3);
        else
            for (int i = 0; i < count; ++i)
                src = Unpack(src, w + i * kWorkSamples, n);
        return src;
    }

    static void* PackRun(const uint16_t* w, void* dst, int n, int count)
    {
        if (n == 3)
            for (int i = 0; i < count; ++i)
                dst = Pack(w + i * kWorkSamples, dst, 3);
        else
            for (int i = 0; i < count; ++i)
                dst = Pack(w + i * kWorkSamples, dst, n);
        return dst;
    }
};

// Names the two compile-time converters of a static processor; no data.
template <class InConv, class OutConv>
struct tStaticProcessor {
    using InputConv = InConv;
    using OutputConv = OutConv;
};

// Run-time converters: each holds its code (`code`) and its function
// (`unpack` on the input side, `pack` on the output side; null = unsupported).
template <class InConv, class OutConv>
struct tDynamicProcessor {
    InConv input;
    OutConv output;
};

// Pixels the pixel loops carry through the transform at once.
constexpr int kRunPixels = 64;

// The pixel loop of every processor: a run of pixels unpacked into working
// samples, the transform's RunMany over the run, the extras carried over
// (missing ones become 0xFFFF), the run packed. cIn and cOut are the working
// positions of the first extra on each side; unpack(src, work, count) and
// pack(work, dst, count) convert count pixels, kWorkSamples apart in work,
// and return the position after them.
template <class Unpack, class Pack>
void RunPixelLoop(const cXForm& t, const void* src, void* dst, int count, int cIn, int eIn, int cOut, int eOut,
                  const Unpack& unpack, const Pack& pack)
{
    uint16_t in[kRunPixels * kWorkSamples] = {};
    uint16_t out[kRunPixels * kWorkSamples] = {};
    const int used = std::min(count, kRunPixels);
    for (int p = 0; p < used; ++p)
        for (int i = cIn + eIn; i < cIn + eOut; ++i)
            in[p * kWorkSamples + i] = 0xFFFF;
    for (int done = 0; done < count; done += kRunPixels) {
        const int m = std::min(kRunPixels, count - done);
        src = unpack(src, in, m);
        t.RunMany(in, out, m);
        for (int p = 0; p < m; ++p)
            for (int e = 0; e < eOut; ++e)
                out[p * kWorkSamples + cOut + e] = in[p * kWorkSamples + cIn + e];
        dst = pack(out, dst, m);
    }
}

// The run-time pixel loop. Does nothing for count <= 0, a missing converter
// function or an invalid transform.
template <class InConv, class OutConv>
void ProcessPixels(const tDynamicProcessor<InConv, OutConv>& p, const void* src, void* dst, int count,
                   const cXForm* t)
{
    if (count <= 0 || !t || !t->routine || !p.input.unpackRun || !p.output.packRun)
        return;
    const uint32_t inCode = p.input.code;
    const uint32_t outCode = p.output.code;
    const int nIn = CMM_PF::Samples(inCode);
    const int nOut = CMM_PF::Samples(outCode);
    RunPixelLoop(
        *t, src, dst, count, std::max(CMM_PF::Colors(inCode), 3), CMM_PF::Extras(inCode), CMM_PF::Colors(outCode),
        CMM_PF::Extras(outCode), [&](const void* s, uint16_t* w, int m) { return p.input.unpackRun(s, w, nIn, m); },
        [&](const uint16_t* w, void* d, int m) { return p.output.packRun(w, d, nOut, m); });
}

} // namespace CMM
} // namespace Nuvra
