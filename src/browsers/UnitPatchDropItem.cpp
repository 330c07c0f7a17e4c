// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/UnitPatchDropItem.h"

#include "base/Localization.h"
#include "browsers/UnitTaskRunner.h"
#include "comms/PatchTextCheck.h"

namespace tosk {

UnitPatchDropItem::UnitPatchDropItem(std::shared_ptr<Patch> patch, UnitTaskRunner* runner)
    : patch_(std::move(patch)), runner_(runner)
{
}

std::string UnitPatchDropItem::windowClosedText()
{
    return localized("UnitWindowClosed", "The unit window was closed.");
}

void UnitPatchDropItem::fetchSigText(std::function<void(Fetched)> done)
{
    if (!runner_) {
        done(Fetched{std::nullopt, windowClosedText(), false});
        return;
    }
    auto result = std::make_shared<Fetched>();
    std::shared_ptr<Patch> patch = patch_;
    const QString label = QString::fromStdString(
        fillIn(localized("UnitFetching", "Fetching %s..."), {latin1ToUtf8(patch->displayName())}));
    runner_->run(
        label,
        [result, patch](KorvatelConnection& k, const std::atomic<bool>&) {
            result->sigText = k.getSigFileForPatch(*patch);
            if (k.lastFailure())
                result->failure = failureWords(*k.lastFailure());
            else if (!result->sigText)
                result->failure = fillIn(localized("UnitNoPatchText", "The unit sent no patch text for %s."),
                                         {latin1ToUtf8(patch->displayName())});
            if (!result->failure.empty())
                result->sigText.reset();
            else
                result->title = titleIfNotListed(*result->sigText, patch->patchName());
        },
        [result, done](bool cancelled) {
            if (cancelled)
                done(Fetched{std::nullopt, std::string(), true});
            else
                done(*result);
        },
        true);
}

} // namespace tosk
