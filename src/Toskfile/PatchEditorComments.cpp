// SPDX-License-Identifier: GPL-3.0-or-later
// PatchEditor's operations on the comments of a patch.
#include "Toskfile/PatchEditor.h"

#include "Toskfile/PatchState.h"
#include "Toskfile/SigFile.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace tosk {

namespace {

bool finite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

Point keptInside(Point p)
{
    return Point{std::max(p.x, PatchEditor::kCommentMinOrigin), std::max(p.y, PatchEditor::kCommentMinOrigin)};
}

} // namespace

PatchEditor::Comments PatchEditor::commentsInPatch(const Comments& comments) const
{
    const PatchComment::List& all = patch().comments();
    std::unordered_set<const PatchComment*> inPatch;
    for (const auto& c : all)
        inPatch.insert(c.get());
    Comments result;
    std::unordered_set<const PatchComment*> taken;
    for (const auto& c : comments) {
        if (!c || !inPatch.count(c.get()))
            return {};
        if (taken.insert(c.get()).second)
            result.push_back(c);
    }
    return result;
}

PatchComment::Ptr PatchEditor::addComment(Point origin, const std::string& text)
{
    Comments made = addComments({PatchComment{origin, text}}, Point{}, PatchChange::Kind::AddComment, "Add Comment");
    if (made.empty())
        return nullptr;
    return made.front();
}

PatchEditor::Comments PatchEditor::pasteComments(const std::vector<PatchComment>& comments, Point offset)
{
    return addComments(comments, offset, PatchChange::Kind::Paste, "Paste");
}

PatchEditor::Comments PatchEditor::addComments(const std::vector<PatchComment>& comments, Point offset,
                                               PatchChange::Kind kind, const std::string& actionName)
{
    if (comments.empty() || !finite(offset))
        return {};
    for (const auto& c : comments)
        if (!finite(c.origin))
            return {};
    SigFile& p = patch();
    PatchState before(p);
    before.addComments();
    PatchComment::List list = p.comments();
    Comments made;
    for (const auto& c : comments) {
        auto comment = std::make_shared<PatchComment>(c);
        comment->origin = keptInside(Point{c.origin.x + offset.x, c.origin.y + offset.y});
        made.push_back(comment);
        list.push_back(comment);
    }
    p.setComments(std::move(list));
    commit(kind, actionName, before, PatchChange::Comments);
    return made;
}

bool PatchEditor::setCommentText(const PatchComment::Ptr& comment, const std::string& text)
{
    if (commentsInPatch({comment}).empty() || comment->text == text)
        return false;
    PatchState before(patch());
    before.addComments();
    comment->text = text;
    return commit(PatchChange::Kind::EditComment, "Edit Comment", before, PatchChange::Comments);
}

bool PatchEditor::moveComments(const Comments& comments, Point offset)
{
    Comments moved = commentsInPatch(comments);
    if (moved.empty() || !finite(offset))
        return false;
    // Only a move up or left is cut back; a comment already nearer the edge
    // than the least place does not move the others away from it.
    auto cut = [&moved](double want, double Point::*axis) {
        if (want >= 0)
            return want;
        double d = want;
        for (const auto& c : moved)
            d = std::max(d, kCommentMinOrigin - c->origin.*axis);
        return std::min(d, 0.0);
    };
    const Point d{cut(offset.x, &Point::x), cut(offset.y, &Point::y)};
    if (d == Point{})
        return false;
    PatchState before(patch());
    before.addComments();
    for (const auto& c : moved)
        c->origin = Point{c->origin.x + d.x, c->origin.y + d.y};
    return commit(PatchChange::Kind::Move, "Move", before, PatchChange::Comments);
}

bool PatchEditor::deleteComments(const Comments& comments, const std::string& actionName)
{
    Comments doomed = commentsInPatch(comments);
    if (doomed.empty())
        return false;
    SigFile& p = patch();
    PatchState before(p);
    before.addComments();
    std::unordered_set<const PatchComment*> going;
    for (const auto& c : doomed)
        going.insert(c.get());
    PatchComment::List kept;
    for (const auto& c : p.comments())
        if (!going.count(c.get()))
            kept.push_back(c);
    p.setComments(std::move(kept));
    return commit(PatchChange::Kind::Delete, actionName, before, PatchChange::Comments);
}

} // namespace tosk
