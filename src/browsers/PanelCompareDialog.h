// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ParameterComparison.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace tosk {

class SigDocument;

// Unit ▸ Compare with Unit: the values of a patch that differ from the
// unit's running copy of it (module, field, value here, value on the unit),
// shown without changing anything. The user takes all of them or the ones
// ticked into the patch, as one "Update Parameters" step, or sends this
// patch to the unit instead.
class PanelCompareDialog : public QDialog {
    Q_OBJECT

public:
    enum Column { ModuleColumn = 0, FieldColumn, HereColumn, UnitColumn };

    // `sendPatch` sends the patch to the unit (Unit ▸ Send Patch).
    PanelCompareDialog(std::weak_ptr<SigDocument> document, ParameterComparison comparison,
                       std::function<void()> sendPatch, QWidget* parent = nullptr);

    QTreeWidget* list() const { return list_; }
    QPushButton* takeAllButton() const { return takeAll_; }
    QPushButton* takeChosenButton() const { return takeChosen_; }
    QPushButton* sendButton() const { return send_; }
    QLabel* summaryLabel() const { return summary_; }

    // Takes the values ticked (all of them with `all`) into the patch;
    // answers how many fields changed.
    int take(bool all);

private:
    void updateButtons();

    std::weak_ptr<SigDocument> document_;
    ParameterComparison comparison_;
    std::function<void()> sendPatch_;
    QLabel* summary_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QPushButton* takeAll_ = nullptr;
    QPushButton* takeChosen_ = nullptr;
    QPushButton* send_ = nullptr;
};

} // namespace tosk
