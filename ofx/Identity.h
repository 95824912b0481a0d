#pragma once

// Who the plug-in is, as hosts and the child's alerts show it.
namespace Nuvra::OFX {

constexpr const char* kMakerWord = "NUVRA";
constexpr const char* kEffectLabel = "NUVRA Morvelin Video";
constexpr const char* kIdentifierPrefix = "com.nuvra.";
constexpr unsigned kVersionMajor = 1;
constexpr unsigned kVersionMinor = 106;

constexpr const char* kExecutableName = "MorvelinVideo";
constexpr const char* kVersionText = "1.106";

// Where the child lives inside the bundle's Contents folder.
constexpr const char* kChildRelativePath = "Resources/MorvelinVideoMain";
constexpr const char* kAboutIcon = "nuvra-normal.svg";

} // namespace Nuvra::OFX
