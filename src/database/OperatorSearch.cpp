// SPDX-License-Identifier: GPL-3.0-or-later
#include "database/OperatorSearch.h"

#include "base/TextCase.h"
#include "database/OperatorDesc.h"
#include "database/SigDbase.h"

#include <algorithm>
#include <tuple>

namespace tosk {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool isWordByte(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80;
}

// Where the query starts a word of the text (after its first byte: the
// first word of a name is its prefix).
bool startsWordAfterFirst(const std::string& text, const std::string& query)
{
    for (size_t at = text.find(query, 1); at != std::string::npos; at = text.find(query, at + 1))
        if (!isWordByte(text[at - 1]))
            return true;
    return false;
}

// The shortest stretch of the text holding the query's letters in order;
// none when they are not all there.
std::optional<size_t> tightestSpan(const std::string& text, const std::string& query)
{
    std::optional<size_t> best;
    for (size_t start = text.find(query.front()); start != std::string::npos;
         start = text.find(query.front(), start + 1)) {
        size_t at = start;
        size_t matched = 1;
        while (matched < query.size()) {
            at = text.find(query[matched], at + 1);
            if (at == std::string::npos)
                return best;
            ++matched;
        }
        const size_t span = at - start + 1;
        if (!best || span < *best)
            best = span;
    }
    return best;
}

} // namespace

std::optional<OperatorSearch::Match> OperatorSearch::match(std::string_view query, std::string_view name,
                                                           std::string_view description)
{
    const std::string q = lowerCased(trimmed(query));
    if (q.empty())
        return std::nullopt;
    const std::string n = lowerCased(name);
    const std::string d = lowerCased(description);
    if (n == q)
        return Match{Kind::WholeName, true, q.size()};
    if (n.rfind(q, 0) == 0)
        return Match{Kind::NamePrefix, true, q.size()};
    if (startsWordAfterFirst(n, q))
        return Match{Kind::WordStart, true, q.size()};
    if (d.rfind(q, 0) == 0 || startsWordAfterFirst(d, q))
        return Match{Kind::WordStart, false, q.size()};
    if (auto span = tightestSpan(n, q))
        return Match{Kind::Scattered, true, *span};
    if (auto span = tightestSpan(d, q))
        return Match{Kind::Scattered, false, *span};
    return std::nullopt;
}

std::vector<size_t> OperatorSearch::rank(std::string_view query, const std::vector<Candidate>& candidates)
{
    struct Ranked {
        Match match;
        size_t index;
        std::string key;
    };
    std::vector<Ranked> found;
    for (size_t i = 0; i < candidates.size(); ++i)
        if (auto m = match(query, candidates[i].name, candidates[i].description))
            found.push_back({*m, i, lowerCased(candidates[i].name)});
    // Every key ends in the index: no two candidates compare equal, so the
    // order is total and the same on every run.
    std::sort(found.begin(), found.end(), [&](const Ranked& a, const Ranked& b) {
        auto key = [&](const Ranked& r) {
            return std::tuple(static_cast<int>(r.match.kind), !r.match.inName, r.match.span,
                              candidates[r.index].name.size(), std::string_view(r.key), r.index);
        };
        return key(a) < key(b);
    });
    std::vector<size_t> order;
    order.reserve(found.size());
    for (const Ranked& r : found)
        order.push_back(r.index);
    return order;
}

OperatorSearch::Candidate OperatorSearch::candidateFor(const OperatorDesc& op)
{
    Candidate c;
    c.name = op.findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_NAME);
    if (c.name.empty())
        c.name = op.name();
    const std::string described = op.findEntryText(OperatorEntry::OPERATOR, OperatorField::DESCRIPTION);
    const std::string cls = op.findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_CLASS);
    c.description = described;
    if (!c.description.empty() && !cls.empty())
        c.description += ' ';
    c.description += cls;
    return c;
}

std::vector<std::shared_ptr<OperatorDesc>> OperatorSearch::addableOperators(const SigDbase& db)
{
    std::vector<std::shared_ptr<OperatorDesc>> ops;
    for (const auto& op : db.sigDbaseData())
        if (op && op->findEntryText(OperatorEntry::OPERATOR, OperatorField::OPERATOR_CLASS) != "SYSTEM")
            ops.push_back(op);
    return ops;
}

} // namespace tosk
