// SPDX-License-Identifier: GPL-3.0-or-later
// Finding a text in a patch.
#include "EditTestSupport.h"
#include "support/TestSupport.h"

#include "Toskfile/PatchSearch.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

TEST(PatchSearch, FindsNamesOperatorsAndFieldTextsInPatchOrder)
{
    struct Case {
        const char* text;
        std::vector<std::string> found; // "path what field"
    };
    const Case demo[] = {
        {"OSC", {"osc name opstart_name", "g text in"}},
        {"Knob", {"adc text obj1in", "knob name opstart_name", "knob operator -", "knob text menu"}},
        {"0.5", {"osc text amp", "mix text gain2", "knob text default", "knob text value"}},
        {"demo", {"adc text obj_desription"}},
        {"", {}},
        {"nothing like it", {}},
    };
    const Case groups[] = {
        // A member's source is named by its path.
        {"V2", {"both/v2 name opstart_name", "both/v2/lp2 text in", "mix text in2"}},
        {"pair", {"both operator -"}},
        {"lowpass", {"both/v1/lp1 operator -", "both/v2/lp2 operator -"}},
    };
    for (const auto& [text, cases] : {std::pair{editPatch(), std::vector<Case>(std::begin(demo), std::end(demo))},
                                      std::pair{readFile(dataPath("examples/groups.sig")),
                                                std::vector<Case>(std::begin(groups), std::end(groups))}}) {
        auto doc = openDocument(text);
        const PatchSearch search(*doc->sigFile());
        for (const Case& c : cases) {
            SCOPED_TRACE(c.text);
            std::vector<std::string> found;
            for (const auto& m : search.find(c.text)) {
                static const char* const what[] = {"name", "operator", "text"};
                found.push_back(m.path + " " + what[static_cast<int>(m.what)] + " " +
                                (m.field ? m.field->name() : "-"));
                ASSERT_TRUE(m.module);
                EXPECT_EQ(m.module->pathName(), m.path);
                if (m.field) {
                    EXPECT_EQ(m.field->parent(), m.module.get());
                }
            }
            EXPECT_EQ(found, c.found);
        }
    }
}
