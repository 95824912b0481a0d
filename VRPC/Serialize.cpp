#include "VRPC/Serialize.h"

#include "VRPC/Log.h"

#include <boost/property_tree/info_parser.hpp>

#include <sstream>

namespace Nuvra::VRPC {

namespace pt = boost::property_tree;

namespace {

bool isSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// What the INFO reader would do with the text that is unsafe for text from
// another process, found by walking the reader's tokens line by line (it
// stops a line at a NUL, a ';' comment or the line end). Returns why the text
// is refused, or null.
// - Any line that starts with '#' is a directive; "#include" would make the
//   reader open, or block on, a local file.
// - A '\' after a quoted string continues it on the next line; the reader
//   rebuilds the whole value for each such line, so they cost quadratic time.
//   Our writer never produces them.
// - Braces nested deeper than any parameter tree.
const char* refusal(const std::string& text)
{
    if (text.size() > kInfoMaxBytes)
        return "text too long";
    const size_t n = text.size();
    int depth = 0;
    for (size_t line = 0; line < n;) {
        size_t end = text.find('\n', line);
        if (end == std::string::npos)
            end = n;
        const size_t next = end + 1;
        const size_t nul = text.find('\0', line);
        if (nul < end)
            end = nul;
        size_t p = line;
        const auto skipSpace = [&] {
            while (p < end && isSpace(text[p]))
                ++p;
        };
        skipSpace();
        if (p < end && text[p] == '#')
            return "directives are not accepted";
        for (;;) {
            skipSpace();
            if (p >= end || text[p] == ';')
                break;
            const char c = text[p];
            if (c == '{') {
                if (++depth > kInfoMaxDepth)
                    return "nesting too deep";
                ++p;
            } else if (c == '}') {
                if (depth > 0)
                    --depth;
                ++p;
            } else if (c == '"') {
                bool escaped = false;
                for (++p; p < end && (escaped || text[p] != '"'); ++p)
                    escaped = !escaped && text[p] == '\\';
                if (p >= end)
                    break;  // unterminated: the reader reports it
                ++p;
                skipSpace();
                if (p < end && text[p] == '\\')
                    return "continuation lines are not accepted";
            } else {
                while (p < end && !isSpace(text[p]) && text[p] != ';')
                    ++p;
            }
        }
        line = next;
    }
    return nullptr;
}

// The writer puts a key without blanks or quotes at the start of its line as
// it stands, so a key that begins with '#' would read as a directive. Quoted,
// it reads back unchanged (the writer has already escaped it).
std::string quoteHashKeys(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t line = 0; line < text.size();) {
        size_t end = text.find('\n', line);
        end = end == std::string::npos ? text.size() : end + 1;
        const size_t key = text.find_first_not_of(' ', line);
        if (key < end && text[key] == '#') {
            size_t keyEnd = text.find_first_of(" \n", key);
            if (keyEnd == std::string::npos || keyEnd > end)
                keyEnd = end;
            out.append(text, line, key - line);
            out += '"';
            out.append(text, key, keyEnd - key);
            out += '"';
            out.append(text, keyEnd, end - keyEnd);
        } else {
            out.append(text, line, end - line);
        }
        line = end;
    }
    return out;
}

} // namespace

std::string serialize(const pt::ptree& tree)
{
    std::string text;
    try {
        std::ostringstream out;
        pt::write_info(out, tree, pt::info_writer_settings<char>(' ', 4));
        text = quoteHashKeys(out.str());
    } catch (const pt::ptree_error& e) {
        writeError("serialize : ptree_error caught, %s ", e.what());
        return std::string();
    }
    if (const char* why = refusal(text)) {
        writeError("serialize : ptree_error caught, %s ", why);
        return std::string();
    }
    return text;
}

pt::ptree deserialize(const std::string& text)
{
    // One result object on every path, so it is returned in place: the tree
    // has no move constructor.
    pt::ptree tree;
    if (const char* why = refusal(text)) {
        writeError("deserialize : ptree_error caught, %s ", why);
        return tree;
    }
    try {
        std::istringstream in(text);
        pt::read_info(in, tree);
    } catch (const pt::ptree_error& e) {
        writeError("deserialize : ptree_error caught, %s ", e.what());
        pt::ptree().swap(tree);
    }
    return tree;
}

} // namespace Nuvra::VRPC
