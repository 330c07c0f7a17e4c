// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>

class QLabel;

namespace tosk {

class SigDocument;
class TextView;

// The window that shows a patch as the text sent to a unit, in a
// monospaced font, and follows every change of the document.
class TextWindowController : public QMainWindow {
    Q_OBJECT

public:
    // How the text of the document is made (its upload form).
    using TextSource = std::function<std::string(SigDocument&)>;

    TextWindowController(std::shared_ptr<SigDocument> document, TextSource source, QWidget* parent = nullptr);
    ~TextWindowController() override;

    static TextWindowController* windowWithSigDocument(std::shared_ptr<SigDocument> document, TextSource source);

    TextView* textView() const { return textView_; }
    const QString& sigText() const { return sigText_; }
    void setSigText(const QString& text) { sigText_ = text; }
    // Puts the text into the view.
    void updateTextView();
    // Shows a line in the status field at once.
    void statusDisplay(const QString& message);
    void clearStatusMessage();
    QString statusMessage() const;
    SigDocument* sigDocument() const { return document_.get(); }

private:
    // Takes the text from the document again.
    void takeText();

    TextView* textView_ = nullptr;
    QLabel* statusMessage_ = nullptr;
    std::shared_ptr<SigDocument> document_;
    TextSource source_;
    QString sigText_;
};

} // namespace tosk
