// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LogCategories.h"
#include "fakes/LogCapture.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>

#include <array>

using namespace brisa;

namespace {

constexpr std::array kCategories{LogCategory::Core, LogCategory::Store, LogCategory::Platform,
                                 LogCategory::X11,  LogCategory::Ui,    LogCategory::App};

std::string lineOf(LogCategory category) { return "[Brisa] una línea de " + std::string(logCategoryName(category)); }

// The rules are given as QT_LOGGING_RULES gives them (it is read once a process, so the cases set
// them through the same parser instead).
class LogCategoriesTest : public ::testing::TestWithParam<std::string> {
protected:
    void TearDown() override
    {
        QLoggingCategory::setFilterRules({});
        setLogFilter({});
    }
};

} // namespace

TEST_P(LogCategoriesTest, RulesSilenceOneLayerAndLeaveTheOthers)
{
    for (const LogCategory silenced : kCategories) {
        const std::string layer(logCategoryName(silenced));
        QLoggingCategory::setFilterRules(QString::fromStdString(layer + GetParam()));
        followQtLoggingRules();
        test::LogCapture log;
        for (const LogCategory category : kCategories)
            logf(category, "una línea de {}", logCategoryName(category));
        for (const LogCategory category : kCategories)
            EXPECT_EQ(log.contains(lineOf(category)), category != silenced) << layer << GetParam();
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, LogCategoriesTest, ::testing::Values("=false", ".info=false"));

TEST(LogCategoriesDefault, WithoutRulesEveryLayerIsWrittenInTheSameFormat)
{
    test::LogCapture log;
    followQtLoggingRules();
    logLine(LogCategory::X11, "hola");
    logLine("adiós");
    setLogFilter({});
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"[Brisa] hola", "[Brisa] adiós"}));
}
