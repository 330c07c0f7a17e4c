// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/UnitBusyRow.h"

#include "canvas/Latin1.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace tosk {

UnitBusyRow::UnitBusyRow(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusMessage"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(status_, 1);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progressIndicator"));
    bar_->setTextVisible(false);
    bar_->setMaximumWidth(140);
    bar_->setAccessibleName(Latin1::text("UnitProgressBar", "Progress"));
    bar_->hide();
    row->addWidget(bar_);
    cancel_ = new QPushButton(Latin1::text("CANCEL", "Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setToolTip(Latin1::text("UnitBrowseCancelTip", "Stop waiting for the unit"));
    cancel_->setEnabled(false);
    row->addWidget(cancel_);
    connect(cancel_, &QPushButton::clicked, this, &UnitBusyRow::cancelRequested);
}

void UnitBusyRow::setBusy(bool busy, const QString& label)
{
    busy_ = busy;
    cancel_->setEnabled(busy);
    bar_->setVisible(busy);
    if (busy) {
        bar_->setRange(0, 0);
        status_->setText(label);
        busyLabel_ = label;
        return;
    }
    // What the window was busy with is over; what the work said when it
    // ended stays.
    if (status_->text() == busyLabel_)
        status_->clear();
    busyLabel_.clear();
}

void UnitBusyRow::setProgress(int done, int total)
{
    bar_->setRange(0, total);
    if (total > 0)
        bar_->setValue(done);
}

void UnitBusyRow::statusDisplay(const QString& text)
{
    status_->setText(text);
}

void UnitBusyRow::clearStatusMessage()
{
    status_->clear();
}

QString UnitBusyRow::statusText() const
{
    return status_->text();
}

} // namespace tosk
