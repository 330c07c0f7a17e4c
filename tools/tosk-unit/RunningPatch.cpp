// SPDX-License-Identifier: GPL-3.0-or-later
#include "RunningPatch.h"

#include "comms/ScanText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>

namespace tosk::unit {

namespace {

struct Token {
    std::string text; // without its quotes
    size_t begin = 0, end = 0;
};

// The tokens of one record line, up to its comment or info token.
std::vector<Token> tokensOf(const std::string& text, size_t begin, size_t end)
{
    std::vector<Token> tokens;
    size_t i = begin;
    while (i < end) {
        while (i < end && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= end || text[i] == ';')
            break;
        Token t;
        t.begin = i;
        if (text[i] == '"') {
            size_t close = text.find('"', i + 1);
            if (close == std::string::npos || close >= end)
                close = end;
            t.text = text.substr(i + 1, close - i - 1);
            i = std::min(end, close + 1);
        } else {
            while (i < end && text[i] != ' ' && text[i] != '\t')
                ++i;
            t.text = text.substr(t.begin, i - t.begin);
        }
        t.end = i;
        tokens.push_back(std::move(t));
    }
    return tokens;
}

double number(const std::vector<Token>& t, size_t i)
{
    return i < t.size() ? scanDecimal(t[i].text).value_or(0) : 0;
}

// Where each interface operator keeps its fields, counted in tokens from
// the operator name: statement, then value, limits and choices.
struct Layout {
    RunningPatch::Control::Kind kind;
    size_t value;
    size_t minimum, maximum; // numbers
    size_t choiceCount;      // SELECTOR: the count token; choices follow the default
};

const std::map<std::string, Layout>& layouts()
{
    using Kind = RunningPatch::Control::Kind;
    static const std::map<std::string, Layout> table = {
        {"KNOB", {Kind::Number, 6, 3, 4, 0}},
        {"SLIDER", {Kind::Number, 5, 3, 4, 0}},
        {"SELECTOR", {Kind::Choice, 4, 0, 0, 3}},
        {"TOGGLE", {Kind::Choice, 3, 0, 0, 0}},
    };
    return table;
}

std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}

} // namespace

double RunningPatch::resolutionOf(const std::string& statement, double minimum, double maximum)
{
    size_t percent = statement.find('%');
    if (percent != std::string::npos) {
        size_t i = percent + 1;
        while (i < statement.size() && std::strchr("-+ #0123456789", statement[i]))
            ++i;
        if (i < statement.size() && statement[i] == '.') {
            int digits = 0;
            for (++i; i < statement.size() && std::isdigit(static_cast<unsigned char>(statement[i])); ++i)
                digits = digits * 10 + (statement[i] - '0');
            return std::pow(10.0, -std::min(digits, 4));
        }
        if (i < statement.size() && (statement[i] == 'd' || statement[i] == 'i'))
            return 1;
    }
    double range = std::fabs(maximum - minimum);
    if (range <= 0)
        return 1;
    return std::max(0.0001, std::pow(10.0, std::floor(std::log10(range / 100))));
}

RunningPatch RunningPatch::read(const std::string& text)
{
    RunningPatch patch;
    struct PageLine {
        std::string instance, title;
        std::vector<std::string> sources;
    };
    std::vector<PageLine> pageLines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        size_t lineEnd = end > start && text[end - 1] == '\r' ? end - 1 : end;
        std::vector<Token> t = tokensOf(text, start, lineEnd);
        start = end + 1;
        if (t.size() < 2)
            continue;
        const std::string op = upper(t[0].text);
        if (op == "MENUPAGE" && t.size() >= 5) {
            PageLine page{t[1].text, t[2].text, {}};
            long count = scanInteger(t[4].text).value_or(0);
            for (size_t i = 5; i < t.size() && long(i - 5) < count; ++i)
                page.sources.push_back(t[i].text);
            pageLines.push_back(std::move(page));
            continue;
        }
        auto layout = layouts().find(op);
        if (layout == layouts().end() || t.size() <= layout->second.value)
            continue;
        const Layout& l = layout->second;
        Control c;
        c.kind = l.kind;
        c.operatorName = op;
        c.instance = t[1].text;
        c.statement = t.size() > 2 ? t[2].text : "";
        c.valueBegin = t[l.value].begin;
        c.valueEnd = t[l.value].end;
        c.value = number(t, l.value);
        if (l.kind == Control::Kind::Number) {
            c.minimum = number(t, l.minimum);
            c.maximum = number(t, l.maximum);
            c.resolution = resolutionOf(c.statement, c.minimum, c.maximum);
        } else if (op == "SELECTOR") {
            long count = scanInteger(t[l.choiceCount].text).value_or(0);
            for (size_t i = l.value + 2; i < t.size() && long(c.choices.size()) < count; ++i)
                c.choices.push_back(t[i].text);
        } else { // TOGGLE: value, default, off, on
            for (size_t i = l.value + 2; i < t.size() && c.choices.size() < 2; ++i)
                c.choices.push_back(t[i].text);
        }
        if (c.kind == Control::Kind::Choice)
            c.current = uint32_t(std::max(0.0, std::round(c.value)));
        patch.controls_.push_back(std::move(c));
    }
    // A page names its controls by their user-object output ("rate-obj").
    for (const PageLine& line : pageLines) {
        Page page{line.instance, line.title, {}};
        for (const std::string& source : line.sources) {
            std::string instance = source.substr(0, source.rfind('-'));
            for (size_t i = 0; i < patch.controls_.size(); ++i)
                if (patch.controls_[i].instance == instance)
                    page.controls.push_back(i);
        }
        patch.pages_.push_back(std::move(page));
    }
    return patch;
}

std::string RunningPatch::withValue(const std::string& text, const Control& control, const std::string& value)
{
    if (control.valueEnd > text.size() || control.valueBegin > control.valueEnd)
        return text;
    return text.substr(0, control.valueBegin) + value + text.substr(control.valueEnd);
}

} // namespace tosk::unit
