// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/DiskDropItem.h"

#include <QPointer>

#include <memory>
#include <optional>
#include <string>

namespace tosk {

class UnitTaskRunner;

// The patch a unit runs, kept while a unit window's exchanges make it run
// others (fetching a stored patch loads it: a backup, a copy to disk) and
// sent back afterwards, so that a patch sent to the unit and stored nowhere
// survives: one fetch before, one send after, through the window's runner.
class UnitRunningPatch : public DiskDropSource {
public:
    explicit UnitRunningPatch(UnitTaskRunner* runner);

    void keepRunningPatch(std::function<void(Kept)> done) override;
    void restoreRunningPatch(std::function<void(Restored)> done) override;

    // The text kept; nothing before keepRunningPatch or when it failed.
    const std::optional<std::string>& text() const { return *text_; }

private:
    QPointer<UnitTaskRunner> runner_;
    // Shared with the answer, which may come after this is gone.
    std::shared_ptr<std::optional<std::string>> text_;
};

} // namespace tosk
