// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the inspector on a module with 512 repetitions of a repeated
// group (an input and its gain each: 1,024 repeated fields), offscreen:
// the panel is built, shown and painted once, then closed. Target: under
// 100 ms per opening. A database of the bundled operators plus one mixer
// whose group may repeat up to 1,024 times gives the module.
#include "BenchSupport.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/DataFiles.h"
#include "canvas/GraphicWindowController.h"
#include "editors/EditModuleController.h"
#include "editors/ModuleFieldTableModel.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

namespace {

using namespace tosk;

constexpr int kRepetitions = 512;

std::string bigMixerOperator()
{
    return "{\n{\n   TYPE:OPERATOR\n   NAME:opstart \n   OPERATOR_NAME:BIGMIX\n   OPERATOR_CLASS:MIXER\n}\n"
           "{\n   TYPE:ED_STRING\n   NAME:opstart_name\n   DESCRIPTION:operator name\n}\n"
           "{\n   TYPE:ED_INT\n   NAME:count\n   DESCRIPTION:number of inputs\n   MINIMUM:1\n   MAXIMUM:1024\n"
           "   DEFAULT:4\n}\n"
           "{\n   TYPE:MULTIPLE\n   NAME:inputs\n   ACTION_SPECIFIER:@count\n}\n"
           "{\n   TYPE:ED_SIGNAL\n   NAME:in~n\n   DESCRIPTION:input ~n\n}\n"
           "{\n   TYPE:ED_FLOAT\n   NAME:gain~n\n   DESCRIPTION:input ~n gain\n   MINIMUM:0\n   MAXIMUM:2\n"
           "   DEFAULT:1\n}\n"
           "{\n   TYPE:MULTIPLEEND\n   NAME:inputsend\n}\n"
           "{\n   TYPE:SIGNAL\n   NAME:out\n   CONNECT_TAG:out\n   DESCRIPTION:signal\n}\n"
           "{\n   TYPE:OPERATOREND\n   NAME:opend\n}\n}\n";
}

std::shared_ptr<SigDbase> database()
{
    (void)bench::bundledDatabase(); // silences the log
    std::ifstream in(DataFiles::path("sigdbase.sbf"), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf() << bigMixerOperator();
    auto db = std::make_shared<SigDbase>();
    db->createSigDbaseFromData(text.str());
    return db;
}

std::string patchText()
{
    std::string big = "BIGMIX big ";
    big += std::to_string(kRepetitions);
    for (int i = 0; i < kRepetitions; ++i)
        big += i % 2 ? " osc-out 0.5" : " adc-null 1";
    return "HEADM adc Big t 2 2 1 big-out big-out adc-nullobj ;=20,40,80,0\r\n"
           "SINE osc 440 0.5 ;=140,40,80,0\r\n" +
           big + " ;=260,40,80,0\r\nTAIL Ann\r\n";
}

struct Patch {
    std::shared_ptr<SigDocument> document = std::make_shared<SigDocument>();
    GraphicWindowController* window = nullptr;
    Module* module = nullptr;

    Patch()
    {
        document->initWithData(patchText(), std::string("big"), std::nullopt, database());
        window = new GraphicWindowController(document);
        module = document->sigFile()->findModuleByName("big").get();
    }
};

void OpenInspector(benchmark::State& state)
{
    static Patch p;
    if (!p.module) {
        state.SkipWithError("the patch did not load");
        return;
    }
    int rows = 0;
    for (auto _ : state) {
        EditModuleController* panel = EditModuleController::open(*p.window, *p.module);
        if (!panel) {
            state.SkipWithError("no panel");
            return;
        }
        QApplication::processEvents();
        panel->repaint();
        rows = panel->model()->rowCount();
        state.PauseTiming();
        panel->close();
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}
BENCHMARK(OpenInspector)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
