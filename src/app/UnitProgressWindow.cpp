// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UnitProgressWindow.h"

#include "canvas/Latin1.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tosk {

namespace {

using Stage = RequestProgress::Stage;

// "get database" reads "Get database" as a heading.
QString heading(const std::string& name)
{
    QString text = QString::fromStdString(name);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

// How far the stage has come, in thousandths.
int permille(size_t done, size_t whole)
{
    if (whole == 0)
        return 0;
    return int(std::min<size_t>(done, whole) * 1000 / whole);
}

} // namespace

UnitProgressWindow::UnitProgressWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("unitProgressWindow"));
    setWindowTitle(Latin1::text("UnitProgressTitle", "Unit"));
    auto* column = new QVBoxLayout(this);
    command_ = new QLabel(this);
    command_->setObjectName(QStringLiteral("commandLabel"));
    QFont bold = command_->font();
    bold.setBold(true);
    command_->setFont(bold);
    column->addWidget(command_);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("statusLabel"));
    status_->setWordWrap(true);
    status_->setMinimumWidth(420);
    // Room for the longest text from the start, so that the window does not
    // jump (or clip) as the text grows.
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 2 + 4);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    column->addWidget(status_);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setRange(0, 1000);
    bar_->setTextVisible(false);
    bar_->setAccessibleName(Latin1::text("UnitProgressBar", "Progress"));
    column->addWidget(bar_);
    queued_ = new QLabel(this);
    queued_->setObjectName(QStringLiteral("queuedLabel"));
    column->addWidget(queued_);
    auto* row = new QHBoxLayout();
    row->addStretch(1);
    cancel_ = new QPushButton(Latin1::text("CANCEL", "Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setToolTip(Latin1::text("UnitCancelTip", "Close the line and drop the reply"));
    row->addWidget(cancel_);
    column->addLayout(row);
    connect(cancel_, &QPushButton::clicked, this, &UnitProgressWindow::cancelRequested);
    hideTimer_ = new QTimer(this);
    hideTimer_->setSingleShot(true);
    connect(hideTimer_, &QTimer::timeout, this, &QWidget::hide);
}

void UnitProgressWindow::showFinished(const RequestProgress& progress, const QString& text)
{
    tag_ = progress.tag;
    command_->setText(heading(progress.commandName()));
    status_->setText(text);
    bar_->setValue(1000);
    queued_->setVisible(false);
    cancel_->setEnabled(false);
    show();
    hideTimer_->start(finishedShownMs);
}

void UnitProgressWindow::showProgress(const RequestProgress& progress, size_t waiting)
{
    hideTimer_->stop();
    tag_ = progress.tag;
    command_->setText(heading(progress.commandName()));
    status_->setText(QString::fromStdString(progress.description()));
    switch (progress.stage) {
    case Stage::WaitingForLine:
        bar_->setValue(permille(size_t(progress.waited.count()), size_t(progress.waitLimit.count())));
        break;
    case Stage::Sending:
        bar_->setValue(permille(progress.bytesSent, progress.bytesToSend));
        break;
    case Stage::Clearing:
    case Stage::Receiving:
        bar_->setValue(permille(size_t(progress.silentFor.count()), size_t(progress.silence.count())));
        break;
    case Stage::Done:
        bar_->setValue(1000);
        break;
    }
    queued_->setVisible(waiting > 0);
    queued_->setText(
        waiting == 0   ? QString()
        : waiting == 1 ? Latin1::text("UnitOneQueued", "1 more request waits its turn.")
                       : Latin1::text("UnitMoreQueued", "%1 more requests wait their turn.").arg(qulonglong(waiting)));
    cancel_->setEnabled(progress.stage != Stage::Done);
    if (!isVisible())
        show();
}

} // namespace tosk
