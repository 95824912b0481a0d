#pragma once

namespace Nuvra::Platform {

// Hands one line to the system log (syslog, user facility). Never blocks for
// long and never fails visibly: without a log daemon the line is dropped.
void systemLog(const char* text);

} // namespace Nuvra::Platform
