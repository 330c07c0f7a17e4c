// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/RequestProgress.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace tosk {

// What the unit is doing while a request is on the line: the command, the
// bytes sent or received so far, the wait for the line or for the unit's
// silence that ends a reply, and a Cancel that gives the request up. It is
// an ordinary window, so every other window stays usable meanwhile.
class UnitProgressWindow : public QWidget {
    Q_OBJECT

public:
    explicit UnitProgressWindow(QWidget* parent = nullptr);

    // Shows the request's state; `waiting` more requests are queued after it.
    void showProgress(const RequestProgress& progress, size_t waiting);
    // Says that a request ended well ("Sent to the unit") for finishedShownMs,
    // then hides, unless another request shows its progress first.
    void showFinished(const RequestProgress& progress, const QString& text);
    static constexpr int finishedShownMs = 2000;
    // The request on show, 0 when none was shown yet.
    int tag() const { return tag_; }

signals:
    void cancelRequested();

private:
    QLabel* command_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* queued_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* hideTimer_ = nullptr;
    int tag_ = 0;
};

} // namespace tosk
