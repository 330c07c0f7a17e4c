// SPDX-License-Identifier: GPL-3.0-or-later
// The editor exactly as `tosk` runs it, for tests that start it as a process
// and kill it. Three things differ: the autosave interval and change count
// come from the command line (--autosave-ms N --autosave-changes N, before
// the files), --instance-user N makes it expect user N at the other end of
// the single-instance socket (standing for a socket of someone else), and
// commands come on stdin, one a line, each answered on stdout by lines that
// end with "end":
//   windows        one line per patch window: "window", edited (0/1), name,
//                  file, the file it was recovered from (tab-separated)
//   move N         N moves of the last window's first module, one undo step each
//   text           the last window's patch text, in hexadecimal
//   save           File > Save of the last window ("saved 1" or "saved 0")
//   autosave       waits for the autosave writer; the last window's entry
//   dialog         the alert on screen: "dialog" and its text, then
//                  "button" and each button's title; "none" without one
//   click TITLE    presses that button of the alert on screen
//   unit-browser   Window > Unit Browser
//   unit           the unit browser: "browser", busy (0/1), its status text;
//                  "none" before it has opened
//   backup FOLDER  Back Up All Banks of the unit browser into FOLDER
//   quit           File > Quit, once this command has been answered
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "app/AutosaveController.h"
#include "app/DocumentController.h"
#include "app/MainMenuDelegate.h"
#include "app/ToskApplication.h"
#include "base/FileChooser.h"
#include "browsers/KorvatelViewController.h"
#include "browsers/PatchViewController.h"
#include "browsers/UnitTaskRunner.h"
#include "canvas/GraphicWindowController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using namespace tosk;

namespace {

QMessageBox* alertOnScreen()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            return box;
    return nullptr;
}

std::string oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QStringLiteral("\\n")).toStdString();
}

class CommandReader : public QObject {
public:
    explicit CommandReader(ToskApplication::Running& running)
        : QObject(&running.documents), delegate_(running.delegate), documents_(running.documents),
          autosave_(running.autosave), notifier_(STDIN_FILENO, QSocketNotifier::Read, this)
    {
        connect(&notifier_, &QSocketNotifier::activated, this, &CommandReader::readInput);
    }

private:
    void readInput()
    {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            notifier_.setEnabled(false);
            return;
        }
        pending_.append(buffer, size_t(n));
        for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            const std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            execute(line);
            std::printf("end\n");
            std::fflush(stdout);
        }
    }

    GraphicWindowController* lastWindow() const
    {
        const auto windows = documents_.windows();
        return windows.empty() ? nullptr : windows.back();
    }

    void execute(const std::string& line)
    {
        const size_t space = line.find(' ');
        const std::string command = line.substr(0, space);
        const std::string argument = space == std::string::npos ? std::string() : line.substr(space + 1);
        GraphicWindowController* window = lastWindow();
        if (command == "windows") {
            for (GraphicWindowController* w : documents_.windows()) {
                SigDocument* d = w->sigDocument();
                std::printf("window\t%d\t%s\t%s\t%s\n", d->isDocumentEdited() ? 1 : 0, d->displayName().c_str(),
                            d->fileName().c_str(), d->recoveredFrom().c_str());
            }
        } else if (command == "move" && window && window->sigFile()) {
            Module* first = nullptr;
            for (const auto& m : window->sigFile()->listOfModules())
                if (!m->isHead()) {
                    first = m.get();
                    break;
                }
            for (int i = 0, n = std::stoi(argument); first && i < n; ++i) {
                UndoGroup event(*window->sigDocument());
                PatchEditor(*window->sigDocument()).moveModules({first}, {1, 0});
            }
        } else if (command == "text" && window) {
            const std::string text = window->sigDocument()->sigData();
            std::string hex;
            for (unsigned char c : text) {
                static const char digits[] = "0123456789abcdef";
                hex += digits[c >> 4];
                hex += digits[c & 15];
            }
            std::printf("%s\n", hex.c_str());
        } else if (command == "save" && window) {
            std::printf("saved %d\n", documents_.saveDocument(*window) ? 1 : 0);
        } else if (command == "autosave") {
            autosave_.flush();
            std::printf("%s\n", window ? autosave_.entryFor(window).c_str() : "");
        } else if (command == "dialog") {
            QMessageBox* box = alertOnScreen();
            if (!box) {
                std::printf("none\n");
                return;
            }
            std::printf("dialog\t%s\n", oneLine(box->text()).c_str());
            for (QAbstractButton* button : box->buttons())
                std::printf("button\t%s\n", oneLine(button->text()).c_str());
        } else if (command == "click") {
            if (QMessageBox* box = alertOnScreen())
                for (QAbstractButton* button : box->buttons())
                    if (button->text().toStdString() == argument) {
                        button->click();
                        std::printf("clicked\n");
                        return;
                    }
            std::printf("none\n");
        } else if (command == "unit-browser") {
            delegate_.showKorvatelViewAction();
        } else if (command == "unit") {
            if (PatchViewController* browser = unitBrowser())
                std::printf("browser\t%d\t%s\n", browser->runner()->isBusy() ? 1 : 0,
                            oneLine(browser->statusText()).c_str());
            else
                std::printf("none\n");
        } else if (command == "backup") {
            PatchViewController* browser = unitBrowser();
            if (!browser) {
                std::printf("none\n");
                return;
            }
            ScopedScriptedFileChooser chooser;
            chooser.answers.push_back(argument);
            browser->backUpAllBanks();
            std::printf("%s\n", browser->isBackingUp() ? "started" : "not started");
        } else if (command == "quit") {
            // After the answer: Quit may ask, and the question is read by
            // the next command.
            QTimer::singleShot(0, &delegate_, &MainMenuDelegate::terminate);
        } else {
            std::printf("unknown %s\n", line.c_str());
        }
    }

    PatchViewController* unitBrowser() const
    {
        KorvatelViewController* controller = delegate_.korvatelViewController();
        if (!controller || controller->patchViews().empty())
            return nullptr;
        return qobject_cast<PatchViewController*>(controller->patchViews().front());
    }

    MainMenuDelegate& delegate_;
    DocumentController& documents_;
    AutosaveController& autosave_;
    QSocketNotifier notifier_;
    std::string pending_;
};

} // namespace

int main(int argc, char** argv)
{
    ToskApplication::Options options;
    std::vector<char*> args{argv[0]};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--autosave-ms") == 0 && i + 1 < argc)
            options.autosave.interval = std::chrono::milliseconds(std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--autosave-changes") == 0 && i + 1 < argc)
            options.autosave.changes = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--instance-user") == 0 && i + 1 < argc)
            options.instanceUser = std::atol(argv[++i]);
        else
            args.push_back(argv[i]);
    }
    args.push_back(nullptr);
    options.started = [](ToskApplication::Running& running) { new CommandReader(running); };
    int count = int(args.size()) - 1;
    return ToskApplication::run(count, args.data(), options);
}
