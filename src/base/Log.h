// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdarg>
#include <functional>
#include <string>
#include <vector>

namespace tosk {

// Diagnostics are single lines of fixed text, no levels, no file. By default
// they go to stderr; tests and the CLI capture them.
void log(const std::string& line);

// printf-style convenience: logf("SigDbase.initFromFileName: %s", path.c_str()).
void logf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// printf into a std::string.
std::string format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* format, va_list args);

using LogSink = std::function<void(const std::string&)>;

// Replaces the sink and answers the previous one.
LogSink setLogSink(LogSink sink);

// Collects every line logged while it lives, then restores the previous sink.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& lines() const { return lines_; }
    bool contains(const std::string& line) const;
    void clear() { lines_.clear(); }

private:
    std::vector<std::string> lines_;
    LogSink previous_;
};

} // namespace tosk
