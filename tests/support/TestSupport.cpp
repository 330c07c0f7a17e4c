// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestSupport.h"

#include "base/DataFiles.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace tosk::test {

fs::path outputDir(const std::string& suite)
{
    const char* env = std::getenv("TOSK_TEST_OUTPUT");
    fs::path base = env && *env ? fs::path(env) : fs::temp_directory_path() / "tosk-test-output";
    fs::path dir = base / suite;
    fs::create_directories(dir);
    return dir;
}

TempDir::TempDir()
{
    std::random_device rd;
    for (;;) {
        path_ = fs::temp_directory_path() / ("tosk-" + std::to_string(rd()));
        if (fs::create_directory(path_))
            break;
    }
}

TempDir::~TempDir()
{
    std::error_code ec;
    fs::remove_all(path_, ec);
}

ScopedCommaLocale::ScopedCommaLocale()
{
    const std::string make = "localedef -i de_DE -f UTF-8 '" + (dir_ / "de_DE.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0)
        return;
    ::setenv("LOCPATH", dir_.path().c_str(), 1);
    char buffer[8];
    active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && std::snprintf(buffer, sizeof buffer, "%.1f", 0.5) > 0 &&
              std::string(buffer) == "0,5";
}

ScopedCommaLocale::~ScopedCommaLocale()
{
    std::setlocale(LC_NUMERIC, "C");
    ::unsetenv("LOCPATH");
}

namespace {

class FailingAlerts : public Alerts {
public:
    int run(const AlertRequest& request) override
    {
        ADD_FAILURE() << "the model alerted: " << request.title << " | " << request.message;
        return 0;
    }
};

class FailingFileChooser : public FileChooser {
public:
    std::optional<std::string> choose(const FileRequest& request) override
    {
        ADD_FAILURE() << "the model asked for a file: " << request.title;
        return std::nullopt;
    }
};

FailingAlerts failingAlerts;
FailingFileChooser failingChooser;

} // namespace

NoWindowServices::NoWindowServices() : previousAlerts_(&Alerts::shared()), previousChooser_(&FileChooser::shared())
{
    Alerts::setShared(&failingAlerts);
    FileChooser::setShared(&failingChooser);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name)
{
    if (const char* old = std::getenv(name))
        old_ = old;
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv()
{
    if (old_)
        setenv(name_.c_str(), old_->c_str(), 1);
    else
        unsetenv(name_.c_str());
}

NoWindowServices::~NoWindowServices()
{
    Alerts::setShared(previousAlerts_);
    FileChooser::setShared(previousChooser_);
}

std::vector<std::string> alertLines(const std::vector<AlertRequest>& alerts)
{
    std::vector<std::string> lines;
    for (const auto& a : alerts) {
        std::string line = a.style == AlertStyle::Critical        ? "Critical"
                           : a.style == AlertStyle::Informational ? "Informational"
                                                                  : "Warning";
        line += " | " + a.title + " | " + a.message + " |";
        for (const auto& b : a.buttons)
            line += " " + b;
        lines.push_back(line);
    }
    return lines;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

std::string dataPath(const std::string& relative)
{
    std::string p = DataFiles::path(relative);
    EXPECT_FALSE(p.empty()) << "missing bundled file data/" << relative;
    return p;
}

std::string edited(std::string text, std::initializer_list<std::pair<std::string, std::string>> replacements)
{
    for (const auto& [from, to] : replacements) {
        const size_t at = text.find(from);
        if (at == std::string::npos)
            throw std::runtime_error("no " + from);
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string quoted(const std::string& text)
{
    // Appended: GCC 12 wrongly reports "'" + text as an overlapping copy.
    std::string out(1, '\'');
    return out.append(text).append(1, '\'');
}

CliRun runShell(const std::string& command)
{
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

CliRun runCli(const std::string& args, const std::string& env)
{
    TempDir scratch;
    fs::path exe = fs::read_symlink("/proc/self/exe").parent_path() / "tosk-cli";
    EXPECT_TRUE(fs::exists(exe)) << exe;
    CliRun run = runShell(env + " '" + exe.string() + "' " + args + " 2>'" + (scratch / "err").string() + "'");
    run.err = readFile(scratch / "err");
    return run;
}

} // namespace tosk::test
