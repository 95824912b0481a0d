#pragma once

#include "cmm/ColorRecords.h"
#include "cmm/Matrix.h"

#include <cstdint>

namespace Nuvra {
namespace CMM {

// The stage between two profiles' connection spaces: XYZ/Lab conversion,
// absolute-colorimetric scaling and black-point compensation on 16-bit PCS
// samples (XYZ 1.15, Lab 16-bit). No evaluator means nothing to do.
class cConversion {
public:
    enum eMode : int { PCS_XYZ = 0, PCS_Lab = 1 };
    using Evaluator = void (cConversion::*)(const uint16_t* in, uint16_t* out) const;

    Evaluator evaluator = nullptr;
    mat33fixed_t matrix = mat33fixed_t::Identity();
    vec3fixed_t offset = {};

    // False (no evaluator, a critical line) when the whites, black points or
    // adaptation matrices give no usable factors.
    bool CalcEvaluator(bool absolute, eMode inMode, const sCIEXYZ& inBlack, const sCIEXYZ& inWhite,
                       const sCIEXYZ& inIlluminant, const mat33real_t& inChad, eMode outMode,
                       const sCIEXYZ& outBlack, const sCIEXYZ& outWhite,
                       const sCIEXYZ& outIlluminant, const mat33real_t& outChad,
                       bool blackPointCompensation, float adaptationState);

    bool FromXYZRelLUT(bool absolute, const sCIEXYZ& inBlack, const sCIEXYZ& inWhite,
                       const sCIEXYZ& inIlluminant, const mat33real_t& inChad, eMode outMode,
                       const sCIEXYZ& outBlack, const sCIEXYZ& outWhite,
                       const sCIEXYZ& outIlluminant, const mat33real_t& outChad,
                       bool blackPointCompensation, float adaptationState, mat33real_t& m,
                       vec3real_t& o);
    bool FromLabRelLUT(bool absolute, const sCIEXYZ& inBlack, const sCIEXYZ& inWhite,
                       const sCIEXYZ& inIlluminant, const mat33real_t& inChad, eMode outMode,
                       const sCIEXYZ& outBlack, const sCIEXYZ& outWhite,
                       const sCIEXYZ& outIlluminant, const mat33real_t& outChad,
                       bool blackPointCompensation, float adaptationState, mat33real_t& m,
                       vec3real_t& o);

    void swap(cConversion& other);

    void XYZ2XYZ(const uint16_t* in, uint16_t* out) const;
    void Lab2XYZ(const uint16_t* in, uint16_t* out) const;
    void XYZ2Lab(const uint16_t* in, uint16_t* out) const;
    void Lab2XYZ2Lab(const uint16_t* in, uint16_t* out) const;

private:
    void ToLab(const uint16_t* xyz, uint16_t* out) const;
};

} // namespace CMM
} // namespace Nuvra
