#pragma once

// The tag classes behind Tag2ClassAction: one struct of four actions per class.

#include "cmm/IccIO.h"

#include <cstddef>

namespace Nuvra {
namespace CMM {

// 'chad': a 3x3 matrix, row by row.
struct sChadMatrix {
    float m[9];
};

// Raw bytes of a tag the engine does not interpret, kept to be written back.
struct sUnknownTag {
    static constexpr uint32_t kMarker = 0x5A5AECECu;
    uint32_t marker;
    uint64_t size;
    uint8_t* bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
    const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(this + 1); }

    // Null for a size of 0.
    static sUnknownTag* create(uint64_t size);
    static void free(sUnknownTag* tag);
};

// The class that owns a tag signature, in the order of the handler table.
enum class TagKind { Text, XYZ, Chad, Curve, LUT, Chrm, DateTime, Unknown };
TagKind TagKindOf(icTagSignature sig);

#define NUVRA_TAG_CLASS(Name)                                                                      \
    struct Name {                                                                                  \
        static void* copy(const void* src);                                                        \
        static void destroy(void* obj);                                                            \
        static void* read(sTagIO& io, size_t size);                                                \
        static bool write(sTagIO& io, size_t size);                                                \
    }

NUVRA_TAG_CLASS(TextTag);
NUVRA_TAG_CLASS(XYZTag);
NUVRA_TAG_CLASS(ChadTag);
NUVRA_TAG_CLASS(CurveTag);
NUVRA_TAG_CLASS(LUTTag);
NUVRA_TAG_CLASS(ChrmTag);
NUVRA_TAG_CLASS(DateTimeTag);
NUVRA_TAG_CLASS(UnknownTag);

#undef NUVRA_TAG_CLASS

} // namespace CMM
} // namespace Nuvra
