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
// could make the receiver read, or block on, a local file. Our writer never
// emits such a line (data that starts with '#' is quoted).
bool hasIncludeDirective(const std::string& text)
{
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t at = text.find_first_not_of(" \t", lineStart);
        if (at == std::string::npos)
            break;
        if (text.compare(at, 8, "#include") == 0)
            return true;
        const size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break;
        lineStart = end + 1;
    }
    return false;
}

} // namespace

pt::ptree deserialize(const std::string& text)
{
    if (hasIncludeDirective(text)) {
        writeError("deserialize : ptree_error caught, %s ", "include directives are not accepted");
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
