#include "Toskfile/MenuStatement.h"

#include <gtest/gtest.h>

#include <cmath>

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
