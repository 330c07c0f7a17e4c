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
#include "support/FolderTree.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace tosk;
namespace fs = std::filesystem;

namespace {

// A program of this build started with pipes to its stdin and from its stdout.
class Process {
public:
    Process(const char* program, const std::vector<std::string>& args, const QProcessEnvironment& env,
            const fs::path& folder = {})
    {
        process_.setProgram(
            QString::fromStdString((fs::read_symlink("/proc/self/exe").parent_path() / program).string()));
        for (const std::string& arg : args)
            process_.setArguments(process_.arguments() << QString::fromStdString(arg));
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(QString::fromStdString(folder.string()));
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        process_.waitForStarted(); // if it does not start, the first answer says so
    }
    ~Process() { kill9(); }

    // Sends a command and answers the lines of its reply ("end" left out),
    // or what went wrong in parentheses.
    std::vector<std::string> ask(const std::string& command)
    {
        process_.write((command + "\n").c_str());
        std::vector<std::string> lines;
        for (;;) {
            while (process_.canReadLine()) {
                lines.push_back(process_.readLine().chopped(1).toStdString());
                if (lines.back() == "end")
                    return lines.pop_back(), lines;
            }
            if (!process_.waitForReadyRead(20000))
                return lines.push_back("(ended or no answer)"), lines;
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
        process_.kill();
        process_.waitForFinished();
    }

    // The exit status, or -1 when it did not end in 20 seconds or was killed.
    int wait()
    {
        if (!process_.waitForFinished(20000))
            return -1;
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }

private:
    QProcess process_;
};

std::string unhex(const std::string& hex)
{
    return QByteArray::fromHex(QByteArray::fromStdString(hex)).toStdString();
}

// A home, state, configuration and runtime folder for the editors of one test.
struct Session {
    test::TempDir root;
    fs::path patches = root / "patches";
    fs::path autosave = root / "state" / "tosk" / "autosave";
    std::string demo;

    Session()
    {
        for (const char* d : {"home", "state", "config", "cache", "run", "run2", "patches"})
            fs::create_directories(root / d);
        chmod((root / "run").c_str(), 0700);
        chmod((root / "run2").c_str(), 0700);
        demo = fs::canonical(patches).string() + "/demo.sig";
        test::writeFile(demo, test::readFile(test::dataPath("examples/demo.sig")));
    }
    // This process's environment with the session's folders.
    QProcessEnvironment env(const std::string& runtime = "run") const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, folder] : std::map<QString, std::string>{{"HOME", "home"},
                                                                         {"XDG_STATE_HOME", "state"},
                                                                         {"XDG_CONFIG_HOME", "config"},
                                                                         {"XDG_CACHE_HOME", "cache"},
                                                                         {"XDG_RUNTIME_DIR", runtime}})
            env.insert(name, QString::fromStdString((root / folder).string()));
        env.insert("DISPLAY", ":97");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }
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
    {
        Process editor("tosk_test_driver", {"--autosave-ms", "50", s.demo}, s.env());
        // Changed: kept after the interval; then killed.
        EXPECT_TRUE(editor.ask("move 2").empty());
        entry = editor.askUntil("autosave", nonEmpty).at(0);
        ASSERT_TRUE(nonEmpty({entry})) << entry;
        text = unhex(editor.ask("text").at(0));
        editor.kill9();
    }
    const std::string session = AutosaveStore::sessionOf(entry);
    EXPECT_EQ(test::namesIn(s.autosave), (std::set<std::string>{entry + ".json", entry + ".sig", session + ".lock"}))
        << "the killed run's autosave and its lock stay";
    EXPECT_EQ(test::readFile(s.autosave / (entry + ".sig")), text);
    EXPECT_NE(test::readFile(s.demo), text) << "the user's file is as it was";

    Process next("tosk_test_driver", {"--autosave-ms", "50"}, s.env());
    // The offer itself is AutosaveController's; here the real start makes it.
    EXPECT_EQ(next.ask("dialog").size(), 4u);
    EXPECT_EQ(next.ask("click Recover"), (std::vector<std::string>{"clicked"}));

    EXPECT_EQ(next.askUntil("windows", nonEmpty), std::vector<std::string>{"window\t1\tdemo (recovered)\t\t" + s.demo});
    EXPECT_EQ(unhex(next.ask("text").at(0)), text) << "the exact text";
    EXPECT_FALSE(fs::exists(s.autosave / (session + ".lock"))) << "the killed run's lock is known as stale";
}

TEST(EditorProcess, ASecondStartHandsItsFilesToTheEditorOfItsDisplay)
{
    Session s;
    Process first("tosk_test_driver", {}, s.env());
    EXPECT_TRUE(first.ask("windows").empty());

    // `tosk demo.sig` from the patch folder, as a file manager starts it.
    Process second("tosk", {"demo.sig"}, s.env(), s.patches);
    EXPECT_EQ(second.wait(), 0) << "handed over and ended";
    const std::vector<std::string> demoWindow{"window\t0\tdemo\t" + s.demo + "\t"};
    EXPECT_EQ(first.askUntil("windows", nonEmpty), demoWindow);

    // Another runtime folder is another session: its editor opens the file
    // itself.
    Process other("tosk_test_driver", {s.demo}, s.env("run2"));
    EXPECT_EQ(other.ask("windows"), demoWindow);
    EXPECT_EQ(first.ask("windows"), demoWindow) << "nothing more reached the first editor";
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

    Process editor("tosk_test_driver", {}, s.env());
    EXPECT_TRUE(editor.ask("unit-browser").empty());
    // "browser", busy (0/1), status.
    auto busy = [](const std::vector<std::string>& reply, const char* flag) {
        return reply.size() == 1 && reply[0].starts_with(std::string("browser\t") + flag + "\t");
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
// A start passes such a socket by: it checks the owner of the other end and
// sends it nothing; the editor then opens the file itself, as when no editor
// listens (above).
TEST(EditorProcess, ASocketOfAnotherUserIsPassedByAndTheEditorOpensTheFileItself)
{
    test::TempDir dir;
    const QString name = QString::fromStdString((dir / "tosk.socket").string());
    QLocalServer someoneElse;
    ASSERT_TRUE(someoneElse.listen(name));
    SingleInstance start(name);
    start.setUser(long(geteuid()) + 1); // the test cannot be another user
    EXPECT_FALSE(start.handOff({"/p/demo.sig"}, 5000));
    ASSERT_TRUE(someoneElse.waitForNewConnection(10000)) << "the start found the socket";
    QLocalSocket* met = someoneElse.nextPendingConnection();
    if (met->state() == QLocalSocket::ConnectedState)
        met->waitForDisconnected(10000);
    EXPECT_EQ(met->readAll().size(), 0) << "and sent it nothing";
}
