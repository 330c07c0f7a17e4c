// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Toskfile/PatchSummary.h"

#include <string>
#include <string_view>
#include <vector>

namespace tosk {

// A search of the patch library as the user types it. Words are separated
// by spaces ("double quotes" keep a phrase together) and every one must
// match:
//   shimmer         the title, the author, a module's name or an operator
//                   holds it
//   title: shimmer  the title holds it (also "author:", "module:",
//                   "operator:"; the word may follow the colon directly)
//   uses HALL       a module is of the operator HALL
// Case is ignored throughout. A key without a word after it is searched
// for as a word.
class LibraryQuery {
public:
    struct Term {
        enum class Kind { Any, Title, Author, Module, Operator, Uses };
        Kind kind = Kind::Any;
        // In lower case.
        std::string text;
        bool operator==(const Term&) const = default;
    };

    LibraryQuery() = default;
    static LibraryQuery parse(std::string_view text);

    // Adds a term (the command line's --title and --operator).
    void add(Term::Kind kind, std::string_view text);
    const std::vector<Term>& terms() const { return terms_; }
    // An empty query matches every patch.
    bool empty() const { return terms_.empty(); }
    bool matches(const PatchSummary& patch) const;

private:
    std::vector<Term> terms_;
};

} // namespace tosk
