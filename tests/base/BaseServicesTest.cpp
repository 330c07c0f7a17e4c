// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Alerts.h"
#include "base/CompactText.h"
#include "base/Geometry.h"
#include "base/Localization.h"
#include "base/MainThreadPoster.h"
#include "base/NotificationCenter.h"
#include "base/SafeFileName.h"
#include "base/SettingsStore.h"
#include "base/TkxException.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace tosk;

namespace {

// The keys of the lines that hold a "key" = "text"; pair.
std::vector<std::string> keysOf(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> keys;
    for (std::string line; std::getline(in, line);) {
        const size_t end = line.find('"', 1);
        if (!line.empty() && line[0] == '"' && end != std::string::npos && line.find('=', end) != std::string::npos)
            keys.push_back(line.substr(1, end - 1));
    }
    return keys;
}

} // namespace

TEST(Geometry, UnionIntersectionOffsetInset)
{
    Rect a(10, 20, 80, 32), b(50, 40, 100, 100);
    EXPECT_EQ(a.united(b), Rect(10, 20, 140, 120));
    EXPECT_EQ(a.intersected(b), Rect(50, 40, 40, 12));
    EXPECT_EQ(a.intersected(Rect(200, 200, 5, 5)), Rect());
    EXPECT_FALSE(a.intersects(Rect(90, 20, 10, 10))) << "touching edges do not overlap";
    EXPECT_EQ(Rect().united(a), a) << "an empty rect does not widen a union";
    EXPECT_EQ(a.offset(-10, 5), Rect(0, 25, 80, 32));
    EXPECT_EQ(a.inset(2, 3), Rect(12, 23, 76, 26));
    EXPECT_EQ(a.inset(-2, -2), Rect(8, 18, 84, 36));
}

TEST(Geometry, RectFromPointsTakesEitherCornerFirst)
{
    struct Case {
        Point a, b;
        Rect expected;
    } cases[] = {
        {{10, 40}, {30, 20}, Rect(10, 20, 20, 20)}, {{30, 20}, {10, 40}, Rect(10, 20, 20, 20)},
        {{30, 40}, {10, 20}, Rect(10, 20, 20, 20)}, {{5.5, 7}, {5.5, 7}, Rect(5.5, 7, 0, 0)},
        {{-3, 2}, {4, -6}, Rect(-3, -6, 7, 8)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TKXRectFromPoints(c.a, c.b), c.expected) << c.a.x << "," << c.a.y << " " << c.b.x << "," << c.b.y;
}

TEST(Geometry, FlippedContainmentOwnsTheTopEdgeNotTheBottom)
{
    Rect r(0, 0, 80, 16);
    EXPECT_TRUE(mouseInRect({0, 0}, r, true));
    EXPECT_FALSE(mouseInRect({0, 16}, r, true));
    EXPECT_FALSE(mouseInRect({0, 0}, r, false));
    EXPECT_TRUE(mouseInRect({0, 16}, r, false));
    EXPECT_FALSE(mouseInRect({80, 5}, r, true));
    EXPECT_TRUE(r.contains(Point{79.5, 15.5}));
}

TEST(CompactText, KeepsEveryLengthAndTakesItsOwnPart)
{
    const std::vector<std::string> texts{"", "a", std::string(15, 'x'), std::string(16, 'y'), std::string(300, 'z')};
    for (const std::string& text : texts) {
        tosk::CompactText t(text);
        EXPECT_EQ(t.view(), text);
        tosk::CompactText copy = t;
        tosk::CompactText moved = std::move(t);
        EXPECT_EQ(copy.view(), text);
        EXPECT_EQ(moved.view(), text);
        EXPECT_TRUE(t.empty());
        // A part of its own text, inside and on the heap, both ways.
        for (const size_t keep : {size_t(0), std::min<size_t>(3, text.size()), text.size() / 2, text.size()}) {
            tosk::CompactText part = copy;
            part.assign(part.view().substr(text.size() - keep));
            EXPECT_EQ(part.view(), text.substr(text.size() - keep));
        }
        // Any length over any other, inside and on the heap.
        for (const std::string& other : texts) {
            tosk::CompactText over(other);
            over.assign(text);
            EXPECT_EQ(over.view(), text);
        }
    }
}

TEST(NotificationCenter, DeliversByNameAndObjectAndSurvivesRemovalWhilePosting)
{
    NotificationCenter center;
    int a = 0, b = 0, any = 0;
    int owner1, owner2, poster1, poster2;
    center.addObserver(&owner1, "TKXModuleDidChange", &poster1, [&](const Notification& n) {
        ++a;
        EXPECT_EQ(n.info<std::string>("sender"), "canvas");
        center.removeObserver(&owner1); // removing itself during delivery is safe
    });
    center.addObserver(&owner2, "TKXModuleDidChange", nullptr, [&](const Notification&) { ++b; });
    center.addObserver(&owner2, "", nullptr, [&](const Notification&) { ++any; });

    center.post("TKXModuleDidChange", &poster1, {{"sender", std::string("canvas")}});
    center.post("TKXModuleDidChange", &poster2);
    center.post("TKXModuleDidMove", &poster1);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(any, 3);
    center.removeObserver(&owner2, "TKXModuleDidChange");
    center.post("TKXModuleDidChange", &poster1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(center.observerCount(), 1u);
}

TEST(NotificationCenter, AThrowingHandlerLeavesRemovalsWorking)
{
    NotificationCenter center;
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> handlerState = token;
    const uint64_t later = center.addObserver(&center, "Tick", nullptr, [token](const Notification&) {});
    token.reset();
    center.addObserver(&center, "Boom", nullptr, [](const Notification&) { throw std::runtime_error("failed"); });
    EXPECT_THROW(center.post("Boom"), std::runtime_error);
    center.removeObserver(later);
    EXPECT_TRUE(handlerState.expired()) << "the removed observer is dropped, not kept as if still posting";
}

TEST(Localization, TableParsingAndFallbacks)
{
    auto& l = Localization::shared();
    EXPECT_EQ(l.loadTable("TestTable", "/* comment */\n\"Greeting\" = \"Hello \\\"you\\\"\";\n// line\n"
                                       "\"Two\"=\"a;b\" ;"),
              2u);
    EXPECT_EQ(l.string("Greeting", "", "TestTable"), "Hello \"you\"");
    EXPECT_EQ(l.string("Two", "", "TestTable"), "a;b");
    EXPECT_EQ(l.string("Missing", "English text", "TestTable"), "English text");
    EXPECT_EQ(l.string("Missing", "", "TestTable"), "Missing");
}

// Every pair of both bundled tables parses, and the program's own tables
// answer each key with the file's text rather than a fallback.
TEST(LocalizationTables, TheProgramReadsEveryPairOfBothBundledTables)
{
    for (const char* table : {"Localizable", "UndoStrings"}) {
        const std::string text = test::readFile(test::dataPath(std::string(table) + ".strings"));
        const std::vector<std::string> keys = keysOf(text);
        EXPECT_GT(keys.size(), 10u) << table;
        const std::string check = std::string("Check-") + table;
        EXPECT_EQ(Localization::shared().loadTable(check, text), keys.size()) << table;
        for (const std::string& key : keys)
            EXPECT_EQ(Localization::shared().string(key, "(fallback)", table),
                      Localization::shared().string(key, "(missing)", check))
                << table << " " << key;
    }
}

TEST(Alerts, ErrorAndAlertAreOneButtonAlertsTitledByTheirKind)
{
    ScopedRecordingAlerts rec;
    Alerts::error("Unknown Field Type");
    Alerts::alert("Nothing changed.");
    EXPECT_EQ(Alerts::show(AlertStyle::Warning, "Revert", "Sure?"), 0);
    EXPECT_EQ(test::alertLines(rec.recorded), (std::vector<std::string>{"Critical | ERROR | Unknown Field Type | OK",
                                                                        "Informational | ALERT | Nothing changed. | OK",
                                                                        "Warning | Revert | Sure? | OK"}));
}

TEST(MainThreadPoster, WorkPostedFromAnotherThreadRunsWhenPumped)
{
    QueuedMainThreadPoster poster;
    std::thread::id ranOn;
    std::thread worker([&] { poster.post([&] { ranOn = std::this_thread::get_id(); }); });
    worker.join();
    EXPECT_EQ(poster.waitAndPump(std::chrono::milliseconds(1000)), 1u);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(poster.pump(), 0u);
}

// A setting written by another program may say yes in several ways.
TEST(SettingsStore, TheTextsOfABooleanSetting)
{
    MemorySettingsStore s;
    EXPECT_FALSE(s.boolValue("CreateNewDocKey")) << "unset";
    const std::pair<const char*, bool> texts[] = {{"true", true}, {"YES", true}, {"1", true},   {"2", true},
                                                  {"-1", true},   {"0", false},  {"no", false}, {"false", false},
                                                  {"", false},    {"on", false}};
    for (const auto& [text, yes] : texts) {
        s.setValue("CreateNewDocKey", text);
        EXPECT_EQ(s.boolValue("CreateNewDocKey"), yes) << text;
    }
    s.setBool("CreateNewDocKey", true);
    EXPECT_TRUE(s.boolValue("CreateNewDocKey"));
    s.setBool("CreateNewDocKey", false);
    EXPECT_FALSE(s.boolValue("CreateNewDocKey"));
}

TEST(FailureWords, SayWhatFailedOnWhatAndWhyWithoutTheCodeName)
{
    const std::string tty = "/dev/ttyUSB0";
    struct Case {
        TkxException failure;
        std::string words;
    };
    const Case cases[] = {
        {TkxException("SerialPort.open", tty + " - Permission denied", EACCES, tty),
         "Cannot open the serial line /dev/ttyUSB0: permission denied (add yourself to the dialout group)."},
        {TkxException("SerialPort.open", "x", EBUSY, tty),
         "Cannot open the serial line /dev/ttyUSB0: device or resource busy (another program is using this line)."},
        {TkxException("MidiPort.open", "x", ENOENT, "/dev/snd/midiC1D0"),
         "Cannot open the MIDI interface /dev/snd/midiC1D0: no such file or directory (is the interface "
         "connected?)."},
        {TkxException("SerialPort.open", "no portPath"), "No serial line is chosen in the preferences."},
        {TkxException("MidiPort.open", "no portPath"), "No MIDI interface is chosen in the preferences."},
        {TkxException("SerialPort.configure", "x", EBADF, tty), "Cannot set up the serial line /dev/ttyUSB0: bad file "
                                                                "descriptor."},
        // Renamed on the way up, the failure keeps its errno and line.
        {TkxException("SerialPort.putData", "write error EIO", EIO, tty).renamed("SerialConnection.putData"),
         "Cannot write to the serial line /dev/ttyUSB0: input/output error."},
        {TkxException("SerialConnection.getByte", "timeout Success"), "The unit did not answer in time."},
        {TkxException("SerialPort.getByte", "timeout error Interrupted", EINTR, tty),
         "Cannot read from the serial line /dev/ttyUSB0: interrupted system call."},
        // Without an errno the reason is said, the line named once.
        {TkxException("SerialConnection.open", tty + " - line busy: another request holds it", 0, tty),
         "Cannot open the serial line /dev/ttyUSB0: line busy: another request holds it."},
        {TkxException("MidiPort.open", "No MIDI interfaces found"), "No MIDI interfaces found."},
        {TkxException("SerialIOServer.serialIORequest", "The unit answered as device 5, not 0."),
         "The unit answered as device 5, not 0."},
        {TkxException("UnitSession.identify", "no reply from the unit"), "No reply from the unit."},
        {TkxException("SYSEXC ERROR", "bank is locked"), "The unit reported an error: Bank is locked."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(failureWords(c.failure), c.words) << c.failure.what();
}

// Names a unit sends become names that are safe in any folder.
TEST(SafeFileName, NamesFromAUnitBecomeSafeFileNames)
{
    struct Case {
        std::string unit;
        std::string file;
    };
    const std::vector<Case> cases = {
        {"Large Hall", "Large Hall"},
        {"..", "--"},
        {".", "-"},
        {"", "Untitled"},
        {"   ", "Untitled"},
        {"a/b", "a|b"},
        {"/", "|"},
        {".hidden", "-hidden"},
        {"a..b", "a..b"},
        {"  Padded  ", "Padded"},
        {std::string("tab\there\nnul\0end", 16), "tab here nul end"},
        {"\x7f", "Untitled"},
        {"Caf\xe9", "Caf\xc3\xa9"},
        {std::string(300, 'x'), std::string(240, 'x')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(safeFileName(c.unit), c.file) << '"' << c.unit << '"';

    // A long name is cut before a whole character: after "a", every
    // two-byte character starts at an odd byte, and byte 240 is the second
    // half of one.
    const std::string cut = safeFileName("a" + std::string(200, '\xe9'));
    ASSERT_EQ(cut.size(), 239u);
    EXPECT_EQ(cut[0], 'a');
    for (size_t i = 1; i < cut.size(); i += 2)
        EXPECT_EQ(cut.substr(i, 2), "\xc3\xa9") << i;
}

// Within one copy every item gets its own name, numbered before the
// extension.
TEST(SafeFileName, RepeatedNamesAreNumberedBeforeTheExtension)
{
    UniqueFileNames names;
    const std::vector<std::pair<std::string, std::string>> asked = {
        {"Echo", ".sig"}, {"Echo", ".sig"}, {"Echo", ".sig"}, {"Echo 2", ".sig"},
        {"Echo", ""},     {"Echo", ""},     {"echo", ".sig"},
    };
    std::vector<std::string> given;
    for (const auto& [base, extension] : asked)
        given.push_back(names.claim(base, extension));
    EXPECT_EQ(given, (std::vector<std::string>{"Echo.sig", "Echo 2.sig", "Echo 3.sig", "Echo 2 2.sig", "Echo", "Echo 2",
                                               "echo.sig"}));

    // Patches from a unit's slots carry the slot when their name is
    // taken: a counter would read as another patch's name ("Pad 2").
    UniqueFileNames slots;
    const std::vector<std::pair<std::string, int>> patches = {{"Pad", 0}, {"Pad", 1},  {"Pad 2", 4},
                                                              {"Pad", 1}, {"Pad", -1}, {"Pad 2", -1}};
    given.clear();
    for (const auto& [base, slot] : patches)
        given.push_back(slots.claim(base, ".sig", slot));
    EXPECT_EQ(given, (std::vector<std::string>{"Pad.sig", "Pad (slot 1).sig", "Pad 2.sig", "Pad (slot 1) 2.sig",
                                               "Pad 3.sig", "Pad 2 2.sig"}));
}
