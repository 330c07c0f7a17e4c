// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/LibraryQuery.h"

#include "base/TextCase.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tosk {

namespace {

using Kind = LibraryQuery::Term::Kind;

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The words of the text, a phrase in double quotes as one (its quotes
// taken off); an unclosed quote runs to the end. `quoted` tells which words
// were quoted: a quoted "uses" is a word, not a key.
std::vector<std::pair<std::string, bool>> words(std::string_view text)
{
    std::vector<std::pair<std::string, bool>> out;
    size_t i = 0;
    while (i < text.size()) {
        if (isSpace(text[i])) {
            ++i;
            continue;
        }
        std::string word;
        bool quoted = false;
        while (i < text.size() && !isSpace(text[i])) {
            if (text[i] == '"') {
                quoted = true;
                const size_t close = text.find('"', i + 1);
                const size_t end = close == std::string_view::npos ? text.size() : close;
                word.append(text.substr(i + 1, end - i - 1));
                i = close == std::string_view::npos ? text.size() : close + 1;
            } else {
                word += text[i++];
            }
        }
        out.emplace_back(std::move(word), quoted);
    }
    return out;
}

constexpr std::array<std::pair<std::string_view, Kind>, 4> kKeys{{
    {"title:", Kind::Title},
    {"author:", Kind::Author},
    {"module:", Kind::Module},
    {"operator:", Kind::Operator},
}};

bool anyHolds(const std::vector<std::string>& texts, std::string_view part)
{
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return containsIgnoringCase(t, part); });
}

} // namespace

LibraryQuery LibraryQuery::parse(std::string_view text)
{
    LibraryQuery query;
    const auto list = words(text);
    for (size_t i = 0; i < list.size(); ++i) {
        const auto& [word, quoted] = list[i];
        const bool hasNext = i + 1 < list.size();
        if (!quoted && equalsIgnoringCase(word, "uses") && hasNext) {
            query.add(Kind::Uses, list[++i].first);
            continue;
        }
        bool keyed = false;
        if (!quoted) {
            for (const auto& [key, kind] : kKeys) {
                if (word.size() < key.size() || !equalsIgnoringCase(std::string_view(word).substr(0, key.size()), key))
                    continue;
                if (word.size() > key.size()) {
                    query.add(kind, std::string_view(word).substr(key.size()));
                    keyed = true;
                } else if (hasNext) {
                    query.add(kind, list[++i].first);
                    keyed = true;
                }
                break;
            }
        }
        if (!keyed)
            query.add(Kind::Any, word);
    }
    return query;
}

void LibraryQuery::add(Term::Kind kind, std::string_view text)
{
    if (text.empty())
        return;
    terms_.push_back({kind, lowerCased(text)});
}

bool LibraryQuery::matches(const PatchSummary& patch) const
{
    for (const auto& term : terms_) {
        bool hit = false;
        switch (term.kind) {
        case Kind::Any:
            hit = containsIgnoringCase(patch.title, term.text) || containsIgnoringCase(patch.author, term.text) ||
                  anyHolds(patch.modules, term.text) || anyHolds(patch.operators, term.text);
            break;
        case Kind::Title:
            hit = containsIgnoringCase(patch.title, term.text);
            break;
        case Kind::Author:
            hit = containsIgnoringCase(patch.author, term.text);
            break;
        case Kind::Module:
            hit = anyHolds(patch.modules, term.text);
            break;
        case Kind::Operator:
            hit = anyHolds(patch.operators, term.text);
            break;
        case Kind::Uses:
            hit = std::any_of(patch.operators.begin(), patch.operators.end(),
                              [&](const std::string& op) { return equalsIgnoringCase(op, term.text); });
            break;
        }
        if (!hit)
            return false;
    }
    return true;
}

} // namespace tosk
