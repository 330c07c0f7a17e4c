// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/ModuleField.h"
#include "base/Geometry.h"

#include <Qt>

#include <memory>
#include <utility>
#include <vector>

namespace tosk {

class GraphicView;
class Module;
class ModuleDrag;
struct GestureKeys;

// The mouse gestures of a canvas, from the press to the release: selecting
// by click, Shift-click and rubber band, dragging modules, drawing a
// connection, dragging an order badge, and the double-click rules. A press
// enters exactly one mode, which lasts until the button is released (or
// Escape cancels it). Each gesture that changes the patch is one undo step.
//
// Option is Alt; since window managers often take Alt-drags for
// themselves, Control counts as Option too.
class CanvasTracker {
public:
    enum class Mode { Idle, ModuleDrag, RubberBand, ConnectionDrag, OrderDrag, WaitForRelease };

    explicit CanvasTracker(GraphicView& view);
    ~CanvasTracker();
    CanvasTracker(const CanvasTracker&) = delete;
    CanvasTracker& operator=(const CanvasTracker&) = delete;

    // Canvas points and the keys held.
    void press(const Point& point, Qt::KeyboardModifiers keys, int clickCount);
    void move(const Point& point, Qt::KeyboardModifiers keys);
    void release(const Point& point, Qt::KeyboardModifiers keys);
    // Escape: a module drag puts the boxes back and records nothing; every
    // other gesture ends without effect. The release is then swallowed.
    void cancel();

    Mode mode() const { return mode_; }
    bool isTracking() const { return mode_ != Mode::Idle; }

    static bool optionHeld(Qt::KeyboardModifiers keys);
    static GestureKeys gestureKeys(Qt::KeyboardModifiers keys);

private:
    void selectAndTrack(const Point& point, Qt::KeyboardModifiers keys, Module* module, const ModuleField::Ptr& field);
    void doubleClick(const Point& point, Module* module, const ModuleField::Ptr& field);

    void startModuleDrag(const Point& point);
    void moveModules(const Point& point);
    void endModuleDrag();

    void startRubberband(const Point& point, bool deselecting);
    void moveRubberband(const Point& point);
    void endRubberband();

    void startConnection(const Point& point, const ModuleField::Ptr& field);
    void moveConnection(const Point& point, Qt::KeyboardModifiers keys);
    void endConnection(const Point& point, Qt::KeyboardModifiers keys);
    // The free end of the connection drag and the highlighted pin go.
    void clearConnectionMarks();

    void startOrderDrag(const Point& point, Module& source);
    void moveOrderPoint(const Point& point);
    void endOrderDrag(const Point& point);
    Module* orderTargetAt(const Point& point) const;

    // What moving the selection repaints: the boxes with their pin
    // margins and every wire into or out of them.
    Rect movingArea() const;
    void setHighlightField(const ModuleField::Ptr& field);
    void setHighlightModule(Module* module);
    // The pin a connection drag at the point would end on.
    ModuleField::Ptr pinAt(const Point& point) const;

    GraphicView& view_;
    Mode mode_ = Mode::Idle;
    Point pressPoint_;
    std::unique_ptr<ModuleDrag> drag_;
    std::vector<Module*> dragged_;
    // The wires into and out of the dragged modules, found once per drag.
    std::vector<std::pair<ModuleField::Ptr, ModuleField::Ptr>> draggedWires_;
    Point dragOffset_;
    std::vector<Module*> bandModules_; // sorted
    Rect connectionArea_;
    Rect orderArea_;
};

} // namespace tosk
