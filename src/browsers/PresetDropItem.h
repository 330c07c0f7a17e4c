// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/DiskDropItem.h"
#include "comms/R9100ProgramItem.h"

#include <QPointer>

namespace tosk {

class UnitTaskRunner;

// A preset of the program-list browser dragged to the disk browser: it is
// selected on the unit and fetched only once the unit runs it.
class PresetDropItem : public DiskDropItem {
public:
    PresetDropItem(std::shared_ptr<R9100ProgramItem> item, UnitTaskRunner* runner);

    std::string fileName() const override;
    std::string displayName() const override { return item_->progNum() + " " + item_->progName(); }
    void fetchSigText(std::function<void(Fetched)> done) override;

    const std::shared_ptr<R9100ProgramItem>& item() const { return item_; }

private:
    std::shared_ptr<R9100ProgramItem> item_;
    QPointer<UnitTaskRunner> runner_;
};

} // namespace tosk
