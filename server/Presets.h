#pragma once

#include "server/Params.h"

#include <QString>

#include <string>
#include <vector>

// Named sets of the user's values: the built-in list compiled in as the
// resource ":/presets/builtin", and the reader of such documents.

namespace Nuvra::VRPC {

struct Preset {
    std::string name;  // UTF-8, shown in the Preset control
    std::string P;     // the document's product attribute; kept, not used
    ParamRecord values;
};

// The presets of the XML document at `path`, sorted by name (byte-wise).
// Empty when the file cannot be opened; on a malformed document the presets
// completed before the error, with a critical log line.
std::vector<Preset> load_presets(const QString& path);

// "Default" followed by the built-in presets in name order. Built once, on
// the first call from any thread, and never changed afterwards.
const std::vector<Preset>& builtinPresets();

// The Preset control's options: "Custom", then every preset's name, joined by
// '|'. Option p (1-based) is list entry p - 2.
std::string names(const std::vector<Preset>& presets);

} // namespace Nuvra::VRPC
