// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tosk {

// A unit's identity, read from its answer to the identify request.
class ChannelNameInfo {
public:
    // Parses the reply (everything but its last byte is read); null when the
    // reply does not hold an identity frame.
    static std::shared_ptr<ChannelNameInfo> channelNameInfo(const uint8_t* bytes, size_t length);

    uint32_t channelId() const { return channelId_; }
    void setChannelId(uint32_t id) { channelId_ = id; }
    const std::optional<std::string>& modelName() const { return modelName_; }
    void setModelName(std::optional<std::string> v) { modelName_ = std::move(v); }
    const std::optional<std::string>& romRevision() const { return romRevision_; }
    void setRomRevision(std::optional<std::string> v) { romRevision_ = std::move(v); }
    const std::optional<std::string>& romDateTime() const { return romDateTime_; }
    void setRomDateTime(std::optional<std::string> v) { romDateTime_ = std::move(v); }

    // "%d:%s": channel id and model name.
    std::string description() const;

    // Units whose model begins with "R9100" or "R6400" keep a program list
    // rather than banks of patches.
    bool isProgramListUnit() const;
    // The tag of the MIDI map object: "MIDImap" from ROM revisions 4 and 5,
    // the older units' literal "MIDI map: %s" otherwise.
    std::string midiMapTag() const;

private:
    uint32_t channelId_ = 0;
    std::optional<std::string> modelName_;
    std::optional<std::string> romRevision_;
    std::optional<std::string> romDateTime_;
};

} // namespace tosk
