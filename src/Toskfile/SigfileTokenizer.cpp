// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/SigfileTokenizer.h"

#include "base/Log.h"

#include <tuple>

namespace tosk {

namespace {

constexpr bool isWhite(unsigned char c)
{
    return static_cast<signed char>(c) <= 32;
}

// Bytes that end a quoted token: the closing quote, or (unterminated) a
// line end or NUL.
constexpr std::array<bool, 256> quoteStops = [] {
    std::array<bool, 256> t{};
    t['"'] = t['\r'] = t['\n'] = t[0] = true;
    return t;
}();

} // namespace

SigfileTokenizer::SigfileTokenizer() : SigfileTokenizer(std::string_view(), " ") {}

SigfileTokenizer::SigfileTokenizer(std::string_view data, std::string delimiters) : data_(data)
{
    setDelimiterString(std::move(delimiters));
}

SigfileTokenizer SigfileTokenizer::tokenizerWithData(std::string_view data, std::string delimiters)
{
    return SigfileTokenizer(data, std::move(delimiters));
}

SigfileTokenizer SigfileTokenizer::tokenizerWithString(std::string text, std::string delimiters)
{
    auto owned = std::make_unique<const std::string>(std::move(text));
    SigfileTokenizer t(*owned, std::move(delimiters));
    t.owned_ = std::move(owned); // the heap string does not move, so the view stays valid
    return t;
}

void SigfileTokenizer::setDelimiterString(std::string delimiters)
{
    delimiters_ = std::move(delimiters);
    classes_.fill(0);
    classes_['\r'] = classes_['\n'] = classes_[0] = kStop;
    classes_['"'] = kQuote;
    classes_[';'] = kComment;
    // Line ends, quotes and comments keep their meaning even when named as
    // delimiters; bytes of 0x80 and above never delimit.
    for (unsigned char c : delimiters_)
        if (c < 0x80 && classes_[c] == 0)
            classes_[c] = kDelimiter;
}

void SigfileTokenizer::skipOverSpace()
{
    const char* d = data_.data();
    const size_t n = data_.size();
    size_t p = pos_;
    while (p < n && isWhite(static_cast<unsigned char>(d[p]))) {
        if (d[p] == '\r') {
            ++line_;
            if (p + 1 < n && d[p + 1] == '\n')
                ++p;
        } else if (d[p] == '\n') {
            ++line_;
        }
        ++p;
    }
    pos_ = p;
}

bool SigfileTokenizer::isActive()
{
    skipOverSpace();
    return pos_ < data_.size();
}

void SigfileTokenizer::stepBack()
{
    pos_ = restart_;
    line_ = restartLine_;
}

std::optional<std::string_view> SigfileTokenizer::nextTokenView()
{
    skipOverSpace();
    const char* d = data_.data();
    const size_t n = data_.size();
    restart_ = pos_;
    restartLine_ = line_;

    size_t start = pos_;
    size_t q = start;
    bool closedQuote = false;
    quoted_ = false;
    // A plain token; a quote or ";" inside it restarts the token in that mode
    // and drops what was read before.
    for (;;) {
        while (q < n && classes_[static_cast<unsigned char>(d[q])] == 0)
            ++q;
        const uint8_t cls = q < n ? classes_[static_cast<unsigned char>(d[q])] : kStop;
        if (cls == kStop) {
            beginToken_ = start;
            endToken_ = pos_ = q;
            break;
        }
        if (cls == kDelimiter) {
            beginToken_ = start;
            endToken_ = q;
            pos_ = q + 1;
            break;
        }
        if (cls == kComment) {
            // To the end of the line; delimiters and quotes are ordinary here.
            start = q;
            while (q < n && d[q] != '\r' && d[q] != '\n')
                ++q;
            beginToken_ = start;
            endToken_ = pos_ = q;
            break;
        }
        // Quoted: up to the closing quote, which is consumed; the byte after
        // it is left for the next token even when it is a delimiter.
        quoted_ = true;
        start = ++q;
        while (q < n && !quoteStops[static_cast<unsigned char>(d[q])])
            ++q;
        beginToken_ = start;
        endToken_ = q;
        if (q < n && d[q] == '"') {
            closedQuote = true;
            pos_ = q + 1;
        } else {
            if (!peeking_)
                log("nextToken: Missing end quote");
            pos_ = q;
        }
        break;
    }

    if (endToken_ > beginToken_ || closedQuote)
        return std::string_view(d + beginToken_, endToken_ - beginToken_);
    // An empty field counts only while text remains after it.
    if (isActive())
        return std::string_view();
    return std::nullopt;
}

std::optional<std::string_view> SigfileTokenizer::peekTokenView()
{
    const auto kept = std::tuple(pos_, line_, beginToken_, endToken_, restart_, restartLine_, quoted_);
    peeking_ = true;
    auto view = nextTokenView();
    peeking_ = false;
    std::tie(pos_, line_, beginToken_, endToken_, restart_, restartLine_, quoted_) = kept;
    return view;
}

std::optional<std::string> SigfileTokenizer::nextToken()
{
    auto view = nextTokenView();
    if (!view)
        return std::nullopt;
    return std::string(*view);
}

} // namespace tosk
