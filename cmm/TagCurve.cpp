// Curve tags: 'curv' and 'para'.

#include "cmm/TagClasses.h"

#include "cmm/GammaTable.h"
#include "cmm/Profile.h"
#include "cmm/Saturate.h"

#include <algorithm>

namespace Nuvra {
namespace CMM {

namespace {

// Parameters that each 'para' function type carries.
constexpr int kParaCounts[5] = {1, 3, 4, 5, 7};

constexpr size_t kBuiltEntries = 4096;

bool built(QDataStream& s, cGammaTable& curve, int type, const float* params)
{
    curve.Build(kBuiltEntries, type, params);
    if (curve.table.empty()) {
        FailStream(s, QStringLiteral("Unusable parametric curve\n"));
        return false;
    }
    return true;
}

} // namespace

bool ReadCurve(sTagIO& io, cGammaTable& curve)
{
    QDataStream& s = *io.stream;
    uint32_t type = 0;
    if (!ReadTagBase(s, type))
        return false;
    if (type == Sig::TypeCurv || type == Sig::TypeCurvAlias) {
        uint32_t count = 0;
        s >> count;
        if (s.status() != QDataStream::Ok)
            return false;
        if (count >= 0x10000) {
            FailStream(s, QString::asprintf("Too large curve table: %d items.\n", int(count)));
            return false;
        }
        if (count == 1) {
            uint16_t gamma = 0;
            s >> gamma;
            if (s.status() != QDataStream::Ok)
                return false;
            const float g = float(gamma) / 256.0f;
            return built(s, curve, 1, &g);
        }
        curve.type = 0;
        std::fill(std::begin(curve.params), std::end(curve.params), 0.0f);
        if (count == 0) {
            curve.table = {0, 65535};
        } else {
            if (qint64(count) * 2 > BytesLeft(s)) {
                FailStream(s, QString::asprintf("Curve table of %u items runs past its tag\n", count));
                return false;
            }
            curve.table.resize(count);
            for (uint16_t& v : curve.table)
                s >> v;
        }
        curve.crc = curve.CalcCrc32();
        return s.status() == QDataStream::Ok;
    }
    if (type == Sig::TypePara) {
        uint16_t function = 0, reserved = 0;
        s >> function;
        if (s.status() != QDataStream::Ok)
            return false;
        if (function >= 5) {
            FailStream(s, QString::asprintf("Unknown parametric curve type '%d' found.\n", int(function)));
            return false;
        }
        s >> reserved;
        float params[10] = {};
        for (int i = 0; i < kParaCounts[function]; ++i) {
            int32_t raw = 0;
            s >> raw;
            params[i] = s15Fixed16ToFloat(raw);
        }
        if (s.status() != QDataStream::Ok)
            return false;
        return built(s, curve, function + 1, params);
    }
    FailStream(s, QString::asprintf("Bad tag signature %x found\n", type));
    return false;
}

bool WriteCurve(sTagIO& io, const cGammaTable& curve)
{
    QDataStream& s = *io.stream;
    const bool asBuilt = curve.type >= 1 && curve.type <= 5 && curve.crc == curve.CalcCrc32();
    const bool v4 = io.profile && io.profile->version() >= 0x04000000u;
    if (asBuilt && curve.type == 1) {
        WriteTagBase(s, Sig::TypeCurv);
        s << uint32_t(1) << SaturateWord(double(curve.params[0]) * 256.0);
    } else if (asBuilt && v4) {
        WriteTagBase(s, Sig::TypePara);
        s << uint16_t(curve.type - 1) << uint16_t(0);
        for (int i = 0; i < kParaCounts[curve.type - 1]; ++i)
            s << FloatToS15Fixed16(curve.params[i]);
    } else {
        WriteTagBase(s, Sig::TypeCurv);
        s << uint32_t(curve.table.size());
        for (uint16_t v : curve.table)
            s << v;
    }
    return s.status() == QDataStream::Ok;
}

void* CurveTag::copy(const void* src)
{
    return src ? new cGammaTable(*static_cast<const cGammaTable*>(src)) : new cGammaTable();
}

void CurveTag::destroy(void* obj)
{
    delete static_cast<cGammaTable*>(obj);
}

void* CurveTag::read(sTagIO& io, size_t)
{
    cGammaTable* curve = new cGammaTable();
    if (!ReadCurve(io, *curve)) {
        delete curve;
        return nullptr;
    }
    return curve;
}

bool CurveTag::write(sTagIO& io, size_t)
{
    return WriteCurve(io, *static_cast<const cGammaTable*>(io.object));
}

} // namespace CMM
} // namespace Nuvra
