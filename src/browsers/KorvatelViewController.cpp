// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/KorvatelViewController.h"

#include "base/Alerts.h"
#include "base/Localization.h"
#include "base/Log.h"
#include "base/PreferenceController.h"
#include "browsers/PatchViewController.h"
#include "browsers/R9100ViewController.h"
#include "comms/MidiClient.h"
#include "comms/RequestProgress.h"
#include "comms/ToskMidiProcessor.h"

namespace tosk {

namespace {

// Hands the completion to the controller while it lives.
struct IdentifyClient : MidiClient {
    QPointer<KorvatelViewController> owner;
    void processMidiMsg(const Bytes& message, const std::optional<TkxException>& exception) override
    {
        if (owner)
            owner->processMidiMsg(message, exception);
    }
};

std::string checkPort()
{
    if (PreferenceController::shared().connectWithMidi())
        return localized("CheckMidiOpt", "Check the MIDI interface and channel in the preferences.");
    return localized("CheckPortOpt", "Check the serial port settings.");
}

std::string checkCable()
{
    if (PreferenceController::shared().connectWithMidi())
        return localized("CheckMidiCable", "Make sure the MIDI cables are plugged in, in and out.");
    return localized("CheckCable", "Make sure the serial cable is plugged in.");
}

} // namespace

KorvatelViewController::KorvatelViewController(ToskMidiProcessor& dispatcher, bool showReport, UnitLineTiming timing,
                                               QObject* parent)
    : QObject(parent), dispatcher_(dispatcher), showReport_(showReport), timing_(timing)
{
    auto client = std::make_shared<IdentifyClient>();
    client->owner = this;
    client_ = client;
    identifying_ = true;
    dispatcher_.sysexCommand(sysex::IDENTIFY, Bytes{}, client_);
    tag_ = dispatcher_.sysexTag();
}

KorvatelViewController::~KorvatelViewController()
{
    if (identifying_)
        dispatcher_.cancel(tag_);
    closePatchViews();
}

void KorvatelViewController::requestFinished(int tag, bool delivered)
{
    if (tag != tag_ || !identifying_)
        return;
    identifying_ = false;
    if (delivered)
        return;
    // A unit that said nothing: as a reply of no bytes.
    processMidiMsg(Bytes{}, std::nullopt);
}

void KorvatelViewController::processMidiMsg(const Bytes& b, const std::optional<TkxException>& exception)
{
    identifying_ = false;
    if (exception && isCancellation(*exception)) {
        emit identifyFailed();
        return;
    }
    if (exception && showReport_) {
        Alerts::error(
            fillIn("%s\n\n%s\n\n%s\n\n%s", {localized("NoKorvatel", "No Korvatel unit was found on the port."),
                                            checkCable(), checkPort(), failureWords(*exception)}));
        emit identifyFailed();
        return;
    }
    const size_t n = b.size();
    if (n <= 5 || b[0] != sysex::START || b[1] != sysex::MANUFACTURER || b[2] != sysex::FAMILY) {
        if (showReport_) {
            if (n == 0)
                Alerts::error(fillIn("%s\n\n%s\n", {localized("NoData", "No data was received."), checkPort()}));
            else
                Alerts::error(fillIn("%s\n\n%s\n\n%s", {localized("BadData", "The data received is invalid."),
                                                        checkPort(), hexString(b.data(), n)}));
        }
        emit identifyFailed();
        return;
    }
    if (b[4] != sysex::IDENTITY) {
        logf("KorvatelViewController.processMidiMsg: unknown command %x", unsigned(b[4]));
        emit identifyFailed();
        return;
    }
    auto info = ChannelNameInfo::channelNameInfo(b.data(), n);
    if (!info) {
        emit identifyFailed();
        return;
    }
    createPatchViews(info);
}

void KorvatelViewController::createPatchViews(const std::shared_ptr<ChannelNameInfo>& info)
{
    if (!info)
        return;
    QWidget* window = nullptr;
    if (info->isProgramListUnit())
        window = new R9100ViewController(info, timing_);
    else
        window = new PatchViewController(info, timing_);
    patchViews_.emplace_back(window);
    connect(window, &QObject::destroyed, this, [this] { emit patchViewClosed(); });
    window->show();
    emit patchViewsCreated();
}

bool KorvatelViewController::hasPatchViews() const
{
    for (const auto& w : patchViews_)
        if (w)
            return true;
    return false;
}

bool KorvatelViewController::hasObject(const QObject* window) const
{
    for (const auto& w : patchViews_)
        if (w && w.data() == window)
            return true;
    return false;
}

std::vector<QWidget*> KorvatelViewController::patchViews() const
{
    std::vector<QWidget*> out;
    for (const auto& w : patchViews_)
        if (w)
            out.push_back(w.data());
    return out;
}

void KorvatelViewController::showPatchViews()
{
    for (QWidget* w : patchViews()) {
        w->show();
        w->raise();
        w->activateWindow();
    }
}

void KorvatelViewController::closePatchViews()
{
    std::vector<QPointer<QWidget>> windows = std::move(patchViews_);
    patchViews_.clear();
    for (const auto& w : windows)
        if (w) {
            disconnect(w.data(), nullptr, this, nullptr);
            w->close();
        }
}

} // namespace tosk
