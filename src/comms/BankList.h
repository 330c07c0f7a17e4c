// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "comms/Bank.h"
#include "comms/NumberedIndex.h"

namespace tosk {

// The banks of a unit, by display name and by number.
class BankList {
public:
    explicit BankList(uint32_t channelId = 0) : channelId_(channelId) {}

    uint32_t channelId() const { return channelId_; }
    // Ignored for null; a bank with a number already present replaces the
    // earlier one under both keys.
    void addBank(std::shared_ptr<Bank> bank) { index_.add(std::move(bank)); }
    std::shared_ptr<Bank> bankWithName(const std::string& displayName) const { return index_.withName(displayName); }
    std::shared_ptr<Bank> bankWithNumber(int number) const { return index_.withNumber(number); }
    std::vector<int> bankNumberKeys() const { return index_.numberKeys(); }
    size_t count() const { return index_.count(); }
    bool isEmpty() const { return index_.isEmpty(); }

private:
    NumberedIndex<Bank, &Bank::bankNumber> index_;
    uint32_t channelId_;
};

} // namespace tosk
