#pragma once

#include "base/TreeNodeData.h"
#include "comms/BaseObject.h"

#include <memory>
#include <string>

namespace tosk {

// One object of a unit's front panel as a row of the tree: a menu, a
// control or a line of information, or the "Reading..." row of a menu
// whose objects are on their way.
class PanelObjectData : public TreeNodeData {
public:
    // What is known of a menu's objects.
    enum class ReadState { Unread, Reading, Read, Failed };

    explicit PanelObjectData(std::shared_ptr<BaseObject> object);
    // A row that only says something (no object).
    static std::unique_ptr<PanelObjectData> notice(const std::string& text);

    const std::shared_ptr<BaseObject>& object() const { return object_; }
    void setObject(std::shared_ptr<BaseObject> object) { object_ = std::move(object); }
    // "" for a notice.
    const std::string& key() const;
    bool isMenu() const;
    // A control the user can change: a number, a choice or a text.
    bool isControl() const;

    // The statement as a label: a printf conversion and what leads to it
    // are the unit's way of showing the value and are left out ("Rate:%5.2f"
    // reads "Rate"); an empty label falls back to the tag.
    std::string name() const override;
    bool isGroup() const override;
    // The value as the second column shows it (8-bit text).
    std::string valueText() const;

    ReadState readState() const { return readState_; }
    void setReadState(ReadState state) { readState_ = state; }

    static std::string labelOf(const std::string& statement, const std::string& tag);

private:
    std::shared_ptr<BaseObject> object_;
    std::string notice_;
    ReadState readState_ = ReadState::Unread;
};

} // namespace tosk
