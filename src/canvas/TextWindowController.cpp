// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/TextWindowController.h"

#include "Toskfile/SigDocument.h"
#include "canvas/Latin1.h"
#include "canvas/TextView.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace tosk {

TextWindowController::TextWindowController(std::shared_ptr<SigDocument> document, TextSource source, QWidget* parent)
    : QMainWindow(parent), document_(std::move(document)), source_(std::move(source))
{
    setObjectName(QStringLiteral("textWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    textView_ = new TextView(central);
    textView_->setTextWindowController(this);
    column->addWidget(textView_, 1);
    statusMessage_ = new QLabel(central);
    statusMessage_->setObjectName(QStringLiteral("statusMessage"));
    column->addWidget(statusMessage_);
    setCentralWidget(central);
    resize(640, 480);

    if (document_)
        setWindowTitle(Latin1::message(document_->displayName()));
    takeText();
    updateTextView();
    // The window shows one document and follows its changes only.
    if (document_)
        document_->addChangeListener(this, [this](const PatchChange&) {
            takeText();
            updateTextView();
        });
    QTimer::singleShot(3000, this, &TextWindowController::clearStatusMessage);
}

TextWindowController::~TextWindowController()
{
    if (document_)
        document_->removeChangeListeners(this);
}

TextWindowController* TextWindowController::windowWithSigDocument(std::shared_ptr<SigDocument> document,
                                                                  TextSource source)
{
    return new TextWindowController(std::move(document), std::move(source));
}

void TextWindowController::takeText()
{
    // The core's texts are Latin-1 bytes.
    if (document_ && source_) {
        const std::string text = source_(*document_);
        sigText_ = Latin1::qstring(text);
    } else {
        sigText_.clear();
    }
}

void TextWindowController::updateTextView()
{
    textView_->setPlainText(sigText_);
}

void TextWindowController::statusDisplay(const QString& message)
{
    statusMessage_->setText(message);
    statusMessage_->repaint();
}

void TextWindowController::clearStatusMessage()
{
    statusMessage_->clear();
}

QString TextWindowController::statusMessage() const
{
    return statusMessage_->text();
}

} // namespace tosk
