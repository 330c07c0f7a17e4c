// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UnitCommands.h"

#include "Toskfile/MyExtensions.h"
#include "Toskfile/ParameterComparison.h"
#include "Toskfile/PatchEditor.h"
#include "Toskfile/SigDocument.h"
#include "Toskfile/SigFile.h"
#include "Toskfile/UndoGroup.h"
#include "app/DocumentController.h"
#include "app/FrontPanelRequester.h"
#include "app/MainMenuDelegate.h"
#include "app/ScreenDisplayController.h"
#include "app/UnitProgressWindow.h"
#include "base/Alerts.h"
#include "base/AtomicFile.h"
#include "base/FileChooser.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/NotificationCenter.h"
#include "base/PreferenceController.h"
#include "browsers/FrontPanelWindow.h"
#include "browsers/PanelCompareDialog.h"
#include "browsers/PatchOpenNotification.h"
#include "canvas/GraphicWindowController.h"
#include "canvas/Latin1.h"
#include "comms/MidiClient.h"
#include "comms/Patch.h"
#include "comms/PatchTextCheck.h"
#include "comms/R9100ProgramItem.h"
#include "comms/SysexReply.h"
#include "comms/ToskMidiProcessor.h"
#include "database/SigDbase.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>

namespace tosk {

struct UnitCommands::Request {
    uint8_t command = 0;
    // An update: the patch whose values the reply is for (held weakly: the
    // user may close it while the unit answers).
    bool update = false;
    // A comparison: the patch to compare, and its window.
    bool compare = false;
    QPointer<QWidget> window;
    std::weak_ptr<SigDocument> target;
    std::shared_ptr<MidiClient> client;
};

namespace {

// Hands one request's completion to the menu, while the menu exists.
struct RequestClient : MidiClient {
    QPointer<UnitCommands> owner;
    int tag = 0;
    void processMidiMsg(const Bytes& message, const std::optional<TkxException>& exception) override
    {
        if (owner)
            owner->processMidiMsg(tag, message, exception);
    }
};

std::string text(const char* key, const char* fallback)
{
    return localized(key, fallback);
}

// Texts from the unit and patch names are Latin-1; messages are UTF-8.
std::string utf8(std::string_view latin1)
{
    return Latin1::qstring(latin1).toStdString();
}

std::string checkPort()
{
    if (PreferenceController::shared().connectWithMidi())
        return text("CheckMidiOpt", "Check the MIDI interface and channel in the preferences.");
    return text("CheckPortOpt", "Check the serial port settings.");
}

std::string checkCable()
{
    if (PreferenceController::shared().connectWithMidi())
        return text("CheckMidiCable", "Make sure the MIDI cables are plugged in, in and out.");
    return text("CheckCable", "Make sure the serial cable is plugged in.");
}

// Requests whose unit must say something: silence means it did not hear.
bool awaitsAnswer(uint8_t command)
{
    return command == sysex::GET_PATCH || command == sysex::GET_DATABASE || command == sysex::GET_SCREEN;
}

} // namespace

UnitCommands::UnitCommands(MainMenuDelegate& delegate, ToskMidiProcessor& dispatcher, QObject* parent)
    : QObject(parent), delegate_(delegate), dispatcher_(dispatcher)
{
    panelRequester_ = std::make_unique<FrontPanelRequester>(dispatcher_);
    progressWindow_ = new UnitProgressWindow();
    connect(progressWindow_, &UnitProgressWindow::cancelRequested, this, [this] { dispatcher_.cancelAll(); });
    dispatcher_.setProgressHandler([this](const RequestProgress& p) { showProgress(p); });
    dispatcher_.setFinishedHandler([this](int tag, bool delivered) { finished(tag, delivered); });
    NotificationCenter::defaultCenter().addObserver(this, PatchOpenNotification, nullptr,
                                                    [this](const Notification& n) { openPatchDocument(n); });
}

UnitCommands::~UnitCommands()
{
    // The dispatcher lives on; requests still under way end unheard.
    dispatcher_.setProgressHandler({});
    dispatcher_.setFinishedHandler({});
    NotificationCenter::defaultCenter().removeObserver(this);
    delete compareDialog_;
    frontPanel_.reset();
    panelRequester_.reset();
    delete progressWindow_;
}

ScreenDisplayController* UnitCommands::screenWindow() const
{
    return screenWindow_.data();
}

bool UnitCommands::databaseLoaded() const
{
    return delegate_.sigDbase() && delegate_.sigDbase()->sigDbaseCreated();
}

GraphicWindowController* UnitCommands::patchWindow(QWidget* window) const
{
    auto* w = qobject_cast<GraphicWindowController*>(window);
    if (!w)
        w = qobject_cast<GraphicWindowController*>(delegate_.graphicWindowController());
    return w && w->sigDocument() && w->sigFile() ? w : nullptr;
}

bool UnitCommands::validateMenuItem(Item item, QWidget* window) const
{
    switch (item) {
    case Item::GetPatch:
        return databaseLoaded();
    case Item::SendPatch:
    case Item::UpdatePatch:
        return databaseLoaded() && patchWindow(window);
    case Item::CompareWithUnit:
        return databaseLoaded() && patchWindow(window);
    case Item::GetDbase:
    case Item::GetScreen:
    case Item::FrontPanel:
        return true;
    case Item::GetUserFiles:
    case Item::GetSetup:
    case Item::SendUserFiles:
    case Item::SendSetup:
        return false;
    }
    return false;
}

int UnitCommands::queue(uint8_t command, const Bytes& payload, std::weak_ptr<SigDocument> target)
{
    auto client = std::make_shared<RequestClient>();
    client->owner = this;
    Request request;
    request.command = command;
    request.update = !target.expired();
    request.target = std::move(target);
    request.client = client;
    dispatcher_.sysexCommand(command, payload, client);
    // The completion reaches us only through the event loop, after this.
    const int tag = dispatcher_.sysexTag();
    client->tag = tag;
    requests_[tag] = std::move(request);
    return tag;
}

void UnitCommands::onMidiGetPatch()
{
    if (databaseLoaded())
        queue(sysex::GET_PATCH, {});
}

namespace {
// Set on a patch window once it has asked about a new patch's title.
constexpr const char* kAskedToName = "toskAskedToNameBeforeSending";
} // namespace

void UnitCommands::onMidiSendPatch(QWidget* window)
{
    GraphicWindowController* w = patchWindow(window);
    if (!w || !databaseLoaded())
        return;
    SigDocument& document = *w->sigDocument();
    const std::string upload = document.sigDataForUpload();
    // Inside one message a frame byte would cut the patch short.
    if (std::optional<std::string> refusal = patchTextRefusal(upload)) {
        Alerts::error(*refusal, w);
        return;
    }
    // A patch still called as a new one is hard to tell apart on the unit:
    // offer to name it, once per window.
    const SigFile& patch = *document.sigFile();
    const bool unnamed = patch.programName() == "Empty" && (patch.author().empty() || patch.author() == "tail");
    if (unnamed && !w->property(kAskedToName).toBool()) {
        w->setProperty(kAskedToName, true);
        const int answer = Alerts::show(
            AlertStyle::Warning, text("SendPatchTitle", "Send Patch"),
            text("SendUnnamed", "This patch still has the title and author of a new patch. Set them before "
                                "sending it?"),
            {text("SetTitleAndAuthor", "Set Title and Author..."), text("SendAnyway", "Send Anyway"),
             text("CANCEL", "Cancel")},
            w);
        if (answer == 0)
            w->raiseTitleWindow();
        if (answer != 1)
            return;
    }
    if (document.loadStatus() == SigDocument::LoadStatus::Degraded) {
        const std::string question = fillIn(text("SendDegraded", "\"%s\" was read with errors: what could not be "
                                                                 "read is not part of the patch the unit would "
                                                                 "get.\n\nSend it anyway?"),
                                            {utf8(document.displayName())});
        if (Alerts::show(AlertStyle::Warning, text("ALERT", "ALERT"), question,
                         {text("SendButton", "Send"), text("CANCEL", "Cancel")}, w) != 0)
            return;
    }
    queue(sysex::SEND_PATCH, Bytes(upload.begin(), upload.end()));
}

void UnitCommands::onMidiUpdatePatch(QWidget* window)
{
    GraphicWindowController* w = patchWindow(window);
    if (!w || !databaseLoaded())
        return;
    queue(sysex::GET_PATCH, {}, w->document());
}

void UnitCommands::onMidiGetDbase(QWidget* window)
{
    const int answer = Alerts::show(AlertStyle::Informational, text("MidiGetDBase", "Get a SigDbase"),
                                    text("MidiGetDBaseACK", "This operation will download the modules database from "
                                                            "the remote system and will take a few minutes.\n\nAre "
                                                            "you sure you want to continue?"),
                                    {text("OK", "OK"), text("CANCEL", "Cancel")}, window);
    if (answer == 0)
        queue(sysex::GET_DATABASE, {});
}

void UnitCommands::onMidiGetScreen()
{
    queue(sysex::GET_SCREEN, {});
}

void UnitCommands::onFrontPanel()
{
    if (!frontPanel_)
        frontPanel_ = std::make_unique<FrontPanelWindow>(*panelRequester_);
    frontPanel_->show();
    frontPanel_->raise();
    frontPanel_->activateWindow();
    frontPanel_->readRoot();
}

void UnitCommands::onMidiCompare(QWidget* window)
{
    GraphicWindowController* w = patchWindow(window);
    if (!w || !databaseLoaded())
        return;
    const int tag = queue(sysex::GET_PATCH, {}, w->document());
    Request& request = requests_[tag];
    request.update = false;
    request.compare = true;
    request.window = w;
}

size_t UnitCommands::pendingCount() const
{
    return requests_.size() + panelRequester_->pendingCount();
}

PanelCompareDialog* UnitCommands::compareDialog() const
{
    return compareDialog_.data();
}

void UnitCommands::setQuiet(int tag, bool quiet)
{
    if (quiet)
        quietTags_.insert(tag);
    else
        quietTags_.erase(tag);
}

void UnitCommands::showProgress(const RequestProgress& progress)
{
    if (quietTags_.count(progress.tag)) {
        if (progress.stage == RequestProgress::Stage::Done)
            quietTags_.erase(progress.tag);
        // Whatever else is shown stays; the quiet request itself never is.
        if (progress.stage != RequestProgress::Stage::Done || dispatcher_.pendingCount() > 1)
            return;
    }
    // The request shown is still pending when it reports Done.
    const size_t pending = dispatcher_.pendingCount();
    const size_t waiting = pending > 0 ? pending - 1 : 0;
    if (progress.stage == RequestProgress::Stage::Done && waiting == 0) {
        progressWindow_->hide();
        return;
    }
    // The front panel's exchanges (one frame each) take a few milliseconds
    // while a slider is dragged; the window comes up only for one that
    // keeps the user waiting, with its Cancel.
    constexpr std::chrono::milliseconds keepsWaiting{500};
    if (progress.endsAtFrameEnd && !progressWindow_->isVisible() && progress.waited < keepsWaiting &&
        progress.silentFor < keepsWaiting)
        return;
    progressWindow_->showProgress(progress, waiting);
}

void UnitCommands::finished(int tag, bool delivered)
{
    if (dispatcher_.pendingCount() == 0)
        progressWindow_->hide();
    emit requestFinished(tag, delivered);
    if (panelRequester_->finished(tag, delivered))
        return;
    auto it = requests_.find(tag);
    if (it == requests_.end())
        return;
    const uint8_t command = it->second.command;
    requests_.erase(it);
    // A unit that takes a patch says nothing; a refusal or a failure came
    // with the completion and was told.
    if (command == sysex::SEND_PATCH && !delivered) {
        RequestProgress sent;
        sent.tag = tag;
        sent.command = command;
        progressWindow_->showFinished(sent, Latin1::text("UnitSentPatch", "Sent to the unit"));
    }
    if (delivered || !awaitsAnswer(command))
        return;
    logf("MainMenuDelegate.processMidiMsg: no reply to %s", sysex::commandName(command, true).c_str());
    Alerts::error(text("NoReply", "The unit did not answer.") + "\n\n" + checkCable() + "\n\n" + checkPort());
}

void UnitCommands::processMidiMsg(int tag, const Bytes& message, const std::optional<TkxException>& exception)
{
    auto it = requests_.find(tag);
    const Request request = it != requests_.end() ? it->second : Request{};
    const SysexReply reply = SysexReply::check(message, exception);
    switch (reply.status) {
    case SysexReply::Status::Empty:
        return;
    case SysexReply::Status::Cancelled:
        logf("MainMenuDelegate.processMidiMsg: %s cancelled", sysex::commandName(request.command, true).c_str());
        return;
    case SysexReply::Status::Failed:
        // Whatever came with a failure is not used.
        logf("MainMenuDelegate.processMidiMsg: IO exception: %s - %s", exception->name().c_str(),
             exception->reason().c_str());
        Alerts::error(fillIn("%s\n\n%s\n\n%s", {failureWords(*exception), checkCable(), checkPort()}));
        return;
    case SysexReply::Status::TooShort:
        Alerts::error(fillIn("%s\n\n%s\n\n%s", {text("BadData", "The data received is invalid."), checkPort(),
                                                hexString(message.data(), message.size())}));
        return;
    case SysexReply::Status::BadHeader:
    case SysexReply::Status::Unterminated:
        // A reply cut short holds only part of its text.
        Alerts::error(fillIn("%s\n\n%s", {text("BadSysEx", "The data received is invalid."), checkPort()}));
        return;
    case SysexReply::Status::Ok:
        break;
    }

    switch (reply.command) {
    case sysex::SEND_PATCH:
    case sysex::PATCH_TEXT:
    case sysex::PATCH_TEXT_ALT:
        patchText(request, reply.payload);
        break;
    case sysex::DATABASE:
        saveSigDBase(reply.payload);
        break;
    case sysex::ERROR_TEXT: {
        // The unit's text ends at its terminator.
        auto end = std::find(reply.payload.begin(), reply.payload.end(), uint8_t(0));
        Alerts::show(AlertStyle::Critical, "SYSEXC ERROR", utf8(std::string(reply.payload.begin(), end)),
                     {text("OK", "OK")});
        break;
    }
    case sysex::SCREEN:
        showScreen(reply.payload);
        break;
    case 0x00:
    case 0x0F:
    case 0x11:
    case 0x13:
    case 0x16:
        break;
    default:
        logf("MainMenuDelegate.processMidiMsg: unknown command %x", unsigned(reply.command));
        break;
    }
}

void UnitCommands::patchText(const Request& request, const Bytes& payload)
{
    const std::string patch(payload.begin(), payload.end());
    if (request.compare) {
        showComparison(request, patch);
        return;
    }
    if (request.update) {
        std::shared_ptr<SigDocument> document = request.target.lock();
        if (!document || !document->sigFile()) {
            log("MainMenuDelegate.processMidiMsg: the patch to update is closed; the unit's copy is dropped");
            return;
        }
        {
            UndoGroup step(*document);
            PatchEditor(*document).updateParams(patch);
        }
        Alerts::show(document->sigFile()->takeProblems());
        return;
    }
    DocumentController* documents = delegate_.documentController();
    if (!documents)
        return;
    GraphicWindowController* window = documents->openUntitledDocument(patch, "untitled", std::string());
    // The patch's own title is what its file would likely be called.
    if (window && window->sigFile() && !window->sigFile()->programName().empty())
        window->sigDocument()->setSuggestedFileName(convertToFileName(window->sigFile()->programName()) + ".sig");
}

void UnitCommands::showComparison(const Request& request, const std::string& patch)
{
    std::shared_ptr<SigDocument> document = request.target.lock();
    auto* window = qobject_cast<GraphicWindowController*>(request.window.data());
    if (!document || !document->sigFile() || !window) {
        log("MainMenuDelegate.processMidiMsg: the patch to compare is closed; the unit's copy is dropped");
        return;
    }
    ParameterComparison comparison = ParameterComparison::compare(*document->sigFile(), patch);
    Alerts::show(comparison.problems());
    const std::string title = text("CompareTitle", "Compare with Unit");
    if (!comparison.matches()) {
        // Another preset: there is nothing to take from it.
        Alerts::show(AlertStyle::Critical, title,
                     fillIn(text("UpdateParamsErr1", "The remote '%s' preset is not the same as %s"),
                            {utf8(comparison.unitProgramName()), utf8(document->sigFile()->programName())}),
                     {text("OK", "OK")}, window);
        return;
    }
    delete compareDialog_;
    QPointer<UnitCommands> self(this);
    QPointer<GraphicWindowController> target(window);
    compareDialog_ = new PanelCompareDialog(
        document, std::move(comparison),
        [self, target] {
            if (self && target)
                self->onMidiSendPatch(target);
        },
        window);
    compareDialog_->show();
    compareDialog_->raise();
}

void UnitCommands::showScreen(const Bytes& payload)
{
    try {
        ScreenDisplayController* window = ScreenDisplayController::displayImageFromData(payload);
        screenWindow_ = window;
        window->show();
        window->raise();
    } catch (const TkxException& e) {
        logf("MainMenuDelegate.processMidiMsg: exception %s - %s", e.name().c_str(), e.reason().c_str());
        Alerts::error(fillIn("%s\n\n%s", {text("BadData", "The data received is invalid."), e.reason()}));
    }
}

bool UnitCommands::saveSigDBase(const Bytes& bytes)
{
    const std::string database(bytes.begin(), bytes.end());
    // A damaged download saved as the database would leave the next start
    // without operators.
    SigDbase received;
    if (!received.createSigDbaseFromData(database) || received.sigDbaseData().empty()) {
        log("MainMenuDelegate.saveSigDBase: the database received cannot be read; nothing is saved");
        Alerts::error(fillIn("%s\n\n%s", {text("BadDBase", "The database received from the unit cannot be read as "
                                                           "an operator database. Nothing was saved."),
                                          checkPort()}));
        return false;
    }
    PreferenceController& preferences = PreferenceController::shared();
    const std::string current = preferences.sigDbaseLocation();
    FileRequest request;
    request.save = true;
    request.title = localized("SaveDBaseFile");
    request.fileTypes = {"sbf"};
    request.suggestedName = "sigdbase.sbf";
    request.directory = current.empty() ? QDir::homePath().toStdString()
                                        : QFileInfo(QFile::decodeName(current.c_str())).absolutePath().toStdString();
    std::optional<std::string> chosen = FileChooser::shared().choose(request);
    if (!chosen || chosen->empty())
        return false;
    // The panel gave a name without a dot its suffix and asked before
    // replacing a file: the name it confirmed is the one written.
    const std::string path = *chosen;
    try {
        writeFileAtomically(path, database, false);
    } catch (const TkxException& e) {
        logf("MainMenuDelegate.saveSigDBase: exception %s - %s", e.name().c_str(), e.reason().c_str());
        Alerts::error(fillIn(text("CannotSaveDBase", "The operator database could not be saved: %s"), {e.reason()}));
        return false;
    }
    // The database in use stays; this file is read at the next start.
    preferences.setSigDbaseLocation(path);
    delegate_.noteSigDbaseLocationChanged();
    return true;
}

void UnitCommands::openPatchDocument(const Notification& notification)
{
    DocumentController* documents = delegate_.documentController();
    if (!documents)
        return;
    const std::string patch = notification.info<std::string>("PatchData");
    std::string name, suggested;
    std::filesystem::path file;
    if (notification.userInfo.count("NodeData")) {
        if (auto unitPatch = notification.info<std::shared_ptr<Patch>>("NodeData")) {
            name = unitPatch->patchName();
            suggested = unitPatch->patchNameForFile() + ".sig";
        } else {
            file = notification.info<std::filesystem::path>("NodeData");
            name = file.stem().string();
        }
    } else if (auto item = notification.info<std::shared_ptr<R9100ProgramItem>>("R9100ProgramItem")) {
        name = item->progNum() + " " + item->progName();
        suggested = convertToFileName(item->progName()) + ".sig";
    }
    GraphicWindowController* window = documents->openUntitledDocument(patch, name, suggested);
    // A patch file from the disk is that file, changed.
    if (window && !file.empty()) {
        window->sigDocument()->setFileName(file.string());
        window->updateTitle();
    }
}

} // namespace tosk
