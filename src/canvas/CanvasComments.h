// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/PatchComment.h"
#include "base/Geometry.h"

#include <QPlainTextEdit>
#include <QPointer>

#include <memory>
#include <vector>

class QPainter;

namespace tosk {

class GraphicView;
struct PatchChange;

// The text box a comment is edited in, in place over the comment: Return
// starts a new line, Ctrl+Return or leaving the box keeps the text, Escape
// keeps the text the comment had.
class CommentEditor : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CommentEditor(QWidget* parent);

signals:
    void finished(bool keep);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool done_ = false;
};

// The comments of a canvas: their selection (comments are selected on
// their own, never together with modules), the gestures on them (click,
// Shift-click, drag, double-click to edit) and their painting. Every change
// goes through the edit layer, one undo step per gesture.
class CanvasComments {
public:
    // Where the next comment made from the menu goes, from the top left of
    // the part of the canvas in sight; a comment already there pushes it on.
    static constexpr double kNewCommentInset = 24;
    static constexpr double kNewCommentStep = 16;

    explicit CanvasComments(GraphicView& view);
    ~CanvasComments();
    CanvasComments(const CanvasComments&) = delete;
    CanvasComments& operator=(const CanvasComments&) = delete;

    // --- selection
    std::vector<PatchComment::Ptr> selected() const;
    bool isSelected(const PatchComment* comment) const;
    // Replaces the selection; a comment selected lets the modules go.
    void setSelected(const std::vector<PatchComment::Ptr>& comments);
    void clearSelection() { setSelected({}); }

    // --- gestures (canvas points). press() answers whether the press was on
    // a comment, which then owns the gesture until the release.
    bool press(const Point& point, bool shift);
    bool isDragging() const { return pressed_; }
    void move(const Point& point);
    void release(const Point& point);
    // Escape: the comments go back, nothing is recorded.
    void cancel();
    // Opens the comment under the point for editing; false when none is.
    bool doubleClick(const Point& point);

    // --- commands
    // A new comment ("Add Comment") at the point, or, without one, in the
    // top left of the part of the canvas in sight; selected and open for
    // typing with its text selected.
    PatchComment::Ptr add(const std::optional<Point>& point = std::nullopt);
    void edit(const PatchComment::Ptr& comment);
    CommentEditor* editor() const { return editor_; }
    PatchComment::Ptr edited() const { return edited_.lock(); }

    // The right and bottom edges the canvas must reach to show every
    // comment (0 without comments).
    Point extent() const;
    // Paints the comments meeting the canvas rect.
    void paint(QPainter& painter, const Rect& dirty) const;
    // Follows an edit: comments gone from the patch leave the selection and
    // the editor.
    void patchDidChange(const PatchChange& change);
    // The editor follows the canvas's magnification.
    void placeEditor();

private:
    void finishEdit(bool keep);
    const PatchComment::List& comments() const;

    GraphicView& view_;
    std::vector<std::weak_ptr<PatchComment>> selection_;
    bool pressed_ = false;
    bool moved_ = false;
    Point pressPoint_;
    Point offset_;
    QPointer<CommentEditor> editor_;
    std::weak_ptr<PatchComment> edited_;
};

} // namespace tosk
