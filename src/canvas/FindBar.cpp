// SPDX-License-Identifier: GPL-3.0-or-later
#include "canvas/FindBar.h"

#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "canvas/Latin1.h"
#include "canvas/SearchField.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

namespace tosk {

FindBar::FindBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("findBar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(4);
    auto* label = new QLabel(Latin1::text("FindLabel", "&Find:"), this);
    field_ =
        makeSearchField(this, QStringLiteral("findField"), Latin1::text("FindPlaceholder", "Names, operators, values"),
                        Latin1::text("FindField", "Find in patch"));
    field_->installEventFilter(this);
    label->setBuddy(field_);
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("findCount"));
    count_->setTextFormat(Qt::PlainText);
    count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance(QStringLiteral("0000 of 0000")));
    auto button = [this](const char* name, const char* key, const char* tip, Qt::ArrowType arrow) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(Latin1::text(key, tip));
        b->setAccessibleName(b->toolTip());
        b->setAutoRaise(true);
        if (arrow != Qt::NoArrow)
            b->setArrowType(arrow);
        return b;
    };
    previous_ = button("findPreviousBtn", "FindPreviousTip", "Previous match (Shift+Enter)", Qt::UpArrow);
    next_ = button("findNextBtn", "FindNextTip", "Next match (Enter)", Qt::DownArrow);
    close_ = button("findCloseBtn", "FindCloseTip", "Close the find bar (Escape)", Qt::NoArrow);
    close_->setText(QStringLiteral("\u00d7"));
    row->addWidget(label);
    row->addWidget(field_, 1);
    row->addWidget(count_);
    row->addWidget(previous_);
    row->addWidget(next_);
    row->addWidget(close_);
    connect(field_, &QLineEdit::textChanged, this, [this] { textEdited(); });
    connect(previous_, &QToolButton::clicked, this, [this] { step(-1); });
    connect(next_, &QToolButton::clicked, this, [this] { step(1); });
    connect(close_, &QToolButton::clicked, this, [this] { closeBar(); });
    hide();
}

FindBar::~FindBar()
{
    if (document_)
        document_->removeChangeListeners(this);
}

void FindBar::setDocument(SigDocument* document)
{
    if (document_)
        document_->removeChangeListeners(this);
    document_ = document;
    stale_ = true;
    if (document_)
        document_->addChangeListener(this, [this](const PatchChange&) {
            stale_ = true;
            // A closed bar finds again when it opens.
            if (!isHidden())
                refind();
        });
    // A closed bar indexes the patch when it opens, not while a window is
    // being made for a patch of thousands of modules.
    if (!isHidden()) {
        refind();
        return;
    }
    search_.reset();
    matches_.clear();
    current_ = -1;
    showCount();
}

QColor FindBar::noMatchColor(const QPalette& palette)
{
    // Qt names no such colour; this is the desktops' "negative" tint, a
    // light red over the field's own background.
    const QColor base = palette.color(QPalette::Base);
    const QColor red(0xff, 0x66, 0x66);
    return QColor((base.red() * 6 + red.red() * 4) / 10, (base.green() * 6 + red.green() * 4) / 10,
                  (base.blue() * 6 + red.blue() * 4) / 10);
}

void FindBar::open()
{
    show();
    if (stale_)
        refind();
    field_->setFocus(Qt::ShortcutFocusReason);
    field_->selectAll();
}

void FindBar::closeBar()
{
    hide();
    emit closed();
}

void FindBar::findNext()
{
    if (isHidden())
        open();
    step(1);
}

void FindBar::findPrevious()
{
    if (isHidden())
        open();
    step(-1);
}

void FindBar::textEdited()
{
    if (stale_)
        refind();
    matches_ = search_ ? search_->find(Latin1::bytes(field_->text())) : std::vector<PatchSearch::Match>{};
    current_ = matches_.empty() ? -1 : 0;
    showCount();
    if (current_ >= 0)
        emit matchChosen(matches_[0]);
}

void FindBar::step(int by)
{
    if (stale_)
        refind();
    if (matches_.empty())
        return;
    const int n = static_cast<int>(matches_.size());
    current_ = current_ < 0 ? (by > 0 ? 0 : n - 1) : ((current_ + by) % n + n) % n;
    showCount();
    emit matchChosen(matches_[static_cast<size_t>(current_)]);
}

void FindBar::refind()
{
    SigFile* patch = document_ ? document_->sigFile() : nullptr;
    search_ = patch ? std::make_unique<PatchSearch>(*patch) : nullptr;
    stale_ = false;
    const int was = current_;
    const PatchSearch::Match chosen =
        was >= 0 && was < static_cast<int>(matches_.size()) ? matches_[static_cast<size_t>(was)] : PatchSearch::Match{};
    matches_ = search_ ? search_->find(Latin1::bytes(field_->text())) : std::vector<PatchSearch::Match>{};
    // The match chosen where it still is one, else the one now in its place.
    current_ = matches_.empty() ? -1 : std::clamp(was, 0, static_cast<int>(matches_.size()) - 1);
    for (size_t i = 0; i < matches_.size() && chosen.module; ++i)
        if (matches_[i].module == chosen.module && matches_[i].field == chosen.field && matches_[i].what == chosen.what)
            current_ = static_cast<int>(i);
    showCount();
}

void FindBar::showCount()
{
    QPalette palette = field_->palette();
    const bool none = matches_.empty() && !field_->text().isEmpty();
    palette.setColor(QPalette::Base,
                     none ? noMatchColor(QWidget::palette()) : QWidget::palette().color(QPalette::Base));
    field_->setPalette(palette);
    if (none)
        count_->setText(Latin1::text("FindNoMatch", "No match"));
    else if (matches_.empty())
        count_->clear();
    else
        count_->setText(Latin1::text("FindCount", "%1 of %2").arg(current_ + 1).arg(matches_.size()));
    previous_->setEnabled(!matches_.empty());
    next_->setEnabled(!matches_.empty());
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == field_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            step(key->modifiers() & Qt::ShiftModifier ? -1 : 1);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            closeBar();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tosk
