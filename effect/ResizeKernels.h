#pragma once

#include <vector>

namespace Nuvra {
namespace DataStorage {
namespace ns_Resize {

// Keys cubic (a = -0.75) weights of one output sample: inputs i0 - 2 ... i0 + 2.
struct CubicWeight {
    float w[5];
    int i0;
    bool nearEdge; // indices must be clamped to the input
};

// One record per output sample of an axis resampled from inSize to outSize.
void cubicWeights(std::vector<CubicWeight>& records, int inSize, int outSize);
float keysCubic(float d);

// Area tables: for input sample i, the output sample it first touches and
// the fraction of it that falls there.
struct AreaTable {
    float k = 1.0f; // output size / input size
    std::vector<int> first;
    std::vector<float> fraction;
};
AreaTable areaTable(int inSize, int outSize);

// out[x] = sum of w[k] * rows[k][x], k = 0..4, added from 0 in that order.
void cubicVerticalRow(const float* const rows[5], const float w[5], float* out, int width);
// out[o] = five-tap sum over in with the x records, then clamped to [0, 1]
// when asked.
void cubicHorizontalRow(const float* in, int inWidth, const CubicWeight* records, float* out, int outWidth,
                        bool clamp);

} // namespace ns_Resize
} // namespace DataStorage
} // namespace Nuvra
