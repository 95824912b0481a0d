#pragma once

// A small OpenFX host of our own: it loads a bundle's binary with dlopen,
// serves the property, parameter, image-effect, message, memory,
// multi-thread and interact suites, and drives the actions the way a video
// host does. Images of any depth, components, bounds and row bytes
// (negative too) can be handed to a render.

#include "ofx/openfx/OfxSuites.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace OfxTest {

using PropValue = std::variant<int, double, std::string, void*>;

class PropertySet {
public:
    OfxPropertySetHandle handle() { return reinterpret_cast<OfxPropertySetHandle>(this); }
    static PropertySet* from(OfxPropertySetHandle h) { return reinterpret_cast<PropertySet*>(h); }

    void set(const std::string& name, std::vector<PropValue> values);
    void setInt(const std::string& name, int v) { set(name, {v}); }
    void setDouble(const std::string& name, double v) { set(name, {v}); }
    void setString(const std::string& name, const std::string& v) { set(name, {v}); }
    void setPointer(const std::string& name, void* v) { set(name, {v}); }

    bool has(const std::string& name) const;
    int dimension(const std::string& name) const;
    std::vector<PropValue> values(const std::string& name) const;
    int getInt(const std::string& name, int index = 0) const;
    double getDouble(const std::string& name, int index = 0) const;
    std::string getString(const std::string& name, int index = 0) const;
    std::map<std::string, std::vector<PropValue>> all() const;

    // The suite's view: index and type checked as the standard asks.
    OfxStatus store(const char* name, int index, PropValue value);
    OfxStatus fetch(const char* name, int index, PropValue& value, int typeIndex);

    void* owner = nullptr;

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::vector<PropValue>> m_props;
};

struct Param {
    std::string name;
    std::string type;
    PropertySet props;
    mutable std::mutex mutex;
    std::vector<double> value;  // one value; three for RGB
    int sets = 0;               // values the plug-in wrote

    OfxParamHandle handle() { return reinterpret_cast<OfxParamHandle>(this); }
    bool hasValue() const;
    std::vector<double> get() const;
    void put(std::vector<double> v);
};

struct ParamSet {
    PropertySet props;
    std::vector<std::unique_ptr<Param>> params;  // in definition order
    std::mutex mutex;
    std::vector<std::string> events;             // "begin:<name>", "set:<param>", "end"
    int openEdits = 0;

    OfxParamSetHandle handle() { return reinterpret_cast<OfxParamSetHandle>(this); }
    Param* find(const std::string& name);
    void note(const std::string& event);
    std::vector<std::string> eventLog();
};

enum class Depth { Byte, Short, Float };

// An image in host coordinates (y up). Rows lie top-down or bottom-up in
// memory as the sign of the row bytes says; rows may be padded.
class Image {
public:
    // `baseOffset` bytes in front of the pixels, to place them at any address.
    Image(Depth depth, int components, OfxRectI bounds, long long rowBytes = 0, int baseOffset = 0);
    double get(int x, int y, int c) const;
    void set(int x, int y, int c, double v);
    unsigned char* pixel(int x, int y);
    const unsigned char* pixel(int x, int y) const;
    int pixelBytes() const { return m_componentBytes * m_components; }
    int components() const { return m_components; }
    Depth depth() const { return m_depth; }
    const OfxRectI& bounds() const { return m_bounds; }
    long long rowBytes() const { return m_rowBytes; }
    const std::vector<unsigned char>& storage() const { return m_storage; }

    PropertySet props;
    std::atomic<int> fetched{0};
    std::atomic<int> released{0};

private:
    Depth m_depth;
    int m_components;
    int m_componentBytes;
    OfxRectI m_bounds;
    long long m_rowBytes;
    std::vector<unsigned char> m_storage;
    unsigned char* m_data = nullptr;
};

struct Clip {
    std::string name;
    PropertySet props;
    Image* image = nullptr;
    OfxImageClipHandle handle() { return reinterpret_cast<OfxImageClipHandle>(this); }
};

struct Effect {
    PropertySet props;
    ParamSet params;
    std::map<std::string, std::unique_ptr<Clip>> clips;
    std::mutex mutex;
    OfxImageEffectHandle handle() { return reinterpret_cast<OfxImageEffectHandle>(this); }
    Clip* clip(const std::string& name);
};

class Host {
public:
    Host();
    OfxHost* ofxHost() { return &m_host; }
    // Suites that fetchSuite answers with null, as a host without them would.
    std::set<std::string> missingSuites;
    std::vector<std::string> messages();
    void addMessage(const std::string& text);
    PropertySet props;

private:
    OfxHost m_host;
    std::mutex m_mutex;
    std::vector<std::string> m_messages;
};

// One loaded plug-in binary.
class Binary {
public:
    explicit Binary(const std::string& path);  // throws std::runtime_error
    ~Binary();
    Binary(const Binary&) = delete;
    Binary& operator=(const Binary&) = delete;

    int count() const;
    OfxPlugin* plugin(int nth) const;
    void unload();
    bool loaded() const { return m_handle != nullptr; }

private:
    void* m_handle = nullptr;
    OfxGetNumberOfPluginsFunc m_count = nullptr;
    OfxGetPluginFunc m_get = nullptr;
};

// The host's side of one effect: descriptor, the filter context's
// descriptor and an instance, and the actions on them.
class Session {
public:
    Session(Host& host, OfxPlugin* plugin);

    OfxStatus action(const char* name, const void* handle, PropertySet* in = nullptr, PropertySet* out = nullptr);
    OfxStatus load();
    OfxStatus describe();
    OfxStatus describeInContext();
    OfxStatus createInstance();
    OfxStatus destroyInstance();
    OfxStatus unloadAction();
    // Load, describe, describe in context and create the instance; the first
    // failing status.
    OfxStatus start();

    OfxStatus render(double time, OfxRectI window, Image& source, Image& output);
    // The user edited these parameters: one instance-changed action each,
    // inside a begin/end bracket when `bracket`.
    OfxStatus userEdit(const std::vector<std::string>& names, bool bracket = true);
    // Sets an instance value as the user would, then reports it.
    OfxStatus edit(const std::string& name, std::vector<double> value, bool bracket = true);

    Effect descriptor;
    Effect contextDescriptor;
    Effect instance;
    bool instanceCreated = false;

private:
    Host& m_host;
    OfxPlugin* m_plugin;
};

} // namespace OfxTest
