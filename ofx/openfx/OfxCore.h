#pragma once

// The OpenFX C interface as far as this plug-in uses it: the records the host
// and the plug-in exchange, the status codes and the action names. Written
// from the published standard; the layouts are the binary interface that
// every host expects, so each one is pinned below.

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int OfxStatus;
typedef double OfxTime;

typedef struct OfxPropertySetStruct* OfxPropertySetHandle;
typedef struct OfxImageEffectStruct* OfxImageEffectHandle;
typedef struct OfxImageClipStruct* OfxImageClipHandle;
typedef struct OfxImageMemoryStruct* OfxImageMemoryHandle;
typedef struct OfxParamStruct* OfxParamHandle;
typedef struct OfxParamSetStruct* OfxParamSetHandle;
typedef struct OfxMutex* OfxMutexHandle;
typedef struct OfxInteract* OfxInteractHandle;

typedef struct OfxRangeI {
    int min, max;
} OfxRangeI;

typedef struct OfxRangeD {
    double min, max;
} OfxRangeD;

typedef struct OfxPointI {
    int x, y;
} OfxPointI;

typedef struct OfxPointD {
    double x, y;
} OfxPointD;

typedef struct OfxRectI {
    int x1, y1, x2, y2;
} OfxRectI;

typedef struct OfxRectD {
    double x1, y1, x2, y2;
} OfxRectD;

// What the host hands to setHost: its own property set and the function
// through which the plug-in fetches suites by name and version.
typedef struct OfxHost {
    OfxPropertySetHandle host;
    const void* (*fetchSuite)(OfxPropertySetHandle host, const char* suiteName, int suiteVersion);
} OfxHost;

typedef OfxStatus(OfxPluginEntryPoint)(const char* action, const void* handle, OfxPropertySetHandle inArgs,
                                       OfxPropertySetHandle outArgs);

// One plug-in of a binary, as OfxGetPlugin returns it.
typedef struct OfxPlugin {
    const char* pluginApi;
    int apiVersion;
    const char* pluginIdentifier;
    unsigned int pluginVersionMajor;
    unsigned int pluginVersionMinor;
    void (*setHost)(OfxHost* host);
    OfxPluginEntryPoint* mainEntry;
} OfxPlugin;

// The two functions every OpenFX binary exports.
typedef int (*OfxGetNumberOfPluginsFunc)(void);
typedef OfxPlugin* (*OfxGetPluginFunc)(int nth);

#ifdef __cplusplus
}
#endif

// Status codes.
#define kOfxStatOK 0
#define kOfxStatFailed 1
#define kOfxStatErrFatal 2
#define kOfxStatErrUnknown 3
#define kOfxStatErrMissingHostFeature 4
#define kOfxStatErrUnsupported 5
#define kOfxStatErrExists 6
#define kOfxStatErrFormat 7
#define kOfxStatErrMemory 8
#define kOfxStatErrBadHandle 9
#define kOfxStatErrBadIndex 10
#define kOfxStatErrValue 11
#define kOfxStatReplyYes 12
#define kOfxStatReplyNo 13
#define kOfxStatReplyDefault 14

// Actions.
#define kOfxActionLoad "OfxActionLoad"
#define kOfxActionUnload "OfxActionUnload"
#define kOfxActionDescribe "OfxActionDescribe"
#define kOfxActionCreateInstance "OfxActionCreateInstance"
#define kOfxActionDestroyInstance "OfxActionDestroyInstance"
#define kOfxActionBeginInstanceChanged "OfxActionBeginInstanceChanged"
#define kOfxActionInstanceChanged "OfxActionInstanceChanged"
#define kOfxActionEndInstanceChanged "OfxActionEndInstanceChanged"
#define kOfxImageEffectActionDescribeInContext "OfxImageEffectActionDescribeInContext"
#define kOfxImageEffectActionRender "OfxImageEffectActionRender"

#define kOfxImageEffectPluginApi "OfxImageEffectPluginAPI"

// Suites, each fetched in version 1.
#define kOfxImageEffectSuite "OfxImageEffectSuite"
#define kOfxPropertySuite "OfxPropertySuite"
#define kOfxParameterSuite "OfxParameterSuite"
#define kOfxMessageSuite "OfxMessageSuite"
#define kOfxMemorySuite "OfxMemorySuite"
#define kOfxMultiThreadSuite "OfxMultiThreadSuite"
#define kOfxInteractSuite "OfxInteractSuite"

#ifdef __cplusplus
static_assert(sizeof(OfxRectI) == 16 && sizeof(OfxRectD) == 32, "rectangles");
static_assert(sizeof(OfxPointI) == 8 && sizeof(OfxPointD) == 16, "points");
static_assert(sizeof(OfxRangeI) == 8 && sizeof(OfxRangeD) == 16, "ranges");
static_assert(offsetof(OfxRectI, y2) == 12 && offsetof(OfxRectD, y2) == 24, "rectangle order x1 y1 x2 y2");
static_assert(sizeof(OfxHost) == 16, "host record");
static_assert(offsetof(OfxHost, fetchSuite) == 8, "host record");
static_assert(sizeof(OfxPlugin) == 48, "plug-in record");
static_assert(offsetof(OfxPlugin, apiVersion) == 8, "plug-in record");
static_assert(offsetof(OfxPlugin, pluginIdentifier) == 16, "plug-in record");
static_assert(offsetof(OfxPlugin, pluginVersionMajor) == 24, "plug-in record");
static_assert(offsetof(OfxPlugin, pluginVersionMinor) == 28, "plug-in record");
static_assert(offsetof(OfxPlugin, setHost) == 32, "plug-in record");
static_assert(offsetof(OfxPlugin, mainEntry) == 40, "plug-in record");
#endif
