// The plug-in's two exported functions and the dispatch of the host's
// actions. Everything that needs the effect's own logic goes to the child.

#include "ofx/Connection.h"
#include "ofx/Identity.h"
#include "ofx/ParamBridge.h"
#include "ofx/Render.h"
#include "ofx/Suites.h"
#include "ofx/openfx/OfxNames.h"
#include "VRPC/Log.h"

#include <cctype>
#include <cstring>
#include <exception>
#include <new>
#include <string>

namespace Nuvra::OFX {

namespace {

std::string labelWithoutMaker()
{
    const std::string label = kEffectLabel;
    const std::string prefix = std::string(kMakerWord) + " ";
    return label.compare(0, prefix.size(), prefix) == 0 ? label.substr(prefix.size()) : label;
}

std::string makeIdentifier()
{
    std::string id = kIdentifierPrefix;
    for (char c : labelWithoutMaker()) {
        if (c != ' ')
            id += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return id;
}

const std::string& identifier()
{
    static const std::string id = makeIdentifier();
    return id;
}

void hostSetter(OfxHost* host)
{
    setHost(host);
}

OfxStatus describe(OfxImageEffectHandle effect)
{
    if (!fetchSuites())
        return kOfxStatErrMissingHostFeature;
    OfxPropertySetHandle props = nullptr;
    gEffectSuite->getPropertySet(effect, &props);
    setString(props, kOfxImageEffectPropSupportedPixelDepths, 0, kOfxBitDepthByte);
    setString(props, kOfxImageEffectPropSupportedPixelDepths, 1, kOfxBitDepthShort);
    setString(props, kOfxImageEffectPropSupportedPixelDepths, 2, kOfxBitDepthFloat);
    setString(props, kOfxPropLabel, 0, labelWithoutMaker().c_str());
    setString(props, kOfxImageEffectPluginPropGrouping, 0, kMakerWord);
    setString(props, kOfxImageEffectPropSupportedContexts, 0, kOfxImageEffectContextFilter);
    setString(props, kOfxPropPluginDescription, 0, (std::string("OpenFX plugin for ") + kEffectLabel).c_str());
    setString(props, kOfxImageEffectPluginRenderThreadSafety, 0, kOfxImageEffectRenderFullySafe);
    setInt(props, kOfxImageEffectPluginPropHostFrameThreading, 0, 0);
    setInt(props, kOfxImageEffectPropSupportsTiles, 0, 0);
    return kOfxStatOK;
}

void defineClip(OfxImageEffectHandle effect, const char* name)
{
    OfxPropertySetHandle props = nullptr;
    gEffectSuite->clipDefine(effect, name, &props);
    setString(props, kOfxImageEffectPropSupportedComponents, 0, kOfxImageComponentRGB);
    setString(props, kOfxImageEffectPropSupportedComponents, 1, kOfxImageComponentRGBA);
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle inArgs)
{
    defineClip(effect, kOfxImageEffectSimpleSourceClipName);
    defineClip(effect, kOfxImageEffectOutputClipName);
    propString(inArgs, kOfxImageEffectPropContext);
    OfxParamSetHandle paramSet = nullptr;
    gEffectSuite->getParamSet(effect, &paramSet);
    setup_params(paramSet);
    return kOfxStatOK;
}

OfxStatus createInstance(OfxImageEffectHandle effect)
{
    OfxParamSetHandle paramSet = nullptr;
    OfxPropertySetHandle props = nullptr;
    gEffectSuite->getParamSet(effect, &paramSet);
    gEffectSuite->getPropertySet(effect, &props);
    VRPC::writeDebugLog("create_instance(), effect = %p, params = %p props = %p\n", static_cast<void*>(effect),
                        static_cast<void*>(paramSet), static_cast<void*>(props));
    setString(props, kOfxImageEffectPluginRenderThreadSafety, 0, kOfxImageEffectRenderFullySafe);
    setInt(props, kOfxImageEffectPluginPropHostFrameThreading, 0, 0);
    setInt(props, kOfxImageEffectPropSupportsTiles, 0, 0);
    enable_params(effect);
    return kOfxStatOK;
}

struct Action {
    const char* name;
    OfxStatus (*run)(OfxImageEffectHandle effect, OfxPropertySetHandle inArgs);
};

const Action kActions[] = {
    {kOfxActionLoad, [](OfxImageEffectHandle, OfxPropertySetHandle) { return initConnection(); }},
    {kOfxActionUnload, [](OfxImageEffectHandle, OfxPropertySetHandle) { return OfxStatus(kOfxStatOK); }},
    {kOfxActionDescribe, [](OfxImageEffectHandle e, OfxPropertySetHandle) { return describe(e); }},
    {kOfxImageEffectActionDescribeInContext, describeInContext},
    {kOfxActionCreateInstance, [](OfxImageEffectHandle e, OfxPropertySetHandle) { return createInstance(e); }},
    {kOfxActionDestroyInstance,
     [](OfxImageEffectHandle e, OfxPropertySetHandle) {
         forgetInstance(e);
         return OfxStatus(kOfxStatOK);
     }},
    {kOfxActionBeginInstanceChanged,
     [](OfxImageEffectHandle e, OfxPropertySetHandle in) {
         propString(in, kOfxPropChangeReason);
         return beginInstanceChanged(e);
     }},
    {kOfxActionInstanceChanged, instanceChanged},
    {kOfxActionEndInstanceChanged, [](OfxImageEffectHandle e, OfxPropertySetHandle) { return endInstanceChanged(e); }},
    {kOfxImageEffectActionRender, render},
};

OfxStatus dispatch(const char* action, const void* handle, OfxPropertySetHandle inArgs)
{
    const size_t length = std::strlen(action);
    auto effect = static_cast<OfxImageEffectHandle>(const_cast<void*>(handle));
    for (const Action& a : kActions) {
        if (std::strlen(a.name) == length && std::memcmp(a.name, action, length) == 0)
            return a.run(effect, inArgs);
    }
    VRPC::writeDebugLog("ignored action = %s\n", action);
    return kOfxStatReplyDefault;
}

OfxStatus entryPoint(const char* action, const void* handle, OfxPropertySetHandle inArgs, OfxPropertySetHandle)
{
    if (!action)
        return kOfxStatErrUnknown;
    VRPC::writeDebugLog("entryPoint(), action = %s\n", action);
    // Only the describe action may run before the host gave all its suites.
    if (std::strcmp(action, kOfxActionDescribe) != 0 && std::strcmp(action, kOfxActionLoad) != 0 &&
        std::strcmp(action, kOfxActionUnload) != 0 && !fetchSuites()) {
        return kOfxStatErrMissingHostFeature;
    }
    try {
        return dispatch(action, handle, inArgs);
    } catch (const std::bad_alloc&) {
        VRPC::writeError("Out Of Memory error\n");
        return kOfxStatErrMemory;
    } catch (const std::exception& e) {
        VRPC::writeError("Exception caught: %s\n", e.what());
        return kOfxStatErrUnknown;
    } catch (int code) {
        VRPC::writeError("Exception caught errcode = %d\n", code);
        return code;
    } catch (...) {
        VRPC::writeError("Unknown exception caught\n");
        return kOfxStatErrUnknown;
    }
}

OfxPlugin g_plugin = {
    kOfxImageEffectPluginApi, 1, identifier().c_str(), kVersionMajor, kVersionMinor, hostSetter, entryPoint,
};

} // namespace

} // namespace Nuvra::OFX

extern "C" {

__attribute__((visibility("default"))) int OfxGetNumberOfPlugins(void)
{
    return 1;
}

__attribute__((visibility("default"))) OfxPlugin* OfxGetPlugin(int nth)
{
    return nth == 0 ? &Nuvra::OFX::g_plugin : nullptr;
}
}
