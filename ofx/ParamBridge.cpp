#include "ofx/ParamBridge.h"

#include "ofx/Connection.h"
#include "ofx/Identity.h"
#include "ofx/Suites.h"
#include "ofx/openfx/OfxNames.h"
#include "VRPC/Log.h"
#include "VRPC/Messages.h"
#include "VRPC/Serialize.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace Nuvra::OFX {

namespace {

using boost::property_tree::ptree;

struct KindName {
    ParamKind kind;
    const char* word;
};

constexpr KindName kKinds[] = {
    {ParamAngle, "angle"},         {ParamSlider, "slider"},     {ParamButton, "button"},
    {ParamStartGroup, "startgroup"}, {ParamEndGroup, "endgroup"}, {ParamCheckbox, "checkbox"},
    {ParamCombobox, "combobox"},   {ParamColor, "color"},
};

// Values the child sends back closer than this to the current one (0.0001
// in single precision) are not written.
constexpr double kDoubleTolerance = 9.999999747378752e-5;

struct Bridge {
    std::mutex setupMutex;
    std::map<int, ParamDef> defs;
    bool exchanged = false;
    std::string description;

    std::mutex bracketMutex;
    struct Bracket {
        bool open = false;
        std::vector<int> ids;
    };
    std::map<OfxImageEffectHandle, Bracket> brackets;
};

Bridge& bridge()
{
    static Bridge b;
    return b;
}

std::vector<std::string> splitOptions(const std::string& values)
{
    std::vector<std::string> options;
    size_t start = 0;
    for (;;) {
        const size_t bar = values.find('|', start);
        options.push_back(values.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return options;
}

double channel(unsigned color, int shift)
{
    return static_cast<double>((color >> shift) & 255u) / 255.0;
}

unsigned packChannel(double c)
{
    double v = std::round(c * 255.0);
    if (!(v >= 0.0))
        v = 0.0;
    if (v > 255.0)
        v = 255.0;
    return static_cast<unsigned>(v);
}

ParamDef readDef(const ptree& node)
{
    ParamDef def;
    def.name = node.get<std::string>("name", "");
    def.id = node.get<int>("id", 0);
    def.s_type = kindFromWord(node.get<std::string>("type", ""));
    def.supervise = node.get<bool>("supervise", false);
    def.disabled = node.get<bool>("disabled", false);
    def.hidden = node.get<bool>("hidden", false);
    def.min = node.get<double>("min", 0.0);
    def.max = node.get<double>("max", 0.0);
    def.caption = node.get<std::string>("caption", "");
    def.values = node.get<std::string>("values", "");
    def.ofxName = param_name(def.id);
    switch (def.s_type) {
    case ParamAngle:
    case ParamSlider: def.defDouble = node.get<double>("def", 0.0); break;
    case ParamCheckbox: def.defBool = node.get<bool>("def", false); break;
    case ParamCombobox: def.defInt = node.get<int>("def", 0); break;
    case ParamColor: def.defColor = node.get<unsigned>("def", 0u); break;
    default: break;
    }
    return def;
}

// Reads one description entry; a malformed value makes the whole entry
// unusable rather than the plug-in.
bool tryReadDef(const ptree& node, ParamDef& def)
{
    try {
        def = readDef(node);
        return true;
    } catch (const boost::property_tree::ptree_error& e) {
        VRPC::writeError("setup_params(): bad description entry: %s\n", e.what());
        return false;
    }
}

void fetchDescription(Bridge& b)
{
    if (b.exchanged)
        return;
    auto broker = connectionBroker();
    if (!broker) {
        VRPC::writeError("setup_params(): no connection to the child\n");
        return;
    }
    const std::uint32_t hostKind = 3;
    VRPC::Message reply;
    broker->send_message_sync(VRPC::M2S_ParamsSetup, 0, &hostKind, sizeof(hostKind), reply,
                              kParamRequestSeconds);
    if (reply.type == VRPC::S2M_ParamStr)
        b.description.assign(reply.extra.begin(), reply.extra.end());
    else
        VRPC::writeError("Reply on M2S_ParamsSetup: %d, expected S2M_ParamStr (%d)\n", static_cast<int>(reply.type),
                         static_cast<int>(VRPC::S2M_ParamStr));
    b.exchanged = true;
}

OfxPropertySetHandle define(OfxParamSetHandle paramSet, const char* type, const std::string& name)
{
    OfxPropertySetHandle props = nullptr;
    if (gParamSuite->paramDefine(paramSet, type, name.c_str(), &props) != kOfxStatOK)
        return nullptr;
    return props;
}

void defineParam(OfxParamSetHandle paramSet, const ParamDef& def, std::string& openGroup)
{
    OfxPropertySetHandle props = nullptr;
    switch (def.s_type) {
    case ParamAngle:
        props = define(paramSet, kOfxParamTypeDouble, def.ofxName);
        setDouble(props, kOfxParamPropDefault, 0, def.defDouble);
        setDouble(props, kOfxParamPropMin, 0, -180.0);
        setDouble(props, kOfxParamPropMax, 0, 180.0);
        setDouble(props, kOfxParamPropDisplayMin, 0, -180.0);
        setDouble(props, kOfxParamPropDisplayMax, 0, 180.0);
        setString(props, kOfxParamPropDoubleType, 0, kOfxParamDoubleTypeAngle);
        break;
    case ParamSlider:
        props = define(paramSet, kOfxParamTypeDouble, def.ofxName);
        setString(props, kOfxParamPropDoubleType, 0, kOfxParamDoubleTypePlain);
        setDouble(props, kOfxParamPropDefault, 0, def.defDouble);
        setDouble(props, kOfxParamPropMin, 0, def.min);
        setDouble(props, kOfxParamPropDisplayMin, 0, def.min);
        setDouble(props, kOfxParamPropMax, 0, def.max);
        setDouble(props, kOfxParamPropDisplayMax, 0, def.max);
        break;
    case ParamButton: props = define(paramSet, kOfxParamTypePushButton, def.ofxName); break;
    case ParamStartGroup: props = define(paramSet, kOfxParamTypeGroup, def.ofxName); break;
    case ParamEndGroup: openGroup.clear(); return;
    case ParamCheckbox:
        props = define(paramSet, kOfxParamTypeBoolean, def.ofxName);
        setInt(props, kOfxParamPropDefault, 0, def.defBool ? 1 : 0);
        break;
    case ParamCombobox: {
        props = define(paramSet, kOfxParamTypeChoice, def.ofxName);
        const auto options = splitOptions(def.values);
        for (size_t i = 0; i < options.size(); ++i)
            setString(props, kOfxParamPropChoiceOption, static_cast<int>(i), options[i].c_str());
        setInt(props, kOfxParamPropDefault, 0, choiceDefaultIndex(def.defInt, def.values));
        break;
    }
    case ParamColor:
        props = define(paramSet, kOfxParamTypeRGB, def.ofxName);
        setDouble(props, kOfxParamPropDefault, 0, channel(def.defColor, 16));
        setDouble(props, kOfxParamPropDefault, 1, channel(def.defColor, 8));
        setDouble(props, kOfxParamPropDefault, 2, channel(def.defColor, 0));
        break;
    default:
        VRPC::writeError("Unexpected pdef.s_type = %d, id = %d\n", static_cast<int>(def.s_type), def.id);
        return;
    }
    setString(props, kOfxPropLabel, 0, (def.s_type == ParamButton ? def.caption : def.name).c_str());
    if (def.s_type == ParamStartGroup) {
        openGroup = def.ofxName;
    } else if (!openGroup.empty()) {
        setString(props, kOfxParamPropParent, 0, openGroup.c_str());
    }
    switch (def.s_type) {
    case ParamAngle:
    case ParamSlider:
    case ParamCheckbox:
    case ParamCombobox:
    case ParamColor: setInt(props, kOfxParamPropPluginMayWrite, 0, 1); break;
    default: break;
    }
}

bool hasValue(ParamKind kind)
{
    switch (kind) {
    case ParamAngle:
    case ParamSlider:
    case ParamCheckbox:
    case ParamCombobox:
    case ParamColor: return true;
    default: return false;
    }
}

// Reads the value of a parameter of `kind` through `get`, which takes the
// suite's variadic out-arguments (the current value or the value at a time).
template <typename Get> std::optional<ParamValue> readValue(ParamKind kind, Get get)
{
    OfxStatus status = kOfxStatFailed;
    ParamValue value;
    switch (kind) {
    case ParamAngle:
    case ParamSlider: {
        double v = 0.0;
        status = get(&v);
        value = v;
        break;
    }
    case ParamCheckbox: {
        int v = 0;
        status = get(&v);
        value = v != 0;
        break;
    }
    case ParamCombobox: {
        int v = 0;
        status = get(&v);
        value = v + 1;
        break;
    }
    case ParamColor: {
        double r = 0.0, g = 0.0, b = 0.0;
        status = get(&r, &g, &b);
        value = 0xFF000000u | packChannel(r) << 16 | packChannel(g) << 8 | packChannel(b);
        break;
    }
    default: return std::nullopt;  // buttons and groups carry no value
    }
    if (status != kOfxStatOK) {
        VRPC::writeError("paramGetValue/paramGetValueAtTime failed, param type %d [%s]\n", static_cast<int>(kind),
                         kindWord(kind));
        return std::nullopt;
    }
    return value;
}

std::optional<ParamValue> valueAtTime(ParamKind kind, OfxParamHandle handle, double time)
{
    return readValue(kind, [&](auto... out) { return gParamSuite->paramGetValueAtTime(handle, time, out...); });
}

void putValue(ptree& node, const ParamValue& value)
{
    std::visit([&](const auto& v) { node.put("value", v); }, value);
}

// Parses "P_" followed by a non-negative decimal int; -1 otherwise.
int idFromName(const std::string& name)
{
    if (name.size() < 3 || name.compare(0, 2, "P_") != 0)
        return -1;
    long long id = 0;
    for (size_t i = 2; i < name.size(); ++i) {
        const char c = name[i];
        if (c < '0' || c > '9')
            return -1;
        id = id * 10 + (c - '0');
        if (id > INT32_MAX)
            return -1;
    }
    return static_cast<int>(id);
}

OfxParamSetHandle paramSetOf(OfxImageEffectHandle effect, OfxStatus& status)
{
    OfxParamSetHandle paramSet = nullptr;
    status = gEffectSuite->getParamSet(effect, &paramSet);
    return paramSet;
}

void applyChange(OfxParamSetHandle paramSet, const ptree& entry)
{
    const auto& defs = bridge().defs;
    const int id = entry.get<int>("id", -1);
    const auto it = defs.find(id);
    if (it == defs.end()) {
        VRPC::writeError("parse_changes() : id %d not found in params_def\n", id);
        return;
    }
    const ParamDef& def = it->second;
    const bool force = entry.get<bool>("force", false);
    if (def.s_type == ParamUnknown || def.s_type == ParamStartGroup || def.s_type == ParamEndGroup)
        return;
    OfxParamHandle handle = nullptr;
    OfxPropertySetHandle props = nullptr;
    const OfxStatus got = gParamSuite->paramGetHandle(paramSet, def.ofxName.c_str(), &handle, &props);
    if (got != kOfxStatOK || !handle) {
        VRPC::writeError("paramGetHandle() return %d for %s [%s]\n", got, def.ofxName.c_str(),
                         def.name.empty() ? "<noname>" : def.name.c_str());
        return;
    }
    const auto current = get_param_value(def.s_type, handle);
    switch (def.s_type) {
    case ParamAngle:
    case ParamSlider: {
        const double now = current ? std::get<double>(*current) : 0.0;
        const double v = entry.get<double>("value", now);
        if (force || std::fabs(v - now) > kDoubleTolerance)
            gParamSuite->paramSetValue(handle, v);
        break;
    }
    case ParamCheckbox: {
        const bool now = current ? std::get<bool>(*current) : false;
        const bool v = entry.get<bool>("value", now);
        if (force || v != now)
            gParamSuite->paramSetValue(handle, v ? 1 : 0);
        break;
    }
    case ParamCombobox: {
        const int now = current ? std::get<int>(*current) : 0;
        const int v = entry.get<int>("value", now);
        if (force || v != now)
            gParamSuite->paramSetValue(handle, v - 1);
        break;
    }
    case ParamColor: {
        const unsigned now = current ? std::get<unsigned>(*current) : 0u;
        const unsigned v = entry.get<unsigned>("value", now);
        if (force || (v & 0xFFFFFFu) != (now & 0xFFFFFFu))
            gParamSuite->paramSetValue(handle, channel(v, 16), channel(v, 8), channel(v, 0));
        break;
    }
    default: break;
    }
    const bool enabled = propInt(props, kOfxParamPropEnabled, 0, 1) != 0;
    const bool secret = propInt(props, kOfxParamPropSecret, 0, 0) != 0;
    const bool hidden = entry.get<bool>("hidden", secret);
    const bool disabled = entry.get<bool>("disabled", !enabled);
    const bool shown = !(hidden || disabled);
    if ((enabled && !secret) != shown)
        setInt(props, kOfxParamPropEnabled, 0, shown ? 1 : 0);
}

} // namespace

ParamKind kindFromWord(const std::string& word)
{
    for (const KindName& k : kKinds) {
        if (word == k.word)
            return k.kind;
    }
    return ParamUnknown;
}

const char* kindWord(ParamKind kind)
{
    for (const KindName& k : kKinds) {
        if (k.kind == kind)
            return k.word;
    }
    return "(unknown)";
}

std::string param_name(int id)
{
    return "P_" + std::to_string(id);
}

int choiceDefaultIndex(int def, const std::string& values)
{
    const int last = static_cast<int>(splitOptions(values).size()) - 1;
    return std::clamp(def - 1, 0, std::max(last, 0));
}

const std::map<int, ParamDef>& paramDefs()
{
    return bridge().defs;
}

void setup_params(OfxParamSetHandle paramSet)
{
    Bridge& b = bridge();
    std::lock_guard<std::mutex> lock(b.setupMutex);
    if (b.defs.empty()) {
        fetchDescription(b);
        const ptree tree = VRPC::deserialize(b.description);
        for (const auto& child : tree) {
            ParamDef def;
            if (tryReadDef(child.second, def))
                b.defs[def.id] = def;
        }
    }

    OfxPropertySetHandle about = define(paramSet, kOfxParamTypePushButton, "about");
    setString(about, kOfxPropLabel, 0, (std::string("About ") + kEffectLabel).c_str());
    setString(about, kOfxPropIcon, 0, kAboutIcon);

    std::string openGroup;
    for (const auto& entry : b.defs)
        defineParam(paramSet, entry.second, openGroup);
}

void enable_params(OfxImageEffectHandle effect)
{
    OfxStatus status = kOfxStatOK;
    OfxParamSetHandle paramSet = paramSetOf(effect, status);
    if (status != kOfxStatOK)
        return;
    for (const auto& entry : paramDefs()) {
        const ParamDef& def = entry.second;
        if (def.s_type == ParamEndGroup)
            continue;
        OfxParamHandle handle = nullptr;
        OfxPropertySetHandle props = nullptr;
        if (gParamSuite->paramGetHandle(paramSet, def.ofxName.c_str(), &handle, &props) != kOfxStatOK)
            continue;
        setInt(props, kOfxParamPropEnabled, 0, (def.hidden || def.disabled) ? 0 : 1);
    }
}

std::optional<ParamValue> get_param_value(ParamKind kind, OfxParamHandle handle)
{
    if (static_cast<int>(kind) > ParamColor || static_cast<int>(kind) < 0)
        throw std::runtime_error("Unexpected ParamKind");
    return readValue(kind, [&](auto... out) { return gParamSuite->paramGetValue(handle, out...); });
}

std::string collect_params(OfxImageEffectHandle effect, double time)
{
    ptree tree;
    OfxStatus status = kOfxStatOK;
    OfxParamSetHandle paramSet = paramSetOf(effect, status);
    for (const auto& entry : paramDefs()) {
        const ParamDef& def = entry.second;
        ptree& node = tree.add_child("param", ptree());
        node.put("id", def.id);
        // Buttons and groups have no value; they travel as their id alone.
        if (!hasValue(def.s_type))
            continue;
        OfxParamHandle handle = nullptr;
        const OfxStatus got = paramSet ? gParamSuite->paramGetHandle(paramSet, def.ofxName.c_str(), &handle, nullptr)
                                       : status;
        std::optional<ParamValue> value;
        if (got != kOfxStatOK || !handle) {
            VRPC::writeError("paramGetHandle() return %d for %s [%s]\n", got, def.ofxName.c_str(),
                             def.name.empty() ? "<noname>" : def.name.c_str());
        } else {
            value = time < 0 ? get_param_value(def.s_type, handle) : valueAtTime(def.s_type, handle, time);
        }
        if (value)
            putValue(node, *value);
        else
            VRPC::writeError("paramGetValue/paramGetValueAtTime failed for id %d\n", def.id);
    }
    return VRPC::serialize(tree);
}

OfxStatus parse_changes(int id, OfxImageEffectHandle effect)
{
    const auto& defs = paramDefs();
    if (id > 0) {
        const auto it = defs.find(id);
        if (it == defs.end() || !it->second.supervise)
            return kOfxStatOK;
    }
    const std::string text = collect_params(effect, -1);
    std::vector<char> payload(12 + text.size(), 0);
    const std::int32_t id32 = id;
    std::memcpy(payload.data(), &id32, sizeof(id32));
    std::memcpy(payload.data() + 12, text.data(), text.size());

    auto broker = connectionBroker();
    if (!broker) {
        VRPC::writeError("parse_changes(): no connection to the child\n");
        return kOfxStatFailed;
    }
    VRPC::Message reply;
    broker->send_message_sync(VRPC::M2S_ParamChanged, 0, payload.data(), static_cast<int>(payload.size()), reply,
                              kParamRequestSeconds);
    const ptree changes = VRPC::deserialize(std::string(reply.extra.begin(), reply.extra.end()));
    if (changes.empty())
        return kOfxStatOK;

    OfxStatus status = kOfxStatOK;
    OfxParamSetHandle paramSet = paramSetOf(effect, status);
    if (status != kOfxStatOK) {
        VRPC::writeError("parse_changes(): getParamSet() returns %d\n", status);
        return status;
    }
    VRPC::writeDebugLog("parse_changes(): effect = %p, params = %p\n", static_cast<void*>(effect),
                        static_cast<void*>(paramSet));
    status = gParamSuite->paramEditBegin(paramSet, "callback");
    if (status != kOfxStatOK) {
        VRPC::writeError("parse_changes(): paramEditBegin() returns %d\n", status);
        return status;
    }
    for (const auto& child : changes) {
        try {
            applyChange(paramSet, child.second);
        } catch (const boost::property_tree::ptree_error& e) {
            VRPC::writeError("parse_changes(): bad change entry: %s\n", e.what());
        }
    }
    gParamSuite->paramEditEnd(paramSet);
    return kOfxStatOK;
}

OfxStatus beginInstanceChanged(OfxImageEffectHandle effect)
{
    Bridge& b = bridge();
    std::lock_guard<std::mutex> lock(b.bracketMutex);
    auto& bracket = b.brackets[effect];
    bracket.open = true;
    bracket.ids.clear();
    return kOfxStatOK;
}

OfxStatus instanceChanged(OfxImageEffectHandle effect, OfxPropertySetHandle inArgs)
{
    if (propString(inArgs, kOfxPropChangeReason) != kOfxChangeUserEdited ||
        propString(inArgs, kOfxPropType) != kOfxTypeParameter)
        return kOfxStatOK;
    const std::string name = propString(inArgs, kOfxPropName);
    if (name == "about") {
        auto broker = connectionBroker();
        if (!broker)
            return kOfxStatFailed;
        // The about box is modal in the child: no time limit, but the child
        // is still watched while it is open.
        VRPC::Message reply;
        broker->send_message_sync(VRPC::M2S_DoDialog, 0, nullptr, 0, reply, 0);
        return kOfxStatOK;
    }
    const int id = idFromName(name);
    if (id < 0)
        return kOfxStatOK;
    {
        Bridge& b = bridge();
        std::lock_guard<std::mutex> lock(b.bracketMutex);
        auto it = b.brackets.find(effect);
        if (it != b.brackets.end() && it->second.open) {
            it->second.ids.push_back(id);
            return kOfxStatOK;
        }
    }
    return parse_changes(id, effect);
}

OfxStatus endInstanceChanged(OfxImageEffectHandle effect)
{
    std::vector<int> ids;
    {
        Bridge& b = bridge();
        std::lock_guard<std::mutex> lock(b.bracketMutex);
        auto it = b.brackets.find(effect);
        if (it == b.brackets.end())
            return kOfxStatOK;
        it->second.open = false;
        ids.swap(it->second.ids);
    }
    // A bracket without a user edit (the host's own changes, ours written
    // back) reports nothing.
    if (ids.empty())
        return kOfxStatOK;
    return parse_changes(ids.size() == 1 ? ids.front() : -1, effect);
}

void forgetInstance(OfxImageEffectHandle effect)
{
    Bridge& b = bridge();
    std::lock_guard<std::mutex> lock(b.bracketMutex);
    b.brackets.erase(effect);
}

} // namespace Nuvra::OFX
