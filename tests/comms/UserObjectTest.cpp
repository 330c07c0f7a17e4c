// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommsTestSupport.h"

#include "base/Log.h"
#include "base/TkxException.h"
#include "comms/ColObject.h"
#include "comms/ConObject.h"
#include "comms/InfObject.h"
#include "comms/KeyedArray.h"
#include "comms/NumObject.h"
#include "comms/SetObject.h"
#include "comms/StrObject.h"
#include "comms/TrgObject.h"
#include "comms/UnkObject.h"
#include "comms/UserObjectFactory.h"

#include <gtest/gtest.h>

using namespace tosk;
using tosk::test::describe;
using tosk::test::failureText;
using tosk::test::thrownBy;

namespace {
template <typename T> std::shared_ptr<T> make(const std::string& line)
{
    auto object = std::dynamic_pointer_cast<T>(UserObjectFactory::createUserObject(line));
    EXPECT_TRUE(object) << line;
    return object;
}
} // namespace

TEST(UserObjects, LineCutter)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(BaseObject::cutLine("a b c "), (V{"a", "b", "c"}));
    EXPECT_EQ(BaseObject::cutLine("a b c"), (V{"a", "b"})); // the last part waits for its space
    EXPECT_EQ(BaseObject::cutLine("a  b "), (V{"a", "", "b"}));
    EXPECT_EQ(BaseObject::cutLine("'two words' \"it's\" '' "), (V{"two words", "it's", ""}));
    EXPECT_EQ(BaseObject::cutLine("x'y z' "), (V{"xy z"}));
    EXPECT_EQ(BaseObject::cutLine("\tpad\t "), (V{"pad"}));
    EXPECT_EQ(BaseObject::cutLine("'open quote "), V{});
}

TEST(UserObjects, EveryClassFromItsTypeTagWithItsFieldsAndMissingParts)
{
    const std::pair<const char*, const char*> cases[] = {
        {"NUM x 12 0 Gain Gain 0.5 0 1 0.01 ", "NUM 12 Gain Gain 0.5 in 0..1 by 0.01"},
        {"NUM x 12 0 Gain Gain 0.5 0 1 0.01", "NUM 12 Gain Gain 0.5 in 0..1 by 0"}, // the last part waits for its space
        {"NUM x 12 0 Gain Gain loud -2.5e1 3x 7 ", "NUM 12 Gain Gain 0 in -25..3 by 7"}, // present but not a number: 0
        {"SET x 7 1 Mode '' 1 Stereo 2 Mono Stereo ",
         "SET 7 Mode Mode 1=Stereo of Mono Stereo"}, // empty tag: the statement
        // Hexadecimal counts; strings trimmed; fewer strings than declared.
        {"SET x 7 1 Banks banks A 'Ten' C '1 Hall' ' 2 Plate ' ", "SET 7 Banks banks 10=Ten of 1 Hall 2 Plate"},
        {"SET x 7 1 Banks banks ", "SET 7 Banks banks 0= of"},
        {"SET x 7 1 Big big 0 a FFFFFFFF a b ",
         "SET 7 Big big 0=a of a b"}, // a count in the billions reads what is there
        {"COL m 1 0 Program program 1A ", "COL 1 Program program [26]"},
        {"CON k 3 1 Level level -3.25 ", "CON 3 Level level = -3.25"},
        {"INF t 4 1 Version version '2.1 beta' ", "INF 4 Version version = 2.1 beta"},
        {"STR t 5 1 Name name \"My Hall  Two\" ", "STR 5 Name name = 'My Hall  Two'"},
        {"TRG k 6 1 Go go ", "TRG 6 Go go (trigger)"},
        {"XYZ a b c d e ", "XYZ b d e (unknown)"},
        // Missing type parts: 0 for numbers, absent for texts.
        {"COL m 1 0 Program program ", "COL 1 Program program [0]"},
        {"CON k 3 1 Level level ", "CON 3 Level level = 0"},
        {"INF t 4 1 Version version ", "INF 4 Version version = -"},
    };
    LogCapture quiet;
    for (const auto& [line, fields] : cases)
        EXPECT_EQ(describe(*UserObjectFactory::createUserObject(line)), fields) << line;
    auto num = UserObjectFactory::createUserObject("NUM x 12 0 Gain Gain 0.5 0 1 0.01 ");
    EXPECT_EQ(num->parentKey() + " " + num->subType(), "0 x");

    auto set = make<SetObject>("SET x 7 1 Mode '' 1 Stereo 2 Mono Stereo ");
    EXPECT_FALSE(set->stringAtIndex(2));
    set->setCurrentIndex(5); // out of range: ignored
    EXPECT_EQ(set->currentIndex(), 1u);
    set->setCurrentIndex(0);
    EXPECT_EQ(set->currentString(), "Mono");

    // Fewer than six parts: still created; leading spaces are skipped for the type only.
    auto short_ = UserObjectFactory::createUserObject("  TRG k 6 ");
    EXPECT_TRUE(std::dynamic_pointer_cast<TrgObject>(short_));
    EXPECT_EQ(short_->objectType(), "");
    EXPECT_EQ(short_->objectPartAt(2), "TRG");
    EXPECT_FALSE(short_->objectPartAt(6));

    for (const char* empty : {"", "   "}) {
        auto e = thrownBy([&] { UserObjectFactory::createUserObject(empty); });
        EXPECT_EQ(failureText(e), std::string("UserObjectFactory: invalid user object: ") + empty);
    }
}

TEST(UserObjects, KeyedArrayKeepsOrderAndFirstObjects)
{
    KeyedArray a;
    auto first = UserObjectFactory::createUserObject("TRG k 1 0 A a ");
    auto second = UserObjectFactory::createUserObject("TRG k 2 0 B b ");
    auto third = UserObjectFactory::createUserObject("SET k 3 0 C c 0 x 1 x ");
    EXPECT_TRUE(a.setObject(second, "b"));
    EXPECT_TRUE(a.setObject(first, "a"));
    EXPECT_FALSE(a.setObject(third, "a")); // duplicate: the first stays
    EXPECT_TRUE(a.setObject(third, "c"));
    EXPECT_EQ(a.keys(), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_EQ(a.objectForKey("a"), first);
    EXPECT_EQ(a.objectAtIndex(0), second);
    EXPECT_EQ(a.objectAtIndex(3), nullptr);
    EXPECT_TRUE(a.objectForKey<SetObject>("c"));
    EXPECT_FALSE(a.objectForKey<SetObject>("a"));
    a.removeObjectAtIndex(7);
    a.removeObjectAtIndex(0);
    EXPECT_EQ(a.keys(), (std::vector<std::string>{"a", "c"}));
    a.removeObjectForKey("c");
    a.removeObjectForKey("c");
    EXPECT_EQ(a.keys(), std::vector<std::string>{"a"});
    a.removeAllObjects();
    EXPECT_EQ(a.objectForKey("a"), nullptr);
}
