// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/PatchList.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tosk {

// A bank of patches on a unit.
class Bank {
public:
    Bank(std::string name, int number) : bankName_(std::move(name)), bankNumber_(number) {}
    static std::shared_ptr<Bank> bankWithName(const std::string& name, int number)
    {
        return std::make_shared<Bank>(name, number);
    }

    const std::string& bankName() const { return bankName_; }
    int bankNumber() const { return bankNumber_; }
    uint32_t channelId() const { return channelId_; }
    void setChannelId(uint32_t id) { channelId_ = id; }
    std::string displayName() const { return std::to_string(bankNumber_) + " " + bankName_; }
    bool isEmpty() const { return patchList_.isEmpty(); }
    void addPatch(std::shared_ptr<Patch> patch) { patchList_.addPatch(std::move(patch)); }
    std::shared_ptr<Patch> patchWithName(const std::string& displayName) const
    {
        return patchList_.patchWithName(displayName);
    }
    std::shared_ptr<Patch> patchWithNumber(int number) const { return patchList_.patchWithNumber(number); }
    const PatchList& patchList() const { return patchList_; }
    void setPatchList(PatchList list) { patchList_ = std::move(list); }
    std::vector<int> patchNumberKeys() const { return patchList_.patchNumberKeys(); }

private:
    uint32_t channelId_ = 0;
    std::string bankName_;
    int bankNumber_;
    PatchList patchList_;
};

} // namespace tosk
