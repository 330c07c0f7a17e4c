// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/TkxException.h"
#include "browsers/UnitLineTiming.h"
#include "comms/ChannelNameInfo.h"
#include "comms/Sysex.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace tosk {

class MidiClient;
class ToskMidiProcessor;

// Identifies the unit through the dispatcher and, when it answers, opens
// its window: the program-list browser for models beginning with "R9100" or
// "R6400", the bank and patch browser for any other. With reports on,
// failures are told in alerts; without (the quiet identify), nothing is
// shown and no window opens.
class KorvatelViewController : public QObject {
    Q_OBJECT

public:
    KorvatelViewController(ToskMidiProcessor& dispatcher, bool showReport, UnitLineTiming timing = {},
                           QObject* parent = nullptr);
    ~KorvatelViewController() override;

    // The identify request's completion.
    void processMidiMsg(const Bytes& message, const std::optional<TkxException>& exception);
    // The dispatcher finished the identify request; `delivered` false: the
    // unit said nothing at all.
    void requestFinished(int tag, bool delivered);
    void createPatchViews(const std::shared_ptr<ChannelNameInfo>& info);

    bool hasPatchViews() const;
    bool hasObject(const QObject* window) const;
    std::vector<QWidget*> patchViews() const;
    void showPatchViews();
    void closePatchViews();
    // The identify request is still out.
    bool isIdentifying() const { return identifying_; }
    int tag() const { return tag_; }
    bool showReport() const { return showReport_; }
    // A quiet identify the user now waits for (Window ▸ Unit Browser while
    // it runs): it ends in the unit's window or in an alert saying why not.
    void setShowReport(bool show) { showReport_ = show; }

signals:
    // The windows were opened (korvatelControllerDidInit).
    void patchViewsCreated();
    // One of the windows closed.
    void patchViewClosed();
    // The identify ended without a window.
    void identifyFailed();

private:
    ToskMidiProcessor& dispatcher_;
    bool showReport_;
    UnitLineTiming timing_;
    std::shared_ptr<MidiClient> client_;
    std::vector<QPointer<QWidget>> patchViews_;
    bool identifying_ = false;
    int tag_ = 0;
};

} // namespace tosk
