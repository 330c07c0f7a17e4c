// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Log.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace tosk {

namespace {
LogSink& sink()
{
    static LogSink current;
    return current;
}

// The serial server's thread logs too: lines and sink changes take turns.
// Recursive, so that a sink may log.
std::recursive_mutex& sinkMutex()
{
    static std::recursive_mutex mutex;
    return mutex;
}
} // namespace

void log(const std::string& line)
{
    std::lock_guard lock(sinkMutex());
    if (sink())
        sink()(line);
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

std::string vformat(const char* fmt, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    if (n <= 0)
        return {};
    std::string out(static_cast<size_t>(n), '\0');
    std::vsnprintf(out.data(), out.size() + 1, fmt, args);
    return out;
}

std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    return out;
}

void logf(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string line = vformat(fmt, args);
    va_end(args);
    log(line);
}

LogSink setLogSink(LogSink s)
{
    std::lock_guard lock(sinkMutex());
    LogSink old = std::move(sink());
    sink() = std::move(s);
    return old;
}

LogCapture::LogCapture()
{
    previous_ = setLogSink([this](const std::string& line) { lines_.push_back(line); });
}

LogCapture::~LogCapture()
{
    setLogSink(std::move(previous_));
}

bool LogCapture::contains(const std::string& line) const
{
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

} // namespace tosk
