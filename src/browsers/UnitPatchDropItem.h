// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/DiskDropItem.h"
#include "comms/Patch.h"

#include <QPointer>

namespace tosk {

class UnitTaskRunner;

// A patch of the unit browser dragged to the disk browser: its text is
// fetched through the unit window's runner, off the main thread.
class UnitPatchDropItem : public DiskDropItem {
public:
    UnitPatchDropItem(std::shared_ptr<Patch> patch, UnitTaskRunner* runner);

    std::string fileName() const override { return patch_->patchNameForFile(); }
    std::string displayName() const override { return patch_->displayName(); }
    int slot() const override { return patch_->patchNumber(); }
    void fetchSigText(std::function<void(Fetched)> done) override;

    const std::shared_ptr<Patch>& patch() const { return patch_; }

    // What a fetch answers once the unit window is closed (UTF-8).
    static std::string windowClosedText();

private:
    std::shared_ptr<Patch> patch_;
    QPointer<UnitTaskRunner> runner_;
};

} // namespace tosk
