#include "browsers/PanelObjectData.h"

#include "Toskfile/MyExtensions.h"
#include "comms/ColObject.h"
#include "comms/ConObject.h"
#include "comms/InfObject.h"
#include "comms/NumObject.h"
#include "comms/ScanText.h"
#include "comms/SetObject.h"
#include "comms/StrObject.h"

namespace tosk {

PanelObjectData::PanelObjectData(std::shared_ptr<BaseObject> object) : object_(std::move(object)) {}

std::unique_ptr<PanelObjectData> PanelObjectData::notice(const std::string& text)
{
    auto data = std::make_unique<PanelObjectData>(nullptr);
    data->notice_ = text;
    return data;
}

const std::string& PanelObjectData::key() const
{
    static const std::string none;
    return object_ ? object_->key() : none;
}

bool PanelObjectData::isMenu() const
{
    return dynamic_cast<const ColObject*>(object_.get()) != nullptr;
}

bool PanelObjectData::isControl() const
{
    return dynamic_cast<const NumObject*>(object_.get()) || dynamic_cast<const SetObject*>(object_.get()) ||
           dynamic_cast<const StrObject*>(object_.get());
}

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
    if (!object_)
        return notice_;
    return labelOf(object_->statement(), object_->tag());
}

bool PanelObjectData::isGroup() const
{
    auto* menu = dynamic_cast<const ColObject*>(object_.get());
    return menu && menu->subObjectCount() > 0;
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
