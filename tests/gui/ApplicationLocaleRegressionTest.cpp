// Faults found in review: Qt takes the desktop's locale for everything,
// numbers included, and the program then wrote "3,0000" on order badges and
// "0,5" where the unit and the file expect "0.5".
#include "Toskfile/MyExtensions.h"
#include "app/ToskApplication.h"
#include "base/Log.h"
#include "canvas/ModulePainter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

using namespace tosk;

TEST(ApplicationLocaleRegression, NumbersStayInTheCFormUnderADesktopLocaleWithACommaDecimal)
{
    // A German locale made for the test, as a German desktop would give Qt.
    test::TempDir dir;
    const std::string locale = (dir / "de_DE.UTF-8").string();
    const std::string make = "localedef -i de_DE -f UTF-8 '" + locale + "' >/dev/null 2>&1";
    if (std::system(make.c_str()) != 0)
        GTEST_SKIP() << "localedef cannot make a de_DE locale here";
    ::setenv("LOCPATH", dir.path().c_str(), 1);
    struct Restore {
        ~Restore()
        {
            std::setlocale(LC_NUMERIC, "C");
            ::unsetenv("LOCPATH");
        }
    } restore;
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || format("%.1f", 0.5) != "0,5")
        GTEST_SKIP() << "the de_DE locale does not take effect here";

    ToskApplication::useCNumbers();
    EXPECT_EQ(ModulePainter::orderText(3), "3");
    EXPECT_EQ(numberString(0.25), "0.25");
    EXPECT_EQ(format("%.1f", 0.5), "0.5");
}
