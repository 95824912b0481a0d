#pragma once

#include "ofx/openfx/OfxSuites.h"

#include <boost/property_tree/ptree.hpp>

#include <map>
#include <optional>
#include <string>
#include <variant>

namespace Nuvra::OFX {

// Kind of a described control; 0 for a type word that is none of these.
enum ParamKind : int {
    ParamUnknown = 0,
    ParamAngle = 1,
    ParamSlider = 2,
    ParamButton = 3,
    ParamStartGroup = 4,
    ParamEndGroup = 5,
    ParamCheckbox = 6,
    ParamCombobox = 7,
    ParamColor = 8,
};

ParamKind kindFromWord(const std::string& word);
const char* kindWord(ParamKind kind);

// One control as the child describes it.
struct ParamDef {
    int id = 0;
    ParamKind s_type = ParamUnknown;
    std::string name;
    std::string ofxName;  // "P_" + id
    std::string caption;
    std::string values;   // combobox options joined by '|'
    double defDouble = 0.0;
    bool defBool = false;
    int defInt = 0;       // combobox: option index + 1
    unsigned defColor = 0;
    double min = 0.0;
    double max = 0.0;
    bool supervise = false;
    bool hidden = false;
    bool disabled = false;
};

// A parameter's value as the trees carry it: double (angle, slider), bool
// (checkbox), int (combobox, counted from 1), unsigned 0xFFRRGGBB (color).
using ParamValue = std::variant<double, bool, int, unsigned>;

std::string param_name(int id);

// Host parameters from the child's description (fetched once per process).
void setup_params(OfxParamSetHandle paramSet);

// The descriptions by id; empty until set-up has run.
const std::map<int, ParamDef>& paramDefs();

// Enables each described parameter of a new instance by its flags.
void enable_params(OfxImageEffectHandle effect);

// The INFO value text of every parameter; time < 0 reads the current values.
std::string collect_params(OfxImageEffectHandle effect, double time);

// Reports the change of `id` (-1: several or unknown) with all current values
// and applies the child's change tree inside an edit bracket.
OfxStatus parse_changes(int id, OfxImageEffectHandle effect);

std::optional<ParamValue> get_param_value(ParamKind kind, OfxParamHandle handle);

// Instance-changed actions, bracket state per instance.
OfxStatus beginInstanceChanged(OfxImageEffectHandle effect);
OfxStatus instanceChanged(OfxImageEffectHandle effect, OfxPropertySetHandle inArgs);
OfxStatus endInstanceChanged(OfxImageEffectHandle effect);
void forgetInstance(OfxImageEffectHandle effect);

// The option of a combobox default: def - 1 clamped to the options.
int choiceDefaultIndex(int def, const std::string& values);

} // namespace Nuvra::OFX
