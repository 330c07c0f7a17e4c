// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/PanelCompareDialog.h"

#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/UndoGroup.h"
#include "canvas/Latin1.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tosk {

PanelCompareDialog::PanelCompareDialog(std::weak_ptr<SigDocument> document, ParameterComparison comparison,
                                       std::function<void()> sendPatch, QWidget* parent)
    : QDialog(parent), document_(std::move(document)), comparison_(std::move(comparison)),
      sendPatch_(std::move(sendPatch))
{
    setObjectName(QStringLiteral("compareDialog"));
    setWindowTitle(Latin1::text("CompareTitle", "Compare with Unit"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(620, 360);
    auto* column = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("summaryLabel"));
    summary_->setWordWrap(true);
    const size_t count = comparison_.differences().size();
    summary_->setText(count == 0   ? Latin1::text("CompareSame", "The patch has the same values as the unit's copy.")
                      : count == 1 ? Latin1::text("CompareOne", "1 value differs from the unit's copy.")
                                   : Latin1::text("CompareMany", "%1 values differ from the unit's copy.").arg(count));
    column->addWidget(summary_);

    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("differenceList"));
    list_->setAccessibleName(Latin1::text("CompareList", "Values that differ"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({Latin1::text("CompareModule", "Module"), Latin1::text("CompareField", "Field"),
                            Latin1::text("CompareHere", "This Patch"), Latin1::text("CompareUnit", "Unit")});
    for (const ParameterDifference& d : comparison_.differences()) {
        QString module = Latin1::qstring(d.moduleName);
        module += QStringLiteral(" (");
        module += Latin1::qstring(d.operatorName);
        module += QLatin1Char(')');
        auto* item = new QTreeWidgetItem(
            list_, {module, Latin1::qstring(d.fieldName), Latin1::qstring(d.here), Latin1::qstring(d.unit)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(ModuleColumn, Qt::Unchecked);
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    column->addWidget(list_, 1);

    auto* buttons = new QDialogButtonBox(this);
    takeAll_ = buttons->addButton(Latin1::text("CompareTakeAll", "Take All"), QDialogButtonBox::ActionRole);
    takeAll_->setObjectName(QStringLiteral("takeAllButton"));
    takeChosen_ = buttons->addButton(Latin1::text("CompareTakeChosen", "Take Chosen"), QDialogButtonBox::ActionRole);
    takeChosen_->setObjectName(QStringLiteral("takeChosenButton"));
    send_ = buttons->addButton(Latin1::text("CompareSend", "Send This Patch"), QDialogButtonBox::ActionRole);
    send_->setObjectName(QStringLiteral("sendButton"));
    send_->setToolTip(Latin1::text("CompareSendTip", "Send this patch to the unit instead (Unit ▸ Send Patch)"));
    QPushButton* closeButton = buttons->addButton(QDialogButtonBox::Close);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    column->addWidget(buttons);

    connect(takeAll_, &QPushButton::clicked, this, [this] {
        take(true);
        close();
    });
    connect(takeChosen_, &QPushButton::clicked, this, [this] {
        take(false);
        close();
    });
    connect(send_, &QPushButton::clicked, this, [this] {
        if (sendPatch_)
            sendPatch_();
        close();
    });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    connect(list_, &QTreeWidget::itemChanged, this, [this] { updateButtons(); });
    updateButtons();
}

void PanelCompareDialog::updateButtons()
{
    bool chosen = false;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        chosen |= list_->topLevelItem(i)->checkState(ModuleColumn) == Qt::Checked;
    takeAll_->setEnabled(list_->topLevelItemCount() > 0);
    takeChosen_->setEnabled(chosen);
}

int PanelCompareDialog::take(bool all)
{
    std::shared_ptr<SigDocument> document = document_.lock();
    if (!document)
        return 0;
    std::vector<std::pair<Module::FieldPtr, std::string>> values;
    const auto& differences = comparison_.differences();
    for (int i = 0; i < list_->topLevelItemCount() && size_t(i) < differences.size(); ++i)
        if (all || list_->topLevelItem(i)->checkState(ModuleColumn) == Qt::Checked)
            values.emplace_back(differences[size_t(i)].field, differences[size_t(i)].unit);
    if (values.empty())
        return 0;
    UndoGroup step(*document);
    return PatchEditor(*document).takeParameters(values);
}

} // namespace tosk
