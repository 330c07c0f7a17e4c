// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/PatchComparison.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tosk {

class GraphicWindowController;
class SigDocument;
struct CompareOverlay;

// File > Compare With... and Compare with Saved: how the patch of a window
// differs from another patch, read as its older version. The differences
// are listed as a tree (a module with its fields, old and new), with the
// kind in words, under a filter; choosing one shows its module in the patch
// window. While the window is open the patch window paints the comparison
// over the patch. The list follows every change of the patch. A chosen
// difference, or all of them, can be taken from the other patch as one
// "Take from Other" step.
class CompareWindow : public QWidget {
    Q_OBJECT

public:
    enum Column { WhatColumn = 0, KindColumn, OtherColumn, ThisColumn };

    // `otherName` names the other patch in the title.
    CompareWindow(GraphicWindowController& window, std::shared_ptr<SigDocument> other, const QString& otherName);
    ~CompareWindow() override;

    const PatchComparison& comparison() const { return comparison_; }
    const CompareOverlay& overlay() const { return *overlay_; }
    QTreeWidget* tree() const { return tree_; }
    QLineEdit* filterField() const { return filter_; }
    QLabel* summaryLabel() const { return summary_; }
    QPushButton* takeButton() const { return take_; }
    QPushButton* takeAllButton() const { return takeAll_; }

    // Takes the differences chosen in the list (every one with `all`) from
    // the other patch; a refusal is shown as an alert naming its reason.
    // Answers whether the patch changed.
    bool take(bool all);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Compares again and lists the result.
    void refresh();
    void fill();
    void applyFilter();
    void showChosen();
    void updateButtons();
    QTreeWidgetItem* addItem(QTreeWidgetItem* parent, const QString& what, const QString& kind, const QString& other,
                             const QString& mine, int choice);
    void detach();

    QPointer<GraphicWindowController> window_;
    std::shared_ptr<SigDocument> document_;
    std::shared_ptr<SigDocument> other_;
    PatchComparison comparison_;
    // The choice of each item (by its UserRole index).
    std::vector<PatchComparison::Choice> choices_;
    std::shared_ptr<CompareOverlay> overlay_;
    QLineEdit* filter_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* take_ = nullptr;
    QPushButton* takeAll_ = nullptr;
};

} // namespace tosk
