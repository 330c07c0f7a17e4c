// SPDX-License-Identifier: GPL-3.0-or-later
// Painting a patch of 10,000 modules of the bundled database, wired in a
// chain, into an offscreen image. Targets: the first paint, which lays out
// and draws everything, under 200 ms; repainting one module's dirty rect
// (the layout checked again, as every paint does) under 3 ms, since a
// repaint draws only what meets the rect.
#include "BenchModels.h"
#include "Toskfile/CanvasLayout.h"
#include "Toskfile/SigfileTokenizer.h"
#include "canvas/CanvasMarks.h"
#include "canvas/CanvasPainter.h"
#include "canvas/CanvasStyle.h"
#include "canvas/GraphicView.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace tosk;
using namespace tosk::bench;

constexpr int kColumns = 100;
constexpr double kPitchX = 140, kPitchY = 120;
constexpr int kShowMode = -129;

struct BigPatch {
    ModuleList patch;
    Module* head = nullptr;

    explicit BigPatch(size_t count)
    {
        auto h = Module::moduleNamed("HEADM", std::string("adc"), bundledDatabase());
        head = h.get();
        patch.addModule(h);
        ModuleList::List modules = buildModules(count);
        chain(modules);
        for (size_t i = 0; i < modules.size(); ++i) {
            // Every box shows a name of its own, as in a real patch.
            modules[i]->setInstanceName(baseName(modules[i]->name()) + std::to_string(i));
            modules[i]->moveToPosition({100 + kPitchX * double(i % kColumns), 40 + kPitchY * double(i / kColumns)});
            patch.addModule(modules[i]);
        }
    }
};

BigPatch& bigPatch()
{
    static BigPatch p(10000);
    return p;
}

// The whole canvas at a quarter of its size, so that every module is
// rasterised without a gigabyte of pixels, the text cache cold as after
// opening. Texts shorter than `minimumTextPixels` are left out.
void paintWhole(benchmark::State& state, double minimumTextPixels)
{
    BigPatch& p = bigPatch();
    QImage image(3600, 3100, QImage::Format_ARGB32_Premultiplied);
    CanvasMarks marks;
    int drawn = 0;
    const CanvasStyle::ScreenDetail detail(minimumTextPixels);
    for (auto _ : state) {
        CanvasStyle::dropTextCache();
        CanvasLayout layout(kShowMode);
        layout.layOut(p.patch, p.head);
        CanvasPainter canvas;
        QPainter painter(&image);
        painter.scale(0.25, 0.25);
        canvas.drawRect(painter, Rect(0, 0, 14400, 12400), layout, p.patch, p.head, marks);
        drawn = canvas.modulesDrawn();
    }
    state.counters["drawn"] = drawn;
}

// As on the screen: texts too small to read are left out.
void FirstPaint(benchmark::State& state)
{
    paintWhole(state, GraphicView::kMinimumTextPixels);
}
BENCHMARK(FirstPaint)->Unit(benchmark::kMillisecond);

// Every text, as a picture or an export draws it.
void FirstPaintEveryText(benchmark::State& state)
{
    paintWhole(state, 0);
}
BENCHMARK(FirstPaintEveryText)->Unit(benchmark::kMillisecond);

// One module in the middle of the patch changed: its graphic rect is
// repainted in a window-sized image at full size.
void RepaintOneModule(benchmark::State& state)
{
    BigPatch& p = bigPatch();
    QImage image(1400, 1000, QImage::Format_ARGB32_Premultiplied);
    CanvasMarks marks;
    CanvasLayout layout(kShowMode);
    CanvasPainter canvas;
    Module& target = *p.patch.moduleAtIndex(5050);
    layout.layOut(p.patch, p.head);
    const Rect dirty = layout.graphicRect(target);
    {
        QPainter painter(&image);
        canvas.drawRect(painter, Rect(0, 0, 1400, 1000), layout, p.patch, p.head, marks);
    }
    int drawn = 0;
    for (auto _ : state) {
        layout.layOut(p.patch, p.head);
        QPainter painter(&image);
        // The view scrolled to the module: the window shows its neighbourhood.
        painter.translate(-(dirty.x() - 600), -(dirty.y() - 400));
        painter.setClipRect(QRectF(dirty.x(), dirty.y(), dirty.width(), dirty.height()));
        canvas.drawRect(painter, dirty, layout, p.patch, p.head, marks);
        drawn = canvas.modulesDrawn();
    }
    state.counters["drawn"] = drawn;
}
BENCHMARK(RepaintOneModule)->Unit(benchmark::kMillisecond);

// One mixer whose damaged count repeats its inputs N times, painted with its
// repetition numbers showing: linear in N, as every pin is numbered once.
void PaintRepeatedGroup(benchmark::State& state)
{
    std::string text = "mix " + std::to_string(state.range(0));
    for (int64_t i = 0; i < state.range(0); ++i)
        text += " adc-in1 0.5";
    SigfileTokenizer record = SigfileTokenizer::tokenizerWithString(text + " 1");
    ModuleList patch;
    auto head = Module::moduleNamed("HEADM", std::string("adc"), bundledDatabase());
    patch.addModule(head);
    auto mixer = Module::moduleNamed("MIXN", record, bundledDatabase());
    mixer->moveToPosition({100, 40});
    patch.addModule(mixer);
    QImage image(400, 800, QImage::Format_ARGB32_Premultiplied);
    CanvasMarks marks;
    for (auto _ : state) {
        CanvasLayout layout(kShowMode);
        layout.layOut(patch, head.get());
        CanvasPainter canvas;
        QPainter painter(&image);
        canvas.drawRect(painter, Rect(0, 0, 400, 800), layout, patch, head.get(), marks);
    }
    state.counters["fields"] = double(mixer->fieldCount());
    state.SetComplexityN(state.range(0));
}
BENCHMARK(PaintRepeatedGroup)->RangeMultiplier(4)->Range(1024, 16384)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace
