#include "comms/BankList.h"

namespace tosk {

void BankList::addBank(std::shared_ptr<Bank> bank)
{
    if (!bank)
        return;
    auto old = banksByNumber_.find(bank->bankNumber());
    if (old != banksByNumber_.end())
        banks_.erase(old->second->displayName());
    banks_[bank->displayName()] = bank;
    banksByNumber_[bank->bankNumber()] = bank;
}

std::shared_ptr<Bank> BankList::bankWithName(const std::string& displayName) const
{
    auto it = banks_.find(displayName);
    return it == banks_.end() ? nullptr : it->second;
}

std::shared_ptr<Bank> BankList::bankWithNumber(int number) const
{
    auto it = banksByNumber_.find(number);
    return it == banksByNumber_.end() ? nullptr : it->second;
}

std::vector<int> BankList::bankNumberKeys() const
{
    std::vector<int> keys;
    for (const auto& [n, b] : banksByNumber_)
        keys.push_back(n);
    return keys;
}

} // namespace tosk
