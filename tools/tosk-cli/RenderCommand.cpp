// SPDX-License-Identifier: GPL-3.0-or-later
// tosk-cli render: the picture of a patch's canvas, drawn by the editor's
// own painters without a display. It runs in tosk-cli's drawing helper, so
// that the other commands start without the toolkit's GUI libraries.
#include "RenderCommand.h"
#include "CliCommand.h"
#include "CliSupport.h"

#include "Toskfile/PatchLayout.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "base/Alerts.h"
#include "base/Log.h"
#include "canvas/CanvasRenderer.h"
#include "database/SigDbase.h"

#include <QGuiApplication>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tosk::cli {

namespace {

bool takeOutput(std::vector<std::string>& args, std::string& out)
{
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-o") {
            out = args[i + 1];
            args.erase(args.begin() + long(i), args.begin() + long(i) + 2);
            return true;
        }
    return takeOption(args, "output", out);
}

// The whole text must be the number.
bool parseInt(const std::string& text, int& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    long v = std::strtol(text.c_str(), &end, 0);
    if (errno || *end || v < INT32_MIN || v > INT32_MAX)
        return false;
    value = int(v);
    return true;
}

bool parseScale(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !*end && std::isfinite(value) && value > 0 && value <= 16;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "tosk-cli render: %s\n", message.c_str());
    return 1;
}

int runRender(const std::vector<std::string>& given)
{
    std::vector<std::string> args = given;
    std::string out, modeText, scaleText, select;
    const bool hasOut = takeOutput(args, out);
    const bool hasMode = takeOption(args, "show-mode", modeText);
    const bool hasScale = takeOption(args, "scale", scaleText);
    const bool hasSelect = takeOption(args, "select", select);
    int mode = SigFile::kDefaultShowMode;
    double scale = 1;
    if (hasMode && !parseInt(modeText, mode))
        return fail("--show-mode takes an integer (the show-mode bits), not '" + modeText + "'");
    if (hasScale && !parseScale(scaleText, scale))
        return fail("--scale takes a number above 0 and at most 16, not '" + scaleText + "'");
    DatabaseChoice database = chooseDatabase(args);
    if (!hasOut || args.size() != 1)
        return fail("usage: tosk-cli render [--db PATH] FILE -o OUT.png|OUT.svg [--show-mode N] [--scale S] "
                    "[--select INSTANCE]");
    if (database.missing)
        return fail("no operator database at " + database.path);
    if (!database.loaded)
        return fail("the operator database " + database.path + " did not load");

    // Painting needs a Qt application; without a display, Qt's own
    // offscreen platform serves.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit's own chatter (runtime folders and the like) is not ours
    // to print.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static int argc = 1;
    static char name[] = "tosk-cli";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    SigDocument document;
    document.setSigDbase(database.db);
    std::string reason;
    {
        LogCapture quiet;
        ScopedRecordingAlerts alerts;
        if (!document.readFromFile(args[0], &reason))
            return fail(reason);
    }
    SigFile& patch = *document.sigFile();
    // As the patch window does: a patch standing in one column is laid out.
    if (PatchLayout::standsInOneColumn(patch, mode))
        patch.reposition(mode);
    CanvasMarks marks;
    if (hasSelect) {
        auto module = patch.findModuleByName(select);
        if (!module)
            return fail("no module named '" + select + "' in " + args[0]);
        marks.selectedModules = {module};
    }
    CanvasRenderer renderer(patch, patch.head().get(), mode, marks);
    QString error;
    if (!renderer.write(QString::fromStdString(out), scale, error))
        return fail("cannot write " + out + ": " + error.toStdString());
    // What was written, pixel for pixel.
    const QSize size = renderer.pictureSize(scale);
    std::printf("%s: %d x %d\n", out.c_str(), size.width(), size.height());
    return 0;
}

const CliCommandRegistrar render({"render", kRenderUsage, runRender, kRenderSummary});

} // namespace

} // namespace tosk::cli
