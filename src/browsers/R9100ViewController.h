// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "browsers/UnitLineTiming.h"
#include "comms/ChannelNameInfo.h"
#include "comms/KeyedArray.h"
#include "comms/R9100ProgramItem.h"

#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMimeData;
class QPushButton;
class QTableView;

namespace tosk {

class KorvatelConnection;
class R9100TableModel;
class UnitBusyRow;
class UnitTaskRunner;

// The program-list browser: the presets the unit lists under its search
// criteria, in a table. The criteria sheet changes the criteria (only on
// OK); a click selects a preset on the unit, a double click opens it in a
// patch window once the unit is seen to run it, and rows drag out to the
// disk browser. Every exchange runs off the main thread.
class R9100ViewController : public QWidget {
    Q_OBJECT

public:
    using Item = std::shared_ptr<R9100ProgramItem>;

    explicit R9100ViewController(std::shared_ptr<ChannelNameInfo> info, UnitLineTiming timing = {},
                                 QWidget* parent = nullptr);
    ~R9100ViewController() override;

    // Sends the criteria and reads the list anew.
    void fillView();
    // Shows the criteria sheet.
    void criteriaAction();
    void patchTableAction();
    void patchTableDoubleAction();
    QMimeData* dragData(const std::vector<Item>& items);
    const std::vector<Item>& draggedItems() const { return draggedItems_; }

    const std::shared_ptr<ChannelNameInfo>& channelInfo() const { return channelInfo_; }
    const KeyedArray& searchCriteria() const { return searchCriteria_; }
    const std::vector<Item>& programList() const;
    const Item& selectedItem() const { return selectedItem_; }
    QTableView* patchTable() const { return patchTable_; }
    R9100TableModel* tableModel() const { return model_; }
    QLabel* boxTitle() const { return boxTitle_; }
    QPushButton* criteriaButton() const { return criteriaButton_; }
    QDialog* criteriaSheet() const { return criteriaSheet_; }
    QLineEdit* filterField() const { return filter_; }
    UnitTaskRunner* runner() const { return runner_; }
    QString statusText() const;

private:
    void readCriteria();
    void sheetDidEnd(bool ok);
    void reselect();
    void applyFilter();

    std::shared_ptr<ChannelNameInfo> channelInfo_;
    std::shared_ptr<KorvatelConnection> connection_;
    UnitTaskRunner* runner_ = nullptr;
    R9100TableModel* model_ = nullptr;
    QTableView* patchTable_ = nullptr;
    QLabel* boxTitle_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QPushButton* criteriaButton_ = nullptr;
    QDialog* criteriaSheet_ = nullptr;
    std::vector<QComboBox*> criteriaCBoxes_;
    UnitBusyRow* busy_ = nullptr;
    KeyedArray searchCriteria_;
    Item selectedItem_;
    std::vector<Item> draggedItems_;
};

} // namespace tosk
