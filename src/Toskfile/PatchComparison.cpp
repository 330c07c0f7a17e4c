// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/PatchComparison.h"

#include "Toskfile/MyExtensions.h"
#include "Toskfile/PatchComparer.h"
#include "database/OperatorEntry.h"

#include <charconv>

namespace tosk {

namespace {

// A number as a field holds it: blanks around it and a sign allowed.
std::optional<double> numberIn(std::string_view text)
{
    if (!isNumeric(text))
        return std::nullopt;
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    double value = 0;
    // from_chars ignores the C locale, which the GUI may have changed.
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace

PatchComparison PatchComparison::compare(const SigFile& mine, const SigFile& theirs, Mode mode)
{
    PatchComparison result;
    result.mine_ = &mine;
    PatchComparer comparer(mine, theirs, result);
    if (mode == Mode::UnitCopy)
        comparer.compareUnitCopy();
    else
        comparer.comparePatches();
    return result;
}

bool PatchComparison::same() const
{
    return matches_ && modules_.empty() && !title_ && !author_ && order_.empty() && wiresAdded_.empty() &&
           wiresRemoved_.empty();
}

std::vector<PatchComparison::Choice> PatchComparison::allChoices() const
{
    std::vector<Choice> all;
    for (size_t i = 0; i < modules_.size(); ++i)
        all.push_back({Choice::Part::Module, i, 0});
    if (title_)
        all.push_back({Choice::Part::Title, 0, 0});
    if (author_)
        all.push_back({Choice::Part::Author, 0, 0});
    for (size_t i = 0; i < order_.size(); ++i)
        all.push_back({Choice::Part::Order, i, 0});
    return all;
}

Module* PatchComparison::theirsFor(const Module* mine) const
{
    auto it = mineToTheirs_.find(mine);
    return it == mineToTheirs_.end() ? nullptr : it->second;
}

Module* PatchComparison::mineFor(const Module* theirs) const
{
    auto it = theirsToMine_.find(theirs);
    return it == theirsToMine_.end() ? nullptr : it->second;
}

bool PatchComparison::sameValue(std::string_view a, std::string_view b, int fieldType)
{
    if (a == b)
        return true;
    if (fieldType == OperatorEntry::ED_STRING || fieldType == OperatorEntry::ED_VARASTRING)
        return false;
    const std::optional<double> x = numberIn(a);
    if (!x)
        return false;
    const std::optional<double> y = numberIn(b);
    return y && *x == *y;
}

} // namespace tosk
