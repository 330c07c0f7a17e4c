// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"
#include "comms/UnitRequester.h"
#include "comms/ValuePutThrottle.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace tosk {

// Unit ▸ Front Panel: the unit's own user interface as a tree from its root
// object, with a control for each object the user may change. A menu is
// read when it is first opened (one object request each); a change of a
// control goes to the unit as a value put, paced while a slider is dragged
// (ValuePutThrottle), and the control then shows what the unit kept. The
// window never waits for the line: every exchange goes through the
// UnitRequester and comes back on the main thread.
class FrontPanelWindow : public QWidget {
    Q_OBJECT

public:
    // Columns of the tree.
    enum Column { NameColumn = 0, ValueColumn = 1 };

    // `clock` paces the puts (a test gives its own).
    explicit FrontPanelWindow(UnitRequester& unit, ValuePutThrottle::Clock clock = {}, QWidget* parent = nullptr);
    ~FrontPanelWindow() override;

    // Reads the root menu unless it is read or being read.
    void readRoot();
    // Re-reads the root and every menu that is open, keeping them open.
    void refresh();

    QTreeWidget* tree() const { return tree_; }
    QLineEdit* filterField() const { return filter_; }
    QLabel* statusLabel() const { return status_; }
    // The row of the object with this key, while it is shown.
    QTreeWidgetItem* itemForKey(const std::string& key) const;
    // The object the row shows, as the unit last described it.
    std::shared_ptr<BaseObject> objectForKey(const std::string& key) const;
    // The control of an object's row (null for menus and unknown keys).
    QWidget* controlForKey(const std::string& key) const;
    // Exchanges with the unit that have not come back.
    size_t pendingCount() const { return pending_.size(); }
    // A moved control whose value still waits to be put: one more put is to come.
    bool hasWaitingValue() const;

private:
    struct Row;
    enum class ReadState { Unread, Reading, Read, Failed };

    void read(const std::string& key);
    void menuRead(const std::string& key, const Bytes& reply, const std::optional<TkxException>& failure);
    void fillMenu(QTreeWidgetItem* parent, const std::vector<std::shared_ptr<BaseObject>>& children);
    void dropRowsBelow(QTreeWidgetItem* parent);
    QTreeWidgetItem* addRow(QTreeWidgetItem* parent, const std::shared_ptr<BaseObject>& object);
    QWidget* makeControl(Row& row);
    void showValue(Row& row);

    void edited(const std::string& key, const std::string& value);
    void sendDue(const std::string& key);
    void put(Row& row, const std::string& value);
    void putAnswered(const std::string& key, const std::string& value, const Bytes& reply,
                     const std::optional<TkxException>& failure);
    void readBack(const std::string& key);
    void putBack(Row& row, const QString& why);
    void takeObject(Row& row, const std::shared_ptr<BaseObject>& object);

    void expanded(QTreeWidgetItem* item);
    void applyFilter();
    bool filterItem(QTreeWidgetItem* item, const QString& text);

    Row* row(const std::string& key) const;
    int send(uint8_t command, const std::string& key, const std::string& tail,
             std::function<void(const Bytes&, const std::optional<TkxException>&)> done);

    UnitRequester& unit_;
    ValuePutThrottle::Clock clock_;
    QTreeWidget* tree_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QLabel* status_ = nullptr;
    std::map<std::string, std::unique_ptr<Row>> rows_;
    // Menus to open again once a refresh has read them anew.
    std::set<std::string> reopen_;
    std::set<int> pending_;
    // Completions that come back after the window has gone do nothing.
    std::shared_ptr<FrontPanelWindow*> self_;
};

} // namespace tosk
