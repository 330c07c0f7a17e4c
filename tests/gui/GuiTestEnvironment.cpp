// One QApplication for the whole GUI test program, made before the first
// test and destroyed after the last.
#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class QtEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "tosk_gui_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setOrganizationName(QStringLiteral("ToskTests"));
        QApplication::setApplicationName(QStringLiteral("ToskTests"));
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

const auto* const environment = testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
