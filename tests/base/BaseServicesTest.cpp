// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Alerts.h"
#include "base/Geometry.h"
#include "base/Localization.h"
#include "base/MainThreadPoster.h"
#include "base/NotificationCenter.h"
#include "base/SettingsStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <thread>

using namespace tosk;

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
