// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TkxException.h"
#include "comms/RequestProgress.h"
#include "comms/Sysex.h"

#include <QObject>
#include <QPointer>

#include <map>
#include <memory>
#include <optional>
#include <set>

class QWidget;

namespace tosk {

class FrontPanelRequester;
class FrontPanelWindow;
class GraphicWindowController;
class MainMenuDelegate;
class PanelCompareDialog;
class MidiClient;
class ScreenDisplayController;
class SigDocument;
class ToskMidiProcessor;
class UnitProgressWindow;
struct Notification;

// The Unit menu: gets the patch running on the unit into a new window,
// sends the current patch to the unit, updates the current patch's values
// from the unit's copy, downloads the unit's operator database and shows the
// unit's screen. Each command is queued on the dispatcher and returns at
// once; its completion comes back in processMidiMsg, which reports failures
// and hands the payload on. A reply that came with a failure, or without its
// closing F7, is never used.
//
// Also opens the patches the browsers announce with
// "TKXPatchOpenNotification" (browsers/PatchOpenNotification.h).
class UnitCommands : public QObject {
    Q_OBJECT

public:
    // The items of the Unit menu.
    enum class Item {
        GetPatch,
        SendPatch,
        UpdatePatch,
        GetDbase,
        GetScreen,
        GetUserFiles,
        GetSetup,
        SendUserFiles,
        SendSetup,
        FrontPanel,
        CompareWithUnit
    };

    UnitCommands(MainMenuDelegate& delegate, ToskMidiProcessor& dispatcher, QObject* parent = nullptr);
    ~UnitCommands() override;

    // `window` is the window whose menu was used: the patch it shows is the
    // current patch (else the patch window that was main last).
    void onMidiGetPatch();
    void onMidiSendPatch(QWidget* window);
    void onMidiUpdatePatch(QWidget* window);
    // Asks first: a download takes minutes.
    void onMidiGetDbase(QWidget* window);
    void onMidiGetScreen();
    // Unit ▸ Front Panel: shows the unit's front panel, reading its root
    // menu the first time.
    void onFrontPanel();
    // Unit ▸ Compare with Unit: fetches the running patch and lists the
    // values of the current patch that differ from it.
    void onMidiCompare(QWidget* window);
    bool validateMenuItem(Item item, QWidget* window) const;

    // The completion of request `tag`.
    void processMidiMsg(int tag, const Bytes& message, const std::optional<TkxException>& exception);
    // Checks that the bytes are an operator database, asks where to save
    // them and writes them there whole; that file is read at the next start.
    // False when nothing was saved.
    bool saveSigDBase(const Bytes& bytes);
    // "PatchData": the patch text (std::string). "NodeData": a unit's patch
    // (std::shared_ptr<Patch>) or a patch file (std::filesystem::path);
    // otherwise "R9100ProgramItem": a program-list entry
    // (std::shared_ptr<R9100ProgramItem>).
    void openPatchDocument(const Notification& notification);

    ToskMidiProcessor& dispatcher() const { return dispatcher_; }
    UnitProgressWindow* progressWindow() const { return progressWindow_; }
    // The screen window opened last, while it is open.
    ScreenDisplayController* screenWindow() const;
    // A request nobody waits for (the quiet identify of the disk browser)
    // shows no progress window; made loud again, it shows its progress.
    void setQuiet(int tag, bool quiet);
    // Requests of this menu and of the front panel that have not ended.
    size_t pendingCount() const;
    // The front panel, once opened.
    FrontPanelWindow* frontPanel() const { return frontPanel_.get(); }
    // The comparison on show, while it is open.
    PanelCompareDialog* compareDialog() const;

signals:
    // The dispatcher handled the completion of request `tag`; `delivered`
    // false: its requester heard nothing (the unit said nothing).
    void requestFinished(int tag, bool delivered);

private:
    struct Request;
    int queue(uint8_t command, const Bytes& payload, std::weak_ptr<SigDocument> target = {});
    GraphicWindowController* patchWindow(QWidget* window) const;
    bool databaseLoaded() const;
    void showProgress(const RequestProgress& progress);
    void finished(int tag, bool delivered);
    void patchText(const Request& request, const Bytes& payload);
    void showComparison(const Request& request, const std::string& patch);
    void showScreen(const Bytes& payload);

    MainMenuDelegate& delegate_;
    ToskMidiProcessor& dispatcher_;
    std::map<int, Request> requests_;
    UnitProgressWindow* progressWindow_ = nullptr;
    QPointer<ScreenDisplayController> screenWindow_;
    std::unique_ptr<FrontPanelRequester> panelRequester_;
    std::unique_ptr<FrontPanelWindow> frontPanel_;
    QPointer<PanelCompareDialog> compareDialog_;
    std::set<int> quietTags_;
};

} // namespace tosk
