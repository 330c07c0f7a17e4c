// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasComments.h"

#include "Toskfile/CanvasLayout.h"
#include "Toskfile/ModuleArrangement.h"
#include "Toskfile/PatchChange.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "canvas/CommentPainter.h"
#include "canvas/GraphicView.h"
#include "canvas/Latin1.h"

#include <QFontMetricsF>
#include <QKeyEvent>

#include <algorithm>
#include <cmath>

namespace tosk {

// ---------------------------------------------------------------- editor

CommentEditor::CommentEditor(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("commentEditor"));
    setAccessibleName(Latin1::text("CommentEditorName", "Comment text"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(true);
}

void CommentEditor::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        done_ = true;
        emit finished(false);
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & Qt::ControlModifier)) {
        done_ = true;
        emit finished(true);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CommentEditor::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    // The menu or a popup of the box itself takes focus only for a moment.
    if (!done_ && event->reason() != Qt::PopupFocusReason && event->reason() != Qt::MenuBarFocusReason) {
        done_ = true;
        emit finished(true);
    }
}

// ---------------------------------------------------------------- comments

CanvasComments::CanvasComments(GraphicView& view) : view_(view) {}

CanvasComments::~CanvasComments()
{
    if (editor_) {
        QObject::disconnect(editor_.data(), nullptr, nullptr, nullptr);
        delete editor_.data();
    }
}

const PatchComment::List& CanvasComments::comments() const
{
    static const PatchComment::List none;
    return view_.sigFile() ? view_.sigFile()->comments() : none;
}

std::vector<PatchComment::Ptr> CanvasComments::selected() const
{
    // In the patch's order, as the file has them.
    std::vector<PatchComment::Ptr> result;
    for (const auto& c : comments())
        if (isSelected(c.get()))
            result.push_back(c);
    return result;
}

bool CanvasComments::isSelected(const PatchComment* comment) const
{
    return std::any_of(selection_.begin(), selection_.end(),
                       [comment](const std::weak_ptr<PatchComment>& s) { return s.lock().get() == comment; });
}

void CanvasComments::setSelected(const std::vector<PatchComment::Ptr>& comments)
{
    if (selection_.empty() && comments.empty())
        return;
    selection_.assign(comments.begin(), comments.end());
    if (!comments.empty()) {
        view_.clearSelection();
        view_.setSelectedField(nullptr);
        view_.setSelectedWire(nullptr);
    }
    view_.update();
}

// ---------------------------------------------------------------- gestures

bool CanvasComments::press(const Point& point, bool shift)
{
    PatchComment::Ptr hit = CommentPainter::commentAt(comments(), point);
    if (!hit) {
        if (!shift)
            clearSelection();
        return false;
    }
    std::vector<PatchComment::Ptr> now = selected();
    if (shift && isSelected(hit.get())) {
        std::erase(now, hit);
        setSelected(now);
        return true;
    }
    if (shift)
        now.push_back(hit);
    else if (!isSelected(hit.get()))
        now = {hit};
    setSelected(now);
    pressed_ = true;
    moved_ = false;
    pressPoint_ = point;
    offset_ = Point{};
    return true;
}

void CanvasComments::move(const Point& point)
{
    if (!pressed_)
        return;
    Point d{point.x - pressPoint_.x, point.y - pressPoint_.y};
    if (!moved_ && std::abs(d.x) <= 2 && std::abs(d.y) <= 2)
        return;
    moved_ = true;
    // The comments stop at the canvas's top and left edges, as the edit
    // layer would stop them.
    for (const auto& c : selected()) {
        d.x = std::max(d.x, std::min(0.0, PatchEditor::kCommentMinOrigin - c->origin.x));
        d.y = std::max(d.y, std::min(0.0, PatchEditor::kCommentMinOrigin - c->origin.y));
    }
    offset_ = d;
    view_.update();
}

void CanvasComments::release(const Point& point)
{
    if (!pressed_)
        return;
    move(point);
    pressed_ = false;
    const Point offset = offset_;
    offset_ = Point{};
    if (moved_ && offset != Point{} && view_.sigDocument()) {
        UndoGroup drag(*view_.sigDocument());
        PatchEditor(*view_.sigDocument()).moveComments(selected(), offset);
    }
    moved_ = false;
    view_.update();
}

void CanvasComments::cancel()
{
    pressed_ = moved_ = false;
    offset_ = Point{};
    view_.update();
}

bool CanvasComments::doubleClick(const Point& point)
{
    PatchComment::Ptr hit = CommentPainter::commentAt(comments(), point);
    if (!hit)
        return false;
    pressed_ = moved_ = false;
    setSelected({hit});
    edit(hit);
    return true;
}

// ---------------------------------------------------------------- commands

PatchComment::Ptr CanvasComments::add(const std::optional<Point>& point)
{
    SigDocument* document = view_.sigDocument();
    if (!document || !view_.sigFile())
        return nullptr;
    const std::string text = Latin1::bytes(Latin1::text("NewComment", "Comment"));
    Point origin;
    if (point) {
        origin = *point;
    } else {
        // Into free room of what the user sees: on no box and no other comment.
        std::vector<Rect> taken;
        const CanvasLayout& layout = view_.canvasLayout();
        for (const auto& m : view_.sigFile()->listOfModules())
            if (layout.isDrawn(*m) && !layout.graphicRect(*m).isEmpty())
                taken.push_back(layout.graphicRect(*m));
        for (const auto& box : layout.headBoxes())
            taken.push_back(box.rect);
        for (const auto& c : comments())
            taken.push_back(CommentPainter::rect(*c));
        const Size size = CommentPainter::rect(PatchComment{Point{}, text}).size;
        // Kept off the edges, so that bringing it into sight scrolls nothing.
        const double edge = 8;
        origin = ModuleArrangement::freeOrigin(taken, view_.visibleArea().inset(edge, edge), size, kNewCommentStep);
    }
    PatchComment::Ptr made;
    {
        UndoGroup event(*document);
        made = PatchEditor(*document).addComment(origin, text);
    }
    if (!made)
        return nullptr;
    setSelected({made});
    view_.scrollRectToVisible(CommentPainter::rect(*made));
    edit(made);
    if (editor_)
        editor_->selectAll();
    return made;
}

void CanvasComments::edit(const PatchComment::Ptr& comment)
{
    finishEdit(true);
    if (!comment)
        return;
    edited_ = comment;
    editor_ = new CommentEditor(&view_);
    editor_->setPlainText(Latin1::qstring(comment->text));
    QObject::connect(editor_.data(), &CommentEditor::finished, &view_, [this](bool keep) { finishEdit(keep); });
    placeEditor();
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    editor_->moveCursor(QTextCursor::End);
}

void CanvasComments::placeEditor()
{
    PatchComment::Ptr comment = edited_.lock();
    if (!editor_ || !comment)
        return;
    QFont font = CommentPainter::font();
    const double m = view_.magnification();
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, int(std::lround(font.pixelSize() * m))));
    else
        font.setPointSizeF(font.pointSizeF() * m);
    editor_->setFont(font);
    const Rect r = CommentPainter::rect(*comment);
    const QRect box(int(std::lround(r.x() * m)), int(std::lround(r.y() * m)), int(std::ceil(r.width() * m)),
                    int(std::ceil(r.height() * m)));
    const int line = int(std::ceil(QFontMetricsF(font).lineSpacing()));
    editor_->setGeometry(box.x(), box.y(), std::max(box.width() + 4 * line, 12 * line),
                         std::max(box.height() + 2 * line, 4 * line));
}

void CanvasComments::finishEdit(bool keep)
{
    if (!editor_)
        return;
    QPointer<CommentEditor> editor = editor_;
    editor_ = nullptr;
    const std::string text = Latin1::bytes(editor->toPlainText());
    PatchComment::Ptr comment = edited_.lock();
    edited_.reset();
    const bool hadFocus = editor->hasFocus();
    editor->hide();
    editor->deleteLater();
    if (hadFocus)
        view_.setFocus(Qt::OtherFocusReason);
    if (keep && comment && view_.sigDocument()) {
        UndoGroup event(*view_.sigDocument());
        PatchEditor(*view_.sigDocument()).setCommentText(comment, text);
    }
    view_.update();
}

// ---------------------------------------------------------------- painting and following

Point CanvasComments::extent() const
{
    Point far;
    for (const auto& c : comments()) {
        const Rect r = CommentPainter::rect(*c);
        far = Point{std::max(far.x, r.maxX() + kNewCommentInset), std::max(far.y, r.maxY() + kNewCommentInset)};
    }
    return far;
}

void CanvasComments::paint(QPainter& painter, const Rect& dirty) const
{
    std::vector<const PatchComment*> shown;
    for (const auto& s : selection_)
        if (auto c = s.lock())
            shown.push_back(c.get());
    // The comment being edited is the editor's to show.
    PatchComment::List drawn = comments();
    if (PatchComment::Ptr edited = edited_.lock(); edited && editor_)
        std::erase(drawn, edited);
    CommentPainter::draw(painter, drawn, shown, moved_ ? offset_ : Point{}, dirty);
}

void CanvasComments::patchDidChange(const PatchChange& change)
{
    if (!change.touches(PatchChange::Comments))
        return;
    const PatchComment::List& all = comments();
    auto inPatch = [&all](const PatchComment* c) {
        return std::any_of(all.begin(), all.end(), [c](const PatchComment::Ptr& p) { return p.get() == c; });
    };
    std::erase_if(selection_, [&](const std::weak_ptr<PatchComment>& s) {
        auto c = s.lock();
        return !c || !inPatch(c.get());
    });
    PatchComment::Ptr edited = edited_.lock();
    if (editor_ && (!edited || !inPatch(edited.get())))
        finishEdit(false);
    else
        placeEditor();
}

} // namespace tosk
