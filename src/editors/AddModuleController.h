// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TreeNode.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>

#include <memory>

class QLineEdit;
class QModelIndex;
class QPushButton;

namespace tosk {

class GraphicView;
class GraphicWindowController;
class MyOutlineView;
class OperatorDesc;
class SigDbase;
class TreeNodeModel;

// The floating panel that adds modules: the database's operators by class
// (OperatorTreeNode), a search field that lists the operators matching
// what is typed, best first (OperatorSearch), and the Add and Help buttons.
// An operator is added to the patch of the patch window the panel follows
// by the Add button, a double click, Return in the search field, or a drag
// onto a canvas; the panel only names the operator to the canvas
// ("TKXInsertModule"), which builds and inserts the module as one undo
// step.
//
// The panel follows the patch window it is given (setMainWindow); taking
// the focus itself changes nothing there, so its Add button stays usable.
class AddModuleController : public QWidget {
    Q_OBJECT

public:
    // The one panel, made on first use and kept until the application ends.
    static AddModuleController& sharedAddModuleController();
    // The database the tree shows when the patch window gives none.
    static void initializeAddModuleController(std::shared_ptr<SigDbase> db);

    explicit AddModuleController(QWidget* parent = nullptr);
    ~AddModuleController() override;

    void setSigDbase(std::shared_ptr<SigDbase> db);
    // The database the tree was built from (the followed patch's, else the
    // one set).
    const std::shared_ptr<SigDbase>& treeDbase() const { return treeDbase_; }
    // Follows a patch window (another window, or none, follows nothing).
    void setMainWindow(QWidget* window);
    GraphicView* inspectingGraphicView() const;

    // Builds the tree again from the database and shows it (the search
    // result when a search is under way).
    void loadOutlineView();
    void updateButtons();

    // --- actions
    // Adds the selected operator after the canvas's selected module (its
    // first module when none or several are selected; as the first module
    // of an empty patch). With `wire`, the new module's first input that
    // the selected module's first output can feed is fed by it, in the same
    // undo step.
    bool onAdd(bool wire = false);
    // The help page of the selected operator or class.
    void moduleInfoAction();
    void moduleViewDoubleAction(const QModelIndex& index);
    // Shows the panel with the search field focused and its text selected.
    void showForSearch();

    QLineEdit* searchField() const { return searchField_; }
    MyOutlineView* moduleView() const { return moduleView_; }
    TreeNodeModel* treeModel() const { return model_; }
    QPushButton* addButton() const { return addButton_; }
    QPushButton* infoButton() const { return infoButton_; }

    // The group icon of a class: a square of the class colour over a gray
    // shadow.
    static QIcon iconImageForOperatorID(int operatorId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void searchChanged();
    void followDbase();
    // The operator of the selected row when it is a leaf.
    std::shared_ptr<OperatorDesc> selectedOperator() const;

    std::shared_ptr<SigDbase> sigDbase_;
    std::shared_ptr<SigDbase> treeDbase_;
    TreeNode::Ptr operatorTreeData_;
    QPointer<GraphicWindowController> mainWindow_;
    QPointer<GraphicView> inspectingGraphicView_;
    QLineEdit* searchField_ = nullptr;
    MyOutlineView* moduleView_ = nullptr;
    TreeNodeModel* model_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* infoButton_ = nullptr;
};

} // namespace tosk
