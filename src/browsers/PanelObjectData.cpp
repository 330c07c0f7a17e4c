// SPDX-License-Identifier: GPL-3.0-or-later
#include "browsers/PanelObjectData.h"

#include "Toskfile/MyExtensions.h"
#include "comms/ConObject.h"
#include "comms/InfObject.h"
#include "comms/NumObject.h"
#include "comms/ScanText.h"
#include "comms/SetObject.h"
#include "comms/StrObject.h"

namespace tosk {

PanelObjectData::PanelObjectData(std::shared_ptr<BaseObject> object) : object_(std::move(object)) {}

std::string PanelObjectData::labelOf(const std::string& statement, const std::string& tag)
{
    std::string label = statement;
    size_t percent = label.find('%');
    if (percent != std::string::npos && label.compare(percent, 2, "%%") != 0) {
        label.erase(percent);
        while (!label.empty() && (label.back() == ':' || label.back() == ' ' || label.back() == '='))
            label.pop_back();
    }
    label = trimWhiteSpace(label);
    return label.empty() ? tag : label;
}

std::string PanelObjectData::name() const
{
    return object_ ? labelOf(object_->statement(), object_->tag()) : std::string();
}

std::string PanelObjectData::valueText() const
{
    const BaseObject* o = object_.get();
    if (auto* num = dynamic_cast<const NumObject*>(o))
        return numberString(num->value());
    if (auto* con = dynamic_cast<const ConObject*>(o))
        return numberString(con->value());
    if (auto* set = dynamic_cast<const SetObject*>(o))
        return set->currentString();
    if (auto* str = dynamic_cast<const StrObject*>(o))
        return str->value().value_or("");
    if (auto* inf = dynamic_cast<const InfObject*>(o))
        return inf->value().value_or("");
    return {};
}

} // namespace tosk
