// SPDX-License-Identifier: GPL-3.0-or-later
// Comments on the canvas: their line in the file, the round trip through
// reading and writing, and the edits that change them.
#include "EditTestSupport.h"

#include "Toskfile/PatchComment.h"
#include "Toskfile/UndoGroup.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace tosk;
using namespace tosk::test;

namespace {

const std::string kHead = "HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj";

std::vector<std::string> commentLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    while ((at = text.find("\r\n;Comment=", at)) != std::string::npos) {
        at += 2;
        lines.push_back(text.substr(at, text.find("\r\n", at) - at));
    }
    return lines;
}

} // namespace

TEST(CommentLine, WritesPlaceAndTextAndReadsThemBack)
{
    struct Case {
        const char* what;
        Point origin;
        std::string_view text;
        std::string_view line;
    };
    const Case cases[] = {
        {"plain text", {40, 300}, "Hello there", ";Comment=40,300 Hello there"},
        {"places with decimals", {12.5, 7.125}, "x", ";Comment=12.5,7.125 x"},
        {"a line break", {1, 2}, "first\nsecond", ";Comment=1,2 first\\nsecond"},
        {"a backslash and a carriage return", {1, 2}, "a\\b\r\n", ";Comment=1,2 a\\\\b\\r\\n"},
        {"other control bytes",
         {1, 2},
         std::string_view("tab\there\x7f\0!", 11),
         ";Comment=1,2 tab\\x09here\\x7F\\x00!"},
        {"what looks like an escape", {1, 2}, "\\n", ";Comment=1,2 \\\\n"},
        {"no text", {10, 20}, "", ";Comment=10,20"},
        {"blanks at both ends", {1, 2}, "  mid  ", ";Comment=1,2   mid  "},
        {"Latin-1 bytes, semicolons and quotes",
         {1, 2},
         "\xe9t\xe9; \"q\" ;=1,2",
         ";Comment=1,2 \xe9t\xe9; \"q\" ;=1,2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PatchComment comment{c.origin, std::string(c.text)};
        EXPECT_EQ(CommentLine::write(comment), c.line);
        const auto read = CommentLine::read(c.line);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, comment);
    }
}

TEST(CommentLine, OtherLinesAreNoCommentsAndUnknownEscapesStayText)
{
    for (const char* line : {";= 10,20", ";=10,20,80,0", ";Ss=GROUP 1, X, x", "; Comment=1,2 x", ";comment=1,2 x",
                             ";Comment=a,2 x", ";Comment=1 x", ";Comment=1,nan x", ";Comment=", "Comment=1,2 x"}) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(CommentLine::read(line).has_value());
    }
    struct Case {
        const char* line;
        const char* text;
    };
    for (const Case& c : {Case{";Comment=1,2 a\\qb", "a\\qb"}, Case{";Comment=1,2 end\\", "end\\"},
                          Case{";Comment=1,2 \\x4", "\\x4"}, Case{";Comment=1,2 \\x4g", "\\x4g"}}) {
        SCOPED_TRACE(c.line);
        const auto read = CommentLine::read(c.line);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->text, c.text);
    }
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
    EXPECT_EQ(loadText(loaded.patch->dataRepresentation()).patch->dataRepresentation(), withComments);

    // Comments are no modules: the same list, the same upload text.
    const LoadedText plain = loadText(withoutComments);
    EXPECT_EQ(moduleNames(*loaded.patch), moduleNames(*plain.patch));
    EXPECT_EQ(loaded.patch->uploadRepresentation(), plain.patch->uploadRepresentation());
    EXPECT_EQ(loaded.patch->uploadRepresentation().find(";Comment"), std::string::npos);
    EXPECT_EQ(plain.patch->dataRepresentation(), withoutComments);
}

TEST(SigFileComments, CommentLinesElsewhereMoveAfterTheTailAndOthersGoAsBefore)
{
    struct Case {
        const char* what;
        std::string input;
        std::string saved;
    };
    const std::vector<Case> cases = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LoadedText loaded = loadText(c.input);
        ASSERT_TRUE(loaded.patch);
        EXPECT_EQ(loaded.patch->dataRepresentation(), c.saved);
        EXPECT_EQ(loadText(c.saved).patch->dataRepresentation(), c.saved);
    }
}

namespace {

std::string commentedPatch()
{
    return editPatch() + crlf({";Comment=40,300 Voice one", ";Comment=200,320 Mixer\\nand gain"});
}

PatchComment::Ptr comment(SigDocument& doc, size_t index)
{
    return doc.sigFile()->comments().at(index);
}

struct CommentEdit {
    const char* name;
    std::function<bool(PatchEditor&, SigDocument&)> edit;
    const char* undoTitle;
    std::vector<std::string> lines; // the comment lines after the edit
};

} // namespace

TEST(PatchEditorComments, EveryCommentEditUndoesAndRedoesToTheSameBytes)
{
    const CommentEdit cases[] = {
        {"add",
         [](PatchEditor& e, SigDocument&) {
             return e.addComment({70, 80.5}, "New\nnote") != nullptr;
         },
         "Undo Add Comment",
         {";Comment=40,300 Voice one", ";Comment=200,320 Mixer\\nand gain", ";Comment=70,80.5 New\\nnote"}},
        {"add at the edge stays on the canvas",
         [](PatchEditor& e, SigDocument&) {
             return e.addComment({-5, 0}, "x") != nullptr;
         },
         "Undo Add Comment",
         {";Comment=40,300 Voice one", ";Comment=200,320 Mixer\\nand gain", ";Comment=1,1 x"}},
        {"edit the text",
         [](PatchEditor& e, SigDocument& d) { return e.setCommentText(comment(d, 1), "Mixer"); },
         "Undo Edit Comment",
         {";Comment=40,300 Voice one", ";Comment=200,320 Mixer"}},
        {"move two",
         [](PatchEditor& e, SigDocument& d) {
             return e.moveComments({comment(d, 0), comment(d, 1)}, {15, -20});
         },
         "Undo Move",
         {";Comment=55,280 Voice one", ";Comment=215,300 Mixer\\nand gain"}},
        {"a move up and left stops where the first comment meets the edge",
         [](PatchEditor& e, SigDocument& d) {
             return e.moveComments({comment(d, 0), comment(d, 1)}, {-100, -500});
         },
         "Undo Move",
         {";Comment=1,1 Voice one", ";Comment=161,21 Mixer\\nand gain"}},
        {"delete one",
         [](PatchEditor& e, SigDocument& d) { return e.deleteComments({comment(d, 0)}); },
         "Undo Delete Comment",
         {";Comment=200,320 Mixer\\nand gain"}},
        {"cut both",
         [](PatchEditor& e, SigDocument& d) {
             return e.deleteComments({comment(d, 1), comment(d, 0)}, "Cut");
         },
         "Undo Cut",
         {}},
        {"paste two moved",
         [](PatchEditor& e, SigDocument&) {
             return e.pasteComments(CommentLine::readAll(crlf({"SINE osc 1 1", ";Comment=5,5 a", ";Comment=9,9 b"})),
                                    {10, 10})
                        .size() == 2;
         },
         "Undo Paste",
         {";Comment=40,300 Voice one", ";Comment=200,320 Mixer\\nand gain", ";Comment=15,15 a", ";Comment=19,19 b"}},
    };
    for (const CommentEdit& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = openDocument(commentedPatch());
        UndoManager& undo = doc->undoManager();
        const std::string before = doc->sigData();
        ASSERT_EQ(before, commentedPatch());
        int changes = 0;
        doc->addChangeListener(&changes, [&](const PatchChange& change) {
            ++changes;
            EXPECT_TRUE(change.touches(PatchChange::Comments));
            EXPECT_TRUE(change.added.empty() && change.removed.empty() && change.modules.empty());
        });
        {
            UndoGroup event(*doc);
            PatchEditor editor(*doc);
            ASSERT_TRUE(c.edit(editor, *doc));
        }
        const std::string edited = doc->sigData();
        EXPECT_EQ(commentLines(edited), c.lines);
        EXPECT_EQ(edited.substr(0, edited.find(";Comment=")), editPatch()) << "the modules are as they were";
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(undo.undoMenuItemTitle(), c.undoTitle);
        undo.undo();
        EXPECT_EQ(doc->sigData(), before);
        EXPECT_FALSE(doc->isDocumentEdited());
        undo.redo();
        EXPECT_EQ(doc->sigData(), edited);
        undo.undo();
        EXPECT_EQ(doc->sigData(), before);
        EXPECT_EQ(changes, 4);
        doc->removeChangeListeners(&changes);
    }
}

TEST(PatchEditorComments, EditsThatChangeNothingOrNameForeignCommentsAreRefused)
{
    auto other = std::make_shared<PatchComment>(PatchComment{{1, 1}, "elsewhere"});
    const std::function<bool(PatchEditor&, SigDocument&)> refused[] = {
        [](PatchEditor& e, SigDocument& d) { return e.setCommentText(comment(d, 0), "Voice one"); },
        [&](PatchEditor& e, SigDocument&) { return e.setCommentText(other, "x"); },
        [](PatchEditor& e, SigDocument&) { return e.setCommentText(nullptr, "x"); },
        [](PatchEditor& e, SigDocument& d) {
            return e.moveComments({comment(d, 0)}, {0, 0});
        },
        [](PatchEditor& e, SigDocument& d) {
            return e.moveComments({comment(d, 0)}, {std::nan(""), 1});
        },
        [&](PatchEditor& e, SigDocument& d) {
            return e.moveComments({comment(d, 0), other}, {5, 5});
        },
        [&](PatchEditor& e, SigDocument& d) {
            return e.deleteComments({other, comment(d, 0)});
        },
        [](PatchEditor& e, SigDocument&) { return e.deleteComments({}); },
        [](PatchEditor& e, SigDocument&) {
            return e.addComment({1, std::nan("")}, "x") != nullptr;
        },
        [](PatchEditor& e, SigDocument&) { return !e.pasteComments({}, {}).empty(); },
    };
    int index = 0;
    for (const auto& edit : refused) {
        SCOPED_TRACE(index++);
        auto doc = openDocument(commentedPatch());
        PatchEditor editor(*doc);
        EXPECT_FALSE(edit(editor, *doc));
        EXPECT_EQ(doc->sigData(), commentedPatch());
        EXPECT_FALSE(doc->undoManager().canUndo());
    }
}

TEST(PatchEditorComments, ModuleEditsKeepTheComments)
{
    auto doc = openDocument(commentedPatch());
    PatchEditor editor(*doc);
    ASSERT_TRUE(editor.deleteModules({&moduleNamed(*doc, "osc")}));
    ASSERT_FALSE(editor.paste(crlf({"GAIN g osc-out 2 ;=260,40,80,0", ";Comment=5,5 pasted"}), nullptr).empty());
    ASSERT_TRUE(editor.reorderModule(moduleNamed(*doc, "knob"), moduleNamed(*doc, "adc")));
    EXPECT_EQ(commentLines(doc->sigData()),
              (std::vector<std::string>{";Comment=40,300 Voice one", ";Comment=200,320 Mixer\\nand gain"}));
}
