#include "VRPC/Log.h"

#include "VRPC/Thunk.h"
#include "platform/SystemLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace Nuvra::VRPC {

namespace {

constexpr size_t kLineBuffer = 4096;
constexpr size_t kAlertBuffer = 4094;
constexpr size_t kPathLimit = 2048;

// Fixed buffers in static storage, never destroyed and never on the heap:
// detached threads (the eraser) may log during exit, and a plug-in binary
// that is unloaded leaves nothing allocated behind.
struct LogPaths {
    std::mutex mutex;
    char log[kPathLimit] = {};
    char error[kPathLimit] = {};
};

LogPaths& logPaths()
{
    alignas(LogPaths) static unsigned char storage[sizeof(LogPaths)];
    static LogPaths* paths = new (storage) LogPaths;
    return *paths;
}

std::atomic<AlertPresenter> g_presenter{nullptr};

bool debugEnabled()
{
    static const bool enabled = std::getenv("NUVRA_RPC_LOG") != nullptr;
    return enabled;
}

// The file is opened per line so that both processes and every thread can
// append to one file without sharing a handle or a lock.
void appendToLogFile(const char* text)
{
    const std::string path = logFileName();
    if (path.empty()) {
        std::fputs("!!! Log file for thunk is not set !!!\n", stderr);
        return;
    }
    if (FILE* file = std::fopen(path.c_str(), "a+")) {
        std::fputs(text, file);
        std::fclose(file);
    }
}

void writeLine(const char* format, va_list args)
{
    char buffer[kLineBuffer];
    int used = std::snprintf(buffer, sizeof(buffer), "[%c]: ", VThunk::appSym);
    if (used < 0)
        used = 0;
    std::vsnprintf(buffer + used, sizeof(buffer) - static_cast<size_t>(used), format, args);
    write_string_to_system_log(buffer);
    appendToLogFile(buffer);
}

// Without a user interface an alert must not wait for anyone: it is written
// to standard error, and to the log unless the caller logged it already.
void presentAlert(const char* text, bool logged)
{
    writeDebugLog("Show string to user: %s\n", text);
    if (AlertPresenter presenter = g_presenter.load()) {
        presenter("VRPC Error", text);
        return;
    }
    const std::string line = std::string("VRPC Error: ") + text + "\n";
    if (!logged)
        appendToLogFile(line.c_str());
    std::fputs(line.c_str(), stderr);
}

void boundedCopy(char (&buffer)[kPathLimit], const char* path)
{
    const size_t length = path ? strnlen(path, kPathLimit - 1) : 0;
    if (length)
        std::memcpy(buffer, path, length);
    buffer[length] = '\0';
}

} // namespace

void SetupLogFiles(const char* logPath, const char* errorPath)
{
    LogPaths& paths = logPaths();
    std::lock_guard<std::mutex> lock(paths.mutex);
    boundedCopy(paths.log, logPath);
    boundedCopy(paths.error, errorPath);
}

std::string logFileName()
{
    LogPaths& paths = logPaths();
    std::lock_guard<std::mutex> lock(paths.mutex);
    return paths.log;
}

std::string errorFileName()
{
    LogPaths& paths = logPaths();
    std::lock_guard<std::mutex> lock(paths.mutex);
    return paths.error;
}

void writeDebugLog(const char* format, ...)
{
    if (!debugEnabled())
        return;
    va_list args;
    va_start(args, format);
    writeLine(format, args);
    va_end(args);
}

void writeError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    writeLine(format, args);
    va_end(args);
}

void showErrorToUser(const char* format, ...)
{
    char message[kAlertBuffer];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof(message), format, args);
    va_end(args);

    std::string text = VThunk::GetVersionInfo() + "\n" + message + "\n";
    if (text.size() > kAlertBuffer - 1)
        text.resize(kAlertBuffer - 1);
    write_string_to_system_log(text.c_str());
    appendToLogFile(text.c_str());
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    presentAlert(text.c_str(), true);
}

void show_string_to_user(const char* text)
{
    presentAlert(text ? text : "", false);
}

void write_string_to_system_log(const char* text)
{
    Platform::systemLog(text);
}

void setAlertPresenter(AlertPresenter presenter)
{
    g_presenter.store(presenter);
}

} // namespace Nuvra::VRPC
