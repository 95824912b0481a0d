#include "OfxTestHost.h"

#include "ofx/openfx/OfxNames.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <stdexcept>
#include <thread>

namespace OfxTest {

// ---------------------------------------------------------------- properties

void PropertySet::set(const std::string& name, std::vector<PropValue> values)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_props[name] = std::move(values);
}

bool PropertySet::has(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_props.count(name) != 0;
}

int PropertySet::dimension(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_props.find(name);
    return it == m_props.end() ? 0 : static_cast<int>(it->second.size());
}

std::vector<PropValue> PropertySet::values(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_props.find(name);
    return it == m_props.end() ? std::vector<PropValue>() : it->second;
}

std::map<std::string, std::vector<PropValue>> PropertySet::all() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_props;
}

namespace {

template <typename T> T valueAt(const std::vector<PropValue>& values, int index)
{
    if (index < 0 || index >= static_cast<int>(values.size()))
        throw std::out_of_range("property index");
    return std::get<T>(values[static_cast<size_t>(index)]);
}

} // namespace

int PropertySet::getInt(const std::string& name, int index) const
{
    return valueAt<int>(values(name), index);
}

double PropertySet::getDouble(const std::string& name, int index) const
{
    return valueAt<double>(values(name), index);
}

std::string PropertySet::getString(const std::string& name, int index) const
{
    return valueAt<std::string>(values(name), index);
}

OfxStatus PropertySet::store(const char* name, int index, PropValue value)
{
    if (!name || index < 0)
        return kOfxStatErrBadIndex;
    std::lock_guard<std::mutex> lock(m_mutex);
    auto& values = m_props[name];
    if (!values.empty() && values.front().index() != value.index())
        return kOfxStatErrValue;
    if (static_cast<int>(values.size()) <= index) {
        PropValue blank = value;
        std::visit([](auto& v) { v = std::decay_t<decltype(v)>(); }, blank);
        values.resize(static_cast<size_t>(index) + 1, blank);
    }
    values[static_cast<size_t>(index)] = std::move(value);
    return kOfxStatOK;
}

OfxStatus PropertySet::fetch(const char* name, int index, PropValue& value, int typeIndex)
{
    if (!name)
        return kOfxStatErrUnknown;
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_props.find(name);
    if (it == m_props.end())
        return kOfxStatErrUnknown;
    if (index < 0 || index >= static_cast<int>(it->second.size()))
        return kOfxStatErrBadIndex;
    const PropValue& v = it->second[static_cast<size_t>(index)];
    if (static_cast<int>(v.index()) != typeIndex)
        return kOfxStatErrValue;
    value = v;
    return kOfxStatOK;
}

// ---------------------------------------------------------------- parameters

bool Param::hasValue() const
{
    return type != kOfxParamTypeGroup && type != kOfxParamTypePushButton;
}

std::vector<double> Param::get() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return value;
}

void Param::put(std::vector<double> v)
{
    std::lock_guard<std::mutex> lock(mutex);
    value = std::move(v);
}

Param* ParamSet::find(const std::string& name)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& p : params) {
        if (p->name == name)
            return p.get();
    }
    return nullptr;
}

void ParamSet::note(const std::string& event)
{
    std::lock_guard<std::mutex> lock(mutex);
    events.push_back(event);
}

std::vector<std::string> ParamSet::eventLog()
{
    std::lock_guard<std::mutex> lock(mutex);
    return events;
}

Clip* Effect::clip(const std::string& name)
{
    std::lock_guard<std::mutex> lock(mutex);
    auto& c = clips[name];
    if (!c) {
        c = std::make_unique<Clip>();
        c->name = name;
    }
    return c.get();
}

// ---------------------------------------------------------------- images

namespace {

int componentBytes(Depth depth)
{
    return depth == Depth::Byte ? 1 : depth == Depth::Short ? 2 : 4;
}

const char* depthName(Depth depth)
{
    return depth == Depth::Byte ? kOfxBitDepthByte : depth == Depth::Short ? kOfxBitDepthShort : kOfxBitDepthFloat;
}

} // namespace

Image::Image(Depth depth, int components, OfxRectI bounds, long long rowBytes, int baseOffset)
    : m_depth(depth), m_components(components), m_componentBytes(componentBytes(depth)), m_bounds(bounds)
{
    const long long width = bounds.x2 - bounds.x1;
    const long long height = bounds.y2 - bounds.y1;
    const long long packed = width * pixelBytes();
    m_rowBytes = rowBytes == 0 ? packed : rowBytes;
    const long long stride = std::llabs(m_rowBytes);
    m_storage.assign(static_cast<size_t>(baseOffset + std::max(1LL, stride * std::max(height, 1LL))), 0);
    // The data pointer names row y1 (the bottom row); with negative row
    // bytes the rows above it lie below it in memory.
    m_data = m_storage.data() + baseOffset + (m_rowBytes < 0 ? (height - 1) * stride : 0);
    props.owner = this;
    props.setString(kOfxImageEffectPropPixelDepth, depthName(depth));
    props.setString(kOfxImageEffectPropComponents,
                    components == 4 ? kOfxImageComponentRGBA : components == 3 ? kOfxImageComponentRGB : "Other");
    props.setInt(kOfxImagePropRowBytes, static_cast<int>(m_rowBytes));
    props.set(kOfxImagePropBounds, {bounds.x1, bounds.y1, bounds.x2, bounds.y2});
    props.setPointer(kOfxImagePropData, m_data);
}

unsigned char* Image::pixel(int x, int y)
{
    return m_data + static_cast<long long>(y - m_bounds.y1) * m_rowBytes +
           static_cast<long long>(x - m_bounds.x1) * pixelBytes();
}

const unsigned char* Image::pixel(int x, int y) const
{
    return const_cast<Image*>(this)->pixel(x, y);
}

double Image::get(int x, int y, int c) const
{
    const unsigned char* p = pixel(x, y) + c * m_componentBytes;
    switch (m_depth) {
    case Depth::Byte: return *p;
    case Depth::Short: {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case Depth::Float: {
        float v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
    return 0;
}

void Image::set(int x, int y, int c, double value)
{
    unsigned char* p = pixel(x, y) + c * m_componentBytes;
    switch (m_depth) {
    case Depth::Byte: *p = static_cast<unsigned char>(value); break;
    case Depth::Short: {
        const std::uint16_t v = static_cast<std::uint16_t>(value);
        std::memcpy(p, &v, 2);
        break;
    }
    case Depth::Float: {
        const float v = static_cast<float>(value);
        std::memcpy(p, &v, 4);
        break;
    }
    }
}

// ---------------------------------------------------------------- suites

namespace {

PropertySet* P(OfxPropertySetHandle h)
{
    return PropertySet::from(h);
}

template <typename T, int I> OfxStatus propSet(OfxPropertySetHandle h, const char* name, int index, T value)
{
    if (!h)
        return kOfxStatErrBadHandle;
    return P(h)->store(name, index, PropValue(std::in_place_index<I>, value));
}

OfxStatus propSetString(OfxPropertySetHandle h, const char* name, int index, const char* value)
{
    if (!h)
        return kOfxStatErrBadHandle;
    return P(h)->store(name, index, std::string(value ? value : ""));
}

template <typename T, int I> OfxStatus propGet(OfxPropertySetHandle h, const char* name, int index, T* value)
{
    if (!h || !value)
        return kOfxStatErrBadHandle;
    PropValue v;
    const OfxStatus s = P(h)->fetch(name, index, v, I);
    if (s == kOfxStatOK)
        *value = std::get<I>(v);
    return s;
}

// Strings stay owned by the set; the pointer lives as long as the value.
OfxStatus propGetString(OfxPropertySetHandle h, const char* name, int index, char** value)
{
    if (!h || !value)
        return kOfxStatErrBadHandle;
    thread_local std::map<std::string, std::string> kept;
    PropValue v;
    const OfxStatus s = P(h)->fetch(name, index, v, 2);
    if (s != kOfxStatOK)
        return s;
    std::string& slot = kept[std::string(name) + "#" + std::to_string(index)];
    slot = std::get<2>(v);
    *value = const_cast<char*>(slot.c_str());
    return kOfxStatOK;
}

template <typename T, int I> OfxStatus propSetN(OfxPropertySetHandle h, const char* name, int count, const T* values)
{
    for (int i = 0; i < count; ++i) {
        const OfxStatus s = propSet<T, I>(h, name, i, values[i]);
        if (s != kOfxStatOK)
            return s;
    }
    return kOfxStatOK;
}

OfxStatus propSetPointerN(OfxPropertySetHandle h, const char* name, int count, void* const* values)
{
    return propSetN<void*, 3>(h, name, count, values);
}

OfxStatus propSetStringN(OfxPropertySetHandle h, const char* name, int count, const char* const* values)
{
    for (int i = 0; i < count; ++i) {
        const OfxStatus s = propSetString(h, name, i, values[i]);
        if (s != kOfxStatOK)
            return s;
    }
    return kOfxStatOK;
}

template <typename T, int I> OfxStatus propGetN(OfxPropertySetHandle h, const char* name, int count, T* values)
{
    for (int i = 0; i < count; ++i) {
        const OfxStatus s = propGet<T, I>(h, name, i, &values[i]);
        if (s != kOfxStatOK)
            return s;
    }
    return kOfxStatOK;
}

OfxStatus propGetStringN(OfxPropertySetHandle h, const char* name, int count, char** values)
{
    for (int i = 0; i < count; ++i) {
        const OfxStatus s = propGetString(h, name, i, &values[i]);
        if (s != kOfxStatOK)
            return s;
    }
    return kOfxStatOK;
}

OfxStatus propReset(OfxPropertySetHandle h, const char* name)
{
    if (!h || !name)
        return kOfxStatErrBadHandle;
    return P(h)->has(name) ? kOfxStatOK : kOfxStatErrUnknown;
}

OfxStatus propGetDimension(OfxPropertySetHandle h, const char* name, int* count)
{
    if (!h || !name || !count)
        return kOfxStatErrBadHandle;
    if (!P(h)->has(name))
        return kOfxStatErrUnknown;
    *count = P(h)->dimension(name);
    return kOfxStatOK;
}

const OfxPropertySuiteV1 kPropertySuite = {
    propSet<void*, 3>,      propSetString,          propSet<double, 1>,     propSet<int, 0>,
    propSetPointerN,        propSetStringN,         propSetN<double, 1>,    propSetN<int, 0>,
    propGet<void*, 3>,      propGetString,          propGet<double, 1>,     propGet<int, 0>,
    propGetN<void*, 3>,     propGetStringN,         propGetN<double, 1>,    propGetN<int, 0>,
    propReset,              propGetDimension,
};

Effect* E(OfxImageEffectHandle h)
{
    return reinterpret_cast<Effect*>(h);
}

OfxStatus getPropertySet(OfxImageEffectHandle h, OfxPropertySetHandle* props)
{
    if (!h || !props)
        return kOfxStatErrBadHandle;
    *props = E(h)->props.handle();
    return kOfxStatOK;
}

OfxStatus getParamSet(OfxImageEffectHandle h, OfxParamSetHandle* params)
{
    if (!h || !params)
        return kOfxStatErrBadHandle;
    *params = E(h)->params.handle();
    return kOfxStatOK;
}

OfxStatus clipDefine(OfxImageEffectHandle h, const char* name, OfxPropertySetHandle* props)
{
    if (!h || !name)
        return kOfxStatErrBadHandle;
    Clip* clip = E(h)->clip(name);
    if (props)
        *props = clip->props.handle();
    return kOfxStatOK;
}

OfxStatus clipGetHandle(OfxImageEffectHandle h, const char* name, OfxImageClipHandle* clip,
                        OfxPropertySetHandle* props)
{
    if (!h || !name || !clip)
        return kOfxStatErrBadHandle;
    Effect* effect = E(h);
    {
        std::lock_guard<std::mutex> lock(effect->mutex);
        if (!effect->clips.count(name))
            return kOfxStatErrUnknown;
    }
    Clip* c = effect->clip(name);
    *clip = c->handle();
    if (props)
        *props = c->props.handle();
    return kOfxStatOK;
}

OfxStatus clipGetPropertySet(OfxImageClipHandle clip, OfxPropertySetHandle* props)
{
    if (!clip || !props)
        return kOfxStatErrBadHandle;
    *props = reinterpret_cast<Clip*>(clip)->props.handle();
    return kOfxStatOK;
}

// Images of the render running on this thread; each render has its own,
// as a host's renders of different frames do.
thread_local std::map<const Clip*, Image*> t_images;

Image* imageOf(const Clip* clip)
{
    const auto it = t_images.find(clip);
    return it != t_images.end() ? it->second : clip->image;
}

OfxStatus clipGetImage(OfxImageClipHandle clip, OfxTime, const OfxRectD*, OfxPropertySetHandle* image)
{
    if (!clip || !image)
        return kOfxStatErrBadHandle;
    Image* img = imageOf(reinterpret_cast<Clip*>(clip));
    if (!img)
        return kOfxStatFailed;
    ++img->fetched;
    *image = img->props.handle();
    return kOfxStatOK;
}

OfxStatus clipReleaseImage(OfxPropertySetHandle image)
{
    if (!image)
        return kOfxStatErrBadHandle;
    ++static_cast<Image*>(P(image)->owner)->released;
    return kOfxStatOK;
}

OfxStatus clipGetRegionOfDefinition(OfxImageClipHandle clip, OfxTime, OfxRectD* bounds)
{
    if (!clip || !bounds)
        return kOfxStatErrBadHandle;
    Image* img = imageOf(reinterpret_cast<Clip*>(clip));
    if (!img)
        return kOfxStatFailed;
    *bounds = OfxRectD{double(img->bounds().x1), double(img->bounds().y1), double(img->bounds().x2),
                       double(img->bounds().y2)};
    return kOfxStatOK;
}

int abortRender(OfxImageEffectHandle)
{
    return 0;
}

OfxStatus imageMemoryAlloc(OfxImageEffectHandle, size_t, OfxImageMemoryHandle*)
{
    return kOfxStatErrUnsupported;
}

OfxStatus imageMemoryHandleOnly(OfxImageMemoryHandle)
{
    return kOfxStatErrUnsupported;
}

OfxStatus imageMemoryLock(OfxImageMemoryHandle, void**)
{
    return kOfxStatErrUnsupported;
}

const OfxImageEffectSuiteV1 kEffectSuite = {
    getPropertySet, getParamSet,           clipDefine,       clipGetHandle,         clipGetPropertySet,
    clipGetImage,   clipReleaseImage,      clipGetRegionOfDefinition, abortRender,  imageMemoryAlloc,
    imageMemoryHandleOnly, imageMemoryLock, imageMemoryHandleOnly,
};

ParamSet* S(OfxParamSetHandle h)
{
    return reinterpret_cast<ParamSet*>(h);
}

Param* Pa(OfxParamHandle h)
{
    return reinterpret_cast<Param*>(h);
}

OfxStatus paramDefine(OfxParamSetHandle h, const char* type, const char* name, OfxPropertySetHandle* props)
{
    if (!h || !type || !name)
        return kOfxStatErrBadHandle;
    ParamSet* set = S(h);
    if (set->find(name))
        return kOfxStatErrExists;
    auto param = std::make_unique<Param>();
    param->name = name;
    param->type = type;
    param->props.setString(kOfxPropName, name);
    param->props.setString(kOfxPropType, type);
    if (props)
        *props = param->props.handle();
    std::lock_guard<std::mutex> lock(set->mutex);
    set->params.push_back(std::move(param));
    return kOfxStatOK;
}

OfxStatus paramGetHandle(OfxParamSetHandle h, const char* name, OfxParamHandle* param, OfxPropertySetHandle* props)
{
    if (!h || !name || !param)
        return kOfxStatErrBadHandle;
    Param* p = S(h)->find(name);
    if (!p)
        return kOfxStatErrUnknown;
    *param = p->handle();
    if (props)
        *props = p->props.handle();
    return kOfxStatOK;
}

OfxStatus paramSetGetPropertySet(OfxParamSetHandle h, OfxPropertySetHandle* props)
{
    if (!h || !props)
        return kOfxStatErrBadHandle;
    *props = S(h)->props.handle();
    return kOfxStatOK;
}

OfxStatus paramGetPropertySet(OfxParamHandle h, OfxPropertySetHandle* props)
{
    if (!h || !props)
        return kOfxStatErrBadHandle;
    *props = Pa(h)->props.handle();
    return kOfxStatOK;
}

bool isIntParam(const Param* p)
{
    return p->type == kOfxParamTypeBoolean || p->type == kOfxParamTypeChoice;
}

OfxStatus readValue(Param* p, va_list args)
{
    if (!p->hasValue())
        return kOfxStatErrUnsupported;
    const std::vector<double> v = p->get();
    if (isIntParam(p)) {
        *va_arg(args, int*) = static_cast<int>(v.at(0));
        return kOfxStatOK;
    }
    for (double x : v)
        *va_arg(args, double*) = x;
    return kOfxStatOK;
}

OfxStatus writeValue(Param* p, va_list args)
{
    if (!p->hasValue())
        return kOfxStatErrUnsupported;
    std::vector<double> v = p->get();
    if (isIntParam(p)) {
        v.at(0) = va_arg(args, int);
    } else {
        for (double& x : v)
            x = va_arg(args, double);
    }
    p->put(v);
    std::lock_guard<std::mutex> lock(p->mutex);
    ++p->sets;
    return kOfxStatOK;
}

OfxStatus paramGetValue(OfxParamHandle h, ...)
{
    if (!h)
        return kOfxStatErrBadHandle;
    va_list args;
    va_start(args, h);
    const OfxStatus s = readValue(Pa(h), args);
    va_end(args);
    return s;
}

OfxStatus paramGetValueAtTime(OfxParamHandle h, OfxTime time, ...)
{
    if (!h)
        return kOfxStatErrBadHandle;
    va_list args;
    va_start(args, time);
    const OfxStatus s = readValue(Pa(h), args);
    va_end(args);
    return s;
}

OfxStatus paramUnsupportedAtTime(OfxParamHandle, OfxTime, ...)
{
    return kOfxStatErrUnsupported;
}

OfxStatus paramGetIntegral(OfxParamHandle, OfxTime, OfxTime, ...)
{
    return kOfxStatErrUnsupported;
}

OfxStatus paramSetValue(OfxParamHandle h, ...)
{
    if (!h)
        return kOfxStatErrBadHandle;
    va_list args;
    va_start(args, h);
    const OfxStatus s = writeValue(Pa(h), args);
    va_end(args);
    return s;
}

OfxStatus paramSetValueAtTime(OfxParamHandle h, OfxTime time, ...)
{
    if (!h)
        return kOfxStatErrBadHandle;
    va_list args;
    va_start(args, time);
    const OfxStatus s = writeValue(Pa(h), args);
    va_end(args);
    return s;
}

OfxStatus paramGetNumKeys(OfxParamHandle, unsigned int* n)
{
    if (n)
        *n = 0;
    return kOfxStatOK;
}

OfxStatus paramGetKeyTime(OfxParamHandle, unsigned int, OfxTime*)
{
    return kOfxStatErrBadIndex;
}

OfxStatus paramGetKeyIndex(OfxParamHandle, OfxTime, int, int*)
{
    return kOfxStatFailed;
}

OfxStatus paramDeleteKey(OfxParamHandle, OfxTime)
{
    return kOfxStatErrBadIndex;
}

OfxStatus paramDeleteAllKeys(OfxParamHandle)
{
    return kOfxStatOK;
}

OfxStatus paramCopy(OfxParamHandle, OfxParamHandle, OfxTime, const OfxRangeD*)
{
    return kOfxStatErrUnsupported;
}

OfxStatus paramEditBegin(OfxParamSetHandle h, const char* name)
{
    if (!h)
        return kOfxStatErrBadHandle;
    S(h)->note(std::string("begin:") + (name ? name : ""));
    std::lock_guard<std::mutex> lock(S(h)->mutex);
    ++S(h)->openEdits;
    return kOfxStatOK;
}

OfxStatus paramEditEnd(OfxParamSetHandle h)
{
    if (!h)
        return kOfxStatErrBadHandle;
    S(h)->note("end");
    std::lock_guard<std::mutex> lock(S(h)->mutex);
    --S(h)->openEdits;
    return kOfxStatOK;
}

const OfxParameterSuiteV1 kParamSuite = {
    paramDefine,       paramGetHandle,      paramSetGetPropertySet, paramGetPropertySet,
    paramGetValue,     paramGetValueAtTime, paramUnsupportedAtTime, paramGetIntegral,
    paramSetValue,     paramSetValueAtTime, paramGetNumKeys,        paramGetKeyTime,
    paramGetKeyIndex,  paramDeleteKey,      paramDeleteAllKeys,     paramCopy,
    paramEditBegin,    paramEditEnd,
};

Host* g_messageHost = nullptr;

OfxStatus message(void*, const char* type, const char* id, const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format ? format : "", args);
    va_end(args);
    if (g_messageHost)
        g_messageHost->addMessage(std::string(type ? type : "") + "|" + (id ? id : "") + "|" + text);
    return kOfxStatOK;
}

const OfxMessageSuiteV1 kMessageSuite = {message};

OfxStatus memoryAlloc(void*, size_t bytes, void** data)
{
    if (!data)
        return kOfxStatErrBadHandle;
    *data = std::malloc(bytes);
    return *data ? kOfxStatOK : kOfxStatErrMemory;
}

OfxStatus memoryFree(void* data)
{
    std::free(data);
    return kOfxStatOK;
}

const OfxMemorySuiteV1 kMemorySuite = {memoryAlloc, memoryFree};

thread_local unsigned int t_threadIndex = 0;
thread_local bool t_spawned = false;

OfxStatus multiThread(OfxThreadFunctionV1 func, unsigned int n, void* arg)
{
    std::vector<std::thread> threads;
    for (unsigned int i = 0; i < n; ++i) {
        threads.emplace_back([=] {
            t_threadIndex = i;
            t_spawned = true;
            func(i, n, arg);
        });
    }
    for (auto& t : threads)
        t.join();
    return kOfxStatOK;
}

OfxStatus numCPUs(unsigned int* n)
{
    *n = std::max(1u, std::thread::hardware_concurrency());
    return kOfxStatOK;
}

OfxStatus threadIndex(unsigned int* i)
{
    *i = t_threadIndex;
    return kOfxStatOK;
}

int isSpawned()
{
    return t_spawned ? 1 : 0;
}

OfxStatus mutexCreate(OfxMutexHandle* m, int)
{
    *m = reinterpret_cast<OfxMutexHandle>(new std::recursive_mutex);
    return kOfxStatOK;
}

OfxStatus mutexDestroy(const OfxMutexHandle m)
{
    delete reinterpret_cast<std::recursive_mutex*>(m);
    return kOfxStatOK;
}

OfxStatus mutexLock(const OfxMutexHandle m)
{
    reinterpret_cast<std::recursive_mutex*>(m)->lock();
    return kOfxStatOK;
}

OfxStatus mutexUnlock(const OfxMutexHandle m)
{
    reinterpret_cast<std::recursive_mutex*>(m)->unlock();
    return kOfxStatOK;
}

OfxStatus mutexTryLock(const OfxMutexHandle m)
{
    return reinterpret_cast<std::recursive_mutex*>(m)->try_lock() ? kOfxStatOK : kOfxStatFailed;
}

const OfxMultiThreadSuiteV1 kThreadSuite = {multiThread, numCPUs,  threadIndex,  isSpawned,   mutexCreate,
                                             mutexDestroy, mutexLock, mutexUnlock, mutexTryLock};

OfxStatus interactUnsupported(OfxInteractHandle)
{
    return kOfxStatErrUnsupported;
}

OfxStatus interactProps(OfxInteractHandle, OfxPropertySetHandle*)
{
    return kOfxStatErrUnsupported;
}

const OfxInteractSuiteV1 kInteractSuite = {interactUnsupported, interactUnsupported, interactProps};

struct SuiteEntry {
    const char* name;
    const void* suite;
};

const SuiteEntry kSuites[] = {
    {kOfxImageEffectSuite, &kEffectSuite}, {kOfxPropertySuite, &kPropertySuite},
    {kOfxParameterSuite, &kParamSuite},    {kOfxMessageSuite, &kMessageSuite},
    {kOfxMemorySuite, &kMemorySuite},      {kOfxMultiThreadSuite, &kThreadSuite},
    {kOfxInteractSuite, &kInteractSuite},
};

const void* fetchSuite(OfxPropertySetHandle hostProps, const char* name, int version)
{
    Host* host = static_cast<Host*>(P(hostProps)->owner);
    if (!name || version != 1 || host->missingSuites.count(name))
        return nullptr;
    for (const SuiteEntry& s : kSuites) {
        if (std::strcmp(s.name, name) == 0)
            return s.suite;
    }
    return nullptr;
}

} // namespace

// ---------------------------------------------------------------- host

Host::Host()
{
    props.owner = this;
    props.setString(kOfxPropName, "org.morveline.testhost");
    props.setString(kOfxPropLabel, "Test host");
    m_host.host = props.handle();
    m_host.fetchSuite = fetchSuite;
    g_messageHost = this;
}

std::vector<std::string> Host::messages()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
}

void Host::addMessage(const std::string& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.push_back(text);
}

Binary::Binary(const std::string& path)
{
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m_handle)
        throw std::runtime_error(std::string("dlopen: ") + dlerror());
    m_count = reinterpret_cast<OfxGetNumberOfPluginsFunc>(dlsym(m_handle, "OfxGetNumberOfPlugins"));
    m_get = reinterpret_cast<OfxGetPluginFunc>(dlsym(m_handle, "OfxGetPlugin"));
    if (!m_count || !m_get) {
        dlclose(m_handle);
        m_handle = nullptr;
        throw std::runtime_error("not an OpenFX binary: " + path);
    }
}

Binary::~Binary()
{
    unload();
}

void Binary::unload()
{
    if (m_handle)
        dlclose(m_handle);
    m_handle = nullptr;
}

int Binary::count() const
{
    return m_count();
}

OfxPlugin* Binary::plugin(int nth) const
{
    return m_get(nth);
}

// ---------------------------------------------------------------- session

Session::Session(Host& host, OfxPlugin* plugin) : m_host(host), m_plugin(plugin)
{
    m_plugin->setHost(m_host.ofxHost());
}

OfxStatus Session::action(const char* name, const void* handle, PropertySet* in, PropertySet* out)
{
    return m_plugin->mainEntry(name, handle, in ? in->handle() : nullptr, out ? out->handle() : nullptr);
}

OfxStatus Session::load()
{
    return action(kOfxActionLoad, nullptr);
}

OfxStatus Session::describe()
{
    return action(kOfxActionDescribe, descriptor.handle());
}

OfxStatus Session::describeInContext()
{
    PropertySet in;
    in.setString(kOfxImageEffectPropContext, kOfxImageEffectContextFilter);
    return action(kOfxImageEffectActionDescribeInContext, contextDescriptor.handle(), &in);
}

OfxStatus Session::createInstance()
{
    // The instance takes its parameters and clips from the context's
    // descriptor, each value starting at its default.
    for (auto& p : contextDescriptor.params.params) {
        auto copy = std::make_unique<Param>();
        copy->name = p->name;
        copy->type = p->type;
        for (const auto& entry : p->props.all())
            copy->props.set(entry.first, entry.second);
        if (copy->hasValue()) {
            std::vector<double> value;
            for (const PropValue& v : copy->props.values(kOfxParamPropDefault))
                value.push_back(std::holds_alternative<int>(v) ? std::get<int>(v) : std::get<double>(v));
            if (value.empty())
                value.assign(copy->type == kOfxParamTypeRGB ? 3 : 1, 0.0);
            copy->value = value;
        }
        instance.params.params.push_back(std::move(copy));
    }
    for (auto& c : contextDescriptor.clips) {
        Clip* clip = instance.clip(c.first);
        for (const auto& entry : c.second->props.all())
            clip->props.set(entry.first, entry.second);
    }
    instanceCreated = true;
    return action(kOfxActionCreateInstance, instance.handle());
}

OfxStatus Session::destroyInstance()
{
    instanceCreated = false;
    return action(kOfxActionDestroyInstance, instance.handle());
}

OfxStatus Session::unloadAction()
{
    return action(kOfxActionUnload, nullptr);
}

OfxStatus Session::start()
{
    for (auto step : {&Session::load, &Session::describe, &Session::describeInContext, &Session::createInstance}) {
        const OfxStatus s = (this->*step)();
        if (s != kOfxStatOK)
            return s;
    }
    return kOfxStatOK;
}

OfxStatus Session::render(double time, OfxRectI window, Image& source, Image& output)
{
    struct Bind {
        Clip* source;
        Clip* output;
        ~Bind()
        {
            t_images.erase(source);
            t_images.erase(output);
        }
    } bind{instance.clip(kOfxImageEffectSimpleSourceClipName), instance.clip(kOfxImageEffectOutputClipName)};
    t_images[bind.source] = &source;
    t_images[bind.output] = &output;
    PropertySet in;
    in.setDouble(kOfxPropTime, time);
    in.set(kOfxImageEffectPropRenderWindow, {window.x1, window.y1, window.x2, window.y2});
    in.set("OfxImageEffectPropRenderScale", {1.0, 1.0});
    in.setString("OfxImageEffectPropFieldToRender", "OfxImageFieldNone");
    return action(kOfxImageEffectActionRender, instance.handle(), &in);
}

OfxStatus Session::userEdit(const std::vector<std::string>& names, bool bracket)
{
    OfxStatus result = kOfxStatOK;
    const auto keep = [&result](OfxStatus s) {
        if (result == kOfxStatOK && s != kOfxStatOK)
            result = s;
    };
    PropertySet reason;
    reason.setString(kOfxPropChangeReason, kOfxChangeUserEdited);
    if (bracket)
        keep(action(kOfxActionBeginInstanceChanged, instance.handle(), &reason));
    for (const std::string& name : names) {
        PropertySet in;
        in.setString(kOfxPropType, kOfxTypeParameter);
        in.setString(kOfxPropName, name);
        in.setString(kOfxPropChangeReason, kOfxChangeUserEdited);
        in.setDouble(kOfxPropTime, 0.0);
        keep(action(kOfxActionInstanceChanged, instance.handle(), &in));
    }
    if (bracket)
        keep(action(kOfxActionEndInstanceChanged, instance.handle(), &reason));
    return result;
}

OfxStatus Session::edit(const std::string& name, std::vector<double> value, bool bracket)
{
    Param* p = instance.params.find(name);
    if (!p)
        return kOfxStatErrUnknown;
    p->put(std::move(value));
    return userEdit({name}, bracket);
}

} // namespace OfxTest
