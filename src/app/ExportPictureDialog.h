// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "canvas/CanvasRenderer.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QRadioButton;

namespace tosk {

// File ▸ Export Picture…: asks for the picture's format, whether it shows
// the whole patch or the selected modules, and its scale.
class ExportPictureDialog : public QDialog {
    Q_OBJECT

public:
    struct Choice {
        CanvasRenderer::Format format = CanvasRenderer::Format::Png;
        bool selectionOnly = false;
        double scale = 1;
    };

    static constexpr double kMinScale = 0.25;
    static constexpr double kMaxScale = 16;

    // `hasSelection` false: only the whole patch can be chosen.
    ExportPictureDialog(bool hasSelection, const Choice& initial, QWidget* parent = nullptr);

    Choice choice() const;

private:
    QComboBox* format_ = nullptr;
    QRadioButton* whole_ = nullptr;
    QRadioButton* selection_ = nullptr;
    QDoubleSpinBox* scale_ = nullptr;
};

} // namespace tosk
