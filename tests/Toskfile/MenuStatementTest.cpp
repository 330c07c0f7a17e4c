// SPDX-License-Identifier: GPL-3.0-or-later
#include "Toskfile/MenuStatement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace tosk;

TEST(MenuStatement, OneConversionOfATextOrANumber)
{
    EXPECT_EQ(MenuStatement::apply("%s dB", 1.5), "1.5 dB");
    EXPECT_EQ(MenuStatement::apply("%d%%", std::string("42.7")), "42%");
    EXPECT_EQ(MenuStatement::apply("[%-4s]", std::string("ab")), "[ab  ]");
    EXPECT_EQ(MenuStatement::apply("%@", std::string("text")), "text");
    EXPECT_FALSE(MenuStatement::apply("%d and %d", 1.0));
    EXPECT_FALSE(MenuStatement::apply("%*d", 1.0));
    EXPECT_FALSE(MenuStatement::apply("%f", std::string("loud")));
    EXPECT_FALSE(MenuStatement::apply("%999f", 1.0)) << "no width past the line";
    EXPECT_FALSE(MenuStatement::apply("ends in %", 1.0));
    EXPECT_FALSE(MenuStatement::apply(std::string("%\0", 2), 1.0)) << "a NUL is no conversion";
    EXPECT_EQ(MenuStatement::apply("%-6.1fdB", 2.25), "2.2   dB");
    EXPECT_EQ(MenuStatement::apply("%x", -1.0), "ffffffffffffffff");
    EXPECT_FALSE(MenuStatement::apply("%d", 1e300)) << "no integer holds it";
    EXPECT_FALSE(MenuStatement::apply("%d", std::nan("")));
    EXPECT_EQ(MenuStatement::apply("%g", 1e300), "1e+300");
}

// Numbers are printed without the C library, which would follow the process
// locale: the texts must be printf's in the "C" locale, flags and all.
TEST(MenuStatement, FloatConversionsPrintAsPrintfDoesInTheCLocale)
{
    auto printed = [](const std::string& format, double value) {
        char buffer[256]; // the longest conversion a statement shows
        std::snprintf(buffer, sizeof buffer, format.c_str(), value);
        return std::string(buffer);
    };
    // Appended rather than joined with operator+, which GCC 12's optimiser
    // wrongly reports as an overlapping copy (-Wrestrict).
    auto bracketed = [](const std::string& text) {
        std::string out(1, '<');
        out.append(text).push_back('>');
        return out;
    };
    const double values[] = {0,    -0.0,     1.5,   -2.25,   123456.789, 1e-5,      9.99995e-5, 0.5, 2.5,
                             1e21, 999999.5, 1e300, -1e-300, INFINITY,   -INFINITY, NAN,        -NAN};
    for (const char* flags : {"", "-", "+", " ", "#", "0", "+0", "-#", " #0", "-0+"})
        for (const char* width : {"", "1", "12"})
            for (const char* precision : {"", ".", ".0", ".3", ".17"})
                for (char conv : std::string("eEfFgG"))
                    for (double value : values) {
                        const std::string conversion = std::string("%") + flags + width + precision + conv;
                        // glibc's %#g drops the kept zeros when rounding reaches a power of ten.
                        if (value == 999999.5 && std::strchr(flags, '#') && (conv == 'g' || conv == 'G'))
                            continue;
                        EXPECT_EQ(MenuStatement::apply(bracketed(conversion), value),
                                  bracketed(printed(conversion, value)))
                            << conversion << " " << value;
                    }
    EXPECT_EQ(MenuStatement::apply("%#g", 999999.5), "1.00000e+06") << "glibc prints 1.e+06";

    // Texts given to a number conversion are read as strtod reads them.
    for (const char* text : {" +.5e-3 ", "-0", "1e400", "-1e400", "1e-400", "4.9e-324", "1.", "0001e-330", "1e+2"})
        EXPECT_EQ(MenuStatement::apply("%.17g", std::string(text)), printed("%.17g", std::strtod(text, nullptr)))
            << text;
}
