// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/FileChooser.h"

namespace tosk {

// Open and save panels as file dialogs (Qt's own, so that they look and
// behave the same on every desktop). A request on a window is window-modal.
class QtFileChooser : public FileChooser {
public:
    std::optional<std::string> choose(const FileRequest& request) override;
};

} // namespace tosk
