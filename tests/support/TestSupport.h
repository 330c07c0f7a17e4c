// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Alerts.h"
#include "base/FileChooser.h"

#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tosk::test {

// Folder for files a test leaves behind for people to look at (PNGs, dumps):
// build-test/test-output/<suite>/.
std::filesystem::path outputDir(const std::string& suite);

// A fresh temporary folder, removed with everything in it at scope end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// LC_NUMERIC switched to a German locale (comma decimal, as a German desktop
// gives Qt) made for the test with localedef, and back to "C" at scope end.
// active() is false where no such locale can be made; skip the test then.
class ScopedCommaLocale {
public:
    ScopedCommaLocale();
    ~ScopedCommaLocale();
    ScopedCommaLocale(const ScopedCommaLocale&) = delete;
    ScopedCommaLocale& operator=(const ScopedCommaLocale&) = delete;
    bool active() const { return active_; }

private:
    TempDir dir_;
    bool active_ = false;
};

// An environment variable set for a test and put back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// No alert and no file panel for its lifetime: a call to either fails the
// test. The model runs under it; what it found is in its problem lists.
class NoWindowServices {
public:
    NoWindowServices();
    ~NoWindowServices();
    NoWindowServices(const NoWindowServices&) = delete;
    NoWindowServices& operator=(const NoWindowServices&) = delete;

private:
    Alerts* previousAlerts_;
    FileChooser* previousChooser_;
};

// "Style | title | message | buttons" of each alert, so that a test compares
// everything a user was shown in one go.
std::vector<std::string> alertLines(const std::vector<AlertRequest>& alerts);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// The text with some of its parts replaced, each the first time it comes
// (throws when one is not there).
std::string edited(std::string text, std::initializer_list<std::pair<std::string, std::string>> replacements);

// Path of a file shipped in data/ (fails the test when missing).
std::string dataPath(const std::string& relative);

// What a run of the tosk-cli built beside the test program did.
struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};
// Runs a shell command line: its exit status and what it printed to stdout
// (add 2>&1 for stderr too).
CliRun runShell(const std::string& command);
// The text in single quotes, for a shell command line.
std::string quoted(const std::string& text);
// Runs "tosk-cli ARGS" through the shell (quote paths), with `env`
// ("NAME=value ...") in front when given.
CliRun runCli(const std::string& args, const std::string& env = {});

} // namespace tosk::test
