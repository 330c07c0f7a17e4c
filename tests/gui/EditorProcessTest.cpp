// SPDX-License-Identifier: GPL-3.0-or-later
// The editor as a process: killed with unsaved changes and started again,
// and started twice on one display. Each test gives the editors a home,
// state, configuration and runtime folder of its own, so that tests running
// side by side never meet. The editor is tests/driver/ToskTestDriver (the
// real start with commands on stdin) and, for a second start, bin/tosk; a
// unit, where one is needed, is tosk-unit on a pseudo-terminal.
#include "app/SingleInstance.h"
#include "base/AutosaveStore.h"
#include "comms/CommsTestSupport.h"
#include "support/TestSupport.h"

#include <QTest>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace tosk;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

extern char** environ;

namespace {

fs::path binDir()
{
    return fs::read_symlink("/proc/self/exe").parent_path();
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (auto& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// A program started with pipes to its stdin and from its stdout.
class Process {
public:
    Process(const fs::path& program, std::vector<std::string> args, std::vector<std::string> env,
            const fs::path& folder = {})
    {
        // A command to an editor that has ended fails the test, not the
        // test program.
        std::signal(SIGPIPE, SIG_IGN);
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return;
        args.insert(args.begin(), program.string());
        auto argv = pointers(args);
        auto envp = pointers(env);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            close(in[1]);
            close(out[0]);
            if (!folder.empty() && chdir(folder.c_str()) != 0)
                _exit(126);
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~Process()
    {
        kill9();
        close(input_);
        close(output_);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool started() const { return pid_ > 0; }

    // Sends a command and answers the lines of its reply ("end" left out),
    // or what went wrong in parentheses.
    std::vector<std::string> ask(const std::string& command)
    {
        const std::string line = command + "\n";
        if (write(input_, line.data(), line.size()) != ssize_t(line.size()))
            return {"(cannot write)"};
        std::vector<std::string> lines;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        for (;;) {
            for (size_t end; (end = buffer_.find('\n')) != std::string::npos;) {
                lines.push_back(buffer_.substr(0, end));
                buffer_.erase(0, end + 1);
                if (lines.back() == "end") {
                    lines.pop_back();
                    return lines;
                }
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{output_, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0) {
                lines.push_back("(no answer)");
                return lines;
            }
            char chunk[65536];
            const ssize_t n = read(output_, chunk, sizeof chunk);
            if (n <= 0) {
                lines.push_back("(ended)");
                return lines;
            }
            buffer_.append(chunk, size_t(n));
        }
    }

    // Asks until the reply satisfies `done` (20 seconds at most).
    std::vector<std::string> askUntil(const std::string& command,
                                      const std::function<bool(const std::vector<std::string>&)>& done)
    {
        std::vector<std::string> reply;
        static_cast<void>(QTest::qWaitFor([&] { return done(reply = ask(command)); }, 20000));
        return reply;
    }

    void kill9()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }

    // The exit status, or -1 when it did not end in 20 seconds or was killed.
    int wait()
    {
        int status = 0;
        if (!QTest::qWaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, 20000))
            return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    std::string buffer_;
};

std::string unhex(const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> parts;
    std::stringstream in(line);
    for (std::string part; std::getline(in, part, '\t');)
        parts.push_back(part);
    return parts;
}

// A home, state, configuration and runtime folder for the editors of one test.
struct Session {
    test::TempDir root;
    fs::path patches = root / "patches";
    fs::path autosave = root / "state" / "tosk" / "autosave";
    std::string demo;

    Session()
    {
        for (const char* d : {"home", "state", "config", "cache", "run", "run2", "tmp", "patches"})
            fs::create_directories(root / d);
        chmod((root / "run").c_str(), 0700);
        chmod((root / "run2").c_str(), 0700);
        demo = fs::canonical(patches).string() + "/demo.sig";
        test::writeFile(demo, test::readFile(test::dataPath("examples/demo.sig")));
    }
    // This process's environment with the session's folders; with no
    // runtime folder ("") the temporary folder is the session's "tmp".
    std::vector<std::string> env(const std::string& runtime = "run") const
    {
        std::map<std::string, std::string> own{{"HOME", (root / "home").string()},
                                               {"XDG_STATE_HOME", (root / "state").string()},
                                               {"XDG_CONFIG_HOME", (root / "config").string()},
                                               {"XDG_CACHE_HOME", (root / "cache").string()},
                                               {"XDG_RUNTIME_DIR", (root / runtime).string()},
                                               {"DISPLAY", ":97"},
                                               {"QT_QPA_PLATFORM", "offscreen"}};
        if (runtime.empty()) {
            own.erase("XDG_RUNTIME_DIR");
            own["TMPDIR"] = (root / "tmp").string();
        }
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string name = std::string(*e).substr(0, std::string(*e).find('='));
            if (!own.count(name) && name != "XDG_RUNTIME_DIR")
                env.push_back(*e);
        }
        for (const auto& [name, value] : own)
            env.push_back(name + "=" + value);
        return env;
    }
    std::set<std::string> autosaveFiles() const
    {
        std::set<std::string> names;
        if (fs::is_directory(autosave))
            for (const auto& e : fs::directory_iterator(autosave))
                names.insert(e.path().filename().string());
        return names;
    }
};

// A listener on a local socket that claims every request it is sent, as a
// socket someone else made first in the shared temporary folder would.
class Claimer {
public:
    explicit Claimer(const std::string& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 4) != 0)
            return;
        listening_ = true;
        thread_ = std::thread([this] { serve(); });
    }
    ~Claimer()
    {
        finish();
        close(listener_);
    }
    Claimer(const Claimer&) = delete;
    Claimer& operator=(const Claimer&) = delete;

    bool listening() const { return listening_; }
    // Waits until the one connection it takes has ended (10 seconds at
    // most); answers whether there was one and the bytes sent on it.
    std::pair<bool, std::string> finish()
    {
        if (thread_.joinable())
            thread_.join();
        return {met_, received_};
    }

private:
    void serve()
    {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, 10000) <= 0)
            return;
        const int connection = accept(listener_, nullptr, nullptr);
        met_ = connection >= 0;
        for (pollfd reading{connection, POLLIN, 0}; met_ && poll(&reading, 1, 10000) > 0;) {
            char chunk[4096];
            const ssize_t n = read(connection, chunk, sizeof chunk);
            if (n <= 0)
                break;
            received_.append(chunk, size_t(n));
            const char taken = 1;
            if (write(connection, &taken, 1) != 1)
                break;
        }
        close(connection);
    }

    int listener_ = -1;
    bool listening_ = false;
    bool met_ = false;
    std::string received_;
    std::thread thread_;
};

bool nonEmpty(const std::vector<std::string>& reply)
{
    return !reply.empty() && !reply[0].empty() && reply[0][0] != '(';
}

} // namespace

TEST(EditorProcess, AKilledEditorLeavesItsAutosaveAndTheNextStartRecoversTheExactText)
{
    Session s;
    std::string entry, text;
    std::string session;
    {
        Process editor(binDir() / "tosk_test_driver", {"--autosave-ms", "50", s.demo}, s.env());
        ASSERT_TRUE(editor.started());
        auto windows = editor.ask("windows");
        ASSERT_EQ(windows.size(), 1u) << testing::PrintToString(windows);
        EXPECT_EQ(split(windows[0]), (std::vector<std::string>{"window", "0", "demo", s.demo}));

        // Changed: kept after the interval; then killed.
        EXPECT_TRUE(editor.ask("move 2").empty());
        entry = editor.askUntil("autosave", nonEmpty).at(0);
        ASSERT_TRUE(nonEmpty({entry})) << entry;
        text = unhex(editor.ask("text").at(0));
        EXPECT_EQ(test::readFile(s.autosave / (entry + ".sig")), text);
        editor.kill9();
    }
    session = AutosaveStore::sessionOf(entry);
    EXPECT_EQ(s.autosaveFiles(), (std::set<std::string>{entry + ".json", entry + ".sig", session + ".lock"}))
        << "the killed run's autosave and its lock stay";
    EXPECT_EQ(test::readFile(s.autosave / (entry + ".sig")), text);
    EXPECT_NE(test::readFile(s.demo), text) << "the user's file is as it was";

    Process next(binDir() / "tosk_test_driver", {"--autosave-ms", "50"}, s.env());
    ASSERT_TRUE(next.started());
    const auto dialog = next.ask("dialog");
    ASSERT_EQ(dialog.size(), 4u) << testing::PrintToString(dialog);
    EXPECT_EQ(dialog[0].substr(0, dialog[0].find("  (")),
              "dialog\tChanges to these patches were not saved when Tosk last ended:\\n\\n" + s.demo);
    EXPECT_EQ(std::vector<std::string>(dialog.begin() + 1, dialog.end()),
              (std::vector<std::string>{"button\tRecover", "button\tDiscard", "button\tDecide later"}));
    EXPECT_EQ(next.ask("click Recover"), (std::vector<std::string>{"clicked"}));

    const auto windows = next.askUntil("windows", nonEmpty);
    ASSERT_EQ(windows.size(), 1u) << testing::PrintToString(windows);
    EXPECT_EQ(split(windows[0]), (std::vector<std::string>{"window", "1", "demo (recovered)", "", s.demo}));
    EXPECT_EQ(unhex(next.ask("text").at(0)), text) << "the exact text";

    const auto recovered = next.ask("autosave");
    ASSERT_EQ(recovered.size(), 1u);
    EXPECT_NE(AutosaveStore::sessionOf(recovered[0]), session) << "now the new run's";
    EXPECT_EQ(test::readFile(s.autosave / (recovered[0] + ".sig")), text);
    EXPECT_FALSE(fs::exists(s.autosave / (entry + ".sig")));
    EXPECT_FALSE(fs::exists(s.autosave / (session + ".lock")));
}

TEST(EditorProcess, ASecondStartHandsItsFilesToTheEditorOfItsDisplay)
{
    Session s;
    Process first(binDir() / "tosk_test_driver", {}, s.env());
    ASSERT_TRUE(first.started());
    EXPECT_TRUE(first.ask("windows").empty());

    // `tosk demo.sig` from the patch folder, as a file manager starts it.
    Process second(binDir() / "tosk", {"demo.sig"}, s.env(), s.patches);
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.wait(), 0) << "handed over and ended";
    const auto windows = first.askUntil("windows", nonEmpty);
    ASSERT_EQ(windows.size(), 1u) << testing::PrintToString(windows);
    EXPECT_EQ(split(windows[0]), (std::vector<std::string>{"window", "0", "demo", s.demo}));

    // Another runtime folder is another session: its editor opens the file
    // itself.
    Process other(binDir() / "tosk_test_driver", {s.demo}, s.env("run2"));
    ASSERT_TRUE(other.started());
    const auto own = other.ask("windows");
    ASSERT_EQ(own.size(), 1u) << testing::PrintToString(own);
    EXPECT_EQ(split(own[0])[3], s.demo);
    EXPECT_EQ(first.ask("windows").size(), 1u) << "nothing more reached the first editor";
}

TEST(EditorProcess, QuittingDuringABackupAsksThenStopsItAndEndsCleanly)
{
    Session s;
    // Replies at 300 bytes a second: the backup takes a while.
    test::UnitProcess unit(s.root.path(), {"--banks", test::makeTestBanks(s.root.path()).string(), "--rate", "300"});
    ASSERT_TRUE(unit.started());
    fs::create_directories(s.root / "config" / "Tosk");
    test::writeFile(s.root / "config" / "Tosk" / "Tosk.conf", "[General]\nPortName=" + unit.link() + "\n");
    const fs::path backup = s.root / "backup";
    fs::create_directories(backup);

    Process editor(binDir() / "tosk_test_driver", {}, s.env());
    ASSERT_TRUE(editor.started());
    EXPECT_TRUE(editor.ask("unit-browser").empty());
    // "browser", busy (0/1), status.
    auto busy = [](const std::vector<std::string>& reply, const char* flag) {
        return reply.size() == 1 && split(reply[0]).size() >= 2 && split(reply[0])[1] == flag;
    };
    auto idle = [&](const std::vector<std::string>& reply) { return busy(reply, "0"); };
    ASSERT_TRUE(idle(editor.askUntil("unit", idle))) << "the banks were read";
    EXPECT_EQ(editor.ask("backup " + backup.string()), std::vector<std::string>{"started"});

    // Asked first; the backup goes on when the user would rather wait.
    const std::vector<std::string> question{"dialog\tA backup of the unit's banks is running. Stop it and quit?",
                                            "button\tStop and Quit", "button\tCancel"};
    auto shown = [](const std::vector<std::string>& reply) { return nonEmpty(reply) && reply[0] != "none"; };
    EXPECT_TRUE(editor.ask("quit").empty());
    EXPECT_EQ(editor.askUntil("dialog", shown), question);
    EXPECT_EQ(editor.ask("click Cancel"), std::vector<std::string>{"clicked"});
    EXPECT_TRUE(busy(editor.ask("unit"), "1")) << "the backup goes on";

    EXPECT_TRUE(editor.ask("quit").empty());
    EXPECT_EQ(editor.askUntil("dialog", shown), question);
    EXPECT_EQ(editor.ask("click Stop and Quit"), std::vector<std::string>{"clicked"});
    EXPECT_EQ(editor.wait(), 0) << "ended by itself, without a sanitizer's report";

    // What the backup wrote before it stopped is whole.
    const std::set<std::string> patches{test::smallRoomText, test::hallText, test::echoText};
    for (const auto& entry : fs::recursive_directory_iterator(backup)) {
        if (entry.is_regular_file()) {
            EXPECT_TRUE(entry.path().extension() == ".sig" && patches.count(test::readFile(entry.path())))
                << entry.path();
        }
    }
}

// Without a runtime folder the socket lies in the shared temporary folder
// under a name anyone can work out, so someone else may listen there first.
// The editor passes such a socket by: it sends it nothing and opens the file
// itself. (The driver is told to expect another user: the test cannot be
// one.)
TEST(EditorProcess, ASocketOfAnotherUserIsPassedByAndTheEditorOpensTheFileItself)
{
    Session s;
    QString name;
    {
        test::ScopedEnv tmp("TMPDIR", (s.root / "tmp").string());
        name = SingleInstance::serverName("", ":97", "", QString::fromStdString((s.root / "home").string()));
    }
    ASSERT_EQ(fs::path(name.toStdString()).parent_path(), s.root / "tmp");

    Claimer claimer(name.toStdString());
    ASSERT_TRUE(claimer.listening());
    Process editor(binDir() / "tosk_test_driver", {"--instance-user", std::to_string(geteuid() + 1), s.demo},
                   s.env(""));
    ASSERT_TRUE(editor.started());
    const auto windows = editor.ask("windows");
    ASSERT_EQ(windows.size(), 1u) << testing::PrintToString(windows);
    EXPECT_EQ(split(windows[0]), (std::vector<std::string>{"window", "0", "demo", s.demo}));
    const auto [met, received] = claimer.finish();
    EXPECT_TRUE(met) << "the editor found the socket";
    EXPECT_EQ(received.size(), 0u) << "and sent it nothing";
}
