// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/UnitRunningPatch.h"

#include "base/Localization.h"
#include "browsers/UnitPatchDropItem.h"
#include "browsers/UnitTaskRunner.h"

#include <memory>

namespace tosk {

namespace {

std::string failureOf(const KorvatelConnection& k)
{
    return k.lastFailure() ? failureWords(*k.lastFailure()) : std::string();
}

std::string notSentBack(const std::string& why)
{
    return fillIn(localized("UnitRunningNotRestored", "The patch that was running on the unit could not be sent "
                                                      "back to it: %s"),
                  {why});
}

} // namespace

UnitRunningPatch::UnitRunningPatch(UnitTaskRunner* runner)
    : runner_(runner), text_(std::make_shared<std::optional<std::string>>())
{
}

void UnitRunningPatch::keepRunningPatch(std::function<void(Kept)> done)
{
    text_->reset();
    if (!runner_) {
        done(Kept{false, UnitPatchDropItem::windowClosedText(), false});
        return;
    }
    struct Answer {
        std::optional<std::string> text;
        std::string failure;
    };
    auto answer = std::make_shared<Answer>();
    std::shared_ptr<std::optional<std::string>> kept = text_;
    runner_->run(
        QString::fromStdString(localized("UnitKeepingRunning", "Reading the patch running on the unit...")),
        [answer](KorvatelConnection& k, const std::atomic<bool>&) {
            answer->text = k.getSigFile();
            answer->failure = failureOf(k);
            if (answer->failure.empty() && !answer->text)
                answer->failure = localized("UnitRunsNoPatch", "the unit sent no patch text");
        },
        [kept, answer, done](bool cancelled) {
            Kept told;
            told.cancelled = cancelled;
            if (!cancelled) {
                told.kept = answer->text.has_value() && answer->failure.empty();
                told.failure = answer->failure;
                if (told.kept)
                    *kept = answer->text;
            }
            done(told);
        },
        true);
}

void UnitRunningPatch::restoreRunningPatch(std::function<void(Restored)> done)
{
    if (!*text_) {
        done(Restored{});
        return;
    }
    const std::string text = **text_;
    text_->reset();
    if (!runner_) {
        done(Restored{false, notSentBack(UnitPatchDropItem::windowClosedText())});
        return;
    }
    auto failure = std::make_shared<std::string>();
    runner_->run(
        QString::fromStdString(
            localized("UnitRestoringRunning", "Sending the patch that was running back to the unit...")),
        [text, failure](KorvatelConnection& k, const std::atomic<bool>&) {
            k.sendSigFile(text);
            *failure = failureOf(k);
        },
        [failure, done](bool cancelled) {
            if (cancelled)
                done(Restored{false, notSentBack(localized("UnitCancelled", "Cancelled."))});
            else if (!failure->empty())
                done(Restored{false, notSentBack(*failure)});
            else
                done(Restored{true, localized("UnitRunningRestored",
                                              "The patch that was running on the unit was sent back to it.")});
        },
        true);
}

} // namespace tosk
