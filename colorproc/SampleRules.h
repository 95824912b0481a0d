#pragma once

#include <cstdint>
#include <cstring>

namespace Nuvra {
namespace DataStorage {
namespace Detail {

// Layout flags of the sample adapters: the two order bits of the pixel-format
// code, one colour channel widened to three working samples, and Lab colour
// samples with their own scaling.
constexpr int kLayoutReversed = 0x400;
constexpr int kLayoutSwapFirst = 0x800;
constexpr int kLayoutOrder = 0xC00;
constexpr int kLayoutGray = 0x100000;
constexpr int kLayoutLab = 0x200000;

// Converts a float scaled to 16-bit units into a working sample, rounding
// half away from zero. The clamp happens on the float, so NaN, infinities and
// huge values never reach an integer conversion (NaN gives 0).
inline uint16_t roundToWorking(float x) noexcept
{
    if (!(x >= 0.0f))
        return 0;
    if (x >= 65535.0f)
        return 65535;
    return uint16_t(x + 0.5f);
}

// Stored sample <-> working sample, for every sample without Lab scaling.
template <class T>
struct PlainSample;

template <>
struct PlainSample<uint8_t> {
    static uint16_t unpack(uint8_t v) noexcept { return uint16_t(v * 257u); }
    static uint8_t pack(uint16_t w) noexcept { return uint8_t((w + 127u) / 257u); }
};

template <>
struct PlainSample<uint16_t> {
    static uint16_t unpack(uint16_t v) noexcept { return v; }
    static uint16_t pack(uint16_t w) noexcept { return w; }
};

template <>
struct PlainSample<float> {
    static uint16_t unpack(float v) noexcept { return roundToWorking(v * 65535.0f); }
    static float pack(uint16_t w) noexcept { return float(w) * 1.5259021893143654e-5f; }
};

// The Lab colour samples: the working encoding has L = 100 at 0xFF00 and
// a = b = 0 at 0x8000.
template <class T>
struct LabSample;

template <>
struct LabSample<uint8_t> {
    static uint16_t unpack(uint8_t v) noexcept { return uint16_t(v << 8); }
    static uint8_t pack(uint16_t w) noexcept
    {
        const unsigned c = w < 0xFF00u ? w : 0xFF00u;
        return uint8_t((c + 127u) >> 8);
    }
};

template <>
struct LabSample<uint16_t> {
    static uint16_t unpack(uint16_t v) noexcept { return uint16_t((v * 256u + 128u) / 257u); }
    static uint16_t pack(uint16_t w) noexcept
    {
        const unsigned c = w < 0xFF00u ? w : 0xFF00u;
        return uint16_t((c * 257u + 128u) >> 8);
    }
};

template <>
struct LabSample<float> {
    static uint16_t unpack(float v) noexcept { return roundToWorking(v * 65280.0f); }
    static float pack(uint16_t w) noexcept { return w > 0xFF00u ? 1.0f : float(w) * 1.5318628356908448e-5f; }
};

// Position in the stored pixel of working-order sample j, for n samples.
template <int Order>
constexpr int storedIndex(int j, int n) noexcept
{
    return Order == kLayoutReversed                   ? n - 1 - j
           : Order == kLayoutSwapFirst                ? (j < n - 1 ? j + 1 : 0)
           : Order == (kLayoutReversed | kLayoutSwapFirst) ? (j < n - 1 ? n - 2 - j : n - 1)
                                                      : j;
}

// One pixel of n stored samples of type T in layout F to working samples and
// back. Unpack of a one-colour layout writes n + 2 working samples (the gray
// three times, then the extras); Pack has no one-colour form: a gray pixel
// is packed plainly from w[0] and the extras after it.
template <class T, int F>
struct SampleLayout {
    static constexpr int kOrder = F & kLayoutOrder;
    static constexpr bool kGray = (F & kLayoutGray) != 0;
    static constexpr bool kLab = (F & kLayoutLab) != 0;

    static const void* Unpack(const void* src, uint16_t* w, int n) noexcept
    {
        const T* s = static_cast<const T*>(src);
        if (kGray) {
            const uint16_t g = PlainSample<T>::unpack(load(s, storedIndex<kOrder>(0, n)));
            w[0] = w[1] = w[2] = g;
            for (int j = 1; j < n; ++j)
                w[j + 2] = PlainSample<T>::unpack(load(s, storedIndex<kOrder>(j, n)));
        } else {
            int j = 0;
            if (kLab)
                for (; j < 3 && j < n; ++j)
                    w[j] = LabSample<T>::unpack(load(s, storedIndex<kOrder>(j, n)));
            for (; j < n; ++j)
                w[j] = PlainSample<T>::unpack(load(s, storedIndex<kOrder>(j, n)));
        }
        return s + n;
    }

    static void* Pack(const uint16_t* w, void* dst, int n) noexcept
    {
        static_assert(!kGray, "gray pixels are packed by the plain layout");
        T* d = static_cast<T*>(dst);
        int j = 0;
        if (kLab)
            for (; j < 3 && j < n; ++j)
                store(d, storedIndex<kOrder>(j, n), LabSample<T>::pack(w[j]));
        for (; j < n; ++j)
            store(d, storedIndex<kOrder>(j, n), PlainSample<T>::pack(w[j]));
        return d + n;
    }

private:
    // Byte copies: pixel buffers need not be aligned to the sample size.
    static T load(const T* s, int i) noexcept
    {
        T v;
        std::memcpy(&v, s + i, sizeof(T));
        return v;
    }
    static void store(T* d, int i, T v) noexcept { std::memcpy(d + i, &v, sizeof(T)); }
};

} // namespace Detail
} // namespace DataStorage
} // namespace Nuvra
