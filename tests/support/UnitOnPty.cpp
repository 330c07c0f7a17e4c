// SPDX-License-Identifier: GPL-3.0-or-later
#include "UnitOnPty.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace tosk::test {

namespace {

// Asks `done` every 5 ms until it answers true or `limit` has passed.
template <typename F> bool within(std::chrono::milliseconds limit, F done)
{
    for (auto deadline = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < deadline;) {
        if (done())
            return true;
        std::this_thread::sleep_for(5ms);
    }
    return done();
}

} // namespace

// ---- Pty

Pty::Pty()
{
    char name[256] = {};
    termios raw{};
    ::cfmakeraw(&raw);
    if (::openpty(&master_, &slave_, name, &raw, nullptr) == 0) {
        path_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
}

Pty::~Pty()
{
    ::close(slave_);
    ::close(master_);
}

void Pty::write(const Bytes& b) const
{
    ASSERT_EQ(::write(master_, b.data(), b.size()), ssize_t(b.size()));
}

Bytes Pty::read(std::chrono::milliseconds limit) const
{
    Bytes out;
    pollfd p{master_, POLLIN, 0};
    while (::poll(&p, 1, int(limit.count())) == 1) {
        uint8_t chunk[256];
        const ssize_t n = ::read(master_, chunk, sizeof chunk);
        if (n <= 0)
            break;
        out.insert(out.end(), chunk, chunk + n);
        limit = 50ms;
    }
    return out;
}

// ---- FakeUnit

FakeUnit::FakeUnit()
{
    thread_ = std::thread([this] { run(); });
}

FakeUnit::~FakeUnit()
{
    stop_ = true;
    thread_.join();
}

void FakeUnit::script(std::vector<Bytes> replies)
{
    std::lock_guard lock(mutex_);
    replies_.assign(replies.begin(), replies.end());
}

std::vector<Bytes> FakeUnit::received() const
{
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<std::chrono::steady_clock::time_point> FakeUnit::receivedAt() const
{
    std::lock_guard lock(mutex_);
    return receivedAt_;
}

bool FakeUnit::waitForMessages(size_t count, std::chrono::milliseconds limit) const
{
    return within(limit, [&] { return received().size() >= count; });
}

void FakeUnit::run()
{
    Bytes pending;
    bool inFrame = false, program = false;
    uint8_t buffer[4096];
    auto writeAll = [this](const Bytes& reply) {
        size_t done = 0;
        auto deadline = std::chrono::steady_clock::now() + 5s;
        while (done < reply.size() && !stop_ && std::chrono::steady_clock::now() < deadline) {
            ssize_t n = ::write(pty_.farEnd(), reply.data() + done, reply.size() - done);
            if (n > 0)
                done += size_t(n);
            else
                std::this_thread::sleep_for(1ms);
        }
    };
    while (!stop_) {
        pollfd p{pty_.farEnd(), POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0)
            continue;
        ssize_t n = ::read(pty_.farEnd(), buffer, sizeof buffer);
        for (ssize_t i = 0; i < n; ++i) {
            uint8_t b = buffer[i];
            Bytes message;
            if (program) {
                program = false;
                message = {sysex::PROGRAM_CHANGE, b};
            } else if (inFrame) {
                pending.push_back(b);
                if (b == sysex::END) {
                    inFrame = false;
                    message.swap(pending);
                }
            } else if (b == sysex::START) {
                inFrame = true;
                pending.assign(1, b);
            } else if (b == sysex::PROGRAM_CHANGE) {
                program = true;
            }
            if (message.empty())
                continue;
            Bytes reply;
            {
                std::lock_guard lock(mutex_);
                received_.push_back(message);
                receivedAt_.push_back(std::chrono::steady_clock::now());
                if (message[0] == sysex::START && !replies_.empty()) {
                    reply = std::move(replies_.front());
                    replies_.pop_front();
                }
            }
            writeAll(reply);
        }
    }
}

// ---- UnitProcess

namespace {

fs::path binDirectory()
{
    return fs::read_symlink("/proc/self/exe").parent_path();
}

int spawn(const std::vector<std::string>& argv, int outFd, int errFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    if (errFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Waits for the child at most `limit`; answers its exit code, or -1 after killing it.
int reap(int pid, std::chrono::milliseconds limit)
{
    int status = 0, r = 0;
    if (within(limit, [&] { return r != 0 || (r = ::waitpid(pid, &status, WNOHANG)) != 0; }))
        return r == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return -1;
}

} // namespace

UnitProcess::UnitProcess(const fs::path& folder, std::vector<std::string> extraArgs, const std::string& linkName)
{
    link_ = (folder / linkName).string();
    trace_ = (folder / "unit.trace").string();
    std::vector<std::string> argv{(binDirectory() / "tosk-unit").string(), "--link", link_, "--trace", trace_};
    argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
    std::string logPath = (folder / "unit.log").string();
    int logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_ = spawn(argv, logFd, logFd);
    ::close(logFd);
    if (pid_ < 0)
        return;
    within(5s, [&] {
        std::error_code ec;
        started_ = fs::is_symlink(link_, ec) && fs::exists(link_, ec); // a stale link points nowhere
        int status = 0;
        if (!started_ && ::waitpid(pid_, &status, WNOHANG) == pid_)
            pid_ = -1; // it gave up (bad options)
        return started_ || pid_ < 0;
    });
}

UnitProcess::~UnitProcess()
{
    stop();
}

void UnitProcess::stop()
{
    if (pid_ < 0)
        return;
    ::kill(pid_, SIGTERM);
    reap(pid_, 2000ms);
    pid_ = -1;
}

std::vector<std::string> UnitProcess::trace() const
{
    std::vector<std::string> lines;
    std::ifstream in(trace_);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

ProcessResult runTool(const std::string& name, const std::vector<std::string>& args, std::chrono::milliseconds limit)
{
    TempDir dir;
    std::string outPath = (dir / "out").string(), errPath = (dir / "err").string();
    int outFd = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int errFd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv{(binDirectory() / name).string()};
    argv.insert(argv.end(), args.begin(), args.end());
    int pid = spawn(argv, outFd, errFd);
    ::close(outFd);
    ::close(errFd);
    ProcessResult result;
    if (pid < 0)
        return result;
    result.exitCode = reap(pid, limit);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

} // namespace tosk::test
