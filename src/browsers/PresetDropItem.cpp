// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/PresetDropItem.h"

#include "base/Localization.h"
#include "browsers/UnitPatchDropItem.h"
#include "browsers/UnitTaskRunner.h"
#include "comms/Patch.h"
#include "comms/PresetFetch.h"

namespace tosk {

PresetDropItem::PresetDropItem(std::shared_ptr<R9100ProgramItem> item, UnitTaskRunner* runner)
    : item_(std::move(item)), runner_(runner)
{
}

std::string PresetDropItem::fileName() const
{
    return Patch::convertToFileName(item_->progName());
}

void PresetDropItem::fetchSigText(std::function<void(Fetched)> done)
{
    if (!runner_) {
        done(Fetched{std::nullopt, UnitPatchDropItem::windowClosedText(), false});
        return;
    }
    auto result = std::make_shared<PresetFetch::Result>();
    std::shared_ptr<R9100ProgramItem> item = item_;
    const QString label =
        QString::fromStdString(fillIn(localized("UnitFetching", "Fetching %s..."), {latin1ToUtf8(displayName())}));
    runner_->run(
        label,
        [result, item](KorvatelConnection& k, const std::atomic<bool>&) { *result = PresetFetch::fetch(k, *item); },
        [result, done](bool cancelled) {
            if (cancelled)
                done(Fetched{std::nullopt, std::string(), true});
            else
                done(Fetched{result->text, result->failure, false});
        },
        true);
}

} // namespace tosk
