// SPDX-License-Identifier: GPL-3.0-or-later
// Groups of modules: reading group records, what the group answers, writing
// it back the way it was read.
#include "SigFileTestSupport.h"

#include "Toskfile/SModule.h"
#include "Toskfile/SigfileTokenizer.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string kHead = "HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj";

std::shared_ptr<SModule> readGroup(const std::string& text)
{
    SigfileTokenizer tokenizer(text);
    LogCapture quiet;
    return std::dynamic_pointer_cast<SModule>(SModule::moduleFromTokenizer(tokenizer, bundledDbase()));
}

} // namespace

TEST(SuperModule, AGroupRecordMakesAGroupOfItsMembers)
{
    auto group =
        readGroup(crlf({";Ss=GROUP 3, MyGroup, G1 ;=100,50", "SINE osc 440 0.5 ;=100,50,80,0",
                        "; a note among the members", "GAIN g osc-out 1 ;=140,90,80,0 f= 2,1", "GAIN after 0 0"}));
    ASSERT_TRUE(group);
    EXPECT_TRUE(group->isSuper());
    EXPECT_EQ(group->moduleName() + " " + std::string(group->instanceName()) + " [" + group->name() + "]",
              "MYGROUP g1 []")
        << "a group has no operator";
    ASSERT_EQ(moduleNames(group->moduleList()), (Names{"SINE osc", "GAIN g"})) << "the note counts but is dropped";
    const Module& osc = *group->moduleList().moduleAtIndex(0);
    const Module& gain = *group->moduleList().moduleAtIndex(1);
    EXPECT_EQ(group->rect().origin, (Point{100, 50}));
    EXPECT_EQ(osc.rect().origin, (Point{0, 0})) << "members are placed relative to the group";
    EXPECT_EQ(gain.rect().origin, (Point{40, 40}));

    // The group's fields: its own name, then every member's fields.
    EXPECT_EQ(group->fieldCount(), 1 + osc.fieldCount() + gain.fieldCount());
    EXPECT_EQ(group->fieldAtIndex(1), osc.opstartNameField());
    EXPECT_TRUE(osc.opstartNameField()->isAlwaysHidden());
    EXPECT_FALSE(group->opstartNameField()->isAlwaysHidden());
    EXPECT_EQ(osc.trueParent(), group.get());
    EXPECT_EQ(osc.pathName(), "g1/osc");
    EXPECT_EQ(group->findModuleByName("G"), &gain);
    Module::FieldList names;
    group->addToNameFieldList(names, true);
    EXPECT_EQ(names, (Module::FieldList{group->opstartNameField(), osc.opstartNameField(), gain.opstartNameField()}));
    LogCapture quiet;
    EXPECT_EQ(group->addIteratedField(*gain.fieldAtIndex(1), nullptr), nullptr);

    // Without an instance name the type names the group; a negative count
    // makes a group without members.
    auto unnamed = readGroup(";Ss=GROUP 1, VOICE\r\nSINE s 1 1");
    EXPECT_EQ(unnamed->instanceName(), "voice");
    auto none = readGroup(";Ss=GROUP -2, EMPTY, e ;=5,6\r\nSINE s 1 1");
    EXPECT_FALSE(none->isSuper());
    EXPECT_EQ(none->rect().origin, (Point{5, 6}));
    std::string line;
    none->save(line, "adc", 0);
    EXPECT_EQ(line, ";Ss=GROUP -1, EMPTY, e ;=5,6,80,0\r\n");
}

TEST(SuperModule, GroupsSurviveLoadingAndSavingExactly)
{
    const std::string text = crlf({
        kHead,
        ";Ss=GROUP 2, PAIR, both ;=140,40,80,0",
        ";Ss=GROUP 2, VOICE, v1 ;=140,40,80,0",
        "SINE osc1 110 0.5 ;=140,40,80,0",
        "LOWPASS lp1 osc1-out 800 0.7 ;=260,40,80,0 f= 4,1",
        ";Ss=GROUP 2, VOICE, v2 ;=300,200,80,0",
        "SINE osc2 adc-pedal1 0.5 ;=140,160,80,0",
        "LOWPASS lp2 osc2-out 1200 0.7 ;=260,160,80,0",
        "MIX2 mix lp1-out lp2-out 0.5 0.5 ;=420,40,80,0",
        "TAIL tail",
    });
    LoadedText loaded = loadText(text);
    const SigFile& patch = *loaded.patch;
    EXPECT_EQ(patch.unresolvedCount(), 0);
    ASSERT_EQ(patch.moduleCount(), 3u);
    auto both = std::dynamic_pointer_cast<SModule>(patch.moduleAtIndex(1));
    ASSERT_TRUE(both);
    auto v2 = std::dynamic_pointer_cast<SModule>(both->moduleList().moduleAtIndex(1));
    ASSERT_TRUE(v2);
    // v2's header put it elsewhere than its members' corner; they stay put.
    EXPECT_EQ(v2->rect().origin, (Point{160, 160})) << "relative to its own group";
    EXPECT_EQ(v2->memberOrigin(), (Point{0, 120}));

    const Module& mix = *patch.moduleAtIndex(2);
    Module* lp1 = patch.findModuleByName("LP1").get();
    ASSERT_TRUE(lp1);
    EXPECT_EQ(lp1->pathName(), "both/v1/lp1");
    EXPECT_EQ(mix.field("in1")->source(), lp1->field("out"));
    EXPECT_TRUE(mix.field("in1")->connectedTo(*both));
    auto osc2 = patch.findModuleByName("osc2");
    ASSERT_TRUE(osc2 && patch.head());
    EXPECT_EQ(osc2->field("freq")->source(), patch.head()->field("pedal1"));
    EXPECT_EQ(patch.nameFieldList(true).size(), 9u);

    // The mix's first input takes the hide count of its source.
    std::string saved = text;
    saved.insert(saved.find(" ;=420,40,80,0") + 14, " f= 1,1");
    EXPECT_EQ(patch.dataRepresentation(), saved);

    // Moving a group moves its members with it.
    both->moveBy(Point{10, 5});
    const std::string moved = patch.dataRepresentation();
    EXPECT_NE(moved.find("SINE osc1 110 0.5 ;=150,45,80,0\r\n"), std::string::npos) << moved;
    EXPECT_NE(moved.find(";Ss=GROUP 2, VOICE, v2 ;=310,205,80,0\r\n"), std::string::npos) << moved;
    EXPECT_NE(moved.find("LOWPASS lp2 osc2-out 1200 0.7 ;=270,165,80,0\r\n"), std::string::npos) << moved;
}

TEST(SuperModule, CopiesKeepTheirWiresAndMembersOutliveTheirGroup)
{
    // An unknown operator right before a group does not swallow it.
    LoadedText loaded =
        loadText(crlf({kHead, "FROB 1 2", ";Ss=GROUP 2, VOICE, v ;=100,50", "SINE osc 1 1 ;=100,50,80,0",
                       "GAIN g osc-out 1 ;=200,50,80,0", "GAIN out g-out 1"}));
    SigFile& patch = *loaded.patch;
    auto twin = std::dynamic_pointer_cast<SModule>(patch.moduleAtIndex(1)->copy());
    ASSERT_TRUE(twin);
    EXPECT_EQ(twin->moduleName(), "VOICE");
    EXPECT_EQ(twin->rect(), patch.moduleAtIndex(1)->rect());
    EXPECT_EQ(moduleNames(twin->moduleList()), (Names{"SINE osc", "GAIN g"}));
    EXPECT_NE(twin->moduleList().moduleAtIndex(0), patch.findModuleByName("osc"));
    EXPECT_EQ(twin->moduleList().moduleAtIndex(0)->parent(), twin.get());
    // Wires inside the group map to the copies when the list is copied.
    ModuleList pair;
    pair.addModule(patch.moduleAtIndex(1));
    pair.addModule(patch.moduleAtIndex(2));
    ModuleList copies;
    copies.addModule(twin);
    copies.addModule(patch.moduleAtIndex(2)->copy());
    copies.copyConnections(pair);
    const Module& twinGain = *twin->moduleList().moduleAtIndex(1);
    EXPECT_EQ(twinGain.field("in")->source(), twin->moduleList().moduleAtIndex(0)->field("out"));
    EXPECT_EQ(copies.moduleAtIndex(1)->field("in")->source(), twinGain.field("out"));

    // A member held elsewhere when its group goes away is a module of its own.
    Module::Ptr member = twin->moduleList().moduleAtIndex(0);
    twin.reset();
    copies.removeAll();
    EXPECT_EQ(member->parent(), member.get());
    EXPECT_EQ(member->pathName(), "osc");
}

TEST(SuperModule, GroupsNestedTooDeeplyAreRefused)
{
    auto nested = [](int depth) {
        std::string text = kHead + "\r\n";
        for (int i = 0; i < depth; ++i)
            text += ";Ss=GROUP 1, G, g" + std::to_string(i) + "\r\n";
        return loadText(text + "SINE s 1 1\r\n");
    };
    LoadedText loaded = nested(SModule::kMaxNesting + 1);
    EXPECT_EQ(loaded.patch->loadError(), "SModule - Invalid SModule");
    EXPECT_EQ(loaded.patch->moduleCount(), 1u);

    LoadedText fits = nested(SModule::kMaxNesting);
    EXPECT_EQ(fits.patch->loadError(), std::nullopt);
    ASSERT_TRUE(fits.patch->findModuleByName("s"));
    EXPECT_EQ(fits.patch->findModuleByName("s")->pathName().size(),
              std::string("g0/").size() * 10 + std::string("g10/").size() * 54 + 1);
}
