#pragma once

#include <cstdint>
#include <string>

namespace Nuvra::Platform {

// "Linux <release> (<machine>)" from uname; "Linux (unknown)" when it fails.
std::string systemVersionText();
// Processors online, at least 1.
int processorCount();
// Physical memory in bytes, 0 when unknown.
std::uint64_t physicalMemory();
// The processor's brand text and its feature flags as the kernel reports
// them; empty when unknown.
std::string cpuBrand();
std::string cpuFeatures();

} // namespace Nuvra::Platform
