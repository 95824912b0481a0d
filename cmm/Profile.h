#pragma once

#include "cmm/IccIO.h"
#include "cmm/ColorRecords.h"
#include "cmm/TagClasses.h"
#include "pixelstore/RefCounted.h"
#include "pixelstore/SmartPtr.h"

#include <QDataStream>
#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <map>

namespace Nuvra {
namespace CMM {

class cGammaTable;
class cLUT;

struct mat33real_t;

enum eUsedDirection { UsedAsInput = 0, UsedAsOutput = 1, UsedAsProof = 2 };

// An ICC profile in memory: the header values the engine uses, the tags it
// owns (each through its class's actions) and the media white and black that
// follow them. Built once, then shared read-only.
class cProfile : public RefCounted<MultiThreadedLocks> {
public:
    using ptr_t = SmartPtr<cProfile>;
    using TagMap = std::map<icTagSignature, void*>;

    cProfile();
    ~cProfile() override;
    cProfile(const cProfile&) = delete;
    cProfile& operator=(const cProfile&) = delete;

    // Takes ownership of object; whatever sig held before is destroyed.
    void SetTag(icTagSignature sig, void* object, bool noRefresh = false);
    // Copies value into the tag, creating it when absent.
    void SetTagValue(icTagSignature sig, const QString& text);
    void SetTagValue(icTagSignature sig, const sCIEXYZ& xyz);
    void SetTagValue(icTagSignature sig, const cGammaTable& curve);
    void SetTagValue(icTagSignature sig, const cLUT& lut);
    void SetTagValue(icTagSignature sig, const sCIExyYTriple& primaries);

    // 0xFFFFFFFF refreshes everything.
    void InitMemberTags(icTagSignature sig);

    bool Load(const QString& path);
    bool Load(QDataStream& stream, QString name);

    bool IsIntentSupported(icRenderingIntent intent, eUsedDirection direction) const;
    bool IsMatrixShaper() const;

    // The tag object under sig, or null when the profile lacks it.
    const void* Tag(icTagSignature sig) const;
    template <class T>
    const T* TagAs(icTagSignature sig) const { return static_cast<const T*>(Tag(sig)); }
    bool HasTag(icTagSignature sig) const { return Tag(sig) != nullptr; }
    const TagMap& Tags() const { return m_tags; }

    static ptr_t CreateRGB(const sCIExyY* white, const sCIExyYTriple* primaries, const cGammaTable* curves);
    static ptr_t CreateXYZ();
    static ptr_t CreateLab(const sCIExyY* white);
    static ptr_t CreateGray(const sCIExyY* white, const cGammaTable* curve);
    static ptr_t Create_sRGB();
    static ptr_t Create_CMYK();

    // Header values.
    icProfileClassSignature deviceClass() const { return m_deviceClass; }
    icColorSpaceSignature colorSpace() const { return m_colorSpace; }
    uint32_t pcs() const { return m_pcs; }
    icRenderingIntent renderingIntent() const { return m_renderingIntent; }
    const sCIEXYZ& illuminant() const { return m_illuminant; }
    const sCIEXYZ& mediaWhite() const { return m_mediaWhite; }
    const sCIEXYZ& mediaBlack() const { return m_mediaBlack; }
    uint32_t version() const { return m_version; }
    uint32_t flags() const { return m_flags; }
    uint32_t attributes() const { return m_attributes; }
    uint32_t cmmType() const { return m_cmmType; }
    uint32_t platform() const { return m_platform; }
    uint32_t manufacturer() const { return m_manufacturer; }
    uint32_t model() const { return m_model; }
    uint32_t creator() const { return m_creator; }
    const QDateTime& creationDate() const { return m_creationDate; }
    const std::array<uint8_t, 16>& profileID() const { return m_profileID; }

    void setDeviceClass(icProfileClassSignature v) { m_deviceClass = v; }
    void setColorSpace(icColorSpaceSignature v) { m_colorSpace = v; }
    void setPCS(uint32_t v) { m_pcs = v; }
    void setRenderingIntent(icRenderingIntent v) { m_renderingIntent = v; }
    void setIlluminant(const sCIEXYZ& v) { m_illuminant = v; }
    void setVersion(uint32_t v) { m_version = v; }
    void setFlags(uint32_t v) { m_flags = v; }

private:
    void setHeader(const icHeader& h);
    void adaptMediaPoints(bool white, bool black);
    // Copies value into the tag when it belongs to the tag's class.
    template <class T>
    void setTagValue(icTagSignature sig, const T& value, TagKind kind)
    {
        if (TagKindOf(sig) != kind) {
            qCCritical(libcmm(), "Tag %08X cannot hold this value\n", unsigned(sig));
            return;
        }
        auto it = m_tags.find(sig);
        if (it != m_tags.end())
            *static_cast<T*>(it->second) = value;
        else
            m_tags.emplace(sig, new T(value));
        if (sig == Sig::Wtpt || sig == Sig::Bkpt || sig == Sig::Chad)
            InitMemberTags(sig);
    }

    icProfileClassSignature m_deviceClass = icProfileClassSignature(0xFFFFFFFFu);
    icColorSpaceSignature m_colorSpace = icSigRgbData;
    uint32_t m_pcs = Sig::XYZ;
    icRenderingIntent m_renderingIntent = icPerceptual;
    sCIEXYZ m_illuminant{0.9642f, 1.0f, 0.8249f};
    sCIEXYZ m_mediaWhite{0.9642f, 1.0f, 0.8249f};
    sCIEXYZ m_mediaBlack{0.0f, 0.0f, 0.0f};
    uint32_t m_version = 0x02300000u;
    uint32_t m_flags = 0;
    uint32_t m_attributes = 0;
    uint32_t m_cmmType = icSig("NUVR");
    uint32_t m_platform = icSig("APPL");
    uint32_t m_manufacturer = icSig("NUVR");
    uint32_t m_model = 0;
    uint32_t m_creator = icSig("NUVR");
    QDateTime m_creationDate;
    std::array<uint8_t, 16> m_profileID{};
    TagMap m_tags;
};

// The profile's chromatic adaptation to D50: its 'chad', else Bradford from
// the media white to the illuminant for display profiles (or header flag bit 0),
// else the identity. Always true.
bool ReadChromaticAdaptation(const cProfile& profile, mat33real_t& m);

} // namespace CMM
} // namespace Nuvra
