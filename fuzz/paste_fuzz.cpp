// SPDX-License-Identifier: GPL-3.0-or-later
// Pastes arbitrary bytes into a small patch as the clipboard would, and
// stores them as a field's value as the inspector would: whatever is taken
// must undo to the same bytes, redo to the same bytes, and read back as
// written; whatever is not taken must change nothing. The same bytes go in
// as comments too.
#include "FuzzSupport.h"
#include "Toskfile/PatchComment.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace tosk;

const char* const kPatch = "HEADM adc Demo t 2 2 1 g-out adc-null knob-obj ;=20,40,80,0\r\n"
                           "SINE osc 440 0.5 ;=140,40,80,0\r\n"
                           "GAIN g osc-out knob-out ;=260,40,80,0\r\n"
                           "MIXN mix 2 g-out 1 adc-null 0.5 1 ;=380,40,80,0\r\n"
                           "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=150,160,80,0\r\n"
                           "TAIL Ann\r\n";

void require(bool holds)
{
    if (!holds)
        std::abort();
}

// Undo, redo and undo again of the last step give the texts before and after.
void roundTrip(SigDocument& doc, const std::string& before)
{
    const std::string after = doc.sigData();
    if (!doc.undoManager().canUndo()) {
        require(after == before);
        return;
    }
    doc.undoManager().undo();
    require(doc.sigData() == before);
    doc.undoManager().redo();
    require(doc.sigData() == after);
    doc.undoManager().undo();
    require(doc.sigData() == before);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto db = fuzz::bundledDatabase();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    SigDocument doc;
    doc.initWithData(std::string(kPatch), std::nullopt, std::nullopt, db);
    const std::string before = doc.sigData();
    {
        UndoGroup event(doc);
        PatchEditor(doc).paste(bytes, doc.sigFile()->findModuleByName("osc").get(), Point{10, 10});
    }
    roundTrip(doc, before);

    // The same bytes as comments: the comment lines among them pasted, and
    // the whole as one comment's text, which must read back as written.
    doc.undoManager().removeAllActions();
    {
        const std::string was = doc.sigData();
        {
            UndoGroup event(doc);
            PatchEditor editor(doc);
            editor.pasteComments(CommentLine::readAll(bytes), Point{10, 10});
            editor.addComment(Point{5, 5}, bytes);
        }
        SigDocument again;
        again.initWithData(doc.sigData(), std::nullopt, std::nullopt, db);
        require(again.sigData() == doc.sigData());
        roundTrip(doc, was);
    }

    for (const char* field : {"menu", "opstart_name"}) {
        doc.undoManager().removeAllActions();
        const std::string was = doc.sigData();
        bool taken;
        {
            UndoGroup event(doc);
            taken = PatchEditor(doc).setFieldText(doc.sigFile()->findModuleByName("knob")->field(field), bytes);
        }
        if (taken) {
            SigDocument again;
            again.initWithData(doc.sigData(), std::nullopt, std::nullopt, db);
            require(again.sigData() == doc.sigData());
        }
        roundTrip(doc, was);
    }
    return 0;
}
