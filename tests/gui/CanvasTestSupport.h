// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/Module.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"
#include "gui/AppTestSupport.h"
#include "gui/GuiTestSupport.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tosk::test {

// Lines as a sig file holds them.
inline std::string sigLines(std::initializer_list<std::string> lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// A patch of the bundled database with something of everything a gesture
// touches: a signal chain into the head, control sources, a repeated group
// (mix), special modules, all at whole-point positions.
inline std::string canvasPatch()
{
    return sigLines({"HEADM adc Demo t 2 2 1 mix-out m2-out adc-nullobj ;=20,40,80,0", "SINE osc 440 0.5 ;=140,40,80,0",
                     "LFO lfo 2 1 0 ;=140,160,80,0", "GAIN g osc-out lfo-out ;=260,40,80,0",
                     "MIXN mix 2 g-out 1 adc-null 0.5 1 ;=380,40,80,0", "MIX2 m2 adc-in1 adc-in2 1 1 ;=260,160,80,0",
                     "KNOB knob \"Knob:%5.2f\" 0 1 0.5 0.5 1 ;=140,280,80,0",
                     "CURVE shape g-out 5 -0.9 -0.6 0 0.6 0.9 ;=380,280,80,0", "TAIL Ann"});
}

// A patch window on the text, shown at magnification 1 so that a widget
// pixel is a canvas point. The inspector and special-editor hooks record
// the modules they are asked for.
struct CanvasWindow {
    std::shared_ptr<SigDocument> doc;
    QPointer<GraphicWindowController> window;
    GraphicView* view = nullptr;
    std::vector<std::string> inspected;
    std::vector<std::string> specific;

    explicit CanvasWindow(const std::string& text = canvasPatch(), bool hooks = true,
                          std::function<void(QMenuBar*)> buildMenu = {})
    {
        doc = std::make_shared<SigDocument>();
        {
            ScopedRecordingAlerts quiet;
            doc->initWithData(text, std::string("demo"), std::nullopt, bundledDbase());
        }
        GraphicWindowController::Hooks h;
        h.buildMenu = std::move(buildMenu);
        if (hooks) {
            h.inspectModule = [this](GraphicWindowController&, Module& m) {
                inspected.push_back(std::string(m.instanceName()));
            };
            h.editSpecific = [this](GraphicWindowController&, Module& m) {
                specific.push_back(std::string(m.instanceName()));
            };
        }
        window = new GraphicWindowController(doc, h);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        view = window->graphicView();
        view->setZoom(1 / view->magnification());
        view->canvasLayout();
    }
    ~CanvasWindow()
    {
        if (window) {
            doc->updateChangeCount(SigDocument::ChangeCleared);
            window->close();
        }
        QApplication::processEvents();
    }

    SigFile& patch() { return *doc->sigFile(); }
    Module& module(const char* name)
    {
        Module::Ptr m = patch().findModuleByName(name);
        if (!m)
            throw std::runtime_error(std::string("no module ") + name);
        return *m;
    }
    ModuleField::Ptr field(const char* module, const char* name)
    {
        ModuleField::Ptr f = this->module(module).field(name);
        if (!f)
            throw std::runtime_error(std::string("no field ") + module + "." + name);
        return f;
    }
    // The widget position of a canvas point, and the centre of a pin.
    QPoint at(double x, double y) const
    {
        const double m = view->magnification();
        return QPoint(int(std::lround(x * m)), int(std::lround(y * m)));
    }
    QPoint pin(const char* module, const char* name)
    {
        const Rect r = view->canvasLayout().pinRect(*field(module, name));
        return at(r.midX(), r.midY());
    }
    QPoint middleOf(const char* name)
    {
        const Rect r = view->canvasLayout().box(module(name));
        return at(r.midX(), r.midY());
    }

    void press(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTest::mousePress(view, Qt::LeftButton, keys, p);
    }
    void moveTo(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier, Qt::MouseButtons buttons = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), view->mapToGlobal(QPointF(p)), Qt::NoButton, buttons, keys);
        QApplication::sendEvent(view, &e);
    }
    void release(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        QTest::mouseRelease(view, Qt::LeftButton, keys, p);
    }
    void click(QPoint p, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        press(p, keys);
        release(p, keys);
    }
    // Press, move there in a few steps, release there.
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::NoModifier)
    {
        press(from, keys);
        for (int i = 1; i <= 4; ++i)
            moveTo(from + (to - from) * i / 4, keys);
        release(to, keys);
    }
    std::vector<std::string> selection() const
    {
        std::vector<std::string> names;
        for (Module* m : view->selectedModules())
            names.push_back(std::string(m->instanceName()));
        return names;
    }
    void select(std::vector<const char*> names)
    {
        std::vector<Module*> modules;
        for (const char* n : names)
            modules.push_back(&module(n));
        view->setSelection(modules);
    }
};

// A patch window with the application's menus, active.
struct AppMenuWindow : CanvasWindow {
    explicit AppMenuWindow(const std::string& text = canvasPatch()) : CanvasWindow(text, true, buildApplicationMenus)
    {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }
    QAction* action(const char* name) { return menuAction(*window, name); }
};

// An operator from the add panel dropped on the canvas.
inline void dropOperator(GraphicView* view, const char* op, QPoint at)
{
    QMimeData mime;
    mime.setData(QString::fromLatin1(GraphicView::OperatorMimeType), QByteArray(op));
    EXPECT_TRUE(dropOn(view, mime, at)) << op;
}

} // namespace tosk::test
