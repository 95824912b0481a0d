#include "VRPC/ParamStr.h"

namespace Nuvra::VRPC {

namespace {

using boost::property_tree::ptree;

const char* orEmpty(const char* text)
{
    return text ? text : "";
}

// put() would replace an existing key; every key here is new, so add().
template <typename T> void add(ptree& param, const char* key, const T& value)
{
    param.add(key, value);
}

void append(ptree& tree, const ptree& param)
{
    tree.add_child("param", param);
}

} // namespace

void ParamStr::common(ptree& param, int id, const char* name, unsigned flags)
{
    add(param, "id", id);
    add(param, "name", std::string(orEmpty(name)));
    if (flags & ParamDisabled)
        add(param, "disabled", true);
    if (flags & ParamHidden)
        add(param, "hidden", true);
    if (flags & ParamSupervise)
        add(param, "supervise", true);
    if (flags & ParamForce)
        add(param, "force", true);
}

void ParamStr::angle(ptree& tree, int id, const char* name, float def, float value, unsigned flags)
{
    ptree param;
    common(param, id, name, flags);
    add(param, "type", std::string("angle"));
    add(param, "def", def);
    add(param, "value", value);
    append(tree, param);
}

void ParamStr::slider(ptree& tree, int id, const char* name, int def, int value, int min, int max, unsigned flags)
{
    ptree param;
    common(param, id, name, flags);
    add(param, "type", std::string("slider"));
    add(param, "def", def);
    add(param, "min", min);
    add(param, "max", max);
    add(param, "value", value);
    append(tree, param);
}

void ParamStr::button(ptree& tree, int id, const char* name, const char* caption, unsigned flags)
{
    ptree param;
    common(param, id, name, flags);
    add(param, "type", std::string("button"));
    add(param, "caption", std::string(orEmpty(caption)));
    append(tree, param);
}

void ParamStr::startGroup(ptree& tree, int id, const char* name)
{
    ptree param;
    common(param, id, name, 0);
    add(param, "type", std::string("startgroup"));
    append(tree, param);
}

void ParamStr::endGroup(ptree& tree, int id)
{
    ptree param;
    add(param, "type", std::string("endgroup"));
    add(param, "id", id);
    append(tree, param);
}

void ParamStr::checkBox(ptree& tree, int id, const char* name, bool def, bool value, unsigned flags)
{
    ptree param;
    common(param, id, name, flags);
    add(param, "type", std::string("checkbox"));
    add(param, "def", def);
    add(param, "value", value);
    append(tree, param);
}

void ParamStr::colorBox(ptree& tree, int id, const char* name, unsigned def, unsigned value, unsigned flags)
{
    ptree param;
    common(param, id, name, flags);
    add(param, "type", std::string("color"));
    add(param, "def", def);
    add(param, "value", value);
    append(tree, param);
}

void ParamStr::comboBox(ptree& tree, int id, const char* name, int def, int value, const char* values,
                        unsigned flags)
{
    ptree param;
    common(param, id, name, flags);
    add(param, "type", std::string("combobox"));
    add(param, "def", def);
    add(param, "value", value);
    add(param, "values", std::string(orEmpty(values)));
    append(tree, param);
}

} // namespace Nuvra::VRPC
