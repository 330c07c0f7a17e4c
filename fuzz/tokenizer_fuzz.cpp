// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the lexer over arbitrary bytes with each delimiter set in use, mixing
// in step-backs, then feeds the tokens to the string helpers.
#include "Toskfile/MyExtensions.h"
#include "Toskfile/SigfileTokenizer.h"

#include "base/Log.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void drain(std::string_view data, const std::string& delimiters)
{
    tosk::SigfileTokenizer t(data, delimiters);
    size_t steps = 0;
    int lastLine = t.line();
    while (auto token = t.nextToken()) {
        // Tokens lie inside the data and never span a line end.
        check(t.tokenBegin() <= t.tokenEnd() && t.tokenEnd() <= data.size());
        check(token->size() == t.tokenEnd() - t.tokenBegin());
        check(token->find('\n') == std::string::npos && token->find('\r') == std::string::npos);
        check(t.line() >= lastLine);
        lastLine = t.line();
        if (++steps % 3 == 0) {
            t.stepBack();
            auto again = t.nextToken();
            check(again && *again == *token);
        }
        (void)tosk::isNumeric(*token);
        (void)tosk::isInteger(*token);
        std::string quoted = tosk::quoteIfNeeded(*token);
        check(quoted.size() == token->size() || quoted.size() == token->size() + 2);
        if (tosk::isNumeric(*token))
            (void)tosk::numberString(std::strtod(token->c_str(), nullptr));
        (void)tosk::containsString(*token, "-");
        (void)tosk::indexOfChar(*token, '~');
        (void)tosk::lastIndexOfChar(*token, '~');
        check(t.position() <= data.size());
    }
    check(!t.isActive());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    static bool quiet = [] {
        tosk::setLogSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    std::string_view data(reinterpret_cast<const char*>(bytes), size);
    drain(data, " ");
    drain(data, ", ");
    drain(data, ",");
    auto owned = tosk::SigfileTokenizer::tokenizerWithString(std::string(data));
    while (owned.nextTokenView())
        ;
    return 0;
}
