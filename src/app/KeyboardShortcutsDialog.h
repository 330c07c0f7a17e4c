// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <utility>
#include <vector>

class QMenuBar;
class QTableWidget;

namespace tosk {

// Help ▸ Keyboard Shortcuts: every command of a window's menu that has a
// key, with its menu ("File ▸ Save") and the keys as this desktop writes
// them, read from the menu itself so that the list cannot drift from it.
class KeyboardShortcutsDialog : public QDialog {
    Q_OBJECT

public:
    explicit KeyboardShortcutsDialog(QMenuBar* bar, QWidget* parent = nullptr);

    // The rows: command path and keys, in menu order.
    static std::vector<std::pair<QString, QString>> shortcutsOf(QMenuBar* bar);

    QTableWidget* table() const { return table_; }

private:
    QTableWidget* table_ = nullptr;
};

} // namespace tosk
