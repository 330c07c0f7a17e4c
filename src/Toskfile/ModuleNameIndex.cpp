// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/ModuleNameIndex.h"

#include "base/TextCase.h"

namespace tosk {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

ModuleNameIndex::ModuleNameIndex(const std::vector<FieldRef>& fields, bool ignoreCase) : ignoreCase_(ignoreCase)
{
    members_.reserve(fields.size());
    counts_.reserve(fields.size());
    for (const auto& f : fields)
        add(f);
}

void ModuleNameIndex::add(FieldRef field)
{
    if (!field || !members_.insert(field.get()).second)
        return;
    ++counts_[key(field->text())];
}

std::string ModuleNameIndex::key(std::string_view text) const
{
    return ignoreCase_ ? lowerCased(text) : std::string(text);
}

bool ModuleNameIndex::isTakenByOther(const std::string& text, const ModuleField* self) const
{
    auto it = counts_.find(key(text));
    int count = it == counts_.end() ? 0 : it->second;
    if (self && key(self->text()) == key(text) && contains(self))
        --count;
    return count > 0;
}

void ModuleNameIndex::rename(ModuleField& field, const std::string& text)
{
    if (!contains(&field)) {
        field.setText(text);
        return;
    }
    auto it = counts_.find(key(field.text()));
    if (it != counts_.end() && --it->second == 0) {
        counts_.erase(it);
        // A name became free: what was learnt about taken counters may no
        // longer hold.
        skips_.clear();
    }
    field.setText(text);
    ++counts_[key(field.text())];
}

int ModuleNameIndex::firstFreeCounter(const std::string& base, int start, const std::function<bool(int)>& isFree)
{
    auto& skips = skips_[key(base)];
    std::vector<int> path;
    int c = start;
    for (;;) {
        auto it = skips.find(c);
        if (it != skips.end() && it->second > c) {
            path.push_back(c);
            c = it->second;
            continue;
        }
        if (isFree(c))
            break;
        path.push_back(c);
        ++c;
    }
    for (int p : path)
        skips[p] = c;
    return c;
}

void ModuleNameIndex::markTaken(const std::string& base, int counter)
{
    skips_[key(base)][counter] = counter + 1;
}

void ModuleNameIndex::makeUnique(FieldRef nameField, char delim)
{
    const std::string s(nameField->text());

    std::string base;
    long long counter = 0;
    if (delim == 0) {
        size_t runStart = s.size();
        while (runStart > 1 && isDigit(s[runStart - 1]))
            --runStart;
        size_t marker = runStart == s.size() ? s.size() - (s.empty() ? 0 : 1) : runStart - 1;
        bool hasMarker = !s.empty() && marker < s.size();
        if (hasMarker && s[marker] == '~') {
            base = s.substr(0, marker);
        } else if (hasMarker && s[marker] == '^' && marker + 1 < s.size()) {
            // "^" keeps the digit after it as part of the name.
            base = s.substr(0, marker + 2);
            for (size_t i = marker + 2; i < s.size() && counter < 100000000; ++i)
                counter = counter * 10 + (s[i] - '0');
        } else {
            base = s.substr(0, runStart);
            for (size_t i = runStart; i < s.size() && counter < 100000000; ++i)
                counter = counter * 10 + (s[i] - '0');
        }
    } else {
        size_t d = s.find(delim);
        if (d != std::string::npos) {
            base = s.substr(0, d);
            counter = 1;
        } else {
            base = s;
        }
    }

    auto candidate = [&](long long c) {
        if (c == 0)
            return base;
        if (delim == 0)
            return base + std::to_string(c);
        return base + delim + std::to_string(c);
    };
    int start = static_cast<int>(counter);
    int chosen = start;
    // The name's own counter is checked first: a field never competes with
    // itself.
    if (isTakenByOther(candidate(start), nameField.get())) {
        const std::string counterKey = std::string(1, delim) + base;
        chosen = firstFreeCounter(counterKey, start + 1,
                                  [&](int c) { return !isTakenByOther(candidate(c), nameField.get()); });
        rename(*nameField, candidate(chosen));
        add(nameField);
        markTaken(counterKey, chosen);
    } else {
        if (nameField->text() != candidate(start))
            rename(*nameField, candidate(start));
        add(nameField);
    }
}

} // namespace tosk
