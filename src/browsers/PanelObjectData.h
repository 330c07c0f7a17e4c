// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/BaseObject.h"

#include <memory>
#include <string>

namespace tosk {

// How the front panel names a unit's object and words its value.
class PanelObjectData {
public:
    explicit PanelObjectData(std::shared_ptr<BaseObject> object);

    // The statement as a label (see labelOf).
    std::string name() const;
    // The value as text (8-bit): a number by numberString, a choice by its
    // string, a text as it is; empty for menus and triggers.
    std::string valueText() const;

    // A printf conversion and what leads to it are the unit's way of showing
    // the value and are left out ("Rate:%5.2f" reads "Rate"); an empty label
    // falls back to the tag.
    static std::string labelOf(const std::string& statement, const std::string& tag);

private:
    std::shared_ptr<BaseObject> object_;
};

} // namespace tosk
