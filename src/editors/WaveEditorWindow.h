// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"

#include <QWidget>

#include <memory>

class QBoxLayout;
class QHBoxLayout;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace tosk {

class SigDocument;
class WaveObject;
class WaveformView;
struct PatchChange;

// What the waveform and waveshape editors share: a working copy of one
// module's point table (WaveObject) drawn in a WaveformView, the flips, the
// add and remove buttons, and Revert, Cancel, Apply and OK. The module
// changes only on Apply or OK, as one "Change Value" step of the edit
// layer that writes only the points changed here. While the editor is open it follows changes made elsewhere (the
// inspector, undo): it reads the module again when it holds nothing
// unapplied, and it closes when the module leaves the patch.
class WaveEditorWindow : public QWidget {
    Q_OBJECT

public:
    ~WaveEditorWindow() override;

    SigDocument& document() const { return *document_; }
    Module& module() const { return *module_; }
    WaveObject& waveObject() const { return *table_; }
    WaveformView* waveformView() const { return waveformView_; }
    // Closed, or closing: no longer the module's editor.
    bool isClosing() const { return closing_; }

    // --- actions of the buttons
    // Applies; closes when the module took the table.
    void okButtonAction();
    // Writes what was changed here into the module as one undo step
    // ("Change Value"). Points the module changed too since the table read
    // them, and values their fields cannot take as they are, are put to the
    // user first. False when the user cancelled, or (after an alert) the
    // edit layer refused the table; the table then keeps what the user made.
    bool applyButtonAction();
    // Reads the module again, dropping every change made here.
    void revertButtonAction();
    // Closes without writing.
    void cancelButtonAction();
    // Asked before Escape or Ctrl+W closes the editor: true when nothing is
    // left unapplied, or the user applied or discarded it.
    bool mayDiscardChanges();
    void addButtonAction();
    void removeButtonAction();
    void verticalFlipAction();
    void horizontalFlipAction();

    // Add and remove are hidden for a table of fixed length; otherwise each
    // is enabled while the table can grow or shrink.
    void updateButtons();

protected:
    // Builds the window around the table made for `module` (none: an empty
    // table); the title is `title` with "%s" the module's instance name.
    WaveEditorWindow(std::shared_ptr<SigDocument> document, Module::Ptr module, std::unique_ptr<WaveObject> table,
                     QString title, QWidget* parent);

    // An image button of the tool row (image from data/icons).
    QToolButton* makeImageButton(const char* name, const char* image, const QString& label);
    // The row under the view; the base puts the flips and add and remove
    // there, subclasses add their own buttons.
    QHBoxLayout* toolRow() const { return toolRow_; }
    // Where subclasses put their areas, between the tool row and the
    // OK row.
    QVBoxLayout* areaColumn() const { return areaColumn_; }
    QPushButton* harmonicsButton() const { return harmonicsButton_; }

    // The points were replaced by something other than a subclass's own
    // controls: a generator, a flip, the mouse, Revert, the module read
    // again. Redraws.
    virtual void pointsReplaced();
    // The number of points changed by add or remove.
    virtual void pointCountChanged() {}
    // The harmonics button was switched.
    virtual void harmonicsToggled(bool) {}
    // Redraws the curve.
    void redraw();
    // Fits the window's height to what it shows, keeping its top edge.
    void fitHeight();

    void closeEvent(QCloseEvent* event) override;

private:
    void moduleDidChange(const PatchChange& change);
    void updateTitle();
    void stopFollowing();

    std::shared_ptr<SigDocument> document_;
    Module::Ptr module_;
    std::unique_ptr<WaveObject> table_;
    QString title_;
    WaveformView* waveformView_ = nullptr;
    QHBoxLayout* toolRow_ = nullptr;
    QVBoxLayout* areaColumn_ = nullptr;
    QToolButton* verticalFlipButton_ = nullptr;
    QToolButton* horizontalFlipButton_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* harmonicsButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* revertButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    bool closing_ = false;
};

} // namespace tosk
