// Renders a picture file through an OpenFX bundle with our own host:
//   ofx_host [--bundle <path>] [--depth 8|16|float] in.png out.png [Name=value ...]
// Name is a parameter's label ("Detail", "Mode", "Preset") or its host name
// ("P_2"). A choice takes one of its option texts; a colour #RRGGBB; a
// check box true or false; the rest a number. Each value is set as the user
// would and reported to the effect, so presets fill in their values.
#include "OfxTestHost.h"

#include "ofx/openfx/OfxNames.h"

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace OfxTest;

namespace {

int usage()
{
    std::fprintf(stderr, "usage: ofx_host [--bundle <path>] [--depth 8|16|float] in.png out.png [Name=value ...]\n");
    return 2;
}

Param* findParam(Session& session, const std::string& key)
{
    if (Param* p = session.instance.params.find(key))
        return p;
    for (auto& p : session.instance.params.params) {
        if (p->props.has(kOfxPropLabel) && p->props.getString(kOfxPropLabel) == key)
            return p.get();
    }
    return nullptr;
}

bool parseValue(Param& p, const std::string& text, std::vector<double>& value)
{
    if (p.type == kOfxParamTypeChoice) {
        for (int i = 0; i < p.props.dimension(kOfxParamPropChoiceOption); ++i) {
            if (p.props.getString(kOfxParamPropChoiceOption, i) == text) {
                value = {static_cast<double>(i)};
                return true;
            }
        }
        return false;
    }
    if (p.type == kOfxParamTypeBoolean) {
        if (text != "true" && text != "false")
            return false;
        value = {text == "true" ? 1.0 : 0.0};
        return true;
    }
    if (p.type == kOfxParamTypeRGB) {
        unsigned rgb = 0;
        if (text.size() != 7 || text[0] != '#' || std::sscanf(text.c_str() + 1, "%6x", &rgb) != 1)
            return false;
        value = {((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0};
        return true;
    }
    if (p.type == kOfxParamTypeDouble) {
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (end == text.c_str() || *end)
            return false;
        value = {v};
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    std::string bundle = MORVELIN_STAGED_BUNDLE;
    Depth depth = Depth::Byte;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--bundle" && i + 1 < argc) {
            bundle = argv[++i];
        } else if (a == "--depth" && i + 1 < argc) {
            const std::string d = argv[++i];
            depth = d == "16" ? Depth::Short : d == "float" ? Depth::Float : Depth::Byte;
        } else {
            rest.push_back(a);
        }
    }
    if (rest.size() < 2)
        return usage();

    QImage picture(QString::fromStdString(rest[0]));
    if (picture.isNull()) {
        std::fprintf(stderr, "ofx_host: cannot read %s\n", rest[0].c_str());
        return 1;
    }
    picture = picture.convertToFormat(QImage::Format_RGBA8888);
    const int w = picture.width(), h = picture.height();

    try {
        Host host;
        Binary binary(bundle + "/Contents/Linux-x86-64/MorvelinVideo.ofx");
        Session session(host, binary.plugin(0));
        const OfxStatus started = session.start();
        if (started != kOfxStatOK) {
            std::fprintf(stderr, "ofx_host: the effect did not start (status %d)\n", started);
            return 1;
        }
        for (size_t i = 2; i < rest.size(); ++i) {
            const size_t eq = rest[i].find('=');
            Param* p = eq == std::string::npos ? nullptr : findParam(session, rest[i].substr(0, eq));
            std::vector<double> value;
            if (!p || !parseValue(*p, rest[i].substr(eq + 1), value)) {
                std::fprintf(stderr, "ofx_host: cannot set %s\n", rest[i].c_str());
                return 2;
            }
            session.edit(p->name, value, true);
        }

        // Host images are bottom-up: row y of the image is picture row h-1-y.
        const OfxRectI bounds{0, 0, w, h};
        Image src(depth, 4, bounds);
        Image out(depth, 4, bounds);
        const double scale = depth == Depth::Byte ? 1.0 : depth == Depth::Short ? 257.0 : 1.0 / 255.0;
        for (int y = 0; y < h; ++y) {
            const uchar* line = picture.constScanLine(h - 1 - y);
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < 4; ++c)
                    src.set(x, y, c, line[x * 4 + c] * scale);
        }
        const OfxStatus rendered = session.render(0, bounds, src, out);
        if (rendered != kOfxStatOK) {
            std::fprintf(stderr, "ofx_host: the render failed (status %d)\n", rendered);
            return 1;
        }
        QImage result(w, h, QImage::Format_RGBA8888);
        for (int y = 0; y < h; ++y) {
            uchar* line = result.scanLine(h - 1 - y);
            for (int x = 0; x < w; ++x) {
                for (int c = 0; c < 4; ++c) {
                    const double v = out.get(x, y, c) / scale;
                    line[x * 4 + c] = static_cast<uchar>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5);
                }
            }
        }
        if (!result.save(QString::fromStdString(rest[1]))) {
            std::fprintf(stderr, "ofx_host: cannot write %s\n", rest[1].c_str());
            return 1;
        }
        if (session.instanceCreated)
            session.destroyInstance();
        session.unloadAction();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ofx_host: %s\n", e.what());
        return 1;
    }
    return 0;
}
