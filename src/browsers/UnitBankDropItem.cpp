// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/UnitBankDropItem.h"

#include "base/Localization.h"
#include "browsers/UnitPatchDropItem.h"
#include "browsers/UnitTaskRunner.h"

namespace tosk {

UnitBankDropItem::UnitBankDropItem(std::shared_ptr<Bank> bank, UnitTaskRunner* runner)
    : bank_(std::move(bank)), runner_(runner)
{
}

void UnitBankDropItem::readItems(std::function<void(Read)> done)
{
    if (!runner_) {
        done(Read{{}, UnitPatchDropItem::windowClosedText(), false});
        return;
    }
    struct Answer {
        PatchList patches;
        std::string failure;
    };
    auto answer = std::make_shared<Answer>();
    const int number = bank_->bankNumber();
    const QString label = QString::fromStdString(
        fillIn(localized("UnitReadingBank", "Reading bank %s..."), {latin1ToUtf8(bank_->displayName())}));
    QPointer<UnitTaskRunner> runner = runner_;
    runner_->run(
        label,
        [answer, number](KorvatelConnection& k, const std::atomic<bool>&) {
            answer->patches = k.patchListForBank(uint32_t(number));
            if (k.lastFailure())
                answer->failure = failureWords(*k.lastFailure());
        },
        [answer, done, runner](bool cancelled) {
            Read read;
            read.cancelled = cancelled;
            read.failure = answer->failure;
            if (!cancelled && answer->failure.empty())
                for (const auto& patch : answer->patches.patches())
                    read.items.push_back(std::make_shared<UnitPatchDropItem>(patch, runner.data()));
            done(read);
        },
        true);
}

} // namespace tosk
