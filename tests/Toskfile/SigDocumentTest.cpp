// SPDX-License-Identifier: GPL-3.0-or-later
// The document around a patch: names, texts, reading and writing files.
#include "SigFileTestSupport.h"

#include "Toskfile/SigDocument.h"
#include "base/Alerts.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tosk;
using namespace tosk::test;
namespace fs = std::filesystem;

namespace {

const std::string kPatch = crlf({"HEADM adc \"My: Patch\" t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0",
                                 "GAIN g adc-in1 0.5 ;=140,40,80,0 f= 2,1", "TAIL me"});

} // namespace

TEST(SigDocumentFiles, NamesAndTextsOfNewAndReadDocuments)
{
    SigDocument untitled;
    untitled.initWithData(std::nullopt, std::string("ignored"), std::nullopt, bundledDbase());
    EXPECT_EQ(untitled.displayName(), "untitled");
    EXPECT_EQ(untitled.sigData(), crlf({"HEADM adc Empty Empty 2 2 1 adc-null adc-null adc-nullobj", "TAIL tail"}));

    SigDocument named;
    named.initWithData(kPatch, std::nullopt, std::nullopt, bundledDbase());
    EXPECT_EQ(named.displayName(), "My- Patch") << "the patch's file name";
    EXPECT_EQ(named.sigData(), kPatch);
    EXPECT_EQ(named.sigDataForUpload(),
              crlf({"HEADM adc \"My: Patch\" t 2 2 1 g-out adc-null adc-nullobj", "GAIN g adc-in1 0.5", "TAIL me"}));
    EXPECT_EQ(named.sigFile()->moduleAtIndex(1)->sigDocument(), &named);
    EXPECT_EQ(named.sigFile()->tail()->sigDocument(), &named);

    // Modules let go of a document that closes before them.
    Module::Ptr keep;
    {
        SigDocument closing;
        closing.initWithData(kPatch, std::nullopt, std::nullopt, bundledDbase());
        keep = closing.sigFile()->moduleAtIndex(1);
        EXPECT_EQ(keep->sigDocument(), &closing);
    }
    EXPECT_EQ(keep->sigDocument(), nullptr);
    EXPECT_EQ(keep->sigFile(), nullptr);

    SigDocument fromUnit;
    fromUnit.initWithData(kPatch, std::string("12 Chorus"), std::string("Chorus.sig"), bundledDbase());
    EXPECT_EQ(fromUnit.displayName(), "12 Chorus");

    SigDocument other;
    other.setSigDbase(bundledDbase());
    EXPECT_FALSE(other.loadDataRepresentation(kPatch, "public.text"));
    EXPECT_EQ(other.sigFile(), nullptr);
    ASSERT_TRUE(other.loadDataRepresentation(kPatch, SigDocument::documentType));
    EXPECT_EQ(other.displayName(), "UNKNOWN");
    EXPECT_EQ(other.sigData(), kPatch);
}

TEST(SigDocumentFiles, ReadingAndWritingFiles)
{
    TempDir dir;
    const fs::path path = dir / "patch.sig";
    writeFile(path, kPatch);

    SigDocument doc;
    doc.setSigDbase(bundledDbase());
    std::string reason;
    ASSERT_TRUE(doc.readFromFile(path.string(), &reason)) << reason;
    EXPECT_EQ(doc.displayName(), "patch");
    EXPECT_EQ(doc.fileName(), path.string());
    EXPECT_FALSE(doc.isDocumentEdited());

    // Edit, save over the file: the old text is kept as the backup.
    doc.sigFile()->setProgramName("Renamed");
    doc.updateChangeCount(SigDocument::ChangeDone);
    doc.writeToFile(path.string());
    EXPECT_EQ(readFile(dir / "patch.bak"), kPatch);
    EXPECT_EQ(readFile(path), crlf({"HEADM adc Renamed t 2 2 1 g-out adc-null adc-nullobj ;=20,40,80,0",
                                    "GAIN g adc-in1 0.5 ;=140,40,80,0 f= 2,1", "TAIL me"}));
    EXPECT_FALSE(doc.isDocumentEdited());
    // Saving again keeps the file from before the first save as the backup.
    doc.sigFile()->setProgramName("Again");
    doc.writeToFile(path.string());
    EXPECT_EQ(readFile(dir / "patch.bak"), kPatch);

    // Save As elsewhere takes the new name; a failed save changes nothing.
    doc.updateChangeCount(SigDocument::ChangeDone);
    EXPECT_THROW(doc.writeToFile((dir / "no" / "x.sig").string()), TkxException);
    EXPECT_EQ(doc.fileName(), path.string());
    EXPECT_TRUE(doc.isDocumentEdited());
    doc.writeToFile((dir / "copy.sig").string());
    EXPECT_EQ(doc.displayName(), "copy");
    EXPECT_FALSE(fs::exists(dir / "copy.bak"));

    // A file that cannot be read leaves the document as it was.
    const std::string before = doc.sigData();
    EXPECT_FALSE(doc.readFromFile((dir / "missing.sig").string(), &reason));
    EXPECT_EQ(reason, (dir / "missing.sig").string() + ": No such file or directory");
    EXPECT_FALSE(doc.readFromFile(dir.path().string(), &reason)) << "a folder is no patch";
    EXPECT_EQ(reason, dir.path().string() + ": Is a directory");
    EXPECT_EQ(doc.sigData(), before);
    EXPECT_EQ(doc.fileName(), (dir / "copy.sig").string());

    // Without a database nothing is read: the document stays as it was.
    auto broken = std::make_shared<SigDbase>();
    broken->setFullPathName((dir / "broken.sbf").string());
    doc.setSigDbase(broken);
    EXPECT_FALSE(doc.readFromFile(path.string(), &reason));
    EXPECT_EQ(reason, "no operator database is loaded (\"" + (dir / "broken.sbf").string() + "\" did not load)");
    EXPECT_FALSE(doc.loadDataRepresentation(kPatch, SigDocument::documentType));
    EXPECT_EQ(doc.sigData(), before);
    EXPECT_EQ(doc.displayName(), "copy");
    doc.setSigDbase(std::make_shared<SigDbase>());
    EXPECT_EQ(doc.databaseProblem(), "no operator database is loaded");
    doc.setFileName("");
    EXPECT_EQ(doc.displayName(), "copy") << "a document without a file keeps its name";
}

TEST(SigDocumentFiles, ALoadThatLeftDataOutIsDegraded)
{
    using Status = SigDocument::LoadStatus;
    const std::string head = "HEADM adc P t 2 2 1 adc-null adc-null adc-nullobj";
    struct Case {
        const char* what;
        std::string bytes;
        Status status;
        std::string problem; // the one read problem, if any
    };
    const std::vector<Case> cases = {
        {"empty", "", Status::Faithful, ""},
        {"comments only", "; a note\r\n;another\r\n", Status::Faithful, ""},
        {"a whole patch", kPatch, Status::Faithful, ""},
        {"a reference to nothing", crlf({head, "GAIN g nosuch-out 1"}), Status::UnresolvedReferences, ""},
        {"unknown operator", crlf({head, "FROB x 1", "GAIN g adc-in1 1"}), Status::Degraded,
         "line 2: unknown operator 'FROB'"},
        {"a long unknown name", crlf({head, std::string(50, 'Z')}), Status::Degraded,
         "line 2: unknown operator '" + std::string(40, 'Z') + "...'"},
        {"record cut short", head.substr(0, 20), Status::Degraded, "line 1: HEADM record cut short"},
        {"no head", "TAIL me\r\n", Status::Degraded, "the file has no head module"},
        {"unknown operator in a group", crlf({head, ";Ss=GROUP 2, V, v", "FROB x", "GAIN g adc-in1 1"}),
         Status::Degraded, "line 3: unknown operator 'FROB'"},
        {"group cut short", crlf({head, "GAIN g adc-in1 1", ";Ss=GROUP 3, V, v", "SINE s 1 1"}), Status::Degraded,
         "line 3: group v cut short (1 of 3 members)"},
        {"reading stopped", crlf({head, "GAIN g adc-in1 1", ";Ss=GROUP 0, V, v", "GAIN g2 g-out 1"}), Status::Degraded,
         "line 3: reading stopped: SModule - Invalid SModule"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LogCapture quiet;
        NoWindowServices noWindow;
        SigDocument doc;
        doc.initWithData(c.bytes, std::nullopt, std::nullopt, bundledDbase());
        EXPECT_EQ(doc.loadStatus(), c.status);
        EXPECT_EQ(doc.sigFile()->readProblems(),
                  c.problem.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.problem});
    }

    // A tail the database cannot build (its repeated group is never closed).
    const auto db =
        dbaseFromText(testDbaseText() + modelOperator("TAIL", "SYSTEM",
                                                      {SbfEntry{"TYPE:ED_INT", "NAME:n", "DEFAULT:1"},
                                                       SbfEntry{"TYPE:MULTIPLE", "NAME:g", "ACTION_SPECIFIER:@n"}}));
    LogCapture quiet;
    SigDocument doc;
    doc.initWithData(crlf({"HEADM adc 2 adc-null"}), std::nullopt, std::nullopt, db);
    EXPECT_EQ(doc.loadStatus(), Status::Degraded);
    EXPECT_EQ(doc.sigFile()->readProblems(),
              std::vector<std::string>{"cannot build TAIL: Module.buildModule - Module.buildModule: Unbalanced "
                                       "OPERATOREND Iteration for operator: TAIL"});

    // Saving puts the document's text in the file: nothing is left out of
    // it any more; references to nothing stay in the file.
    TempDir dir;
    doc.writeToFile((dir / "tail.sig").string());
    EXPECT_EQ(doc.loadStatus(), Status::Faithful);
    NoWindowServices noWindow;
    SigDocument unresolved;
    unresolved.initWithData(crlf({head, "FROB x", "GAIN g nosuch-out 1"}), std::nullopt, std::nullopt, bundledDbase());
    EXPECT_EQ(unresolved.loadStatus(), Status::Degraded);
    unresolved.writeToFile((dir / "unresolved.sig").string());
    EXPECT_EQ(unresolved.loadStatus(), Status::UnresolvedReferences);
}
