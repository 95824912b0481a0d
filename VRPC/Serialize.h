#pragma once

#include <boost/property_tree/ptree.hpp>

#include <cstddef>
#include <string>

namespace Nuvra::VRPC {

// Bounds of the INFO text that crosses the channel. Parameter trees nest one
// brace deep and take a few kilobytes; the bounds keep the reader linear and
// the tree shallow whatever the peer sends (the tree's copy and destruction
// recurse once per level).
constexpr std::size_t kInfoMaxBytes = std::size_t{1} << 20;
constexpr int kInfoMaxDepth = 8;

// Property trees cross the channel as INFO text (4 spaces per level).
// Neither function throws for a bad tree or text: the error is logged and the
// result is empty. serialize never writes text that deserialize refuses.
std::string serialize(const boost::property_tree::ptree& tree);
boost::property_tree::ptree deserialize(const std::string& text);

} // namespace Nuvra::VRPC
