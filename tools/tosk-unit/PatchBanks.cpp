// SPDX-License-Identifier: GPL-3.0-or-later
#include "PatchBanks.h"

#include "comms/Patch.h"
#include "comms/ScanText.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace tosk::unit {

namespace {

// "12 Name" gives 12 and "Name"; anything else gives no number.
std::pair<std::optional<int>, std::string> splitNumber(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    if (i == 0 || i > 6 || i >= text.size() || text[i] != ' ')
        return {std::nullopt, text};
    return {std::stoi(text.substr(0, i)), trimWhiteSpace(text.substr(i + 1))};
}

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Numbers given by the names first; the others fill the free numbers in name order.
template <typename T> void number(std::vector<T>& items, std::vector<std::optional<int>>& given)
{
    std::set<int> used;
    for (auto& g : given)
        if (g && !used.insert(*g).second)
            g.reset(); // a number named twice goes to the second by position
    int next = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (given[i]) {
            items[i].number = *given[i];
            continue;
        }
        while (used.count(next))
            ++next;
        items[i].number = next;
        used.insert(next);
    }
    std::stable_sort(items.begin(), items.end(), [](const T& a, const T& b) { return a.number < b.number; });
}

} // namespace

PatchBanks PatchBanks::load(const std::string& folder)
{
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        throw std::runtime_error("not a folder: " + folder);
    std::vector<fs::path> bankDirs;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_directory())
            bankDirs.push_back(entry.path());
    std::sort(bankDirs.begin(), bankDirs.end());

    PatchBanks result;
    std::vector<std::optional<int>> bankNumbers;
    for (const auto& dir : bankDirs) {
        StoredBank bank;
        auto [given, name] = splitNumber(dir.filename().string());
        bank.name = name;
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(dir, ec))
            if (entry.is_regular_file() && entry.path().extension() == ".sig")
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        std::vector<std::optional<int>> patchNumbers;
        for (const auto& file : files) {
            auto [number, stem] = splitNumber(file.stem().string());
            bank.patches.push_back({0, Patch::convertToPatchName(stem), readAll(file)});
            patchNumbers.push_back(number);
        }
        number(bank.patches, patchNumbers);
        result.banks_.push_back(std::move(bank));
        bankNumbers.push_back(given);
    }
    number(result.banks_, bankNumbers);
    return result;
}

const StoredBank* PatchBanks::bank(int number) const
{
    for (const auto& b : banks_)
        if (b.number == number)
            return &b;
    return nullptr;
}

const StoredPatch* PatchBanks::patch(int bankNumber, int number) const
{
    if (const StoredBank* b = bank(bankNumber))
        for (const auto& p : b->patches)
            if (p.number == number)
                return &p;
    return nullptr;
}

} // namespace tosk::unit
