// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tosk {

// The foot of a unit window: what it is doing now (or last said), a
// progress bar while the unit is busy, and Cancel.
class UnitBusyRow : public QWidget {
    Q_OBJECT

public:
    explicit UnitBusyRow(QWidget* parent = nullptr);

    // The unit is busy with `label` (an empty label: it no longer is).
    void setBusy(bool busy, const QString& label);
    // `done` of `total` steps; total 0 shows a bar that only moves.
    void setProgress(int done, int total);
    void statusDisplay(const QString& text);
    void clearStatusMessage();
    QString statusText() const;
    bool isBusy() const { return busy_; }

signals:
    void cancelRequested();

private:
    QLabel* status_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool busy_ = false;
    QString busyLabel_;
};

} // namespace tosk
