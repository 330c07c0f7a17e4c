// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes both as a search typed by the user and as a patch
// file summed up for the library, and matches the one against the other.
#include "Toskfile/LibraryQuery.h"
#include "Toskfile/PatchSummary.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tosk;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const LibraryQuery query = LibraryQuery::parse(bytes);
    for (const auto& term : query.terms())
        if (term.text.empty())
            __builtin_trap();
    const PatchSummary patch = PatchSummary::read(bytes);
    query.matches(patch);
    // Every term of a query matches a patch made of the query's own texts.
    PatchSummary own;
    for (const auto& term : query.terms()) {
        own.title += term.text + " ";
        own.author += term.text + " ";
        own.modules.push_back(term.text);
        own.operators.push_back(term.text);
    }
    if (!query.matches(own))
        __builtin_trap();
    return 0;
}
