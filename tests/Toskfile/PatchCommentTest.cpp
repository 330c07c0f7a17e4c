// SPDX-License-Identifier: GPL-3.0-or-later
// Comments on the canvas: their line in the file, the round trip through
// reading and writing.
#include "EditTestSupport.h"

#include "Toskfile/PatchComment.h"

#include <gtest/gtest.h>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string kHead = "HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj";

} // namespace

TEST(CommentLine, WritesPlaceAndTextAndReadsThemBack)
{
    // Breaks, backslashes and other control bytes are escaped; Latin-1 bytes,
    // semicolons, quotes and blanks at both ends are kept as they are.
    const std::tuple<Point, std::string_view, std::string_view> cases[] = {
        {{40, 300}, "Hello there", ";Comment=40,300 Hello there"},
        {{12.5, 7.125}, "x", ";Comment=12.5,7.125 x"},
        {{1, 2}, "first\nsecond", ";Comment=1,2 first\\nsecond"},
        {{1, 2}, "a\\b\r\n", ";Comment=1,2 a\\\\b\\r\\n"},
        {{1, 2}, std::string_view("tab\there\x7f\0!", 11), ";Comment=1,2 tab\\x09here\\x7F\\x00!"},
        {{1, 2}, "\\n", ";Comment=1,2 \\\\n"},
        {{10, 20}, "", ";Comment=10,20"},
        {{1, 2}, "  mid  ", ";Comment=1,2   mid  "},
        {{1, 2}, "\xe9t\xe9; \"q\" ;=1,2", ";Comment=1,2 \xe9t\xe9; \"q\" ;=1,2"},
    };
    for (const auto& [origin, text, line] : cases) {
        SCOPED_TRACE(line);
        const PatchComment comment{origin, std::string(text)};
        EXPECT_EQ(CommentLine::write(comment), line);
        const auto read = CommentLine::read(line);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, comment);
    }
}

TEST(CommentLine, OtherLinesAreNoCommentsAndUnknownEscapesStayText)
{
    for (const char* line : {";= 10,20", ";=10,20,80,0", ";Ss=GROUP 1, X, x", "; Comment=1,2 x", ";comment=1,2 x",
                             ";Comment=a,2 x", ";Comment=1 x", ";Comment=1,nan x", ";Comment=", "Comment=1,2 x"})
        EXPECT_FALSE(CommentLine::read(line).has_value()) << line;
    // The last case is a line that ends inside a longer text: what follows it
    // is not read.
    const std::pair<std::string_view, const char*> unknown[] = {{";Comment=1,2 a\\qb", "a\\qb"},
                                                                {";Comment=1,2 end\\", "end\\"},
                                                                {";Comment=1,2 \\x4", "\\x4"},
                                                                {";Comment=1,2 \\x4g", "\\x4g"},
                                                                {std::string_view(";Comment=1,2 \\x41", 16), "\\x4"}};
    for (const auto& [line, text] : unknown)
        EXPECT_EQ(CommentLine::read(line).value_or(PatchComment{{}, "none"}).text, text) << line;
}

TEST(SigFileComments, ReadWriteReadIsByteEqualAndAUnitIsSentNoComment)
{
    const std::string withComments =
        crlf({kHead + " ;=20,40,80,0", ";Ss=GROUP 2, VOICE, v ;=100,50,80,0", "SINE osc 220 0.5 ;=100,50,80,0",
              "GAIN g osc-out 1 ;=200,50,80,0", "GAIN out g-out 1 ;=300,50,80,0", "TAIL \"The Author\"",
              ";Comment=40,300 Voice one\\nfeeds the output", ";Comment=12.5,7 \xe9t\xe9 \\\\ ;=1,2"});
    const std::string withoutComments = withComments.substr(0, withComments.find(";Comment="));

    const LoadedText loaded = loadText(withComments);
    ASSERT_TRUE(loaded.patch);
    EXPECT_TRUE(loaded.patch->readProblems().empty());
    ASSERT_EQ(loaded.patch->comments().size(), 2u);
    EXPECT_EQ(*loaded.patch->comments()[0], (PatchComment{{40, 300}, "Voice one\nfeeds the output"}));
    EXPECT_EQ(*loaded.patch->comments()[1], (PatchComment{{12.5, 7}, "\xe9t\xe9 \\ ;=1,2"}));
    EXPECT_EQ(loaded.patch->dataRepresentation(), withComments);

    // Comments are no modules: the same list, the same upload text.
    const LoadedText plain = loadText(withoutComments);
    EXPECT_EQ(moduleNames(*loaded.patch), moduleNames(*plain.patch));
    EXPECT_EQ(loaded.patch->uploadRepresentation(), plain.patch->uploadRepresentation());
    EXPECT_EQ(plain.patch->dataRepresentation(), withoutComments);
}

TEST(SigFileComments, CommentLinesElsewhereMoveAfterTheTailAndOthersGoAsBefore)
{
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"between two modules", crlf({kHead, ";Comment=5,6 mid", "SINE osc 220 0.5", "TAIL tail"}),
         crlf({kHead, "SINE osc 220 0.5", "TAIL tail", ";Comment=5,6 mid"})},
        {"before the head, in order with the others",
         crlf({";Comment=1,1 first", kHead, "SINE osc 220 0.5", ";Comment=2,2 second", "TAIL tail"}),
         crlf({kHead, "SINE osc 220 0.5", "TAIL tail", ";Comment=1,1 first", ";Comment=2,2 second"})},
        {"a comment of another origin is dropped", crlf({kHead, "; a note", "SINE osc 220 0.5", "TAIL tail"}),
         crlf({kHead, "SINE osc 220 0.5", "TAIL tail"})},
        {"inside a group it counts as a member record and is dropped",
         crlf({kHead, ";Ss=GROUP 2, VOICE, v", ";Comment=1,1 inside", "SINE osc 220 0.5", "GAIN g osc-out 1",
               "TAIL tail"}),
         crlf({kHead, ";Ss=GROUP 1, VOICE, v", "SINE osc 220 0.5", "GAIN g osc-out 1", "TAIL tail"})},
        {"after a record without info, not taken for its info",
         crlf({kHead, "SINE osc 220 0.5", ";Comment=3,4 x", "TAIL tail"}),
         crlf({kHead, "SINE osc 220 0.5", "TAIL tail", ";Comment=3,4 x"})},
    };
    for (const auto& [what, input, saved] : cases) {
        SCOPED_TRACE(what);
        const LoadedText loaded = loadText(input);
        ASSERT_TRUE(loaded.patch);
        EXPECT_EQ(loaded.patch->dataRepresentation(), saved);
        EXPECT_EQ(loadText(saved).patch->dataRepresentation(), saved);
    }
}
