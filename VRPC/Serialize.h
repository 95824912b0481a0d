#pragma once

#include <boost/property_tree/ptree.hpp>

#include <string>

namespace Nuvra::VRPC {

// Property trees cross the channel as INFO text (4 spaces per level).
// Neither function throws for a bad tree or text: the error is logged and the
// result is empty.
std::string serialize(const boost::property_tree::ptree& tree);
boost::property_tree::ptree deserialize(const std::string& text);

} // namespace Nuvra::VRPC
