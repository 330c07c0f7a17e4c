// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas's context menu.
#include "canvas/GraphicView.h"

#include "Toskfile/CanvasHitTest.h"
#include "Toskfile/SigFile.h"
#include "canvas/CanvasCommands.h"
#include "canvas/CanvasComments.h"
#include "canvas/CanvasTracker.h"
#include "canvas/CommentPainter.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/Latin1.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPointer>

#include <algorithm>

namespace tosk {

// ---------------------------------------------------------------- context menu

QMenu* GraphicView::menuForPoint(const Point& point, QWidget* parent)
{
    contextSelection_.reset();
    Module* module = nullptr;
    ModuleField::Ptr wire;
    PatchComment::Ptr comment = patch_ ? CommentPainter::commentAt(patch_->comments(), point) : nullptr;
    if (comment) {
        if (!comments_->isSelected(comment.get()))
            comments_->setSelected({comment});
    } else if (patch_) {
        Module* m = CanvasHitTest::moduleUnderPoint(canvasLayout(), *patch_, point);
        if (m && m != head() && !m->isTail()) {
            module = m;
            if (!moduleIsSelected(m)) {
                clearSelection();
                selectModule(*m);
                contextSelection_ = m->shared_from_this();
            }
        } else if (!m) {
            wire = wireAt(point);
        }
    }
    if (wire) {
        // The menu acts on the wire under the mouse, whatever was selected.
        clearSelection();
        setSelectedField(nullptr);
        setSelectedWire(wire);
    }
    auto* menu = new QMenu(Latin1::text("MenuOptions", "Options"), parent);
    menu->setObjectName(QStringLiteral("optionsMenu"));
    auto add = [this, menu](CanvasCommand command, const char* name, QString title = {}) {
        const CommandState state = commands_->state(command);
        QAction* action = menu->addAction(title.isEmpty() ? CanvasCommands::defaultTitle(command) : title);
        action->setObjectName(QString::fromLatin1(name));
        action->setEnabled(state.enabled);
        action->setCheckable(state.checkable);
        action->setChecked(state.checked);
        connect(action, &QAction::triggered, this, [this, command] { commands_->perform(command); });
    };
    GraphicWindowController* window = controller_;
    auto addPanel = [this, menu, window](const char* name, const char* key, const char* text) {
        if (!window || !window->hooks().addModule)
            return;
        QAction* action = menu->addAction(Latin1::text(key, text));
        action->setObjectName(QString::fromLatin1(name));
        QPointer<GraphicWindowController> w(window);
        connect(action, &QAction::triggered, this, [w] {
            if (w)
                w->hooks().addModule(*w);
        });
    };
    if (comment) {
        add(CanvasCommand::Cut, "contextCut");
        add(CanvasCommand::Copy, "contextCopy");
        add(CanvasCommand::Delete, "contextDelete");
        QAction* action = menu->addAction(Latin1::text("MenuEditComment", "&Edit Comment"));
        action->setObjectName(QStringLiteral("contextEditComment"));
        std::weak_ptr<PatchComment> weak = comment;
        connect(action, &QAction::triggered, this, [this, weak] {
            if (auto c = weak.lock())
                comments_->edit(c);
        });
        return menu;
    }
    if (wire) {
        add(CanvasCommand::Delete, "contextDeleteConnection",
            Latin1::text("MenuDeleteConnection", "&Delete Connection"));
        addPanel("contextInsertModule", "MenuInsertModule", "&Insert Module...");
        return menu;
    }
    if (module) {
        add(CanvasCommand::Cut, "contextCut");
        add(CanvasCommand::Copy, "contextCopy");
        add(CanvasCommand::Duplicate, "contextDuplicate");
        add(CanvasCommand::Delete, "contextDelete");
        menu->addSeparator();
        add(CanvasCommand::InspectModule, "contextInspectModule");
        if (selectedModules().size() == 1 && CanvasCommands::hasSpecialEditor(*module))
            add(CanvasCommand::EditSpecific, "contextEditSpecific");
        if (window && window->hooks().operatorReference) {
            QAction* action = menu->addAction(Latin1::text("MenuOperatorReference", "&Operator Reference"));
            action->setObjectName(QStringLiteral("contextOperatorReference"));
            QPointer<GraphicWindowController> w(window);
            std::weak_ptr<Module> weak = module->shared_from_this();
            connect(action, &QAction::triggered, this, [w, weak] {
                if (auto m = weak.lock(); m && w)
                    w->hooks().operatorReference(*w, *m);
            });
        }
    } else {
        add(CanvasCommand::Paste, "contextPaste");
        addPanel("contextAddModule", "MenuAddModule", "&Add Module...");
        QAction* note = menu->addAction(CanvasCommands::defaultTitle(CanvasCommand::AddComment));
        note->setObjectName(QStringLiteral("contextAddComment"));
        note->setEnabled(commands_->state(CanvasCommand::AddComment).enabled);
        connect(note, &QAction::triggered, this, [this, point] { comments_->add(point); });
        add(CanvasCommand::SelectAll, "contextSelectAll");
    }
    menu->addSeparator();
    add(CanvasCommand::ShowRuler, "contextShowRuler");
    add(CanvasCommand::ShowGrid, "contextShowGrid");
    add(CanvasCommand::SnapToGrid, "contextSnapToGrid");
    add(CanvasCommand::GridSelected, "contextGridSelected");
    menu->addSeparator();
    add(CanvasCommand::Reposition, "contextReposition");
    add(CanvasCommand::Reorder, "contextReorder");
    menu->addSeparator();
    add(CanvasCommand::SetTitleAndAuthor, "contextSetTitle");
    return menu;
}

void GraphicView::dropContextSelection()
{
    if (auto m = contextSelection_.lock())
        deselectModule(*m);
    contextSelection_.reset();
}

void GraphicView::contextMenuEvent(QContextMenuEvent* event)
{
    if (tracker_->isTracking())
        return;
    QPoint at = event->pos();
    // From the keyboard (the Menu key, Shift+F10) the menu opens on the
    // selection rather than wherever the mouse happens to be.
    const std::vector<Module*> selection = selectedModules();
    if (event->reason() == QContextMenuEvent::Keyboard && !selection.empty())
        at = toWidget(canvasLayout().graphicRect(*selection.back())).center();
    std::unique_ptr<QMenu> menu(menuForPoint(canvasPoint(QPointF(at)), this));
    menu->exec(mapToGlobal(at));
    dropContextSelection();
}

} // namespace tosk
