#pragma once

#include <cstdlib>
#include <memory>
#include <vector>

namespace Nuvra {
namespace DataStorage {

class ProgressData;

namespace ns_cltBlur {

// One axis of the extended-box approximation of a Gaussian: passes of a box
// of 2r - 1 samples weighted a plus a box of 2r + 1 samples weighted b.
struct TB_AlgData {
    int r = 1;
    int passes = 3;
    float a = 1.0f;
    float b = 0.0f;
    float ab = 1.0f;      // a + b, the weight of the 2r - 1 central samples
    int tileReach = 1;    // tiles one pass reaches
    int tileReachAll = 1; // tiles all passes reach

    TB_AlgData() = default;
    TB_AlgData(float sigma, int passes);
};

struct TB_AlgData2D {
    TB_AlgData x;
    TB_AlgData y;
    TB_AlgData2D(float sigmaX, float sigmaY, int passes) : x(sigmaX, passes), y(sigmaY, passes) {}
};

// Largest sigma honoured; beyond it every size derived from sigma would
// outgrow the int range long before the blur could show a difference.
constexpr float kMaxSigma = 16384.0f;

// Whether the SSE kernels may run: the processor has them and the kernel
// switch (pixelstore/CpuFeatures.h) allows them.
bool Check_SSEAvailable();

// Band buffers hold, per position along the band, the 64 samples across it.
constexpr int kBandWidth = 64;

struct AlignedFree {
    void operator()(float* p) const noexcept { std::free(p); }
};
using AlignedFloats = std::unique_ptr<float[], AlignedFree>;
// Zero-filled, 16-byte aligned; count is rounded up to a multiple of 4.
AlignedFloats allocateAligned(size_t count);

template <class T>
struct TB_IOData {
    T* buffer[2] = {nullptr, nullptr};
};

// Buffers and per-tile bookkeeping of one blur, sized for its largest band.
struct TB_WorkArea {
    TB_WorkArea(int longestSide, int tilesPerBand);

    int positions;     // 4 * ceil(longest side / 4)
    AlignedFloats store[2];
    AlignedFloats accumulators;
    TB_IOData<float> io;
    std::vector<bool> uniform;  // flagged uniform tiles of the band
    std::vector<bool> expanded; // flags grown by the reach of all passes
    std::vector<bool> inner;    // expanded set grown by one pass's reach
    std::vector<float> values;  // uniform value per flagged tile
};

// out[i] is set when every in[j] with |i - j| <= reach inside [0, count) is set.
void ExpandMonotone(std::vector<bool>& out, const std::vector<bool>& in, int count, int reach);

// Starts the running sums of `lines` lines at position s: the window centred
// on s - 1 with the samples left of s taken as x[s].
void TB_StartSums(const float* src, float* acc, const TB_AlgData& alg, int s, int lineLength, int lines);

// One box pass over the positions of one tile span of a band.
void TB_ProcessTile(const float* src, float* dst, float* acc, const TB_AlgData& alg, int tile, int lineLength,
                    int lines, int srcPitch, int dstPitch, bool transposed);
// The same on four lines at a time; buffers 16-byte aligned, pitches
// multiples of 4. Lanes past `lines` up to the next multiple of 4 are
// computed too and belong to no line.
void TB_ProcessTile_SSE(const float* src, float* dst, float* acc, const TB_AlgData& alg, int tile, int lineLength,
                        int lines, int srcPitch, int dstPitch, bool transposed);

// The same on eight lines at a time with AVX (buffers need no alignment);
// lanes past `lines` up to the next multiple of 8 belong to no line.
namespace Avx {
// Built in TiledBlurAvx.cpp.
void TB_ProcessTile(const float* src, float* dst, float* acc, const TB_AlgData& alg, int tile, int lineLength,
                    int lines, int srcPitch, int dstPitch, bool transposed);
} // namespace Avx

// Whether the AVX form may run, as for the SSE kernels above.
bool Check_AVXAvailable();

// Runs the passes over a band whose buffer 1 is filled and whose tile sets
// are set: uniform stretches are filled or skipped, the rest filtered; the
// last pass writes transposed with dstPitch into the returned buffer. With
// useSSE the widest vector form the processor has runs (all forms give the
// same results). Returns null when cancelled.
float* TB_RunPasses(TB_WorkArea& work, const TB_AlgData& alg, int tiles, int lineLength, int lines, int dstPitch,
                    bool useSSE, ProgressData* progress);

} // namespace ns_cltBlur
} // namespace DataStorage
} // namespace Nuvra
