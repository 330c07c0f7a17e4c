// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/DiskDropItem.h"
#include "comms/Bank.h"

#include <QPointer>

namespace tosk {

class UnitTaskRunner;

// A bank of the unit browser dragged to the disk browser: a folder of its
// patches, read from the unit when the copy comes to it.
class UnitBankDropItem : public DiskDropItem {
public:
    UnitBankDropItem(std::shared_ptr<Bank> bank, UnitTaskRunner* runner);

    std::string fileName() const override { return Patch::convertToFileName(bank_->displayName()); }
    std::string displayName() const override { return bank_->displayName(); }
    bool isGroup() const override { return true; }
    void readItems(std::function<void(Read)> done) override;
    // A bank holds no text of its own.
    void fetchSigText(std::function<void(Fetched)> done) override { done(Fetched{}); }

private:
    std::shared_ptr<Bank> bank_;
    QPointer<UnitTaskRunner> runner_;
};

} // namespace tosk
