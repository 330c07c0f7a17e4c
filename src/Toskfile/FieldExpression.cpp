// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/FieldExpression.h"

#include "base/Localization.h"
#include "base/Log.h"
#include "base/TkxException.h"
#include "database/OperatorField.h"

#include <cstdint>
#include <vector>

namespace tosk {

namespace {

const char* const kName = "Module.processStackExpression";

} // namespace

double FieldExpression::evaluate(const std::string& expression, const Context& context)
{
    std::vector<double> stack;
    auto take = [&](size_t count, const std::string& op) {
        if (stack.size() < count)
            throw TkxException(kName, "too few values for #" + latin1ToUtf8(op) + " in " + latin1ToUtf8(expression));
    };

    size_t start = 0;
    for (;;) {
        size_t slash = expression.find('/', start);
        std::string token = expression.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (token.empty())
            throw TkxException(kName, "empty token in " + latin1ToUtf8(expression));

        if (token[0] == '@') {
            stack.push_back(context.fieldValue ? context.fieldValue(token.substr(1)) : 0.0);
        } else if (token[0] == '#') {
            std::string op = token.substr(1);
            if (op == "add" || op == "sub" || op == "mul" || op == "div" || op == "ifhi" || op == "if") {
                take(2, op);
                double b = stack.back();
                stack.pop_back();
                double& a = stack.back();
                if (op == "add")
                    a = a + b;
                else if (op == "sub")
                    a = a - b;
                else if (op == "mul")
                    a = a * b;
                else if (op == "div")
                    a = a / b;
                else if (op == "ifhi")
                    a = context.highSampleRate ? a : b;
                else
                    a = b != 0 ? a : 0;
            } else if (op == "neg") {
                take(1, op);
                stack.back() = -stack.back();
            } else if (op == "trunc") {
                take(1, op);
                double b = stack.back();
                // Out of range and NaN come out as the most negative integer,
                // as the unit's own conversion does.
                bool fits = b > -2147483649.0 && b < 2147483648.0;
                stack.back() = fits ? static_cast<double>(static_cast<int32_t>(b)) : -2147483648.0;
            } else if (op == "speed") {
                stack.push_back(context.highSampleRate ? 1 : 0);
            } else if (op == "channels") {
                stack.push_back(context.channels);
            }
            // Any other operator name is ignored.
        } else {
            stack.push_back(OperatorField::decimalValue(token));
        }

        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }

    if (stack.empty())
        throw TkxException(kName, "no value left by " + latin1ToUtf8(expression));
    if (stack.size() != 1)
        logf("ModuleField.processStackExpression: stackIndex=%d", static_cast<int>(stack.size()));
    return stack.front();
}

} // namespace tosk
