// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse gestures on the canvas of a patch window holding 10,000 modules of
// the bundled database (100 columns, wired in a chain), offscreen. Each
// iteration is one mouse event as the window receives it, handled and
// repainted (the pending repaint is flushed before the next event).
// Targets: one drag event with 100 modules selected under 4 ms; one rubber
// band event over 1,000 modules under 10 ms. Each runs with the window at
// full size (magnification 1, 1400 x 1000) and zoomed to fit the patch.
#include "BenchModels.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "canvas/GraphicView.h"
#include "canvas/GraphicWindowController.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>

namespace {

using namespace tosk;
using namespace tosk::bench;

constexpr int kColumns = 100;
constexpr double kPitchX = 140, kPitchY = 120;

std::shared_ptr<SigDocument> bigDocument(size_t count)
{
    auto document = std::make_shared<SigDocument>();
    auto db = bundledDatabase();
    auto patch = std::make_unique<SigFile>(db, document.get());
    patch->addModule(Module::moduleNamed("HEADM", std::optional<std::string>("adc"), db));
    ModuleList::List modules = buildModules(count);
    chain(modules);
    for (size_t i = 0; i < modules.size(); ++i) {
        modules[i]->moveToPosition({100 + kPitchX * double(i % kColumns), 40 + kPitchY * double(i / kColumns)});
        patch->addModule(modules[i]);
    }
    patch->setHead();
    patch->makeNamesUnique(modules, 0);
    document->setSigFile(std::move(patch));
    return document;
}

// One window for every benchmark: building and first painting it is not
// what is measured.
struct Canvas {
    std::shared_ptr<SigDocument> document = bigDocument(10000);
    GraphicWindowController* window = nullptr;
    GraphicView* view = nullptr;

    Canvas()
    {
        window = new GraphicWindowController(document);
        window->resize(1400, 1000);
        window->show();
        view = window->graphicView();
        settle();
    }
    void settle()
    {
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
    void atFullSize()
    {
        view->setZoom(1 / view->magnification());
        view->enclosingScrollView()->horizontalScrollBar()->setValue(0);
        view->enclosingScrollView()->verticalScrollBar()->setValue(0);
        settle();
    }
    void fitted()
    {
        view->zoomToFit();
        settle();
    }
    // Modules of the block of columns [c0, c0 + w) and rows [r0, r0 + h).
    std::vector<Module*> block(int c0, int r0, int w, int h)
    {
        std::vector<Module*> found;
        for (int r = r0; r < r0 + h; ++r)
            for (int c = c0; c < c0 + w; ++c)
                found.push_back(document->sigFile()->moduleAtIndex(size_t(1 + r * kColumns + c)).get());
        return found;
    }
    QPointF widget(double x, double y) const { return QPointF(x * view->magnification(), y * view->magnification()); }
    void send(QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, at, view->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
        QApplication::sendEvent(view, &e);
    }
};

Canvas& canvas()
{
    static Canvas c;
    return c;
}

bool haveDatabase(benchmark::State& state)
{
    if (bundledDatabase()->sigDbaseCreated())
        return true;
    state.SkipWithError("the bundled sigdbase.sbf did not load");
    return false;
}

// 100 selected modules (10 x 10, away from the chain's wires that run
// back from the end of one row to the start of the next) dragged back and
// forth by 6 points.
void DragHundredModules(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    Canvas& c = canvas();
    state.range(0) ? c.fitted() : c.atFullSize();
    c.view->setSelection(c.block(10, 0, 10, 10));
    if (!state.range(0))
        c.view->enclosingScrollView()->horizontalScrollBar()->setValue(int(10 * kPitchX) - 40);
    c.settle();
    const QPointF grab = c.widget(100 + 10 * kPitchX + 40, 72);
    c.send(QEvent::MouseButtonPress, grab, Qt::LeftButton);
    c.send(QEvent::MouseMove, grab + c.widget(20, 20), Qt::LeftButton);
    c.settle();
    int i = 0;
    for (auto _ : state) {
        const double d = (i++ % 2) ? 26 : 20;
        c.send(QEvent::MouseMove, grab + c.widget(d, d), Qt::LeftButton);
        QApplication::processEvents();
    }
    state.counters["drawn"] = c.view->canvasPainter().modulesDrawn();
    c.send(QEvent::MouseButtonRelease, grab + c.widget(20, 20), Qt::NoButton);
    c.document->undoManager().undo();
    c.view->clearSelection();
    c.settle();
}
BENCHMARK(DragHundredModules)->ArgName("fitted")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// A rubber band over 1,000 modules and more (10 rows of 100, and the short
// modules of the next) whose corner moves in and out of the last column.
void RubberBandThousandModules(benchmark::State& state)
{
    if (!haveDatabase(state))
        return;
    Canvas& c = canvas();
    state.range(0) ? c.fitted() : c.atFullSize();
    const double right = 100 + kPitchX * (kColumns - 1) + 80, bottom = 40 + kPitchY * 10 + 70;
    const QPointF start = c.widget(80, 20);
    c.send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    c.send(QEvent::MouseMove, c.widget(right + 5, bottom + 5), Qt::LeftButton);
    c.settle();
    int i = 0;
    size_t inside = 0;
    for (auto _ : state) {
        const double x = (i++ % 2) ? right - 20 : right + 5;
        c.send(QEvent::MouseMove, c.widget(x, bottom + 5), Qt::LeftButton);
        QApplication::processEvents();
        inside = std::max(inside, c.view->marks().rubberbandModules.size());
    }
    state.counters["inBand"] = double(inside);
    state.counters["drawn"] = c.view->canvasPainter().modulesDrawn();
    c.send(QEvent::MouseButtonRelease, c.widget(right + 5, bottom + 5), Qt::NoButton);
    c.view->clearSelection();
    c.settle();
}
BENCHMARK(RubberBandThousandModules)->ArgName("fitted")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
