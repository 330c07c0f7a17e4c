// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/PatchSearch.h"
#include "canvas/CompareWindow.h"
#include "canvas/PatchWindow.h"
#include "canvas/TextWindowController.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QDialog;
class QLabel;
class QLineEdit;
class QMenuBar;
class QScrollArea;
class QToolButton;

namespace tosk {

class FindBar;
class GraphicView;
class Module;
class ModuleField;
class SigDocument;
class SigFile;

// One patch window: the canvas in its scroll view under a row of buttons
// that switch what the canvas shows, zoom and align; the sheet for the
// patch's title and author; the patch's text window.
class GraphicWindowController : public QMainWindow, public PatchWindow {
    Q_OBJECT

public:
    // What the window asks of the application: its menu (none in tests),
    // saving its document (false when it was not saved), the text sent to a
    // unit, what happens when the window has agreed to close (before it is
    // hidden), and the panels that inspect a module and edit a special
    // module's table (Inspect Module and Edit Specific stay disabled
    // without them).
    struct Hooks {
        std::function<void(QMenuBar*)> buildMenu;
        std::function<bool(GraphicWindowController&)> save;
        TextWindowController::TextSource uploadText;
        std::function<void(GraphicWindowController&)> closing;
        std::function<void(GraphicWindowController&, Module&)> inspectModule;
        std::function<void(GraphicWindowController&, Module&)> editSpecific;
        // Selects the field's row in the module's inspector when one is
        // open (the find bar's match); none: the field is the module's name.
        std::function<void(GraphicWindowController&, Module&, const ModuleField*)> showInInspector;
        // The operator reference at the module's operator, and the add
        // panel searching for this window (the context menu's Operator
        // Reference, Add Module… and Insert Module…; left out without them).
        std::function<void(GraphicWindowController&, Module&)> operatorReference;
        std::function<void(GraphicWindowController&)> addModule;
    };

    explicit GraphicWindowController(std::shared_ptr<SigDocument> document, Hooks hooks = {},
                                     QWidget* parent = nullptr);
    ~GraphicWindowController() override;

    SigDocument* sigDocument() const { return document_.get(); }
    const std::shared_ptr<SigDocument>& document() const { return document_; }
    SigFile* sigFile() const;
    GraphicView* graphicView() const { return graphicView_; }
    QScrollArea* enclosingScrollView() const { return scrollView_; }
    TextWindowController* textWindowController() const { return textWindowController_; }
    QDialog* titleSheet() const { return titleSheet_; }
    Hooks& hooks() { return hooks_; }
    const Hooks& hooks() const { return hooks_; }
    // Names what lies under the mouse.
    QLabel* statusLabel() const { return statusLabel_; }
    // The magnification in use, in the status bar ("100 %").
    QLabel* zoomLabel() const { return zoomLabel_; }
    // Shown for the first time, the patch is shown at 100 % rather than
    // fitted to the window (a new patch, whose few boxes fitting would blow up).
    void setOpensAtActualSize(bool on) { opensAtActualSize_ = on; }

    // --- button actions
    void onHideDefaultValues();
    void onHideInformation();
    void onHideSignal();
    void onHideControl();
    void onHideUser();
    void onHideUnconnected();
    void onShowAll();
    void onRevealOrder();
    void onShowTextView();
    void onZoomIn();
    void onZoomOut();
    void onZoomToFit();
    // The selection lined up on its first module, one undo step each.
    void onAlignLeft();
    void onAlignRight();
    void onAlignTop();
    void onAlignBottom();

    void updateHideButtons(SigFile* patch);
    // The show-mode buttons as the mode says: a hide button is on where its
    // item is not shown.
    void checkShowModeButtons(int mode);
    void updateZoomButtons(SigFile* patch);
    // The align buttons follow the canvas's selection.
    void moduleSelectionChanged(const void* sender);
    // The window title: the document's name, then how it was read when not
    // faithfully ("demo — read with errors"), with "*" while it has changes.
    void updateTitle();
    // Shows another document (the same file read again) in this window,
    // laid out as on opening and in the window's show mode.
    void replaceDocument(std::shared_ptr<SigDocument> document);

    // --- finding (Edit > Find...)
    FindBar* findBar() const { return findBar_; }
    // The menu's Find..., Find Next and Find Previous, with their keys; the
    // window carries them so that the keys work whatever its menu.
    QAction* findAction() const { return findAction_; }
    QAction* findNextAction() const { return findNextAction_; }
    QAction* findPreviousAction() const { return findPreviousAction_; }
    // Selects the matching module (a group's member: its group) and scrolls
    // it into view, and selects the field in the module's open inspector.
    void showMatch(const PatchSearch::Match& match);
    // Selects the module (a member: its top-level group) and scrolls it
    // into view.
    void revealModule(Module& module);

    // --- comparing (File > Compare With...)
    // Opens the compare window of this patch with the other (replacing one
    // open already); the canvas shows the comparison while it is open.
    CompareWindow* openCompareWindow(std::shared_ptr<SigDocument> other, const QString& otherName);
    CompareWindow* compareWindow() const { return compareWindow_; }

    // --- title and author
    void raiseTitleWindow();
    // Code 1 (OK) takes the two fields as one undo step; a text the file
    // could not read back is refused with an alert. Anything else changes
    // nothing.
    void sheetDidEnd(int returnCode);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QToolButton* addButton(const char* name, const char* image, const char* tip, void (GraphicWindowController::*)(),
                           bool toggle = false);
    void buildTitleSheet();
    void buildFindActions();
    void listenTo(SigDocument* document);
    // Flips (or with `set`, sets) show-mode bits, lays the patch out again
    // and redraws; the show mode is no edit.
    void changeShowMode(int bits, bool flip, bool updateButtons);
    // Lays out a patch that stands in one column and fits it to the window.
    void windowDidLoad();
    // A patch saved without positions is laid out once, which is a change.
    void layOutIfInOneColumn();
    // Asks about unsaved changes; false keeps the window open.
    bool mayClose();
    void windowShouldClose();

    std::shared_ptr<SigDocument> document_;
    Hooks hooks_;
    GraphicView* graphicView_ = nullptr;
    QScrollArea* scrollView_ = nullptr;
    QToolButton* hideDefaultValuesBtn = nullptr;
    QToolButton* hideInformationBtn = nullptr;
    QToolButton* hideSignalBtn = nullptr;
    QToolButton* hideControlBtn = nullptr;
    QToolButton* hideUserBtn = nullptr;
    QToolButton* hideUnconnectedBtn = nullptr;
    QToolButton* showAllBtn = nullptr;
    QToolButton* revealOrderBtn = nullptr;
    QToolButton* showTextBtn = nullptr;
    QToolButton* zoomInBtn = nullptr;
    QToolButton* zoomOutBtn = nullptr;
    QToolButton* zoomToFitBtn = nullptr;
    QToolButton* alignLeftBtn = nullptr;
    QToolButton* alignRightBtn = nullptr;
    QToolButton* alignTopBtn = nullptr;
    QToolButton* alignBottomBtn = nullptr;
    QDialog* titleSheet_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    bool opensAtActualSize_ = false;
    FindBar* findBar_ = nullptr;
    QAction* findAction_ = nullptr;
    QAction* findNextAction_ = nullptr;
    QAction* findPreviousAction_ = nullptr;
    QLineEdit* titleField_ = nullptr;
    QLineEdit* authorField_ = nullptr;
    QPointer<TextWindowController> textWindowController_;
    QPointer<CompareWindow> compareWindow_;
    bool loaded_ = false;
};

} // namespace tosk
