#pragma once

#include "colorproc/ProfileRegistry.h"
#include "cmm/Processing.h"
#include "cmm/XForm.h"
#include "pixelstore/PixelFormat.h"

#include <QObject>

#include <vector>

namespace Nuvra {
namespace DataStorage {

// Every transform built for the plane copies, keyed by its profiles, codes,
// intents and flags. Transforms only the cache still holds are dropped once
// it grows; a profile replaced in the registry rebuilds or drops the
// transforms that used it.
class cManagerCMM_XForm : public QObject {
    Q_OBJECT
public:
    cManagerCMM_XForm();
    ~cManagerCMM_XForm() override;

    // -1 for an intent, or all bits set for the flags, asks for the cache's
    // default (perceptual, absolute colorimetric for proofing, no flags).
    // Without a proofing profile the proofing intent is not part of the key.
    CMM::cXForm::ptr_t Get(const CMM::cProfile::ptr_t& input, unsigned int inputCode,
                           const CMM::cProfile::ptr_t& output, unsigned int outputCode,
                           const CMM::cProfile::ptr_t& proof, icRenderingIntent intent,
                           icRenderingIntent proofIntent, QFlags<CMM::eXForm_Flags> flags) const;

    // Number of cached transforms (for tests and diagnostics).
    int EntryCount() const;

signals:
    void XFormChanged(Nuvra::CMM::cXForm::ptr_t xform, Nuvra::CMM::cXForm::ptr_t previous);

public slots:
    // Drops transforms that failed to rebuild or that nobody else holds.
    void Cleanup();
    void ProfileChanged(Nuvra::CMM::cProfile::ptr_t profile, Nuvra::CMM::cProfile::ptr_t previous);

private:
    struct Entry {
        CMM::cXForm::ptr_t xform;
        CMM::cProfile::ptr_t input;
        uint32_t inputCode;
        CMM::cProfile::ptr_t output;
        uint32_t outputCode;
        CMM::cProfile::ptr_t proof;
        uint32_t defaults;
        int32_t intent;
        int32_t proofIntent;
        int32_t flags;
    };
    void rebuild(Entry& e, const CMM::cProfile::ptr_t& profile, const CMM::cProfile::ptr_t& previous);

    mutable std::vector<Entry> m_entries;
    icRenderingIntent m_intent = icPerceptual;
    icRenderingIntent m_proofIntent = icAbsoluteColorimetric;
    QFlags<CMM::eXForm_Flags> m_flags;
};

// The process-wide cache, created on first use (with the registry); null once
// either was destroyed at exit.
cManagerCMM_XForm* ManagerCMM_XForm();

// The processor that converts the colour channels of one format and profile
// into those of another, or null when no conversion is needed or none is
// possible. A null profile means the default of the format's colour space.
SmartPtr<CMM::cProcessing> GetProcessingCMM(const PixelFormat& inputFormat, CMM::cProfile::ptr_t inputProfile,
                                            const PixelFormat& outputFormat, CMM::cProfile::ptr_t outputProfile,
                                            icRenderingIntent intent, icRenderingIntent proofIntent,
                                            QFlags<CMM::eXForm_Flags> flags);

} // namespace DataStorage
} // namespace Nuvra
