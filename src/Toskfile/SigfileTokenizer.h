// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tosk {

// The one lexer for sig-file text. It reads a byte buffer in place, splits it
// into tokens at a caller-chosen set of delimiter characters, understands
// double-quoted tokens and ";" comments, skips white space and counts lines.
//
// White space is every byte that is at most 32 as a signed char, so bytes of
// 0x80 and above are skipped too. No token spans a line end.
class SigfileTokenizer {
public:
    // No data: never active; delimiters " ".
    SigfileTokenizer();
    // Reads `data` in place: the caller keeps those bytes alive and unchanged
    // for the tokenizer's lifetime.
    explicit SigfileTokenizer(std::string_view data, std::string delimiters = " ");

    static SigfileTokenizer tokenizerWithData(std::string_view data, std::string delimiters = " ");
    // Reads a private copy of `text`; the caller need not keep anything alive.
    static SigfileTokenizer tokenizerWithString(std::string text, std::string delimiters = " ");

    SigfileTokenizer(SigfileTokenizer&&) noexcept = default;
    SigfileTokenizer& operator=(SigfileTokenizer&&) noexcept = default;
    SigfileTokenizer(const SigfileTokenizer&) = delete;
    SigfileTokenizer& operator=(const SigfileTokenizer&) = delete;

    // The next token; "" for an empty field; nothing once the text is used up.
    std::optional<std::string> nextToken();
    // The same without allocating: the view points into the data and stays
    // valid as long as the data does.
    std::optional<std::string_view> nextTokenView();
    // The next token, left to be read: a following stepBack() still goes
    // back to where it would have gone.
    std::optional<std::string_view> peekTokenView();

    // The next nextToken() reads the last token again (one level only).
    void stepBack();
    // Skips white space (counting lines) and answers whether bytes remain.
    bool isActive();
    // Current line, from 1.
    int line() const { return line_; }

    const std::string& delimiterString() const { return delimiters_; }
    // Takes effect at the next token.
    void setDelimiterString(std::string delimiters);

    // Where the last token's bytes lie in the data (offsets; the quotes of a
    // quoted token are not part of it), and where reading continues.
    size_t tokenBegin() const { return beginToken_; }
    size_t tokenEnd() const { return endToken_; }
    size_t position() const { return pos_; }
    // Whether the last token was written between double quotes: a quoted
    // ";..." is a value, not a comment.
    bool lastTokenQuoted() const { return quoted_; }
    std::string_view data() const { return data_; }

private:
    void skipOverSpace();
    bool dataIsDelimiter(unsigned char c) const { return (classes_[c] & kDelimiter) != 0; }

    // Bits of classes_: what ends a plain token.
    static constexpr uint8_t kStop = 1;      // CR, LF, NUL: ends it, left unread
    static constexpr uint8_t kQuote = 2;     // restarts it as a quoted token
    static constexpr uint8_t kComment = 4;   // restarts it as a comment
    static constexpr uint8_t kDelimiter = 8; // ends it and is consumed

    std::unique_ptr<const std::string> owned_; // only for tokenizerWithString
    std::string_view data_;
    size_t pos_ = 0;
    std::string delimiters_;
    int line_ = 1;
    size_t beginToken_ = 0;
    size_t endToken_ = 0;
    bool quoted_ = false;
    bool peeking_ = false; // a token peeked at is read again: one log line
    // Where the last read started (after white space) and the line there, so
    // that stepBack re-reads quoted tokens and comments whole and does not
    // count a line twice.
    size_t restart_ = 0;
    int restartLine_ = 1;
    std::array<uint8_t, 256> classes_{};
};

} // namespace tosk
