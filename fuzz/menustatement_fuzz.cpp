// SPDX-License-Identifier: GPL-3.0-or-later
// Applies arbitrary menu statements (they come from sig files) to a text and
// to numbers: no crash, no overlong output, and a statement that applies
// to a number keeps its literal text.
#include "Toskfile/MenuStatement.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the argument, the rest is the statement.
    const std::string format(reinterpret_cast<const char*>(data) + 1, size - 1);
    const double numbers[] = {0, -1.5, 1e300, std::numeric_limits<double>::infinity(), std::nan("")};
    std::variant<std::string, double> argument;
    if (data[0] % 2)
        argument = numbers[data[0] / 2 % std::size(numbers)];
    else
        argument = std::string(data[0] % 4 ? "12.5" : "choice");
    if (auto text = tosk::MenuStatement::apply(format, argument)) {
        // Each conversion gives at most a buffer's worth; the rest is literal.
        check(text->size() <= format.size() + 256);
    }
    return 0;
}
