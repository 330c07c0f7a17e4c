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

TEST(SigfileTokenizer, EmptyAndDefaultTokenizersAreNeverActive)
{
    SigfileTokenizer empty(std::string_view{});
    EXPECT_FALSE(empty.isActive());
    EXPECT_EQ(empty.nextToken(), none);
    SigfileTokenizer init;
    EXPECT_EQ(init.delimiterString(), " ");
    EXPECT_FALSE(init.isActive());
    EXPECT_EQ(init.nextToken(), none);
    EXPECT_EQ(init.line(), 1);
    EXPECT_EQ(allTokens(" \t\r\n\x01\x80\xff "), Tokens{none});
}

TEST(SigfileTokenizer, SplitsAtSpacesAndCountsEveryKindOfLineEnd)
{
    SigfileTokenizer t(" a  b ");
    EXPECT_EQ(t.nextToken(), "a");
    EXPECT_EQ(t.nextToken(), "b");
    EXPECT_EQ(t.nextToken(), none);
    EXPECT_EQ(t.line(), 1);

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
}

TEST(SigfileTokenizer, HighBytesAndControlBytesAreWhiteSpaceBetweenTokensButKeptInside)
{
    EXPECT_EQ(allTokens("\x80x\xff\x01y"), (Tokens{"x\xff\x01y", none})) << "only a delimiter ends a plain token";
    EXPECT_EQ(allTokens("\xa0\xc3x \x7f"), (Tokens{"x", "\x7f", none})) << "0x7F is no white space";
    EXPECT_EQ(allTokens("a\xe9,b", "\xe9,"), (Tokens{"a\xe9", "b", none})) << "0xE9 never delimits";
    EXPECT_EQ(allTokens("a\tb c"), (Tokens{"a\tb", "c", none}));
}

TEST(SigfileTokenizer, QuotedTokensKeepSpacesAndEndAtTheClosingQuote)
{
    EXPECT_EQ(allTokens("\"x y\" z"), (Tokens{"x y", "z", none}));
    EXPECT_EQ(allTokens("\"a;b,c\"", ","), (Tokens{"a;b,c", none}));
    EXPECT_EQ(allTokens("\"a\",b", ","), (Tokens{"a", "", "b", none})) << "the comma after a quote is not consumed";
    EXPECT_EQ(allTokens("\"\""), (Tokens{"", none})) << "an empty quoted token counts even at the end";
    EXPECT_EQ(allTokens("\"\" x"), (Tokens{"", "x", none}));
    EXPECT_EQ(allTokens("ab\"cd\" e"), (Tokens{"cd", "e", none})) << "a quote restarts the token";
    EXPECT_EQ(allTokens("'a b'"), (Tokens{"'a", "b'", none})) << "apostrophes do not quote";
}

TEST(SigfileTokenizer, UnterminatedQuoteIsLoggedAndCutAtTheLineEnd)
{
    LogCapture log;
    SigfileTokenizer t("\"abc");
    EXPECT_EQ(t.nextToken(), "abc");
    EXPECT_EQ(t.nextToken(), none);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"nextToken: Missing end quote"});

    log.clear();
    SigfileTokenizer lines("x \"a b\r\nnext \"c\0d\" e", " ");
    EXPECT_EQ(lines.nextToken(), "x");
    EXPECT_EQ(lines.nextToken(), "a b");
    EXPECT_EQ(lines.line(), 1) << "the line end stays unread";
    EXPECT_EQ(lines.nextToken(), "next");
    EXPECT_EQ(lines.line(), 2);
    EXPECT_EQ(log.lines().size(), 1u);

    SigfileTokenizer nul(std::string_view("\"c\0d\" e", 7));
    EXPECT_EQ(nul.nextToken(), "c") << "NUL ends an unterminated quote";
    EXPECT_EQ(nul.nextToken(), " e") << "the stray closing quote opens another one";
    EXPECT_EQ(log.lines().size(), 3u);

    log.clear();
    EXPECT_EQ(allTokens("\""), (Tokens{none})) << "nothing after a lone quote";
    EXPECT_EQ(allTokens("\"\nx"), (Tokens{"", "x", none}));
}

TEST(SigfileTokenizer, CommentsRunToTheLineEndWithDelimitersAndQuotesInside)
{
    SigfileTokenizer t("; note, \"more\r\nX");
    EXPECT_EQ(t.nextToken(), "; note, \"more");
    EXPECT_EQ(t.line(), 1);
    EXPECT_EQ(t.nextToken(), "X");
    EXPECT_EQ(t.line(), 2);
    EXPECT_EQ(allTokens("ab;cd ef"), (Tokens{";cd ef", none})) << "a ; restarts the token";
    EXPECT_EQ(allTokens("a ;=120,80,96,0 f= 3,1", ", "), (Tokens{"a", ";=120,80,96,0 f= 3,1", none}));
}

TEST(SigfileTokenizer, DelimitersGiveEmptyFields)
{
    EXPECT_EQ(allTokens("1,,2", ","), (Tokens{"1", "", "2", none}));
    EXPECT_EQ(allTokens(",1", ","), (Tokens{"", "1", none}));
    EXPECT_EQ(allTokens("1,", ","), (Tokens{"1", none})) << "no empty field after the last delimiter";
    EXPECT_EQ(allTokens("1,\n2", ","), (Tokens{"1", "2", none}));
    EXPECT_EQ(allTokens(";=120,80, 96,0", ", "), (Tokens{";=120,80, 96,0", none}));
    EXPECT_EQ(allTokens("=120,80,96,0 f= 3,1", ", "), (Tokens{"=120", "80", "96", "0", "f=", "3", "1", none}));
    EXPECT_EQ(allTokens("a, b", ", "), (Tokens{"a", "b", none})) << "white space is skipped before a field";
    EXPECT_EQ(allTokens("a ,b", ", "), (Tokens{"a", "", "b", none}));
    std::string withNul("a\0b", 3);
    EXPECT_EQ(allTokens(withNul, ","), (Tokens{"a", "b", none})) << "NUL ends a token and is skipped";
}

TEST(SigfileTokenizer, StepBackRereadsTheLastTokenWholeWithoutRecountingLines)
{
    SigfileTokenizer t("one \"two words\" ;three\n  four");
    for (const char* expected : {"one", "two words", ";three", "four"}) {
        auto first = t.nextToken();
        int line = t.line();
        t.stepBack();
        EXPECT_EQ(t.nextToken(), first) << expected;
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
}

TEST(SigfileTokenizer, OffsetsDelimiterChangesAndOwnedCopies)
{
    const std::string text = "OSC \"my osc\" 1,2";
    SigfileTokenizer t(text);
    EXPECT_EQ(t.nextToken(), "OSC");
    EXPECT_EQ(t.tokenBegin(), 0u);
    EXPECT_EQ(t.tokenEnd(), 3u);
    EXPECT_EQ(t.position(), 4u);
    EXPECT_EQ(t.nextToken(), "my osc");
    EXPECT_EQ(t.tokenBegin(), 5u);
    EXPECT_EQ(t.tokenEnd(), 11u);
    EXPECT_EQ(t.position(), 12u);
    t.setDelimiterString(", ");
    EXPECT_EQ(t.delimiterString(), ", ");
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

TEST(MyExtensions, NumericTests)
{
    for (const char* yes : {"12", "-3.5", "1e3", " 7 ", "+4", ".5", "5.", "1.5E-3", "\t0\n"})
        EXPECT_TRUE(isNumeric(yes)) << yes;
    for (const char* no : {"", " ", "abc", "3x", "0 f= 2", "-", ".", "1e", "1e+", "1 2", "0x10", "nan", "inf"})
        EXPECT_FALSE(isNumeric(no)) << no;
    for (const char* yes : {"0", "-12", " +7 ", "0042"})
        EXPECT_TRUE(isInteger(yes)) << yes;
    for (const char* no : {"", "1.0", "1e3", "- 1", "12a", "--1"})
        EXPECT_FALSE(isInteger(no)) << no;
    EXPECT_EQ(isFloat("2.5e1"), isNumeric("2.5e1"));
}

TEST(MyExtensions, QuotingForTheFile)
{
    EXPECT_EQ(quoteIfNeeded(""), "");
    EXPECT_EQ(quoteIfNeeded("abc"), "abc");
    EXPECT_EQ(quoteIfNeeded("a b"), "\"a b\"");
    EXPECT_EQ(quoteIfNeeded("it's"), "\"it's\"");
    EXPECT_EQ(quoteIfNeeded("say \"hi\" x"), "'say \"hi\" x'");
    EXPECT_EQ(quoteIfNeeded("\"q\""), "\"q\"");
    EXPECT_EQ(quoteIfNeeded("'q r'"), "'q r'");
    EXPECT_EQ(quoteIfNeeded("a\"b"), "a\"b") << "a double quote alone needs no quoting";
    EXPECT_EQ(quoteIfNeeded("\"a b'"), "'\"a b''");
    for (char c : std::string(",`~%/\\|' "))
        EXPECT_EQ(quoteIfNeeded(std::string("x") + c + "y"), std::string("\"x") + c + "y\"") << c;
    for (char c : std::string(";=-_.:!?#@$^&*()[]{}<>+\t"))
        EXPECT_EQ(quoteIfNeeded(std::string("x") + c + "y"), std::string("x") + c + "y") << c;
}

TEST(MyExtensions, NumberStrings)
{
    EXPECT_EQ(numberString(1.5), "1.5");
    EXPECT_EQ(numberString(2.0), "2");
    EXPECT_EQ(numberString(0.25), "0.25");
    EXPECT_EQ(numberString(1.23456), "1.2346");
    EXPECT_EQ(numberString(-0.00001), "0");
    EXPECT_EQ(numberString(-0.0), "0");
    EXPECT_EQ(numberString(-3.0), "-3");
    EXPECT_EQ(numberString(-0.00005001), "-0.0001");
    EXPECT_EQ(numberString(0), "0");
    EXPECT_EQ(numberString(100), "100") << "zeros before the point stay";
    EXPECT_EQ(numberString(120.0001), "120.0001");
    EXPECT_EQ(numberString(1e20), "100000000000000000000");

    LogCapture log;
    EXPECT_EQ(numberString(1.0 / 0.0), "inf");
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "numberString exception: numberString: not a finite number: inf");
}
