// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollArea>

#include <functional>

namespace tosk {

class RulerView;

// The scroll view of a canvas, which carries its two rulers: when they are
// shown, the horizontal one stands above the visible area and the vertical
// one to its left, both measuring the client in points.
class CanvasScrollView : public QScrollArea {
    Q_OBJECT

public:
    explicit CanvasScrollView(QWidget* parent = nullptr);

    RulerView* horizontalRulerView() const { return horizontalRuler_; }
    RulerView* verticalRulerView() const { return verticalRuler_; }
    // Both rulers measure `client`, whose point p lies p × pointsToPixels()
    // pixels from its origin.
    void setRulerClient(QWidget* client, const std::function<double()>& pointsToPixels);
    void setRulersVisible(bool visible);
    bool rulersVisible() const { return rulersVisible_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Scroll bars coming and going resize the viewport alone.
    bool viewportEvent(QEvent* event) override;

private:
    void placeRulers();

    RulerView* horizontalRuler_ = nullptr;
    RulerView* verticalRuler_ = nullptr;
    QWidget* corner_ = nullptr;
    bool rulersVisible_ = false;
};

} // namespace tosk
