// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tosk {

class OperatorDesc;
class SigDbase;

// Finds operators by a few typed letters, as the add-module panel's search
// field does. A query matches a name or a description without regard to
// case when its letters appear there in order, gaps allowed ("lps" finds
// "LOWPASS"). Matches rank by how they match: the whole name, then a prefix
// of the name, then the start of a word (of the name or the description),
// then letters spread out; within a kind, a match in the name before one in
// the description only, a tighter spread before a looser one, a shorter
// name before a longer one, then names in order without regard to case.
class OperatorSearch {
public:
    enum class Kind { WholeName = 0, NamePrefix = 1, WordStart = 2, Scattered = 3 };

    struct Match {
        Kind kind = Kind::Scattered;
        // The query matched in the name (not only in the description).
        bool inName = false;
        // Bytes from the first matched letter to the last, in the text that
        // matched best.
        size_t span = 0;
    };

    struct Candidate {
        std::string name;
        // What else the operator is found by ("" for nothing).
        std::string description;
    };

    // How the query matches; none for no match. A query of nothing but
    // blanks matches nothing; blanks around a query are ignored.
    static std::optional<Match> match(std::string_view query, std::string_view name, std::string_view description);

    // The candidates that match, best first, as indices into `candidates`.
    // Candidates that rank alike keep their order.
    static std::vector<size_t> rank(std::string_view query, const std::vector<Candidate>& candidates);

    // What an operator is found by: its name as the database writes it, and
    // its description (the header's DESCRIPTION item, when the database
    // gives one) followed by its class.
    static Candidate candidateFor(const OperatorDesc& op);
    // The operators the panel lists: every operator of the database whose
    // class is not written "SYSTEM", in database order.
    static std::vector<std::shared_ptr<OperatorDesc>> addableOperators(const SigDbase& db);
};

} // namespace tosk
