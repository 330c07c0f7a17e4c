// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

namespace tosk {

// The postfix language of the database's limits and repeat counts: tokens
// separated by "/", each "@field" (that field's value), "#operator" or a
// number, evaluated on an unbounded stack of doubles.
class FieldExpression {
public:
    struct Context {
        // Value of the module's field of that name (0 when there is none).
        std::function<double(const std::string&)> fieldValue;
        bool highSampleRate = false;
        unsigned channels = 0;
    };

    // The value at the bottom of the stack. Throws TkxException when an
    // operator lacks operands, a token is empty or nothing is left; logs
    // when more than one value is left.
    static double evaluate(const std::string& expression, const Context& context);
};

} // namespace tosk
