// SPDX-License-Identifier: GPL-3.0-or-later
// One QApplication for the whole GUI test program, made before the first
// test and destroyed after the last.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

class QtEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        // The disk browser keeps its library index in the user's cache:
        // the tests' indexes go to a folder of their own.
        char cache[] = "/tmp/tosk-gui-tests-cache-XXXXXX";
        if (::mkdtemp(cache)) {
            cache_ = cache;
            ::setenv("XDG_CACHE_HOME", cache, 1);
        }
        static int argc = 1;
        static char name[] = "tosk_gui_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setOrganizationName(QStringLiteral("ToskTests"));
        QApplication::setApplicationName(QStringLiteral("ToskTests"));
    }
    void TearDown() override
    {
        app_.reset();
        std::error_code ec;
        if (!cache_.empty())
            std::filesystem::remove_all(cache_, ec);
    }

private:
    std::unique_ptr<QApplication> app_;
    std::string cache_;
};

const auto* const environment = testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
