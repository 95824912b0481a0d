#pragma once

#include "cmm/Processing.h"

#include <cstdint>

namespace Nuvra {
namespace CMM {

namespace Detail {

using UnpackFn = const void* (*)(const void* src, uint16_t* work, int n);
using PackFn = void* (*)(const uint16_t* work, void* dst, int n);
// Runs of count pixels, their working samples kWorkSamples apart.
using UnpackRunFn = const void* (*)(const void* src, uint16_t* work, int n, int count);
using PackRunFn = void* (*)(const uint16_t* work, void* dst, int n, int count);

struct sCommonConv : cColorFormat {};
struct sInputConv : sCommonConv {
    UnpackFn unpack = nullptr;
    UnpackRunFn unpackRun = nullptr;
};
struct sOutputConv : sCommonConv {
    PackFn pack = nullptr;
    PackRunFn packRun = nullptr;
};

} // namespace Detail

// The engine's Lab members: float Lab in CIE units (L 0..100, a and b
// -128..128) to and from the 16-bit Lab encoding. 8- and 16-bit Lab take the
// plain members, whose scaling already gives that encoding.
template <>
struct tLabSamples<float, Detail::sInputConv> {
    static void Unpack(const float* lab, uint16_t* w);
};
template <>
struct tLabSamples<float, Detail::sOutputConv> {
    static void Pack(const uint16_t* w, float* lab);
};

// Store the code and pick the adapter; an unsupported sample type leaves the
// function null with the critical line "Unsupported bytes size:" and the type.
// A one-colour input with its extra first has no adapter either.
void InitInputConv(Detail::sInputConv& conv, unsigned code);
void InitOutputConv(Detail::sOutputConv& conv, unsigned code);

// The engine's own processor over a transform it does not own (the builder
// samples its grids through one, on the stack).
class cInternalProcessing : public cProcessing, private tDynamicProcessor<Detail::sInputConv, Detail::sOutputConv> {
public:
    // Converts pixels of the transform's own codes.
    explicit cInternalProcessing(const cXForm* t);
    // Converts pixels of the given codes through the transform's routine.
    cInternalProcessing(const cXForm* t, unsigned inputCode, unsigned outputCode);

    void Process(const void* src, void* dst, int count) const override;
    // Both converters have a function.
    bool IsUsable() const { return input.unpack && output.pack && Transform() && Transform()->IsValid(); }
};

} // namespace CMM
} // namespace Nuvra
