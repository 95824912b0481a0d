// LUT tags: 'mft1', 'mft2', 'mAB ' and 'mBA '.

#include "cmm/TagClasses.h"

#include "cmm/ColorSpaces.h"
#include "cmm/LUT.h"
#include "cmm/Profile.h"
#include "cmm/Saturate.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cmath>

namespace Nuvra {
namespace CMM {

bool ReadCurve(sTagIO& io, cGammaTable& curve);
bool WriteCurve(sTagIO& io, const cGammaTable& curve);

namespace {

bool fail(QDataStream& s, const QString& message)
{
    FailStream(s, message);
    return false;
}

bool isOneOf(uint32_t sig, std::initializer_list<uint32_t> list)
{
    return std::find(list.begin(), list.end(), sig) != list.end();
}

bool pcsIsInput(uint32_t sig)
{
    return isOneOf(sig, {Sig::B2A0, Sig::B2A1, Sig::B2A2, Sig::Pre0, Sig::Pre1, Sig::Pre2, Sig::Gamt});
}

bool pcsIsOutput(uint32_t sig)
{
    return isOneOf(sig, {Sig::A2B0, Sig::A2B1, Sig::A2B2, Sig::Pre0, Sig::Pre1, Sig::Pre2});
}

// Samples of a grid, or -1 when it exceeds limit. 64-bit with an early exit,
// so no count in the file can overflow it.
int64_t gridSamples(unsigned points, unsigned inputs, unsigned outputs, int64_t limit)
{
    int64_t n = outputs;
    for (unsigned i = 0; i < inputs; ++i) {
        n *= points;
        if (n > limit)
            return -1;
    }
    return n > limit ? -1 : n;
}

bool checkGrid(QDataStream& s, unsigned points, unsigned inputs, unsigned outputs, int bytesPerSample)
{
    if (points < 2)
        return fail(s, QString::asprintf("Invalid CLUT grid of %u points\n", points));
    const int64_t left = BytesLeft(s) / bytesPerSample;
    if (gridSamples(points, inputs, outputs, left) < 0)
        return fail(s, QString::asprintf("CLUT of %u^%u x %u samples does not fit its tag\n", points, inputs, outputs));
    return true;
}

bool checkChannels(QDataStream& s, unsigned inputs, unsigned outputs)
{
    if (inputs < 1 || inputs > unsigned(kMaxChannels) || outputs < 1 || outputs > unsigned(kMaxChannels))
        return fail(s, QString::asprintf("Bad LUT channel counts %u -> %u\n", inputs, outputs));
    return true;
}

void readMatrix(QDataStream& s, mat33fixed_t& m)
{
    for (int32_t& v : m.m)
        s >> v;
}

// Bulk reads: one device read per block instead of one per sample.
bool readWords(QDataStream& s, uint16_t* dst, size_t n)
{
    const int bytes = int(n * 2);
    if (n && s.readRawData(reinterpret_cast<char*>(dst), bytes) != bytes) {
        if (s.status() == QDataStream::Ok)
            s.setStatus(QDataStream::ReadPastEnd);
        return false;
    }
    qFromBigEndian<uint16_t>(dst, qsizetype(n), dst);
    return true;
}

// Bytes b become (b << 8) | b.
bool readBytesAsWords(QDataStream& s, uint16_t* dst, size_t n)
{
    std::vector<uint8_t> raw(n);
    if (n && s.readRawData(reinterpret_cast<char*>(raw.data()), int(n)) != int(n)) {
        if (s.status() == QDataStream::Ok)
            s.setStatus(QDataStream::ReadPastEnd);
        return false;
    }
    for (size_t i = 0; i < n; ++i)
        dst[i] = uint16_t((raw[i] << 8) | raw[i]);
    return true;
}

bool isIdentityEntry(uint16_t v, size_t i, size_t n)
{
    const long expected = std::lround(double(i) * 65535.0 / double(n - 1));
    return std::labs(long(v) - expected) <= 3;
}

// Reads `count` tables of n entries (8-bit entries when eightBit); installs them
// in bank unless all of them are identities.
bool readTables(QDataStream& s, cLUT& lut, int bank, unsigned count, unsigned n, bool eightBit)
{
    cGammaTable tables[kMaxChannels];
    bool allIdentity = true;
    for (unsigned t = 0; t < count; ++t) {
        std::vector<uint16_t>& table = tables[t].table;
        table.resize(n);
        if (!(eightBit ? readBytesAsWords(s, table.data(), n) : readWords(s, table.data(), n)))
            return false;
        for (size_t i = 0; i < n && allIdentity; ++i)
            allIdentity = isIdentityEntry(table[i], i, n);
        tables[t].crc = tables[t].CalcCrc32();
    }
    if (!allIdentity)
        lut.SetLinearTable(bank, tables);
    return true;
}

bool readGrid8(QDataStream& s, cLUT& lut)
{
    return readBytesAsWords(s, lut.gridSamples.data(), lut.gridSamples.size());
}

bool readGrid16(QDataStream& s, cLUT& lut)
{
    return readWords(s, lut.gridSamples.data(), lut.gridSamples.size());
}

// The first matrix of lut8/lut16 only acts on three inputs.
void keepMatrix(cLUT& lut, const mat33fixed_t& m)
{
    if (lut.inputs == 3)
        lut.SetMatrix(LUT_Matrix, m, vec3fixed_t{});
}

uint32_t profileSpace(const sTagIO& io)
{
    return io.profile ? uint32_t(io.profile->colorSpace()) : 0u;
}

uint32_t profilePCS(const sTagIO& io)
{
    return io.profile ? io.profile->pcs() : 0u;
}

// Lab white through the LUT with and without the first matrix: the matrix
// stays only when it brings the result closer to the device white. A matrix
// the reader put in for the Lab scaling also stays on a tie: tables flat near
// white give a tie, and dropping the scaling there would shift every other
// Lab input by 1/256. The gamut tag's output is a flag, not a device colour,
// so its matrix is never judged against the device white.
void checkMatrixAgainstWhite(const sTagIO& io, cLUT& lut, bool labScaled)
{
    if (!(lut.flags & LUT_Matrix) || io.sig == Sig::Gamt)
        return;
    const uint16_t* deviceWhite = nullptr;
    const int channels = EndPointsBySpace(icColorSpaceSignature(profileSpace(io)), &deviceWhite, nullptr);
    if (channels == 0 || !deviceWhite)
        return;
    const uint16_t* labWhite = nullptr;
    EndPointsBySpace(icSigLabData, &labWhite, nullptr);
    uint16_t in[kMaxChannels] = {};
    if (labWhite)
        std::copy(labWhite, labWhite + 3, in);
    auto distance = [&](uint16_t* out) {
        double d = 0;
        for (int i = 0; i < std::min(channels, int(lut.outputs)); ++i)
            d += (double(out[i]) - deviceWhite[i]) * (double(out[i]) - deviceWhite[i]);
        return std::sqrt(d);
    };
    uint16_t on[kMaxChannels] = {}, off[kMaxChannels] = {};
    lut.CalcEvaluators();
    if (!lut.IsValid())
        return;
    lut.Eval(in, on);
    lut.flags &= ~uint32_t(LUT_Matrix);
    lut.CalcEvaluators();
    if (lut.IsValid())
        lut.Eval(in, off);
    const double withMatrix = distance(on), without = distance(off);
    if (withMatrix < without || (labScaled && withMatrix == without))
        lut.flags |= LUT_Matrix;
    lut.CalcEvaluators();
}

bool load8(sTagIO& io, cLUT& lut)
{
    QDataStream& s = *io.stream;
    uint8_t in = 0, out = 0, points = 0, pad = 0;
    s >> in >> out >> points >> pad;
    mat33fixed_t m;
    readMatrix(s, m);
    if (s.status() != QDataStream::Ok)
        return false;
    in = std::min<uint8_t>(in, 16);
    out = std::min<uint8_t>(out, 16);
    points = std::min<uint8_t>(points, 100);
    if (!checkChannels(s, in, out))
        return false;
    const int64_t tableBytes = 256 * int64_t(in + out);
    if (tableBytes > BytesLeft(s))
        return fail(s, QStringLiteral("LUT8 tables run past their tag\n"));
    if (points < 2)
        return fail(s, QString::asprintf("Invalid CLUT grid of %u points\n", unsigned(points)));
    const int64_t gridBytes = gridSamples(points, in, out, BytesLeft(s) - tableBytes);
    if (gridBytes < 0)
        return fail(s, QString::asprintf("CLUT of %u^%u x %u samples does not fit its tag\n", unsigned(points),
                                         unsigned(in), unsigned(out)));
    lut.Set3DGrid(points, in, out, false);
    if (!readTables(s, lut, 1, in, 256, true) || !readGrid8(s, lut) || !readTables(s, lut, 2, out, 256, true))
        return false;
    keepMatrix(lut, m);

    bool labScaled = false;
    if (profilePCS(io) == Sig::Lab) {
        auto scaleMatrix = [&]() {
            if (lut.inputs != 3)
                return;
            labScaled = true;
            if (!(lut.flags & LUT_Matrix)) {
                mat33fixed_t d = mat33fixed_t::Identity();
                d.m[0] = d.m[4] = d.m[8] = 0x10100;
                lut.SetMatrix(LUT_Matrix, d, vec3fixed_t{});
            } else {
                mat33fixed_t d = lut.matrix;
                // Elements near the s15Fixed16 limits saturate instead of wrapping.
                for (int32_t& e : d.m)
                    e = SaturateInt32(double(e) / 65536.0 * 1.0039062 * 65536.0);
                lut.SetMatrix(LUT_Matrix, d, vec3fixed_t{});
            }
        };
        auto labGrid = [&]() {
            for (uint16_t& v : lut.gridSamples)
                v = uint16_t(v & 0xFF00);
        };
        if (profileSpace(io) == Sig::Lab) {
            scaleMatrix();
            labGrid();
        } else if (isOneOf(io.sig, {Sig::B2A0, Sig::B2A1, Sig::B2A2, Sig::Pre0, Sig::Pre1, Sig::Pre2, Sig::Gamt})) {
            scaleMatrix();
        } else {
            labGrid();
        }
    }
    checkMatrixAgainstWhite(io, lut, labScaled);
    return true;
}

bool load16(sTagIO& io, cLUT& lut)
{
    QDataStream& s = *io.stream;
    uint8_t in = 0, out = 0, points = 0, pad = 0;
    s >> in >> out >> points >> pad;
    mat33fixed_t m;
    readMatrix(s, m);
    uint16_t n = 0, mOut = 0;
    s >> n >> mOut;
    if (s.status() != QDataStream::Ok)
        return false;
    if (!checkChannels(s, in, out))
        return false;
    if (n == 1 || mOut == 1)
        return fail(s, QString::asprintf("LUT16 tables of %u and %u entries\n", unsigned(n), unsigned(mOut)));
    const int64_t tableBytes = 2 * (int64_t(n) * in + int64_t(mOut) * out);
    if (tableBytes > BytesLeft(s))
        return fail(s, QStringLiteral("LUT16 tables run past their tag\n"));
    if (points < 2)
        return fail(s, QString::asprintf("Invalid CLUT grid of %u points\n", unsigned(points)));
    if (gridSamples(points, in, out, (BytesLeft(s) - tableBytes) / 2) < 0)
        return fail(s, QString::asprintf("CLUT of %u^%u x %u samples does not fit its tag\n", unsigned(points),
                                         unsigned(in), unsigned(out)));
    lut.Set3DGrid(points, in, out, false);
    if (n != 0 && !readTables(s, lut, 1, in, n, false))
        return false;
    if (!readGrid16(s, lut))
        return false;
    if (mOut != 0 && !readTables(s, lut, 2, out, mOut, false))
        return false;
    keepMatrix(lut, m);
    return true;
}

bool seekInTag(QDataStream& s, const sTagIO& io, uint32_t offset)
{
    QIODevice* d = s.device();
    const qint64 at = qint64(io.offset) + offset;
    if (!d || at >= d->size() || !d->seek(at))
        return fail(s, QString::asprintf("LUT element offset %u lies outside its tag\n", offset));
    return true;
}

bool readCurveSet(sTagIO& io, cLUT& lut, int set, uint32_t offset)
{
    QDataStream& s = *io.stream;
    if (!seekInTag(s, io, offset))
        return false;
    const int count = (set == 1 || set == 3) ? lut.inputs : lut.outputs;
    cGammaTable curves[kMaxChannels];
    size_t largest = 0;
    bool mixed = false;
    for (int i = 0; i < count; ++i) {
        if (!ReadCurve(io, curves[i]))
            return false;
        // Curves start on 4-byte boundaries counted from the tag's start.
        const qint64 rel = s.device()->pos() - io.offset;
        if (rel % 4 && !s.device()->seek(s.device()->pos() + (4 - rel % 4)) && i + 1 < count)
            return fail(s, QStringLiteral("LUT curve set runs past its tag\n"));
        if (i > 0 && curves[i].table.size() != largest)
            mixed = true;
        largest = std::max(largest, curves[i].table.size());
    }
    if (mixed) {
        for (int i = 0; i < count; ++i)
            curves[i].Resample(largest);
    }
    lut.SetLinearTable(set, curves);
    return true;
}

bool readMatrixElement(sTagIO& io, cLUT& lut, eLUT_Flags stage, uint32_t offset)
{
    QDataStream& s = *io.stream;
    if (!seekInTag(s, io, offset))
        return false;
    mat33fixed_t m;
    readMatrix(s, m);
    vec3fixed_t o;
    for (int32_t& v : o.v)
        s >> v;
    if (s.status() != QDataStream::Ok)
        return false;
    lut.SetMatrix(stage, m, o);
    return true;
}

bool readCLUT4(sTagIO& io, cLUT& lut, uint32_t offset)
{
    QDataStream& s = *io.stream;
    if (!seekInTag(s, io, offset))
        return false;
    uint8_t head[20];
    if (s.readRawData(reinterpret_cast<char*>(head), 20) != 20)
        return fail(s, QStringLiteral("Invalid CLUT structure\n"));
    const unsigned points = head[0];
    for (int i = 1; i < lut.inputs; ++i) {
        if (head[i] != points)
            return fail(s, QStringLiteral("Non-uniform CLUT grids are not supported\n"));
    }
    const unsigned precision = head[16];
    if (precision != 1 && precision != 2)
        return fail(s, QStringLiteral("Unknow CLUT precission of %1").arg(precision));
    if (!checkGrid(s, points, unsigned(lut.inputs), unsigned(lut.outputs), int(precision)))
        return false;
    lut.Set3DGrid(int(points), lut.inputs, lut.outputs, false);
    lut.precision = precision;
    return precision == 2 ? readGrid16(s, lut) : readGrid8(s, lut);
}

bool loadV4(sTagIO& io, cLUT& lut, bool aToB)
{
    QDataStream& s = *io.stream;
    uint8_t in = 0, out = 0;
    uint16_t pad = 0;
    uint32_t offsets[5] = {};
    s >> in >> out >> pad;
    for (uint32_t& o : offsets)
        s >> o;
    if (s.status() != QDataStream::Ok)
        return false;
    if (!checkChannels(s, in, out))
        return false;
    lut.Set3DGrid(0, in, out, false);
    const uint32_t bCurves = offsets[0], matrix = offsets[1], mCurves = offsets[2], clut = offsets[3],
                   aCurves = offsets[4];
    if (bCurves && !readCurveSet(io, lut, aToB ? 2 : 1, bCurves))
        return false;
    if (matrix && !readMatrixElement(io, lut, aToB ? LUT_Matrix4 : LUT_Matrix3, matrix))
        return false;
    if (mCurves && !readCurveSet(io, lut, aToB ? 4 : 3, mCurves))
        return false;
    if (clut && !readCLUT4(io, lut, clut))
        return false;
    if (aCurves && !readCurveSet(io, lut, aToB ? 1 : 2, aCurves))
        return false;

    // Version 4 Lab is encoded 0..0xFFFF; the engine's PCS is 0..0xFF00. Only
    // the sides of the LUT that carry Lab are converted: the PCS side, and the
    // device side of a Lab colour space (abstracts, Lab device links).
    if (io.profile && io.profile->version() >= 0x04000000u) {
        const bool labPCS = profilePCS(io) == Sig::Lab;
        const bool labDevice = profileSpace(io) == Sig::Lab;
        const bool aToBTag = isOneOf(io.sig, {Sig::A2B0, Sig::A2B1, Sig::A2B2});
        const bool bToATag = isOneOf(io.sig, {Sig::B2A0, Sig::B2A1, Sig::B2A2});
        if (lut.inputs == 3 && ((labPCS && pcsIsInput(io.sig)) || (labDevice && aToBTag)))
            lut.flags |= LUT_LabInputFromV2;
        if (lut.outputs == 3 && ((labPCS && pcsIsOutput(io.sig)) || (labDevice && bToATag)))
            lut.flags |= LUT_LabOutputToV2;
    }
    return true;
}

// The channels a LUT under sig must carry in this profile, or false when the
// signature says nothing about them.
bool expectedChannels(const sTagIO& io, int& inputs, int& outputs)
{
    if (!io.profile)
        return false;
    const int device = ChannelsOf(icColorSpaceSignature(io.profile->colorSpace()));
    const int pcs = ChannelsOf(icColorSpaceSignature(io.profile->pcs()));
    if (isOneOf(io.sig, {Sig::A2B0, Sig::A2B1, Sig::A2B2})) {
        inputs = device;
        outputs = pcs;
    } else if (isOneOf(io.sig, {Sig::B2A0, Sig::B2A1, Sig::B2A2})) {
        inputs = pcs;
        outputs = device;
    } else if (isOneOf(io.sig, {Sig::Pre0, Sig::Pre1, Sig::Pre2})) {
        inputs = outputs = pcs;
    } else if (io.sig == Sig::Gamt) {
        inputs = pcs;
        outputs = 1;
    } else {
        return false;
    }
    return true;
}

} // namespace

bool ReadLUT(sTagIO& io, cLUT& lut)
{
    QDataStream& s = *io.stream;
    uint32_t type = 0;
    if (!ReadTagBase(s, type))
        return false;
    lut.tagType = type;
    bool ok;
    if (type == Sig::TypeMft1)
        ok = load8(io, lut);
    else if (type == Sig::TypeMft2)
        ok = load16(io, lut);
    else if (type == Sig::TypeMAB)
        ok = loadV4(io, lut, true);
    else if (type == Sig::TypeMBA)
        ok = loadV4(io, lut, false);
    else
        return fail(s, QString::asprintf("Bad tag signature %x found\n", type));
    if (!ok || s.status() != QDataStream::Ok)
        return false;
    lut.CalcEvaluators();
    if (!lut.IsValid())
        return fail(s, QString::asprintf("LUT of %d inputs and %d outputs cannot be evaluated\n", lut.inputs,
                                         lut.outputs));
    int in = 0, out = 0;
    if (expectedChannels(io, in, out) && (in != lut.inputs || out != lut.outputs))
        return fail(s, QString::asprintf("LUT of %d inputs and %d outputs does not fit a profile of %d and %d\n",
                                         lut.inputs, lut.outputs, in, out));
    return true;
}

// Writing ---------------------------------------------------------------------

namespace {

void writeMatrix(QDataStream& s, const mat33fixed_t& m)
{
    for (int32_t v : m.m)
        s << v;
}

uint8_t to8(uint16_t v)
{
    return uint8_t((uint32_t(v) + 127) / 257);
}

bool write8(sTagIO& io, const cLUT& lut)
{
    QDataStream& s = *io.stream;
    if ((lut.flags & LUT_InputTables) && lut.inputTables[0].table.size() != 256) {
        qCCritical(libcmm(), "LUT8 needs 256 entries on prelinearization\n");
        return false;
    }
    if ((lut.flags & LUT_OutputTables) && lut.outputTables[0].table.size() != 256) {
        qCCritical(libcmm(), "LUT8 needs 256 entries on postlinearization\n");
        return false;
    }
    s << uint8_t(lut.inputs) << uint8_t(lut.outputs) << uint8_t(lut.grid.gridPoints) << uint8_t(0);
    writeMatrix(s, (lut.flags & LUT_Matrix) ? lut.matrix : mat33fixed_t::Identity());
    auto tables = [&](const cGammaTable* t, int count, bool present) {
        for (int c = 0; c < count; ++c)
            for (int i = 0; i < 256; ++i)
                s << (present ? to8(t[c].table[size_t(i)]) : uint8_t(i));
    };
    tables(lut.inputTables, lut.inputs, lut.flags & LUT_InputTables);
    for (uint16_t v : lut.gridSamples)
        s << to8(v);
    tables(lut.outputTables, lut.outputs, lut.flags & LUT_OutputTables);
    return s.status() == QDataStream::Ok;
}

bool write16(sTagIO& io, const cLUT& lut)
{
    QDataStream& s = *io.stream;
    const bool hasIn = lut.flags & LUT_InputTables, hasOut = lut.flags & LUT_OutputTables;
    const size_t n = hasIn ? lut.inputTables[0].table.size() : 2;
    const size_t m = hasOut ? lut.outputTables[0].table.size() : 2;
    s << uint8_t(lut.inputs) << uint8_t(lut.outputs) << uint8_t(lut.grid.gridPoints) << uint8_t(0);
    writeMatrix(s, (lut.flags & LUT_Matrix) ? lut.matrix : mat33fixed_t::Identity());
    s << uint16_t(n) << uint16_t(m);
    auto tables = [&](const cGammaTable* t, int count, bool present, size_t entries) {
        for (int c = 0; c < count; ++c)
            for (size_t i = 0; i < entries; ++i)
                s << (present ? t[c].table[std::min(i, t[c].table.size() - 1)] : uint16_t(i ? 65535 : 0));
    };
    tables(lut.inputTables, lut.inputs, hasIn, n);
    for (uint16_t v : lut.gridSamples)
        s << v;
    tables(lut.outputTables, lut.outputs, hasOut, m);
    return s.status() == QDataStream::Ok;
}

void align4(QDataStream& s, qint64 start)
{
    while ((s.device()->pos() - start) % 4)
        s << uint8_t(0);
}

bool writeV4(sTagIO& io, const cLUT& lut, bool aToB)
{
    QDataStream& s = *io.stream;
    QIODevice* d = s.device();
    const qint64 start = d->pos() - 8;
    s << uint8_t(lut.inputs) << uint8_t(lut.outputs) << uint16_t(0);
    const qint64 offsetsAt = d->pos();
    for (int i = 0; i < 5; ++i)
        s << uint32_t(0);
    uint32_t offsets[5] = {};
    auto here = [&]() { return uint32_t(d->pos() - start); };
    auto curves = [&](const cGammaTable* t, int count) {
        for (int i = 0; i < count; ++i) {
            sTagIO sub{io.profile, &s, io.sig, io.offset, &t[i]};
            WriteCurve(sub, t[i]);
            align4(s, start);
        }
    };
    const uint32_t bFlag = aToB ? LUT_OutputTables : LUT_InputTables;
    const uint32_t mFlag = aToB ? LUT_Curves4 : LUT_Curves3;
    const uint32_t matFlag = aToB ? LUT_Matrix4 : LUT_Matrix3;
    const uint32_t aFlag = aToB ? LUT_InputTables : LUT_OutputTables;
    if (lut.flags & bFlag) {
        offsets[0] = here();
        curves(aToB ? lut.outputTables : lut.inputTables, aToB ? lut.outputs : lut.inputs);
    }
    if (lut.flags & matFlag) {
        offsets[1] = here();
        writeMatrix(s, aToB ? lut.matrix4 : lut.matrix3);
        for (int32_t v : (aToB ? lut.offset4 : lut.offset3).v)
            s << v;
    }
    if (lut.flags & mFlag) {
        offsets[2] = here();
        curves(aToB ? lut.curves4 : lut.curves3, aToB ? lut.outputs : lut.inputs);
    }
    if (lut.flags & LUT_Grid) {
        offsets[3] = here();
        uint8_t head[20] = {};
        for (int i = 0; i < lut.inputs && i < 16; ++i)
            head[i] = uint8_t(lut.grid.gridPoints);
        head[16] = uint8_t(lut.precision == 1 ? 1 : 2);
        s.writeRawData(reinterpret_cast<const char*>(head), 20);
        for (uint16_t v : lut.gridSamples) {
            if (lut.precision == 1)
                s << to8(v);
            else
                s << v;
        }
        align4(s, start);
    }
    if (lut.flags & aFlag) {
        offsets[4] = here();
        curves(aToB ? lut.inputTables : lut.outputTables, aToB ? lut.inputs : lut.outputs);
    }
    const qint64 end = d->pos();
    if (!d->seek(offsetsAt))
        return false;
    for (uint32_t o : offsets)
        s << o;
    d->seek(end);
    return s.status() == QDataStream::Ok;
}

} // namespace

bool WriteLUT(sTagIO& io, const cLUT& lut)
{
    QDataStream& s = *io.stream;
    switch (lut.tagType) {
    case Sig::TypeMft1:
        WriteTagBase(s, lut.tagType);
        return write8(io, lut);
    case Sig::TypeMft2:
        WriteTagBase(s, lut.tagType);
        return write16(io, lut);
    case Sig::TypeMAB:
        WriteTagBase(s, lut.tagType);
        return writeV4(io, lut, true);
    case Sig::TypeMBA:
        WriteTagBase(s, lut.tagType);
        return writeV4(io, lut, false);
    default:
        qCCritical(libcmm(), "Bad tag signature %x found\n", unsigned(lut.tagType));
        return false;
    }
}

void* LUTTag::copy(const void* src)
{
    return src ? new cLUT(*static_cast<const cLUT*>(src)) : new cLUT();
}

void LUTTag::destroy(void* obj)
{
    delete static_cast<cLUT*>(obj);
}

void* LUTTag::read(sTagIO& io, size_t)
{
    cLUT* lut = new cLUT();
    if (!ReadLUT(io, *lut)) {
        delete lut;
        return nullptr;
    }
    return lut;
}

bool LUTTag::write(sTagIO& io, size_t)
{
    return WriteLUT(io, *static_cast<const cLUT*>(io.object));
}

} // namespace CMM
} // namespace Nuvra
