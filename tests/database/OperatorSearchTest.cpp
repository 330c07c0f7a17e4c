// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/OperatorSearch.h"
#include "database/OperatorTreeNode.h"
#include "database/SigDbase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tosk;
using Kind = OperatorSearch::Kind;

namespace {

std::shared_ptr<SigDbase> bundled()
{
    static std::shared_ptr<SigDbase> db = SigDbase::fromFile(test::dataPath("sigdbase.sbf"));
    return db;
}

std::string joined(const std::vector<std::string>& names)
{
    std::string out;
    for (const auto& n : names) {
        if (!out.empty())
            out += ' ';
        out += n;
    }
    return out;
}

} // namespace

TEST(OperatorSearch, HowAQueryMatchesANameOrADescription)
{
    struct Case {
        const char* query;
        const char* name;
        const char* description;
        bool matches;
        Kind kind;
        bool inName;
        size_t span;
    };
    const std::vector<Case> cases{
        {"lowpass", "LOWPASS", "FILTER", true, Kind::WholeName, true, 7},
        {"  LoW\t", "lowpass", "", true, Kind::NamePrefix, true, 3},
        {"add", "C_ADD", "CONTROLMATH", true, Kind::WordStart, true, 3},
        {"pass", "LOWPASS", "low pass filter", true, Kind::WordStart, false, 4},
        {"filter", "SVF", "FILTER", true, Kind::WordStart, false, 6},
        {"lps", "LOWPASS", "FILTER", true, Kind::Scattered, true, 6},
        // The tightest of several spreads counts: l..p..s from the second l.
        {"lps", "LXXXXLOPS", "", true, Kind::Scattered, true, 4},
        {"ter", "SVF", "FILTER", true, Kind::Scattered, false, 3},
        {"flt", "LOWPASS", "FILTER", true, Kind::Scattered, false, 4},
        {"spl", "LOWPASS", "FILTER", false, Kind::Scattered, false, 0},
        {"xyz", "MIX2", "MIXER", false, Kind::Scattered, false, 0},
        {"", "MIX2", "MIXER", false, Kind::Scattered, false, 0},
        {"   ", "MIX2", "MIXER", false, Kind::Scattered, false, 0},
        {"lowpassx", "LOWPASS", "", false, Kind::Scattered, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.query) + " in " + c.name + " / " + c.description);
        auto m = OperatorSearch::match(c.query, c.name, c.description);
        ASSERT_EQ(m.has_value(), c.matches);
        if (!m)
            continue;
        EXPECT_EQ(m->kind, c.kind);
        EXPECT_EQ(m->inName, c.inName);
        EXPECT_EQ(m->span, c.span);
    }
}

TEST(OperatorSearch, BestMatchesComeFirstAndLikeOnesKeepTheirOrder)
{
    const std::vector<OperatorSearch::Candidate> candidates{
        {"XMIXER", ""}, {"MIXN", ""}, {"PAN", "MIXER"}, {"MIX", ""},      {"CHMIX", ""},
        {"C_MIX", ""},  {"MIX2", ""}, {"GAIN", "MATH"}, {"DUP", "mixer"}, {"DUP", "mixer"},
    };
    std::vector<std::string> order;
    std::vector<size_t> indices = OperatorSearch::rank("mix", candidates);
    for (size_t i : indices)
        order.push_back(candidates[i].name + "#" + std::to_string(i));
    EXPECT_EQ(joined(order), "MIX#3 MIX2#6 MIXN#1 C_MIX#5 DUP#8 DUP#9 PAN#2 CHMIX#4 XMIXER#0");
    EXPECT_TRUE(OperatorSearch::rank("zzz", candidates).empty());
    EXPECT_TRUE(OperatorSearch::rank("", candidates).empty());
}

TEST(OperatorSearch, QueriesOnTheBundledDatabase)
{
    struct Case {
        const char* query;
        const char* expected; // every match, best first
    };
    const std::vector<Case> cases{
        // ALLPASS holds l-p-s tighter than LOWPASS; the rest match in their
        // descriptions only.
        {"lps", "ALLPASS LOWPASS SMOOTH ENVELOPE SAMPHOLD TAPTEMPO MULTIKNOB"},
        {"mix", "MIX2 MIXN PAN CHMIX SPLIT XFADE"},
        {"filter", "GEQ PEQ SVF SHELF ALLPASS DCBLOCK LOWPASS BANDPASS HIGHPASS"},
        {"Delay", "DELAY CHORUS FLANGER MULTITAP PINGPONG MULTITAP2"},
        {"c_", "C_ADD C_MUL C_CLIP C_TO_C C_CURVE C_SCALE C_COMPARE"},
        {"head", ""},
        {"qqq", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        auto tree = OperatorTreeNode::searchTree(*bundled(), c.query);
        std::vector<std::string> names;
        for (const auto& leaf : tree->children()) {
            auto* data = static_cast<OperatorNodeData*>(leaf->nodeData());
            ASSERT_TRUE(data->isLeaf());
            ASSERT_TRUE(data->operatorDesc());
            names.push_back(data->name());
        }
        EXPECT_EQ(joined(names), c.expected);
    }
}
