// SPDX-License-Identifier: GPL-3.0-or-later
// Faults found in review: the text window and the core's 8-bit strings.
#include "Toskfile/SigDocument.h"
#include "canvas/TextView.h"
#include "canvas/TextWindowController.h"

#include <QPointer>

#include <gtest/gtest.h>

using namespace tosk;

TEST(TextWindowRegression, ShowsLatin1TextAsWritten)
{
    // Patch texts are Latin-1 bytes: "Café" must not turn into a
    // replacement character. The title is the file's name, UTF-8.
    auto document = std::make_shared<SigDocument>();
    document->setDisplayName("Caf\xC3\xA9");
    QPointer<TextWindowController> window = TextWindowController::windowWithSigDocument(
        document, [](SigDocument&) { return std::string("HEADM adc \"Caf\xe9 \xbd\"\r\nTAIL tail\r\n"); });
    ASSERT_TRUE(window);
    const QString expected = QStringLiteral("HEADM adc \"Caf") + QChar(0xE9) + QStringLiteral(" ") + QChar(0xBD) +
                             QStringLiteral("\"\nTAIL tail\n");
    EXPECT_EQ(window->textView()->toPlainText(), expected);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Caf") + QChar(0xE9));
    delete window.data();
}
