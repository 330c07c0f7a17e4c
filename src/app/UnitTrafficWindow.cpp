// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UnitTrafficWindow.h"

#include "app/UnitTrafficModel.h"
#include "base/Alerts.h"
#include "base/FileChooser.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "canvas/Latin1.h"
#include "comms/UnitTraffic.h"

#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace tosk {

UnitTrafficWindow::UnitTrafficWindow(UnitTraffic& traffic, MainThreadPoster* poster, QWidget* parent)
    : QWidget(parent, Qt::Window), traffic_(traffic)
{
    setObjectName(QStringLiteral("unitTrafficWindow"));
    setWindowTitle(Latin1::text("TrafficTitle", "Unit Traffic"));
    auto* column = new QVBoxLayout(this);

    model_ = new UnitTrafficModel(this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("trafficTable"));
    table_->setAccessibleName(Latin1::text("TrafficTableName", "Frames sent and received"));
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    table_->setColumnWidth(UnitTrafficModel::TimeColumn, 110);
    table_->setColumnWidth(UnitTrafficModel::DirectionColumn, 80);
    table_->setColumnWidth(UnitTrafficModel::CommandColumn, 140);
    table_->setColumnWidth(UnitTrafficModel::LengthColumn, 70);
    column->addWidget(table_, 1);

    auto* row = new QHBoxLayout();
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("trafficCount"));
    row->addWidget(count_, 1);
    auto* clearButton = new QPushButton(Latin1::text("TrafficClear", "C&lear"), this);
    clearButton->setObjectName(QStringLiteral("clearButton"));
    row->addWidget(clearButton);
    auto* save = new QPushButton(Latin1::text("TrafficSave", "&Save as Text..."), this);
    save->setObjectName(QStringLiteral("saveTextButton"));
    row->addWidget(save);
    column->addLayout(row);
    connect(clearButton, &QPushButton::clicked, this, &UnitTrafficWindow::clear);
    connect(save, &QPushButton::clicked, this, [this] { saveAsText(); });
    resize(760, 360);

    // Frames recorded before the window opened are shown too.
    observation_ = traffic_.observe([this](const TrafficEntry&) { refresh(); }, poster);
    refresh();
}

UnitTrafficWindow::~UnitTrafficWindow() = default;

void UnitTrafficWindow::refresh()
{
    QScrollBar* bar = table_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    model_->append(traffic_.entriesAfter(model_->lastSerial()));
    count_->setText(model_->rowCount() == 1 ? Latin1::text("TrafficOneFrame", "1 frame")
                                            : Latin1::text("TrafficFrames", "%1 frames").arg(model_->rowCount()));
    // Follows the newest frame unless the user scrolled back.
    if (atEnd)
        table_->scrollToBottom();
}

void UnitTrafficWindow::clear()
{
    traffic_.clear();
    model_->clear();
    refresh();
}

bool UnitTrafficWindow::saveAsText()
{
    FileRequest request;
    request.save = true;
    request.title = localized("SaveTraffic", "Save the unit traffic");
    request.fileTypes = {"txt"};
    request.suggestedName = "unit-traffic.txt";
    request.directory = QDir::homePath().toStdString();
    request.window = this;
    std::optional<std::string> path = FileChooser::shared().choose(request);
    if (!path || path->empty())
        return false;
    try {
        traffic_.saveText(*path);
    } catch (const TkxException& e) {
        logf("UnitTrafficWindow.saveAsText: exception %s - %s", e.name().c_str(), e.reason().c_str());
        Alerts::error(fillIn(localized("CannotSaveTraffic", "The unit traffic could not be saved: %s"), {e.reason()}),
                      this);
        return false;
    }
    return true;
}

} // namespace tosk
