// SPDX-License-Identifier: GPL-3.0-or-later
// Faults found in review: Qt takes the desktop's locale for everything,
// numbers included, and the program then wrote "3,0000" on order badges and
// "0,5" where the unit and the file expect "0.5".
#include "Toskfile/MyExtensions.h"
#include "app/ToskApplication.h"
#include "base/Log.h"
#include "canvas/ModulePainter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace tosk;

TEST(ApplicationLocaleRegression, NumbersStayInTheCFormUnderADesktopLocaleWithACommaDecimal)
{
    test::ScopedCommaLocale german;
    if (!german.active())
        GTEST_SKIP() << "no de_DE locale with a comma decimal can be made here";

    ToskApplication::useCNumbers();
    EXPECT_EQ(ModulePainter::orderText(3), "3");
    EXPECT_EQ(numberString(0.25), "0.25");
    EXPECT_EQ(format("%.1f", 0.5), "0.5");
}
