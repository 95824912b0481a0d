#pragma once

#include <string>

// The transport's own log: lines appended to the file named on the command
// line, each prefixed with the role letter; independent of the application's
// Qt logger so that the plug-in, which has no Qt, logs the same way.

#define NUVRA_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))

namespace Nuvra::VRPC {

// Keeps the transport log path and the error-file path. An empty log path
// means no log file: each line then yields a notice on standard error.
void SetupLogFiles(const char* logPath, const char* errorPath);
std::string logFileName();
std::string errorFileName();

// One line to the log, only when NUVRA_RPC_LOG is set (read once).
void writeDebugLog(const char* format, ...) NUVRA_PRINTF_FORMAT(1, 2);
// One line to the log, always.
void writeError(const char* format, ...) NUVRA_PRINTF_FORMAT(1, 2);

// The version banner and the message to the system log and the log file,
// then the alert titled "VRPC Error".
void showErrorToUser(const char* format, ...) NUVRA_PRINTF_FORMAT(1, 2);
// The alert alone.
void show_string_to_user(const char* text);
void write_string_to_system_log(const char* text);

// Shows an alert to the user. A process with a user interface installs one;
// it must not block the calling thread for long, as the transport's own
// threads raise alerts too. Without one, alerts go to the transport log and
// standard error.
using AlertPresenter = void (*)(const char* title, const char* text);
void setAlertPresenter(AlertPresenter presenter);

} // namespace Nuvra::VRPC
