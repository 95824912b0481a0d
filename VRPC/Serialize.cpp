#include "VRPC/Serialize.h"

#include "VRPC/Log.h"

#include <boost/property_tree/info_parser.hpp>

#include <sstream>

namespace Nuvra::VRPC {

namespace pt = boost::property_tree;

std::string serialize(const pt::ptree& tree)
{
    try {
        std::ostringstream out;
        pt::write_info(out, tree, pt::info_writer_settings<char>(' ', 4));
        return out.str();
    } catch (const pt::ptree_error& e) {
        writeError("serialize : ptree_error caught, %s ", e.what());
        return std::string();
    }
}

namespace {

// The INFO reader would open any file an "#include" line names, so a message
// could make the receiver read, or block on, a local file. The reader skips
// any ASCII white space before the '#' and between it and the word, and knows
// no other directive, so every line that starts with '#' is refused. Our
// writer never emits one (data that starts with '#' is quoted).
bool hasDirective(const std::string& text)
{
    const auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    bool lineStart = true;
    for (const char c : text) {
        if (c == '\n') {
            lineStart = true;
        } else if (lineStart && !isSpace(c)) {
            if (c == '#')
                return true;
            lineStart = false;
        }
    }
    return false;
}

} // namespace

pt::ptree deserialize(const std::string& text)
{
    if (hasDirective(text)) {
        writeError("deserialize : ptree_error caught, %s ", "directives are not accepted");
        return pt::ptree();
    }
    try {
        std::istringstream in(text);
        pt::ptree tree;
        pt::read_info(in, tree);
        return tree;
    } catch (const pt::ptree_error& e) {
        writeError("deserialize : ptree_error caught, %s ", e.what());
        return pt::ptree();
    }
}

} // namespace Nuvra::VRPC
