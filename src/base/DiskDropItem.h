// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tosk {

// Something a unit browser lets the user drop on a folder of the disk
// browser: a patch, which becomes one ".sig" file, or a group of patches (a
// bank), which becomes a folder holding one file per patch. The unit browsers
// implement it over their banks, patches and presets; the disk browser only
// asks through it, so that it never waits on a unit itself.
//
// Every answer is given through a callback that runs exactly once, on the
// main thread, either before the call returns or later (a unit answers
// slowly: the exchange runs elsewhere and reports back through the main
// thread's event loop).
class DiskDropItem {
public:
    using Ptr = std::shared_ptr<DiskDropItem>;

    // What a fetch came back with: the patch's sig-file text, or nothing and
    // why (for the user), or that the user cancelled the exchange (which
    // ends the whole copy).
    struct Fetched {
        Fetched(std::optional<std::string> text = std::nullopt, std::string why = {}, bool userCancelled = false,
                std::optional<std::string> ownTitle = std::nullopt)
            : sigText(std::move(text)), failure(std::move(why)), cancelled(userCancelled), title(std::move(ownTitle))
        {
        }
        std::optional<std::string> sigText;
        std::string failure;
        bool cancelled = false;
        // The patch's own title when it is not the name the item was listed
        // under (8-bit Latin-1): the file is named after what it holds.
        std::optional<std::string> title;
    };
    // A group's items, or why none could be read.
    struct Read {
        std::vector<Ptr> items;
        std::string failure;
        bool cancelled = false;
    };

    virtual ~DiskDropItem() = default;

    // The name the file (without ".sig") or the folder is made from, as the
    // unit's naming rule gives it (8-bit Latin-1 text). The disk browser makes
    // it a safe file name.
    virtual std::string fileName() const = 0;
    // What the status line and messages call the item (8-bit Latin-1).
    virtual std::string displayName() const { return fileName(); }
    // A group becomes a folder of its items; anything else is one patch.
    virtual bool isGroup() const { return false; }
    // The patch's slot on the unit, which tells two patches of one name
    // apart; negative when it has none.
    virtual int slot() const { return -1; }

    // A group's items, in the order they are to be copied.
    virtual void readItems(std::function<void(Read)> done) { done(Read{}); }
    // A patch's sig-file text as the unit gives it.
    virtual void fetchSigText(std::function<void(Fetched)> done) = 0;
};

// The unit a drop copies from, asked around the copy: fetching a stored
// patch makes the unit run it, so the patch it ran before (perhaps edited
// and sent to it, stored nowhere) is kept first and sent back at the end.
// Answers come as DiskDropItem's do: once, on the main thread.
class DiskDropSource {
public:
    using Ptr = std::shared_ptr<DiskDropSource>;

    // Whether the running patch was kept; when not, why (UTF-8, for the
    // user), or that the user cancelled.
    struct Kept {
        bool kept = false;
        std::string failure;
        bool cancelled = false;
    };

    virtual ~DiskDropSource() = default;

    // Before the first item is read or fetched.
    virtual void keepRunningPatch(std::function<void(Kept)> done) = 0;
    // Whether the kept patch runs on the unit again, and what to tell the
    // user of it (UTF-8).
    struct Restored {
        bool sent = false;
        std::string told;
    };
    // After the last, however the copy ended. Nothing is sent when nothing
    // was kept (`told` is then empty).
    virtual void restoreRunningPatch(std::function<void(Restored)> done) = 0;
};

} // namespace tosk
