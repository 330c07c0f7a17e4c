// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/CanvasQuickAdd.h"

#include "Toskfile/SigFile.h"
#include "canvas/GraphicView.h"
#include "canvas/Latin1.h"
#include "database/OperatorDesc.h"
#include "database/OperatorSearch.h"
#include "database/SigDbase.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace tosk {

CanvasQuickAdd::CanvasQuickAdd(GraphicView& view) : QFrame(&view), view_(view)
{
    setObjectName(QStringLiteral("quickAdd"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    field_ = new QLineEdit(this);
    field_->setObjectName(QStringLiteral("quickAddField"));
    const QString name = Latin1::text("SearchOperators", "Search operators");
    field_->setPlaceholderText(name);
    field_->setAccessibleName(name);
    field_->installEventFilter(this);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("quickAddList"));
    list_->setAccessibleName(Latin1::text("QuickAddMatches", "Matching operators"));
    list_->setFocusPolicy(Qt::NoFocus);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    column->addWidget(field_);
    column->addWidget(list_);
    connect(field_, &QLineEdit::textChanged, this, &CanvasQuickAdd::search);
    resize(200, 180);
    hide();
}

void CanvasQuickAdd::openAt(const Point& point)
{
    point_ = point;
    field_->clear();
    search();
    const double m = view_.magnification();
    move(QPoint(int(std::lround(point.x * m)), int(std::lround(point.y * m))));
    show();
    raise();
    field_->setFocus(Qt::OtherFocusReason);
}

void CanvasQuickAdd::search()
{
    list_->clear();
    const SigFile* patch = view_.sigFile();
    const std::string query = Latin1::bytes(field_->text());
    if (!patch || !patch->sigDbase() || query.find_first_not_of(" \t") == std::string::npos)
        return;
    const auto ops = OperatorSearch::addableOperators(*patch->sigDbase());
    std::vector<OperatorSearch::Candidate> candidates;
    candidates.reserve(ops.size());
    for (const auto& op : ops)
        candidates.push_back(OperatorSearch::candidateFor(*op));
    const std::vector<size_t> ranked = OperatorSearch::rank(query, candidates);
    for (size_t i = 0; i < ranked.size() && i < size_t(kShown); ++i)
        list_->addItem(Latin1::qstring(candidates[ranked[i]].name));
    if (list_->count() > 0)
        list_->setCurrentRow(0);
}

std::string CanvasQuickAdd::chosen() const
{
    const QListWidgetItem* item = list_->currentItem();
    return item ? Latin1::bytes(item->text()) : std::string();
}

void CanvasQuickAdd::place(bool wire)
{
    const std::string name = chosen();
    if (name.empty())
        return;
    hide();
    view_.setFocus(Qt::OtherFocusReason);
    view_.placeFromQuickAdd(name, point_, wire);
}

bool CanvasQuickAdd::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            place(key->modifiers() & Qt::ShiftModifier);
            return true;
        case Qt::Key_Escape:
            hide();
            view_.setFocus(Qt::OtherFocusReason);
            return true;
        case Qt::Key_Down:
        case Qt::Key_Up:
            if (list_->count() > 0) {
                const int step = key->key() == Qt::Key_Down ? 1 : -1;
                list_->setCurrentRow(std::clamp(list_->currentRow() + step, 0, list_->count() - 1));
            }
            return true;
        default:
            break;
        }
    }
    if (watched == field_ && event->type() == QEvent::FocusOut && isVisible()) {
        // A click elsewhere closes it, as a popup would.
        hide();
    }
    return QFrame::eventFilter(watched, event);
}

} // namespace tosk
