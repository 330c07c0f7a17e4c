#pragma once

#include "comms/Bank.h"

#include <map>
#include <vector>

namespace tosk {

// The banks of a unit, by display name and by number.
class BankList {
public:
    explicit BankList(uint32_t channelId = 0) : channelId_(channelId) {}

    uint32_t channelId() const { return channelId_; }
    // Ignored for null; a bank with a number already present replaces the
    // earlier one under both keys.
    void addBank(std::shared_ptr<Bank> bank);
    std::shared_ptr<Bank> bankWithName(const std::string& displayName) const;
    std::shared_ptr<Bank> bankWithNumber(int number) const;
    std::vector<int> bankNumberKeys() const;
    size_t count() const { return banksByNumber_.size(); }
    bool isEmpty() const { return banksByNumber_.empty(); }

private:
    std::map<std::string, std::shared_ptr<Bank>> banks_;
    std::map<int, std::shared_ptr<Bank>> banksByNumber_;
    uint32_t channelId_;
};

} // namespace tosk
