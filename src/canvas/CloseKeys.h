// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace tosk {

// Lets a window close with Escape and Ctrl+W, as panels and viewers do.
// Escape counts only when nothing inside the window took it first (a cell
// being edited ends its edit with the first one). `mayClose` is asked before
// closing; it may ask the user and answer false to keep the window.
class CloseKeys : public QObject {
public:
    static CloseKeys* install(QWidget* window, std::function<bool()> mayClose = {});

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CloseKeys(QWidget* window, std::function<bool()> mayClose);
    void closeWindow();

    QWidget* window_;
    std::function<bool()> mayClose_;
};

} // namespace tosk
