// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <memory>

class QLabel;
class QTableView;

namespace tosk {

class MainThreadPoster;
class UnitTraffic;
class UnitTrafficModel;

// Window ▸ Unit Traffic: every frame sent to and received from a unit, as
// it happens, with time, direction, command, length and first bytes, and
// the whole record saved as text: what a user needs when a unit does not
// answer as expected.
class UnitTrafficWindow : public QWidget {
    Q_OBJECT

public:
    // Follows `traffic`; new frames arrive through `poster` (null: the
    // shared one).
    explicit UnitTrafficWindow(UnitTraffic& traffic, MainThreadPoster* poster = nullptr, QWidget* parent = nullptr);
    ~UnitTrafficWindow() override;

    UnitTrafficModel* model() const { return model_; }
    QTableView* tableView() const { return table_; }

    // Asks for a file and writes the record to it as text; false when
    // nothing was written (cancelled, or failed after an alert).
    bool saveAsText();
    // Empties the record and the table.
    void clear();

private:
    void refresh();

    UnitTraffic& traffic_;
    UnitTrafficModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel* count_ = nullptr;
    std::shared_ptr<void> observation_;
};

} // namespace tosk
