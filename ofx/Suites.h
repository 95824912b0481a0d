#pragma once

#include "ofx/openfx/OfxSuites.h"

#include <string>
#include <vector>

namespace Nuvra::OFX {

// The host and its suites, fetched once by setHost before any action.
extern OfxHost* gHost;
extern const OfxImageEffectSuiteV1* gEffectSuite;
extern const OfxPropertySuiteV1* gPropSuite;
extern const OfxParameterSuiteV1* gParamSuite;
extern const OfxMessageSuiteV1* gMessageSuite;
extern const OfxMemorySuiteV1* gMemorySuite;
extern const OfxMultiThreadSuiteV1* gThreadSuite;
extern const OfxInteractSuiteV1* gInteractSuite;

void setHost(OfxHost* host);
// True when the image-effect, property, parameter and message suites are all
// there; fetches the seven suites on its first call with a host.
bool fetchSuites();

// Property reads that leave `fallback` where the host has no value.
std::string propString(OfxPropertySetHandle props, const char* name, int index = 0,
                       const std::string& fallback = std::string());
int propInt(OfxPropertySetHandle props, const char* name, int index = 0, int fallback = 0);
double propDouble(OfxPropertySetHandle props, const char* name, int index = 0, double fallback = 0.0);

// Property writes; a host that refuses one is not an error of the action.
void setString(OfxPropertySetHandle props, const char* name, int index, const char* value);
void setInt(OfxPropertySetHandle props, const char* name, int index, int value);
void setDouble(OfxPropertySetHandle props, const char* name, int index, double value);

} // namespace Nuvra::OFX
