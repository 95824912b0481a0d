#include "server/Presets.h"

#include <QCoreApplication>
#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <mutex>

// Outside any namespace, as Qt's resource initialiser requires: the library
// is static, so its resources are registered on first use.
static void initPresetResources()
{
    Q_INIT_RESOURCE(presets);
}

namespace Nuvra::VRPC {

namespace {

enum class Encoding { Rounded, Truncated, Bool, Mode, Color };

struct ValueField {
    int id;
    Encoding encoding;
    std::int32_t ParamRecord::*number;
    std::uint32_t ParamRecord::*color;
};

// How each `Param` id's Value text lands in the record; ids not listed are
// ignored.
const ValueField kFields[] = {
    {PidDetail, Encoding::Rounded, &ParamRecord::detail, nullptr},
    {PidSharpness, Encoding::Rounded, &ParamRecord::sharpness, nullptr},
    {PidSmudging, Encoding::Rounded, &ParamRecord::smudging, nullptr},
    {PidLightness, Encoding::Rounded, &ParamRecord::lightness, nullptr},
    {PidContrast, Encoding::Rounded, &ParamRecord::contrast, nullptr},
    {Pid3DColors, Encoding::Bool, nullptr, nullptr},
    {PidShadows, Encoding::Rounded, &ParamRecord::shadows, nullptr},
    {PidMidtones, Encoding::Rounded, &ParamRecord::midtones, nullptr},
    {PidHighlights, Encoding::Rounded, &ParamRecord::highlights, nullptr},
    {PidNoise, Encoding::Rounded, &ParamRecord::noise, nullptr},
    {PidNoiseSmooth, Encoding::Rounded, &ParamRecord::noiseSmooth, nullptr},
    {PidNoiseAngle, Encoding::Truncated, &ParamRecord::noiseAngle, nullptr},
    {PidMode, Encoding::Mode, &ParamRecord::mode, nullptr},
    {PidColorDark, Encoding::Color, nullptr, &ParamRecord::colorDark},
    {PidColorMidDark, Encoding::Color, nullptr, &ParamRecord::colorMidDark},
    {PidColorMid, Encoding::Color, nullptr, &ParamRecord::colorMid},
    {PidColorMidLight, Encoding::Color, nullptr, &ParamRecord::colorMidLight},
    {PidColorLight, Encoding::Color, nullptr, &ParamRecord::colorLight},
};

// Four 16-bit channels A, R, G, B, high to low; each keeps its high byte.
std::uint32_t colorFrom16BitChannels(qulonglong v)
{
    return static_cast<std::uint32_t>((v >> 56 & 0xFF) << 24 | (v >> 40 & 0xFF) << 16 | (v >> 24 & 0xFF) << 8 |
                                      (v >> 8 & 0xFF));
}

void setField(ParamRecord& record, int id, const QStringRef& text)
{
    for (const ValueField& field : kFields) {
        if (field.id != id)
            continue;
        switch (field.encoding) {
        case Encoding::Rounded:
            record.*field.number = saturatingInt(std::round(text.toFloat()));
            break;
        case Encoding::Truncated:
            record.*field.number = saturatingInt(text.toFloat());
            break;
        case Encoding::Bool:
            record.colors3D = text == QLatin1String("true");
            break;
        case Encoding::Mode:
            record.*field.number = std::clamp(text.toInt(), 0, 2);
            break;
        case Encoding::Color:
            record.*field.color = colorFrom16BitChannels(text.toULongLong());
            break;
        }
        return;
    }
}

// Reads the children of a `Preset` element; true when its end was reached.
bool readPreset(QXmlStreamReader& xml, Preset& preset)
{
    while (!xml.atEnd() && !xml.hasError()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("Preset"))
            return true;
        if (token != QXmlStreamReader::StartElement || xml.name() != QLatin1String("Param"))
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (!attributes.hasAttribute(QLatin1String("Value")))
            continue;
        setField(preset.values, attributes.value(QLatin1String("Id")).toInt(),
                 attributes.value(QLatin1String("Value")));
    }
    return false;
}

void sortByName(std::vector<Preset>& presets)
{
    std::stable_sort(presets.begin(), presets.end(),
                     [](const Preset& a, const Preset& b) { return a.name < b.name; });
}

} // namespace

std::vector<Preset> load_presets(const QString& path)
{
    std::vector<Preset> presets;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return presets;

    QXmlStreamReader xml(&file);
    while (!xml.atEnd() && !xml.hasError()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("PresetList"))
            continue;
        if (xml.name() == QLatin1String("Preset")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            Preset preset;
            preset.name = attributes.value(QLatin1String("Name")).toString().toStdString();
            preset.P = attributes.value(QLatin1String("P")).toString().toStdString();
            if (readPreset(xml, preset))
                presets.push_back(std::move(preset));
        }
        sortByName(presets);
    }
    if (xml.hasError())
        qCritical("load_presets() - QXmlStreamReader return error: %s\n", qUtf8Printable(xml.errorString()));
    return presets;
}

const std::vector<Preset>& builtinPresets()
{
    // Render threads and the receiver may both ask first; the list is built
    // once and only read afterwards.
    // Kept past exit, as a late render may still read it.
    static std::once_flag once;
    static std::vector<Preset>* list = nullptr;
    std::call_once(once, [] {
        initPresetResources();
        auto* loaded = new std::vector<Preset>(load_presets(QStringLiteral(":/presets/builtin")));
        Preset fallback;
        fallback.name = QCoreApplication::translate("Preset", "Default").toStdString();
        loaded->insert(loaded->begin(), std::move(fallback));
        list = loaded;
    });
    return *list;
}

std::string names(const std::vector<Preset>& presets)
{
    std::string options = QCoreApplication::translate("Preset", "Custom").toStdString();
    for (const Preset& preset : presets)
        options += '|' + preset.name;
    return options;
}

} // namespace Nuvra::VRPC
