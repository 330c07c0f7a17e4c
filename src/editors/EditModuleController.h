// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QDialog;
class QPlainTextEdit;
class QPushButton;

namespace tosk {

class GraphicWindowController;
class ModuleFieldTableModel;
class ModuleFieldTableView;
class RepeatingTextFieldCell;
class SigDocument;
struct PatchChange;

// The inspector of one module: a table of its fields (ModuleFieldTableModel)
// where values are typed, sources picked and repetitions added or removed
// with the step buttons, each change one undo step of the edit layer. A
// value the field refuses is shown in an error sheet, which holds the
// table's selection until it is closed. The panel follows every change of
// its module (undo, the canvas, another editor), and closes when the
// module leaves the patch or the patch window goes.
//
// Each module has at most one panel, a window of its patch window.
class EditModuleController : public QWidget {
    Q_OBJECT

public:
    // Opens (or raises) the panel of a module of the window's patch; none
    // for the head, a module of another patch, or a window without one.
    static EditModuleController* open(GraphicWindowController& window, Module& module);
    static EditModuleController* controllerFor(const Module& module);
    // Closes every panel on the document's modules (its window shows
    // another document now, or goes).
    static void closePanelsOf(const SigDocument& document);

    EditModuleController(std::shared_ptr<SigDocument> document, Module::Ptr module, GraphicWindowController* window);
    ~EditModuleController() override;

    Module& module() const { return *module_; }
    SigDocument& document() const { return *document_; }
    GraphicWindowController* graphicWindow() const;
    ModuleFieldTableModel* model() const { return model_; }
    ModuleFieldTableView* tableView() const { return tableView_; }
    RepeatingTextFieldCell* stepCell() const { return stepCell_; }
    QPushButton* moduleInfoButton() const { return moduleInfoButton_; }
    QPushButton* editModuleSpecificButton() const { return editModuleSpecificButton_; }
    QDialog* errorSheet() const { return errorSheet_; }
    QPlainTextEdit* errorMessage() const { return errorMessage_; }
    bool invalidError() const { return invalidError_; }
    bool isClosing() const { return closing_; }

    // --- actions
    // The operator's page of the help book.
    void moduleInfoAction();
    // The module's own editor, as Edit Specific opens it.
    void editModuleSpecificAction();
    // A repetition after (or the removal of) the one the row's field
    // belongs to, as one undo step.
    bool addRepeatingFieldAtRow(int row);
    bool deleteRepeatingFieldAtRow(int row);

    // --- error sheet
    void raiseErrorWindow(const QString& message);
    void endErrorWindow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void moduleDidChange(const PatchChange& change);
    void refresh();
    void updateTitle();
    void stopFollowing();

    std::shared_ptr<SigDocument> document_;
    Module::Ptr module_;
    QPointer<GraphicWindowController> window_;
    ModuleFieldTableModel* model_ = nullptr;
    ModuleFieldTableView* tableView_ = nullptr;
    RepeatingTextFieldCell* stepCell_ = nullptr;
    QPushButton* moduleInfoButton_ = nullptr;
    QPushButton* editModuleSpecificButton_ = nullptr;
    QDialog* errorSheet_ = nullptr;
    QPlainTextEdit* errorMessage_ = nullptr;
    bool invalidError_ = false;
    bool closing_ = false;
    bool refreshQueued_ = false;
};

} // namespace tosk
