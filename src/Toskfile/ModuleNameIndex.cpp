#include "Toskfile/ModuleNameIndex.h"

#include "base/TextCase.h"

namespace tosk {

ModuleNameIndex::ModuleNameIndex(const std::vector<ModuleField::Ptr>& fields, bool ignoreCase) : ignoreCase_(ignoreCase)
{
    members_.reserve(fields.size());
    counts_.reserve(fields.size());
    for (const auto& f : fields)
        add(f);
}

void ModuleNameIndex::add(const ModuleField::Ptr& field)
{
    if (!field || !members_.insert(field.get()).second)
        return;
    ++counts_[key(field->text())];
}

std::string ModuleNameIndex::key(const std::string& text) const
{
    return ignoreCase_ ? lowerCased(text) : text;
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

} // namespace tosk
