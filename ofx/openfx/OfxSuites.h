#pragma once

// The host's suites in version 1, members in the standard's order: a suite is
// a table of function pointers, so the position of each member is the binary
// interface. Each position is pinned below.

#include "ofx/openfx/OfxCore.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct OfxPropertySuiteV1 {
    OfxStatus (*propSetPointer)(OfxPropertySetHandle properties, const char* property, int index, void* value);
    OfxStatus (*propSetString)(OfxPropertySetHandle properties, const char* property, int index, const char* value);
    OfxStatus (*propSetDouble)(OfxPropertySetHandle properties, const char* property, int index, double value);
    OfxStatus (*propSetInt)(OfxPropertySetHandle properties, const char* property, int index, int value);
    OfxStatus (*propSetPointerN)(OfxPropertySetHandle properties, const char* property, int count,
                                 void* const* value);
    OfxStatus (*propSetStringN)(OfxPropertySetHandle properties, const char* property, int count,
                                const char* const* value);
    OfxStatus (*propSetDoubleN)(OfxPropertySetHandle properties, const char* property, int count,
                                const double* value);
    OfxStatus (*propSetIntN)(OfxPropertySetHandle properties, const char* property, int count, const int* value);
    OfxStatus (*propGetPointer)(OfxPropertySetHandle properties, const char* property, int index, void** value);
    OfxStatus (*propGetString)(OfxPropertySetHandle properties, const char* property, int index, char** value);
    OfxStatus (*propGetDouble)(OfxPropertySetHandle properties, const char* property, int index, double* value);
    OfxStatus (*propGetInt)(OfxPropertySetHandle properties, const char* property, int index, int* value);
    OfxStatus (*propGetPointerN)(OfxPropertySetHandle properties, const char* property, int count, void** value);
    OfxStatus (*propGetStringN)(OfxPropertySetHandle properties, const char* property, int count, char** value);
    OfxStatus (*propGetDoubleN)(OfxPropertySetHandle properties, const char* property, int count, double* value);
    OfxStatus (*propGetIntN)(OfxPropertySetHandle properties, const char* property, int count, int* value);
    OfxStatus (*propReset)(OfxPropertySetHandle properties, const char* property);
    OfxStatus (*propGetDimension)(OfxPropertySetHandle properties, const char* property, int* count);
} OfxPropertySuiteV1;

typedef struct OfxImageEffectSuiteV1 {
    OfxStatus (*getPropertySet)(OfxImageEffectHandle imageEffect, OfxPropertySetHandle* propHandle);
    OfxStatus (*getParamSet)(OfxImageEffectHandle imageEffect, OfxParamSetHandle* paramSet);
    OfxStatus (*clipDefine)(OfxImageEffectHandle imageEffect, const char* name, OfxPropertySetHandle* propertySet);
    OfxStatus (*clipGetHandle)(OfxImageEffectHandle imageEffect, const char* name, OfxImageClipHandle* clip,
                               OfxPropertySetHandle* propertySet);
    OfxStatus (*clipGetPropertySet)(OfxImageClipHandle clip, OfxPropertySetHandle* propHandle);
    OfxStatus (*clipGetImage)(OfxImageClipHandle clip, OfxTime time, const OfxRectD* region,
                              OfxPropertySetHandle* imageHandle);
    OfxStatus (*clipReleaseImage)(OfxPropertySetHandle imageHandle);
    OfxStatus (*clipGetRegionOfDefinition)(OfxImageClipHandle clip, OfxTime time, OfxRectD* bounds);
    int (*abort)(OfxImageEffectHandle imageEffect);
    OfxStatus (*imageMemoryAlloc)(OfxImageEffectHandle instanceHandle, size_t nBytes,
                                  OfxImageMemoryHandle* memoryHandle);
    OfxStatus (*imageMemoryFree)(OfxImageMemoryHandle memoryHandle);
    OfxStatus (*imageMemoryLock)(OfxImageMemoryHandle memoryHandle, void** returnedPtr);
    OfxStatus (*imageMemoryUnlock)(OfxImageMemoryHandle memoryHandle);
} OfxImageEffectSuiteV1;

// Values travel through the variadic arguments: doubles for double
// parameters (three for RGB), int for booleans and choices, pointers to them
// when reading.
typedef struct OfxParameterSuiteV1 {
    OfxStatus (*paramDefine)(OfxParamSetHandle paramSet, const char* paramType, const char* name,
                             OfxPropertySetHandle* propertySet);
    OfxStatus (*paramGetHandle)(OfxParamSetHandle paramSet, const char* name, OfxParamHandle* param,
                                OfxPropertySetHandle* propertySet);
    OfxStatus (*paramSetGetPropertySet)(OfxParamSetHandle paramSet, OfxPropertySetHandle* propHandle);
    OfxStatus (*paramGetPropertySet)(OfxParamHandle param, OfxPropertySetHandle* propHandle);
    OfxStatus (*paramGetValue)(OfxParamHandle paramHandle, ...);
    OfxStatus (*paramGetValueAtTime)(OfxParamHandle paramHandle, OfxTime time, ...);
    OfxStatus (*paramGetDerivative)(OfxParamHandle paramHandle, OfxTime time, ...);
    OfxStatus (*paramGetIntegral)(OfxParamHandle paramHandle, OfxTime time1, OfxTime time2, ...);
    OfxStatus (*paramSetValue)(OfxParamHandle paramHandle, ...);
    OfxStatus (*paramSetValueAtTime)(OfxParamHandle paramHandle, OfxTime time, ...);
    OfxStatus (*paramGetNumKeys)(OfxParamHandle paramHandle, unsigned int* numberOfKeys);
    OfxStatus (*paramGetKeyTime)(OfxParamHandle paramHandle, unsigned int nthKey, OfxTime* time);
    OfxStatus (*paramGetKeyIndex)(OfxParamHandle paramHandle, OfxTime time, int direction, int* index);
    OfxStatus (*paramDeleteKey)(OfxParamHandle paramHandle, OfxTime time);
    OfxStatus (*paramDeleteAllKeys)(OfxParamHandle paramHandle);
    OfxStatus (*paramCopy)(OfxParamHandle paramTo, OfxParamHandle paramFrom, OfxTime dstOffset,
                           const OfxRangeD* frameRange);
    OfxStatus (*paramEditBegin)(OfxParamSetHandle paramSet, const char* name);
    OfxStatus (*paramEditEnd)(OfxParamSetHandle paramSet);
} OfxParameterSuiteV1;

typedef struct OfxMessageSuiteV1 {
    OfxStatus (*message)(void* handle, const char* messageType, const char* messageId, const char* format, ...);
} OfxMessageSuiteV1;

typedef struct OfxMemorySuiteV1 {
    OfxStatus (*memoryAlloc)(void* handle, size_t nBytes, void** allocatedData);
    OfxStatus (*memoryFree)(void* allocatedData);
} OfxMemorySuiteV1;

typedef void(OfxThreadFunctionV1)(unsigned int threadIndex, unsigned int threadMax, void* customArg);

typedef struct OfxMultiThreadSuiteV1 {
    OfxStatus (*multiThread)(OfxThreadFunctionV1 func, unsigned int nThreads, void* customArg);
    OfxStatus (*multiThreadNumCPUs)(unsigned int* nCPUs);
    OfxStatus (*multiThreadIndex)(unsigned int* threadIndex);
    int (*multiThreadIsSpawnedThread)(void);
    OfxStatus (*mutexCreate)(OfxMutexHandle* mutex, int lockCount);
    OfxStatus (*mutexDestroy)(const OfxMutexHandle mutex);
    OfxStatus (*mutexLock)(const OfxMutexHandle mutex);
    OfxStatus (*mutexUnLock)(const OfxMutexHandle mutex);
    OfxStatus (*mutexTryLock)(const OfxMutexHandle mutex);
} OfxMultiThreadSuiteV1;

typedef struct OfxInteractSuiteV1 {
    OfxStatus (*interactSwapBuffers)(OfxInteractHandle interactInstance);
    OfxStatus (*interactRedraw)(OfxInteractHandle interactInstance);
    OfxStatus (*interactGetPropertySet)(OfxInteractHandle interactInstance, OfxPropertySetHandle* property);
} OfxInteractSuiteV1;

#ifdef __cplusplus
}

// Member `m` of suite `S` is function pointer number `n` (from 0).
#define NUVRA_OFX_SLOT(S, m, n) static_assert(offsetof(S, m) == (n) * sizeof(void*), #S "::" #m)

static_assert(sizeof(OfxPropertySuiteV1) == 18 * sizeof(void*), "property suite");
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propSetPointer, 0);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propSetString, 1);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propSetDouble, 2);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propSetInt, 3);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propSetPointerN, 4);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propSetStringN, 5);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propSetDoubleN, 6);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propSetIntN, 7);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propGetPointer, 8);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propGetString, 9);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propGetDouble, 10);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propGetInt, 11);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propGetPointerN, 12);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propGetStringN, 13);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propGetDoubleN, 14);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propGetIntN, 15);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propReset, 16);
NUVRA_OFX_SLOT(OfxPropertySuiteV1, propGetDimension, 17);

static_assert(sizeof(OfxImageEffectSuiteV1) == 13 * sizeof(void*), "image-effect suite");
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, getPropertySet, 0);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, getParamSet, 1);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, clipDefine, 2);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, clipGetHandle, 3);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, clipGetPropertySet, 4);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, clipGetImage, 5);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, clipReleaseImage, 6);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, clipGetRegionOfDefinition, 7);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, abort, 8);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, imageMemoryAlloc, 9);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, imageMemoryFree, 10);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, imageMemoryLock, 11);
NUVRA_OFX_SLOT(OfxImageEffectSuiteV1, imageMemoryUnlock, 12);

static_assert(sizeof(OfxParameterSuiteV1) == 18 * sizeof(void*), "parameter suite");
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramDefine, 0);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramGetHandle, 1);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramSetGetPropertySet, 2);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramGetPropertySet, 3);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramGetValue, 4);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramGetValueAtTime, 5);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramGetDerivative, 6);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramGetIntegral, 7);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramSetValue, 8);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramSetValueAtTime, 9);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramGetNumKeys, 10);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramGetKeyTime, 11);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramGetKeyIndex, 12);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramDeleteKey, 13);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramDeleteAllKeys, 14);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramCopy, 15);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramEditBegin, 16);
NUVRA_OFX_SLOT(OfxParameterSuiteV1, paramEditEnd, 17);

static_assert(sizeof(OfxMessageSuiteV1) == 1 * sizeof(void*), "message suite");
NUVRA_OFX_SLOT(OfxMessageSuiteV1, message, 0);

static_assert(sizeof(OfxMemorySuiteV1) == 2 * sizeof(void*), "memory suite");
NUVRA_OFX_SLOT(OfxMemorySuiteV1, memoryAlloc, 0);
NUVRA_OFX_SLOT(OfxMemorySuiteV1, memoryFree, 1);

static_assert(sizeof(OfxMultiThreadSuiteV1) == 9 * sizeof(void*), "multi-thread suite");
NUVRA_OFX_SLOT(OfxMultiThreadSuiteV1, multiThread, 0);
NUVRA_OFX_SLOT(OfxMultiThreadSuiteV1, multiThreadNumCPUs, 1);
NUVRA_OFX_SLOT(OfxMultiThreadSuiteV1, multiThreadIndex, 2);
NUVRA_OFX_SLOT(OfxMultiThreadSuiteV1, multiThreadIsSpawnedThread, 3);
NUVRA_OFX_SLOT(OfxMultiThreadSuiteV1, mutexCreate, 4);
NUVRA_OFX_SLOT(OfxMultiThreadSuiteV1, mutexDestroy, 5);
NUVRA_OFX_SLOT(OfxMultiThreadSuiteV1, mutexLock, 6);
NUVRA_OFX_SLOT(OfxMultiThreadSuiteV1, mutexUnLock, 7);
NUVRA_OFX_SLOT(OfxMultiThreadSuiteV1, mutexTryLock, 8);

static_assert(sizeof(OfxInteractSuiteV1) == 3 * sizeof(void*), "interact suite");
NUVRA_OFX_SLOT(OfxInteractSuiteV1, interactSwapBuffers, 0);
NUVRA_OFX_SLOT(OfxInteractSuiteV1, interactRedraw, 1);
NUVRA_OFX_SLOT(OfxInteractSuiteV1, interactGetPropertySet, 2);

#undef NUVRA_OFX_SLOT
#endif
