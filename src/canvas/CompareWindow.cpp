// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CompareWindow.h"

#include "Toskfile/Module.h"
#include "Toskfile/ModuleGeometry.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "base/Alerts.h"
#include "canvas/CompareOverlay.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/Latin1.h"
#include "canvas/SearchField.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tosk {

namespace {

// Where a module of the other patch stood, drawn for the show mode; it is
// measured, never laid out: the other patch has no view.
Rect ghostRect(const Module& theirs, int showMode)
{
    return ModuleGeometry::graphicRect(ModuleGeometry::box(theirs, ModuleGeometry::measure(theirs, showMode).rows));
}

using Kind = PatchComparison::ModuleDifference::Kind;

QString text(const std::optional<std::string>& bytes)
{
    return bytes ? Latin1::qstring(*bytes) : Latin1::text("DiffNone", "(none)");
}

QString place(const std::string& after)
{
    return after.empty() ? Latin1::text("DiffFirst", "first")
                         : Latin1::text("DiffAfter", "after %1").arg(Latin1::qstring(after));
}

// The other patch is the older one: what it alone has was removed here.
QString kindText(Kind kind)
{
    switch (kind) {
    case Kind::Added:
        return Latin1::text("DiffRemoved", "Removed");
    case Kind::Removed:
        return Latin1::text("DiffAdded", "Added");
    case Kind::Moved:
        return Latin1::text("DiffMoved", "Moved");
    case Kind::Changed:
        break;
    }
    return Latin1::text("DiffChanged", "Changed");
}

} // namespace

CompareWindow::CompareWindow(GraphicWindowController& window, std::shared_ptr<SigDocument> other,
                             const QString& otherName)
    : QWidget(&window, Qt::Window), window_(&window), document_(window.document()), other_(std::move(other))
{
    setObjectName(QStringLiteral("compareWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Latin1::text("DiffTitle", "Compare %1 with %2")
                       .arg(Latin1::message(document_ ? document_->displayName() : std::string()), otherName));
    auto* column = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("compareSummary"));
    summary_->setTextFormat(Qt::PlainText);
    column->addWidget(summary_);
    filter_ = makeSearchField(this, QStringLiteral("compareFilter"), Latin1::text("DiffFilter", "Filter"),
                              Latin1::text("DiffFilter", "Filter"));
    column->addWidget(filter_);
    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("compareTree"));
    tree_->setAccessibleName(Latin1::text("DiffList", "Differences"));
    tree_->setColumnCount(4);
    tree_->setHeaderLabels({Latin1::text("DiffWhat", "Difference"), Latin1::text("DiffKind", "Kind"),
                            Latin1::text("DiffOther", "Other (old)"), Latin1::text("DiffThis", "This patch (new)")});
    tree_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tree_->setUniformRowHeights(true);
    tree_->header()->setSectionResizeMode(QHeaderView::Interactive);
    column->addWidget(tree_, 1);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch(1);
    take_ = new QPushButton(Latin1::text("DiffTake", "&Take from Other"), this);
    take_->setObjectName(QStringLiteral("takeButton"));
    take_->setToolTip(Latin1::text("DiffTakeTip", "Make the chosen differences as the other patch has them"));
    takeAll_ = new QPushButton(Latin1::text("DiffTakeAll", "Take &All from Other"), this);
    takeAll_->setObjectName(QStringLiteral("takeAllButton"));
    buttons->addWidget(take_);
    buttons->addWidget(takeAll_);
    column->addLayout(buttons);

    connect(filter_, &QLineEdit::textChanged, this, [this] { applyFilter(); });
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] {
        updateButtons();
        showChosen();
    });
    connect(take_, &QPushButton::clicked, this, [this] { take(false); });
    connect(takeAll_, &QPushButton::clicked, this, [this] { take(true); });

    overlay_ = std::make_shared<CompareOverlay>();
    if (document_)
        document_->addChangeListener(this, [this](const PatchChange&) { refresh(); });
    // Scrolled, the canvas is painted anew so that the legend keeps its corner.
    if (QScrollArea* scroll = window.graphicView()->enclosingScrollView())
        for (QScrollBar* bar : {scroll->horizontalScrollBar(), scroll->verticalScrollBar()})
            connect(bar, &QScrollBar::valueChanged, this, [this] {
                if (window_)
                    window_->graphicView()->update();
            });
    refresh();
    resize(640, 420);
}

CompareWindow::~CompareWindow()
{
    detach();
}

void CompareWindow::detach()
{
    if (document_)
        document_->removeChangeListeners(this);
    if (window_)
        window_->graphicView()->setCompareOverlay(nullptr);
    window_ = nullptr;
}

void CompareWindow::closeEvent(QCloseEvent* event)
{
    detach();
    QWidget::closeEvent(event);
}

void CompareWindow::refresh()
{
    SigFile* mine = document_ ? document_->sigFile() : nullptr;
    SigFile* theirs = other_ ? other_->sigFile() : nullptr;
    if (!mine || !theirs || !window_)
        return;
    comparison_ = PatchComparison::compare(*mine, *theirs);

    auto overlay = std::make_shared<CompareOverlay>();
    const int showMode = window_->graphicView()->showMode();
    for (const auto& m : comparison_.modules()) {
        if (m.kind == Kind::Removed && m.mine)
            overlay->added.push_back(m.mine);
        else if ((m.kind == Kind::Changed || m.kind == Kind::Moved) && m.mine)
            overlay->changed.push_back(m.mine);
        else if (m.kind == Kind::Added && m.theirs && m.theirs->isTopLevel()) {
            overlay->ghosts.push_back({ghostRect(*m.theirs, showMode), std::string(m.theirs->instanceName())});
        }
    }
    overlay_ = overlay;
    window_->graphicView()->setCompareOverlay(overlay_);
    fill();
}

QTreeWidgetItem* CompareWindow::addItem(QTreeWidgetItem* parent, const QString& what, const QString& kind,
                                        const QString& other, const QString& mine, int choice)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    item->setText(WhatColumn, what);
    item->setText(KindColumn, kind);
    item->setText(OtherColumn, other);
    item->setText(ThisColumn, mine);
    item->setData(WhatColumn, Qt::UserRole, choice);
    return item;
}

void CompareWindow::fill()
{
    using Part = PatchComparison::Choice::Part;
    tree_->clear();
    choices_.clear();
    auto choose = [this](Part part, size_t index, size_t field) {
        choices_.push_back({part, index, field});
        return static_cast<int>(choices_.size()) - 1;
    };
    const QString changed = Latin1::text("DiffChanged", "Changed");
    if (const auto& t = comparison_.title())
        addItem(nullptr, Latin1::text("DiffTitleRow", "Title"), changed, Latin1::qstring(t->after),
                Latin1::qstring(t->before), choose(Part::Title, 0, 0));
    if (const auto& a = comparison_.author())
        addItem(nullptr, Latin1::text("DiffAuthorRow", "Author"), changed, Latin1::qstring(a->after),
                Latin1::qstring(a->before), choose(Part::Author, 0, 0));
    const auto& modules = comparison_.modules();
    for (size_t i = 0; i < modules.size(); ++i) {
        const auto& m = modules[i];
        QString what =
            Latin1::qstring(m.path) + QStringLiteral(" (") + Latin1::qstring(m.operatorName) + QLatin1Char(')');
        QTreeWidgetItem* item =
            addItem(nullptr, what, kindText(m.kind), QString(), QString(), choose(Part::Module, i, 0));
        if (m.kind == Kind::Changed || m.kind == Kind::Moved)
            if (!m.theirsPath.empty() && m.theirsPath != m.path)
                addItem(item, Latin1::text("DiffName", "Name"), changed, Latin1::qstring(m.theirsPath),
                        Latin1::qstring(m.path), -1);
        if (m.moved)
            addItem(item, Latin1::text("DiffPosition", "Position"), Latin1::text("DiffMoved", "Moved"),
                    text(m.positionAfter), text(m.positionBefore), -1);
        for (size_t f = 0; f < m.fields.size(); ++f) {
            const auto& field = m.fields[f];
            QString name = Latin1::qstring(field.name);
            if (field.aspect == PatchComparison::FieldDifference::Aspect::HideCount)
                name += QLatin1Char(' ') + Latin1::text("DiffHidden", "(hidden)");
            addItem(item, name, changed, text(field.after), text(field.before), choose(Part::Field, i, f));
        }
        item->setExpanded(true);
    }
    const auto& order = comparison_.order();
    for (size_t i = 0; i < order.size(); ++i)
        addItem(nullptr, Latin1::qstring(order[i].path), Latin1::text("DiffReordered", "Reordered"),
                place(order[i].after), place(order[i].before), choose(Part::Order, i, 0));
    // Wires a field row shows already are not repeated; they are taken
    // with their modules.
    for (const auto* wires : {&comparison_.wiresRemoved(), &comparison_.wiresAdded()})
        for (const auto& w : *wires)
            if (!w.inField)
                addItem(nullptr, Latin1::qstring(w.from) + QStringLiteral(" \u2192 ") + Latin1::qstring(w.to),
                        wires == &comparison_.wiresAdded() ? Latin1::text("DiffWireRemoved", "Wire removed")
                                                           : Latin1::text("DiffWireAdded", "Wire added"),
                        QString(), QString(), -1);
    for (int c = 0; c < tree_->columnCount(); ++c)
        tree_->resizeColumnToContents(c);
    // A module with its fields is one difference, as the list shows it.
    const int count = tree_->topLevelItemCount();
    summary_->setText(comparison_.same() ? Latin1::text("DiffSame", "The patches are the same.")
                      : count == 1       ? Latin1::text("DiffOne", "1 difference")
                                         : Latin1::text("DiffCount", "%1 differences").arg(count));
    applyFilter();
    updateButtons();
}

void CompareWindow::applyFilter()
{
    const QString wanted = filter_->text().trimmed();
    auto matches = [&wanted](const QTreeWidgetItem* item) {
        for (int c = 0; c < item->columnCount(); ++c)
            if (item->text(c).contains(wanted, Qt::CaseInsensitive))
                return true;
        return false;
    };
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree_->topLevelItem(i);
        const bool own = wanted.isEmpty() || matches(top);
        bool any = own;
        for (int k = 0; k < top->childCount(); ++k) {
            // A matching module shows all its fields; otherwise only the
            // fields that match.
            const bool shown = own || matches(top->child(k));
            top->child(k)->setHidden(!shown);
            any = any || shown;
        }
        top->setHidden(!any);
    }
}

void CompareWindow::updateButtons()
{
    bool chosen = false;
    for (QTreeWidgetItem* item : tree_->selectedItems())
        chosen = chosen || item->data(WhatColumn, Qt::UserRole).toInt() >= 0;
    take_->setEnabled(chosen);
    takeAll_->setEnabled(!choices_.empty());
}

void CompareWindow::showChosen()
{
    const QList<QTreeWidgetItem*> items = tree_->selectedItems();
    if (items.isEmpty() || !window_)
        return;
    QTreeWidgetItem* item = items.front();
    while (item->parent())
        item = item->parent();
    const int choice = item->data(WhatColumn, Qt::UserRole).toInt();
    if (choice < 0 || choices_[static_cast<size_t>(choice)].part != PatchComparison::Choice::Part::Module)
        return;
    const auto& m = comparison_.modules()[choices_[static_cast<size_t>(choice)].index];
    if (m.mine) {
        window_->revealModule(*m.mine);
    } else if (m.theirs) {
        // Only its ghost is on the canvas.
        GraphicView* view = window_->graphicView();
        view->clearSelection();
        view->scrollRectToVisible(ghostRect(*m.theirs, view->showMode()));
    }
}

bool CompareWindow::take(bool all)
{
    if (!document_ || !other_)
        return false;
    std::vector<PatchComparison::Choice> chosen;
    if (all) {
        chosen = comparison_.allChoices();
    } else {
        for (QTreeWidgetItem* item : tree_->selectedItems())
            if (const int c = item->data(WhatColumn, Qt::UserRole).toInt(); c >= 0)
                chosen.push_back(choices_[static_cast<size_t>(c)]);
    }
    if (chosen.empty())
        return false;
    // The comparison is replaced by the change it makes: take from a copy.
    const PatchComparison comparison = comparison_;
    std::string refusal;
    bool changed = false;
    {
        UndoGroup event(*document_);
        changed = PatchEditor(*document_).takeFromOther(comparison, chosen, &refusal);
    }
    if (!changed && !refusal.empty())
        Alerts::error(refusal, this);
    return changed;
}

} // namespace tosk
