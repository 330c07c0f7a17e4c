// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/SigfileTokenizer.h"
#include "Toskfile/MyExtensions.h"

#include "base/Log.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace tosk;

namespace {

using Tokens = std::vector<std::optional<std::string>>;

// Every token up to and including the first "none".
Tokens allTokens(std::string_view text, const std::string& delimiters = " ")
{
    SigfileTokenizer t(text, delimiters);
    Tokens out;
    for (int guard = 0; guard < 1000; ++guard) {
        out.push_back(t.nextToken());
        if (!out.back())
            break;
    }
    return out;
}

const std::nullopt_t none = std::nullopt;

} // namespace

TEST(SigfileTokenizer, TokensOfEveryShape)
{
    struct Case {
        std::string text, delimiters, tokens; // each token in brackets
    } cases[] = {
        {" \t\r\n\x01\x80\xff ", " ", ""},
        {" a  b ", " ", "[a][b]"},
        {"\x80x\xff\x01y", " ", "[x\xff\x01y]"}, // only a delimiter ends a plain token
        {"\xa0\xc3x \x7f", " ", "[x][\x7f]"},    // 0x7F is no white space
        {"a\xe9,b", "\xe9,", "[a\xe9][b]"},      // 0xE9 never delimits
        {"a\tb c", " ", "[a\tb][c]"},
        {"\"x y\" z", " ", "[x y][z]"},
        {"\"a;b,c\"", ",", "[a;b,c]"},
        {"\"a\",b", ",", "[a][][b]"}, // the comma after a quote is not consumed
        {"\"\"", " ", "[]"},          // an empty quoted token counts even at the end
        {"\"\" x", " ", "[][x]"},
        {"ab\"cd\" e", " ", "[cd][e]"}, // a quote restarts the token
        {"'a b'", " ", "['a][b']"},     // apostrophes do not quote
        {"\"", " ", ""},                // nothing after a lone quote
        {"\"abc", " ", "[abc]"},
        {"\"\nx", " ", "[][x]"},
        {"ab;cd ef", " ", "[;cd ef]"}, // a ; restarts the token and runs to the line end
        {"a ;=120,80,96,0 f= 3,1", ", ", "[a][;=120,80,96,0 f= 3,1]"},
        {"1,,2", ",", "[1][][2]"},
        {",1", ",", "[][1]"},
        {"1,", ",", "[1]"}, // no empty field after the last delimiter
        {"1,\n2", ",", "[1][2]"},
        {"=120,80,96,0 f= 3,1", ", ", "[=120][80][96][0][f=][3][1]"},
        {"a, b", ", ", "[a][b]"}, // white space is skipped before a field
        {"a ,b", ", ", "[a][][b]"},
        {std::string("a\0b", 3), ",", "[a][b]"}, // NUL ends a token and is skipped
    };
    LogCapture quiet;
    for (const auto& c : cases) {
        std::string got;
        for (const auto& token : allTokens(c.text, c.delimiters))
            if (token)
                got += "[" + *token + "]";
        EXPECT_EQ(got, c.tokens) << c.text;
    }
    EXPECT_EQ(SigfileTokenizer().nextToken(), none);
}

TEST(SigfileTokenizer, CountsEveryKindOfLineEndAndCutsAnUnterminatedQuoteThere)
{
    for (std::string text : {"a\r\nb", "a\nb", "a\rb"}) {
        SigfileTokenizer lines(text);
        EXPECT_EQ(lines.nextToken(), "a") << text;
        EXPECT_EQ(lines.line(), 1);
        EXPECT_EQ(lines.nextToken(), "b") << text;
        EXPECT_EQ(lines.line(), 2) << "CR LF is one line end";
    }
    SigfileTokenizer blank("a\n\r\n\rb\r\n");
    EXPECT_EQ(blank.nextToken(), "a");
    EXPECT_EQ(blank.nextToken(), "b");
    EXPECT_EQ(blank.line(), 4);
    EXPECT_EQ(blank.nextToken(), none);
    EXPECT_EQ(blank.line(), 5);
    SigfileTokenizer comment("; note, \"more\r\nX");
    EXPECT_EQ(comment.nextToken(), "; note, \"more");
    EXPECT_EQ(comment.line(), 1);
    EXPECT_EQ(comment.nextToken(), "X");
    EXPECT_EQ(comment.line(), 2);

    // An unterminated quote is cut at the line end.
    LogCapture quiet;
    SigfileTokenizer lines("x \"a b\r\nnext \"c\0d\" e", " ");
    EXPECT_EQ(lines.nextToken(), "x");
    EXPECT_EQ(lines.nextToken(), "a b");
    EXPECT_EQ(lines.line(), 1) << "the line end stays unread";
    EXPECT_EQ(lines.nextToken(), "next");
    EXPECT_EQ(lines.line(), 2);

    SigfileTokenizer nul(std::string_view("\"c\0d\" e", 7));
    EXPECT_EQ(nul.nextToken(), "c") << "NUL ends an unterminated quote";
    EXPECT_EQ(nul.nextToken(), " e") << "the stray closing quote opens another one";
}

TEST(SigfileTokenizer, StepBackRereadsTheLastTokenWholeWithoutRecountingLines)
{
    // A quoted ";" is a value; only the tokenizer knows it was quoted.
    SigfileTokenizer t("one \"two words\" ;three\n  four \";five\" x\"six\"");
    const std::pair<const char*, bool> tokens[] = {{"one", false},  {"two words", true}, {";three", false},
                                                   {"four", false}, {";five", true},     {"six", true}};
    for (const auto& [expected, quoted] : tokens) {
        auto first = t.nextToken();
        int line = t.line();
        EXPECT_EQ(t.lastTokenQuoted(), quoted) << expected;
        t.stepBack();
        EXPECT_EQ(t.nextToken(), first) << expected;
        EXPECT_EQ(t.lastTokenQuoted(), quoted) << expected;
        EXPECT_EQ(first, expected);
        EXPECT_EQ(t.line(), line);
    }
    SigfileTokenizer empty(",\n\n1", ",");
    EXPECT_EQ(empty.nextToken(), "");
    EXPECT_EQ(empty.line(), 3) << "isActive skipped the line ends after the empty field";
    empty.stepBack();
    EXPECT_EQ(empty.line(), 1);
    EXPECT_EQ(empty.nextToken(), "");
    EXPECT_EQ(empty.line(), 3);
    EXPECT_EQ(empty.nextToken(), "1");

    // A peek changes nothing: not the next token, the line, or where a step
    // back goes.
    SigfileTokenizer peek("OSC \"osc 1\"\n 220");
    EXPECT_EQ(peek.nextToken(), "OSC");
    EXPECT_EQ(peek.peekTokenView(), "osc 1");
    EXPECT_FALSE(peek.lastTokenQuoted());
    peek.stepBack();
    EXPECT_EQ(peek.nextToken(), "OSC");
    EXPECT_EQ(peek.nextToken(), "osc 1");
    EXPECT_EQ(peek.peekTokenView(), "220");
    EXPECT_EQ(peek.line(), 1);
    EXPECT_EQ(peek.nextToken(), "220");
}

TEST(SigfileTokenizer, OffsetsDelimiterChangesAndOwnedCopies)
{
    const std::string text = "OSC \"my osc\" 1,2";
    SigfileTokenizer t(text);
    // Where the token begins and ends, and where reading goes on.
    auto offsets = [&] { return std::vector<size_t>{t.tokenBegin(), t.tokenEnd(), t.position()}; };
    EXPECT_EQ(t.nextToken(), "OSC");
    EXPECT_EQ(offsets(), (std::vector<size_t>{0, 3, 4}));
    EXPECT_EQ(t.nextToken(), "my osc");
    EXPECT_EQ(offsets(), (std::vector<size_t>{5, 11, 12}));
    t.setDelimiterString(", ");
    EXPECT_EQ(t.nextToken(), "1");
    EXPECT_EQ(t.nextTokenView(), std::optional<std::string_view>("2"));
    EXPECT_EQ(t.nextTokenView(), std::nullopt);

    SigfileTokenizer owned = SigfileTokenizer::tokenizerWithString(std::string("alpha beta gamma delta epsilon"));
    SigfileTokenizer moved = std::move(owned);
    EXPECT_EQ(moved.nextToken(), "alpha");
    EXPECT_EQ(moved.nextToken(), "beta");
    auto data = SigfileTokenizer::tokenizerWithData(text, ",");
    EXPECT_EQ(data.nextToken(), "my osc") << "the quote drops what was read before it";
    EXPECT_EQ(data.nextToken(), "1");
    EXPECT_EQ(data.nextToken(), "2");
}

TEST(MyExtensions, SearchingBytes)
{
    EXPECT_TRUE(containsString("head-in1", "-in"));
    EXPECT_FALSE(containsString("head", "heads"));
    EXPECT_FALSE(containsString("head", ""));
    EXPECT_EQ(indexOfChar("a~b~c", '~'), 1);
    EXPECT_EQ(lastIndexOfChar("a~b~c", '~'), 3);
    EXPECT_EQ(indexOfChar("abc", '~'), -1);
    EXPECT_EQ(lastIndexOfChar("", '~'), -1);
    EXPECT_EQ(indexOfChar("caf\xe9!", '!'), 4);
}

TEST(MyExtensions, NumericTestsQuotingAndNumberStrings)
{
    for (const char* yes : {"12", "-3.5", "1e3", " 7 ", "+4", ".5", "5.", "1.5E-3", "\t0\n"})
        EXPECT_TRUE(isNumeric(yes)) << yes;
    for (const char* no : {"", " ", "abc", "3x", "0 f= 2", "-", ".", "1e", "1e+", "1 2", "0x10", "nan", "inf"})
        EXPECT_FALSE(isNumeric(no)) << no;
    for (const char* yes : {"0", "-12", " +7 ", "0042"})
        EXPECT_TRUE(isInteger(yes)) << yes;
    for (const char* no : {"", "1.0", "1e3", "- 1", "12a", "--1"})
        EXPECT_FALSE(isInteger(no)) << no;

    // Pairs of text and text as written; a double quote alone needs no quoting.
    const char* quoting[] = {"", "", "abc", "abc", "a b", "\"a b\"", "it's", "\"it's\"", "say \"hi\" x",
                             "'say \"hi\" x'", "\"q\"", "\"q\"", "'q r'", "'q r'", "a\"b", "a\"b", "\"a b'", "'\"a b''",
                             // The reader would skip a first byte of 0x80 and above, or a control
                             // byte, and end the value at ";".
                             "\xc9tude", "\"\xc9tude\"", "\x01x", "\"\x01x\"", "\xff", "\"\xff\"", "caf\xe9", "caf\xe9",
                             ";x", "\";x\"", "a;\"b", "'a;\"b'"};
    for (size_t i = 0; i < std::size(quoting); i += 2)
        EXPECT_EQ(quoteIfNeeded(quoting[i]), quoting[i + 1]) << quoting[i];
    for (char c : std::string(",`~%/\\|' ;"))
        EXPECT_EQ(quoteIfNeeded(std::string("x") + c + "y"), std::string("\"x") + c + "y\"") << c;
    for (char c : std::string("=-_.:!?#@$^&*()[]{}<>+\t\x7f\x80\xff"))
        EXPECT_EQ(quoteIfNeeded(std::string("x") + c + "y"), std::string("x") + c + "y") << c;

    const double numbers[] = {1.5, 2.0, 1.23456, -0.00001, -0.0, -3.0, -0.00005001, 100, 120.0001, 1e20};
    const char* written[] = {"1.5", "2",       "1.2346", "0",        "0",
                             "-3",  "-0.0001", "100",    "120.0001", "100000000000000000000"};
    for (size_t i = 0; i < std::size(numbers); ++i)
        EXPECT_EQ(numberString(numbers[i]), written[i]) << numbers[i];
    LogCapture quiet;
    EXPECT_EQ(numberString(1.0 / 0.0), "inf");
}
