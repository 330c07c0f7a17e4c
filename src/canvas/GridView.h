// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

namespace tosk {

class GridPanelController;

// The grid panel's preview: a white, bezelled square showing the grid with
// the panel's spacing and colour, its lattice starting 2 pixels in, inside
// the bezel.
class GridView : public QWidget {
    Q_OBJECT

public:
    static constexpr int kBezel = 2;

    explicit GridView(GridPanelController* controller, QWidget* parent = nullptr);
    GridPanelController* controller() const { return controller_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    GridPanelController* controller_;
};

} // namespace tosk
