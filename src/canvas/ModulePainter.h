#pragma once

#include "canvas/CanvasMarks.h"
#include "canvas/CanvasStyle.h"

#include <string>

class QPainter;

namespace tosk {

class Module;
class ModuleField;

// Paints one module: its box and outline, title and name rows, info line,
// order badge and pins with their bubbles and default values. The module's
// geometry must be laid out (Module::update) first.
class ModulePainter {
public:
    // The module's number as its badge shows it: its index in the patch's
    // list (the head is 0), "?" for a module that is not in the list.
    static std::string orderText(size_t index);

    static void draw(QPainter& painter, Module& module, const CanvasMarks::Shown& marks, bool markProcessor,
                     int showMode, const std::string& orderNumber);

    static void drawInfoStrings(QPainter& painter, const Module& module, const QRectF& inner, int showMode);
    static void drawBubble(QPainter& painter, const ModuleField& field, const QRectF& pin);

private:
    // `instance` is the pin's repetition number (InstanceCounter).
    static void drawPin(QPainter& painter, ModuleField& field, int instance, const Module& module,
                        const CanvasMarks::Shown& marks, int showMode);
    // The box of a text placed beside a pin: after an input's pin, before
    // an output's, vertically centred on it.
    static QRectF besidePin(const QRectF& pin, const QSizeF& textSize, bool input);
};

} // namespace tosk
