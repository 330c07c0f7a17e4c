// SPDX-License-Identifier: GPL-3.0-or-later
// Faults found in review: failures other than the program's own exception
// type left the menu action that opened or saved a patch.
#include "Toskfile/SigDocument.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "base/Alerts.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "base/SettingsStore.h"
#include "canvas/GraphicWindowController.h"
#include "support/TestSupport.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

using namespace tosk;

TEST(DocumentControllerRegression, AnyFailureToReadOrSaveBecomesAnAlert)
{
    MemorySettingsStore store;
    PreferenceController::setStore(&store);
    MainMenuDelegate delegate;
    DocumentController::Format format;
    format.read = [](const std::string&, const std::string&) -> std::shared_ptr<SigDocument> {
        throw std::runtime_error("the reader ran out of room");
    };
    format.makeNew = [] {
        auto document = std::make_shared<SigDocument>();
        document->setDisplayName("untitled");
        return document;
    };
    format.save = [](SigDocument&, const std::string&) { throw std::bad_alloc(); };
    DocumentController documents(&delegate, format);
    test::TempDir dir;
    test::writeFile(dir / "hall.sig", "HEADM adc\r\n");
    {
        ScopedRecordingAlerts alerts;
        EXPECT_EQ(documents.openDocument(QString::fromStdString((dir / "hall.sig").string())), nullptr);
        ASSERT_EQ(alerts.recorded.size(), 1u);
        EXPECT_EQ(alerts.recorded[0].message, "The file \"" + (dir / "hall.sig").string() +
                                                  "\" could not be read as a patch: the reader ran out of room");
    }
    GraphicWindowController* window = documents.newDocument();
    ASSERT_TRUE(window);
    window->sigDocument()->setFileName((dir / "new.sig").string());
    window->sigDocument()->updateChangeCount(SigDocument::ChangeDone);
    {
        ScopedRecordingAlerts alerts;
        LogCapture log;
        EXPECT_FALSE(documents.saveDocument(*window));
        EXPECT_TRUE(log.contains("DocumentController.saveDocument: exception std::exception - std::bad_alloc"));
        ASSERT_EQ(alerts.recorded.size(), 1u);
        EXPECT_EQ(alerts.recorded[0].message, "The patch \"new\" could not be saved: std::bad_alloc");
        EXPECT_TRUE(window->sigDocument()->isDocumentEdited());
    }
    window->sigDocument()->updateChangeCount(SigDocument::ChangeCleared);
    window->close();
    QApplication::processEvents();
    PreferenceController::setStore(nullptr);
}
