#include "ofx/Suites.h"

#include <mutex>

namespace Nuvra::OFX {

OfxHost* gHost = nullptr;
const OfxImageEffectSuiteV1* gEffectSuite = nullptr;
const OfxPropertySuiteV1* gPropSuite = nullptr;
const OfxParameterSuiteV1* gParamSuite = nullptr;
const OfxMessageSuiteV1* gMessageSuite = nullptr;
const OfxMemorySuiteV1* gMemorySuite = nullptr;
const OfxMultiThreadSuiteV1* gThreadSuite = nullptr;
const OfxInteractSuiteV1* gInteractSuite = nullptr;

namespace {

std::once_flag g_fetched;

template <typename Suite> const Suite* fetch(const char* name)
{
    if (!gHost->fetchSuite)
        return nullptr;
    return static_cast<const Suite*>(gHost->fetchSuite(gHost->host, name, 1));
}

} // namespace

void setHost(OfxHost* host)
{
    gHost = host;
    fetchSuites();
}

bool fetchSuites()
{
    if (!gHost)
        return false;
    std::call_once(g_fetched, [] {
        gEffectSuite = fetch<OfxImageEffectSuiteV1>(kOfxImageEffectSuite);
        gPropSuite = fetch<OfxPropertySuiteV1>(kOfxPropertySuite);
        gParamSuite = fetch<OfxParameterSuiteV1>(kOfxParameterSuite);
        gMessageSuite = fetch<OfxMessageSuiteV1>(kOfxMessageSuite);
        gMemorySuite = fetch<OfxMemorySuiteV1>(kOfxMemorySuite);
        gThreadSuite = fetch<OfxMultiThreadSuiteV1>(kOfxMultiThreadSuite);
        gInteractSuite = fetch<OfxInteractSuiteV1>(kOfxInteractSuite);
    });
    return gEffectSuite && gPropSuite && gParamSuite && gMessageSuite;
}

std::string propString(OfxPropertySetHandle props, const char* name, int index, const std::string& fallback)
{
    char* value = nullptr;
    if (!props || gPropSuite->propGetString(props, name, index, &value) != kOfxStatOK || !value)
        return fallback;
    return value;
}

int propInt(OfxPropertySetHandle props, const char* name, int index, int fallback)
{
    int value = fallback;
    if (!props || gPropSuite->propGetInt(props, name, index, &value) != kOfxStatOK)
        return fallback;
    return value;
}

double propDouble(OfxPropertySetHandle props, const char* name, int index, double fallback)
{
    double value = fallback;
    if (!props || gPropSuite->propGetDouble(props, name, index, &value) != kOfxStatOK)
        return fallback;
    return value;
}

void setString(OfxPropertySetHandle props, const char* name, int index, const char* value)
{
    if (props)
        gPropSuite->propSetString(props, name, index, value);
}

void setInt(OfxPropertySetHandle props, const char* name, int index, int value)
{
    if (props)
        gPropSuite->propSetInt(props, name, index, value);
}

void setDouble(OfxPropertySetHandle props, const char* name, int index, double value)
{
    if (props)
        gPropSuite->propSetDouble(props, name, index, value);
}

} // namespace Nuvra::OFX
