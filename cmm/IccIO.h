#pragma once

#include "cmm/IccTags.h"
#include "cmm/Logging.h"

#include <QDataStream>
#include <QDateTime>
#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>

namespace Nuvra {
namespace CMM {

class cProfile;

// The 128-byte profile header as stored in the file.
struct icHeader {
    uint32_t size = 0;
    uint32_t cmmId = 0;
    uint32_t version = 0;
    uint32_t deviceClass = 0;
    uint32_t colorSpace = 0;
    uint32_t pcs = 0;
    uint16_t date[6] = {};      // year, month, day, hours, minutes, seconds
    uint32_t magic = 0;
    uint32_t platform = 0;
    uint32_t flags = 0;
    uint32_t manufacturer = 0;
    uint32_t model = 0;
    uint32_t attributes[2] = {};
    uint32_t renderingIntent = 0;
    int32_t illuminant[3] = {}; // s15Fixed16
    uint32_t creator = 0;
    uint8_t profileID[16] = {};
    uint8_t reserved[28] = {};
};

// One tag directory entry.
struct icTag {
    uint32_t sig = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
};

constexpr int kHeaderSize = 128;
constexpr int kTagEntrySize = 12;

QDataStream& operator>>(QDataStream& s, icHeader& h);
QDataStream& operator<<(QDataStream& s, const icHeader& h);
QDataStream& operator>>(QDataStream& s, icTag& t);
QDataStream& operator<<(QDataStream& s, const icTag& t);

enum eTagAction { TagCopy = 0, TagDestroy = 1, TagRead = 2, TagWrite = 3 };

// What every tag reader and writer gets. A reader's stream holds exactly the
// tag's bytes, so offset is the tag's start within that stream.
struct sTagIO {
    cProfile* profile = nullptr;
    QDataStream* stream = nullptr;
    uint32_t sig = 0;
    uint32_t offset = 0;
    const void* object = nullptr;
};

// Dispatches an action to the class that owns the tag signature (see
// TagClasses.cpp). Null means failure, and always for destroy.
void* Tag2ClassAction(icTagSignature sig, eTagAction action, void* arg, size_t size);

// Fixed-point numbers of the format.
inline float s15Fixed16ToFloat(int32_t v) { return float(v) / 65536.0f; }
inline float u16Fixed16ToFloat(uint32_t v) { return float(v) / 65536.0f; }
int32_t FloatToS15Fixed16(double v);
uint32_t FloatToU16Fixed16(double v);

// XYZ numbers: some writers stored percentages, so values that are all above
// 2.0 are scaled down until they are not.
void XYZNumbersToFloat(const int32_t raw[3], float out[3]);

QDateTime DateTimeFromNumbers(const uint16_t v[6]);
void DateTimeToNumbers(const QDateTime& dt, uint16_t v[6]);

// Reads the type signature and the reserved word of a tag.
bool ReadTagBase(QDataStream& s, uint32_t& type);
void WriteTagBase(QDataStream& s, uint32_t type);

// Marks the stream corrupt (when it is not failed already) and logs the line.
void FailStream(QDataStream& s, const QString& message);

// A signature as four printable characters, for messages.
QString SignatureText(uint32_t sig);

// Bytes between the stream position and the end of its device.
qint64 BytesLeft(const QDataStream& s);

} // namespace CMM
} // namespace Nuvra
