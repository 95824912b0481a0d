#include "colorproc/XFormCache.h"

#include "colorproc/PixelFormatCode.h"
#include "colorproc/Processing.h"
#include "cmm/Logging.h"

#include <QCoreApplication>

#include <algorithm>
#include <mutex>

namespace Nuvra {
namespace DataStorage {
namespace {

using CMM::cProfile;
using CMM::cXForm;

constexpr uint32_t kDefaultIntent = 1;
constexpr uint32_t kDefaultProofIntent = 2;
constexpr uint32_t kDefaultFlags = 4;
constexpr std::size_t kCleanupAt = 51;

bool asksDefault(icRenderingIntent intent)
{
    return uint32_t(intent) == 0xFFFFFFFFu;
}

struct XFormSingleton {
    cManagerCMM_XForm* instance = nullptr;
    bool destroyed = false;
    ~XFormSingleton()
    {
        std::lock_guard<std::recursive_mutex> lock(RegistryLock());
        destroyed = true;
        delete instance;
        instance = nullptr;
    }
};
XFormSingleton g_xforms;

bool compatible(const cProfile& a, const cProfile& b)
{
    return a.colorSpace() == b.colorSpace() && a.deviceClass() == b.deviceClass();
}

} // namespace

cManagerCMM_XForm* ManagerCMM_XForm()
{
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    if (g_xforms.destroyed)
        return nullptr;
    if (!g_xforms.instance) {
        cManagerCMM_Profile* registry = ManagerCMM_Profile();
        if (!registry)
            return nullptr;
        g_xforms.instance = new cManagerCMM_XForm;
        if (QCoreApplication* app = QCoreApplication::instance())
            g_xforms.instance->moveToThread(app->thread());
        // Direct: the registry may emit on any thread, and a queued signal
        // would wait for an event loop the cache's thread may never run. The
        // slot takes the registry lock itself.
        QObject::connect(registry, &cManagerCMM_Profile::ProfileChanged, g_xforms.instance,
                         &cManagerCMM_XForm::ProfileChanged, Qt::DirectConnection);
    }
    return g_xforms.instance;
}

cManagerCMM_XForm::cManagerCMM_XForm() = default;

// QObject's destructor then drops the registry's connection.
cManagerCMM_XForm::~cManagerCMM_XForm()
{
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    m_entries.clear();
}

int cManagerCMM_XForm::EntryCount() const
{
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    return int(m_entries.size());
}

cXForm::ptr_t cManagerCMM_XForm::Get(const cProfile::ptr_t& input, unsigned int inputCode,
                                     const cProfile::ptr_t& output, unsigned int outputCode,
                                     const cProfile::ptr_t& proof, icRenderingIntent intent,
                                     icRenderingIntent proofIntent, QFlags<CMM::eXForm_Flags> flags) const
{
    uint32_t defaults = 0;
    if (!proof || asksDefault(proofIntent)) {
        proofIntent = m_proofIntent;
        defaults |= kDefaultProofIntent;
    }
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    if (asksDefault(intent)) {
        intent = m_intent;
        defaults |= kDefaultIntent;
    }
    if (uint32_t(flags) == 0xFFFFFFFFu) {
        flags = m_flags;
        defaults |= kDefaultFlags;
    }
    for (const Entry& e : m_entries)
        if (e.input == input && e.output == output && e.inputCode == inputCode && e.outputCode == outputCode &&
            e.defaults == defaults && e.intent == int32_t(intent) && e.flags == int32_t(uint32_t(flags)) &&
            e.proof == proof && (!proof || e.proofIntent == int32_t(proofIntent)))
            return e.xform;

    cXForm::ptr_t xform(new cXForm(input.get(), inputCode, output.get(), outputCode, intent, flags, proof.get(),
                                   proofIntent));
    if (!xform->routine)
        return cXForm::ptr_t();
    if (m_entries.size() >= kCleanupAt)
        const_cast<cManagerCMM_XForm*>(this)->Cleanup();
    m_entries.push_back(Entry{xform, input, inputCode, output, outputCode, proof, defaults, int32_t(intent),
                              int32_t(proofIntent), int32_t(uint32_t(flags))});
    return xform;
}

void cManagerCMM_XForm::Cleanup()
{
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [](const Entry& e) { return !e.xform || e.xform->refCount() < 2; }),
                    m_entries.end());
}

void cManagerCMM_XForm::ProfileChanged(cProfile::ptr_t profile, cProfile::ptr_t previous)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryLock());
    for (Entry& e : m_entries)
        rebuild(e, profile, previous);
    Cleanup();
}

void cManagerCMM_XForm::rebuild(Entry& e, const cProfile::ptr_t& profile, const cProfile::ptr_t& previous)
{
    cProfile::ptr_t* const sides[3] = {&e.input, &e.output, &e.proof};
    static const char* const nullLines[3] = {"fnXForm_Profiles: input profile is null\n",
                                             "fnXForm_Profiles: output profile is null\n",
                                             "fnXForm_Profiles: proofing profile is null\n"};
    bool used = false, replaceable = true;
    for (int i = 0; i < 3; ++i) {
        if (*sides[i] != previous)
            continue;
        // A null previous profile stands for no profile at all: it matches
        // nothing, so an entry without a proofing profile is left alone.
        if (!previous) {
            if (i < 2)
                qCCritical(libcmm(), "%s", nullLines[i]);
            continue;
        }
        used = true;
        if (!profile || !compatible(*profile, *previous))
            replaceable = false;
    }
    if (!used)
        return;
    const cXForm::ptr_t old = e.xform;
    if (replaceable) {
        for (cProfile::ptr_t* side : sides)
            if (*side == previous)
                *side = profile;
        e.xform = cXForm::ptr_t(new cXForm(e.input.get(), e.inputCode, e.output.get(), e.outputCode,
                                           icRenderingIntent(e.intent),
                                           QFlags<CMM::eXForm_Flags>(CMM::eXForm_Flags(uint32_t(e.flags))),
                                           e.proof.get(), icRenderingIntent(e.proofIntent)));
    } else {
        e.xform = cXForm::ptr_t();
    }
    emit XFormChanged(e.xform, old);
}

SmartPtr<CMM::cProcessing> GetProcessingCMM(const PixelFormat& inputFormat, cProfile::ptr_t inputProfile,
                                            const PixelFormat& outputFormat, cProfile::ptr_t outputProfile,
                                            icRenderingIntent intent, icRenderingIntent proofIntent,
                                            QFlags<CMM::eXForm_Flags> flags)
{
    const ColorSpace inSpace = colorSpaceOf(inputFormat.channels());
    const ColorSpace outSpace = colorSpaceOf(outputFormat.channels());
    if (inSpace == outSpace && inputProfile == outputProfile)
        return nullptr;

    cXForm::ptr_t xform;
    {
        // Held across the lookups, so the registry and the cache cannot be
        // destroyed at exit while a render thread is using them.
        std::lock_guard<std::recursive_mutex> lock(RegistryLock());
        cManagerCMM_Profile* registry = ManagerCMM_Profile();
        cManagerCMM_XForm* cache = ManagerCMM_XForm();
        if (!registry || !cache)
            return nullptr;
        if (inSpace != ColorSpaceOther && !inputProfile)
            inputProfile = registry->Get(registry->ProfileName(inSpace));
        if (outSpace != ColorSpaceOther && !outputProfile)
            outputProfile = registry->Get(registry->ProfileName(outSpace));
        if ((inSpace == outSpace && inputProfile == outputProfile) || !inputProfile || !outputProfile)
            return nullptr;
        const unsigned int inCode = PixelFormat2CMM_PF(inputFormat);
        const unsigned int outCode = PixelFormat2CMM_PF(outputFormat);
        if (!inCode || !outCode)
            return nullptr;
        xform = cache->Get(inputProfile, inCode, outputProfile, outCode, cProfile::ptr_t(), intent, proofIntent,
                           flags);
    }
    if (!xform || !xform->routine)
        return nullptr;
    return GetXFormProcessing(xform);
}

} // namespace DataStorage
} // namespace Nuvra
