#pragma once

#include <boost/property_tree/ptree.hpp>

namespace Nuvra::VRPC {

// Flag bits of a described parameter.
enum ParamFlag : unsigned {
    ParamDisabled = 1,   // the host parameter is disabled
    ParamSupervise = 2,  // an edit must be reported to the child
    ParamHidden = 4,     // hidden; the host shows it disabled
    ParamForce = 8,      // apply the value even when it equals the current one
};

// Builders of the parameter description: each appends one child "param" to
// `tree`, keeping what is there. A null name is written as "". Combo boxes
// count their options from 1.
class ParamStr {
public:
    using ptree = boost::property_tree::ptree;

    static void angle(ptree& tree, int id, const char* name, float def, float value, unsigned flags);
    static void slider(ptree& tree, int id, const char* name, int def, int value, int min, int max,
                       unsigned flags);
    static void button(ptree& tree, int id, const char* name, const char* caption, unsigned flags);
    static void startGroup(ptree& tree, int id, const char* name);
    static void endGroup(ptree& tree, int id);
    static void checkBox(ptree& tree, int id, const char* name, bool def, bool value, unsigned flags);
    static void colorBox(ptree& tree, int id, const char* name, unsigned def, unsigned value, unsigned flags);
    static void comboBox(ptree& tree, int id, const char* name, int def, int value, const char* values,
                         unsigned flags);

    // "id", "name", then the flag keys in the order disabled, hidden,
    // supervise, force.
    static void common(ptree& param, int id, const char* name, unsigned flags);
};

} // namespace Nuvra::VRPC
