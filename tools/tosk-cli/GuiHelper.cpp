// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuiHelper.h"

#include "CliCommand.h"
#include "RenderCommand.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tosk::cli {

namespace fs = std::filesystem;

std::string guiHelperPath()
{
#ifdef TOSK_CLI_GUI_HELPER
    std::error_code ec;
    const fs::path dir = fs::read_symlink("/proc/self/exe", ec).parent_path();
    if (ec)
        return {};
    for (const fs::path& candidate : {dir / "tosk-cli-gui", dir / TOSK_CLI_GUI_HELPER})
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.lexically_normal().string();
#endif
    return {};
}

int runInGuiHelper(const std::string& command, const std::vector<std::string>& args)
{
    const std::string helper = guiHelperPath();
    if (helper.empty()) {
        std::fprintf(stderr, "tosk-cli %s: the drawing helper tosk-cli-gui is not installed\n", command.c_str());
        return 1;
    }
    std::vector<char*> argv = {const_cast<char*>(helper.c_str()), const_cast<char*>(command.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    ::execv(helper.c_str(), argv.data());
    std::fprintf(stderr, "tosk-cli %s: cannot start %s: %s\n", command.c_str(), helper.c_str(), std::strerror(errno));
    return 1;
}

std::map<std::string, std::string> HelperSettingsStore::parse(const std::string& bytes)
{
    std::map<std::string, std::string> values;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t keyEnd = bytes.find('\0', at);
        if (keyEnd == std::string::npos)
            break;
        const size_t valueEnd = bytes.find('\0', keyEnd + 1);
        if (valueEnd == std::string::npos)
            break;
        values[bytes.substr(at, keyEnd - at)] = bytes.substr(keyEnd + 1, valueEnd - keyEnd - 1);
        at = valueEnd + 1;
    }
    return values;
}

namespace {

// The helper's answer to "settings"; nothing when it cannot run.
std::string readSettingsFromHelper()
{
    const std::string helper = guiHelperPath();
    int fds[2];
    if (helper.empty() || ::pipe2(fds, O_CLOEXEC) != 0)
        return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(helper.c_str()), const_cast<char*>("settings"), nullptr};
    pid_t pid = -1;
    const bool started = ::posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string bytes;
    char buffer[4096];
    ssize_t n = 0;
    while (started && ((n = ::read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)))
        if (n > 0)
            bytes.append(buffer, size_t(n));
    ::close(fds[0]);
    int status = 0;
    if (!started)
        return {};
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? bytes : std::string();
}

#ifdef TOSK_CLI_GUI_HELPER
int runRender(const std::vector<std::string>& args)
{
    return runInGuiHelper("render", args);
}

const CliCommandRegistrar render({"render", kRenderUsage, runRender, kRenderSummary});
#endif

} // namespace

std::optional<std::string> HelperSettingsStore::value(const std::string& key) const
{
    if (!values_)
        values_ = parse(readSettingsFromHelper());
    auto it = values_->find(key);
    if (it == values_->end())
        return std::nullopt;
    return it->second;
}

void HelperSettingsStore::setValue(const std::string&, const std::string&) {}

void HelperSettingsStore::remove(const std::string&) {}

} // namespace tosk::cli
