// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>

namespace tosk {

class TextWindowController;

// The read-only text of a patch: selectable, never wrapped. With a
// selection its context menu is the patch's own ("SigFile Options").
class TextView : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TextView(QWidget* parent = nullptr);

    void setTextWindowController(TextWindowController* controller) { textWindowController_ = controller; }
    TextWindowController* textWindowController() const { return textWindowController_; }

    // The menu a right click at that point shows; the caller owns it.
    QMenu* menuForEvent(const QPoint& position);
    // "Reorder Modules" of the menu: only noted in the log for now.
    void option(const QAction* item);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TextWindowController* textWindowController_ = nullptr;
};

} // namespace tosk
