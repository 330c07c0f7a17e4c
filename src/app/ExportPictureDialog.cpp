// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ExportPictureDialog.h"

#include "canvas/Latin1.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tosk {

namespace {

void name(QWidget* widget, const char* objectName, const QString& accessible, const QString& description)
{
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(accessible);
    widget->setAccessibleDescription(description);
}

} // namespace

ExportPictureDialog::ExportPictureDialog(bool hasSelection, const Choice& initial, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("exportPictureDialog"));
    setWindowTitle(Latin1::text("ExportPictureTitle", "Export Picture"));
    auto* column = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    column->addLayout(form);

    format_ = new QComboBox(this);
    format_->addItem(QStringLiteral("PNG"));
    format_->addItem(QStringLiteral("SVG"));
    format_->setCurrentIndex(initial.format == CanvasRenderer::Format::Svg ? 1 : 0);
    name(format_, "formatBox", Latin1::text("ExportFormat", "Format"),
         Latin1::text("ExportFormatHelp", "PNG for a bitmap, SVG for a drawing that scales"));
    // The open list is a window of its own that a screen reader announces.
    format_->view()->setAccessibleName(format_->accessibleName());
    form->addRow(Latin1::text("ExportFormatLabel", "&Format:"), format_);

    whole_ = new QRadioButton(Latin1::text("ExportWhole", "&Whole patch"), this);
    selection_ = new QRadioButton(Latin1::text("ExportSelection", "&Selected modules"), this);
    name(whole_, "wholePatchButton", Latin1::text("ExportWholeName", "Whole patch"),
         Latin1::text("ExportWholeHelp", "The picture shows every module of the patch"));
    name(selection_, "selectionButton", Latin1::text("ExportSelectionName", "Selected modules"),
         Latin1::text("ExportSelectionHelp", "The picture shows the area of the selected modules"));
    auto* group = new QButtonGroup(this);
    group->addButton(whole_);
    group->addButton(selection_);
    selection_->setEnabled(hasSelection);
    (initial.selectionOnly && hasSelection ? selection_ : whole_)->setChecked(true);
    auto* area = new QVBoxLayout();
    area->addWidget(whole_);
    area->addWidget(selection_);
    form->addRow(Latin1::text("ExportAreaLabel", "Show:"), area);

    scale_ = new QDoubleSpinBox(this);
    scale_->setRange(kMinScale, kMaxScale);
    scale_->setSingleStep(0.5);
    scale_->setDecimals(2);
    scale_->setSuffix(QStringLiteral(" \u00d7"));
    scale_->setValue(initial.scale);
    name(scale_, "scaleBox", Latin1::text("ExportScale", "Scale"),
         Latin1::text("ExportScaleHelp", "Pixels per point of the canvas"));
    // The field inside the box takes the focus; it answers to the same name.
    if (auto* field = scale_->findChild<QLineEdit*>())
        field->setAccessibleName(scale_->accessibleName());
    form->addRow(Latin1::text("ExportScaleLabel", "S&cale:"), scale_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    buttons->button(QDialogButtonBox::Ok)->setText(Latin1::text("ExportButton", "Export..."));
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(Latin1::text("ExportButtonName", "Export"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(Latin1::text("CancelName", "Cancel"));
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

ExportPictureDialog::Choice ExportPictureDialog::choice() const
{
    Choice c;
    c.format = format_->currentIndex() == 1 ? CanvasRenderer::Format::Svg : CanvasRenderer::Format::Png;
    c.selectionOnly = selection_->isChecked();
    c.scale = scale_->value();
    return c;
}

} // namespace tosk
