#include "CommandLine.h"
#include "LoggerUnit.h"
#include "TableListUnit.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

std::unique_ptr<TTableList> Load(std::vector<std::string> switches) {
    TParams params{"Updater.exe"};
    params.insert(params.end(), switches.begin(), switches.end());
    return LoadTableList(params);
}

} // namespace

TEST(TableListResource, HoldsEachSetWithItsSizeSortedAndWithoutDuplicates) {
    const std::vector<std::pair<std::string, int>> sets = {{"cr", 85},    {"tf", 58},    {"alder", 85},
                                                           {"birch", 86}, {"cedar", 88}, {"dogwood2", 105},
                                                           {"elm", 86},   {"fir", 90}};
    for (const auto& [name, size] : sets) {
        auto list = Load({"-custom", name});
        ASSERT_EQ(list->Count(), size) << name;
        const auto& names = list->Names();
        EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << name;
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size()) << name;
    }
}

TEST(TableListResource, SiteSetsExtendTheCorvaneList) {
    auto cr = Load({});
    auto alder = Load({"-custom", "alder"});
    EXPECT_EQ(alder->Names(), cr->Names());
    auto fir = Load({"-custom", "fir"});
    for (const std::string& name : cr->Names())
        EXPECT_TRUE(fir->Contains(name)) << name;
    for (const char* added :
         {"discipline", "resource", "resource_category", "resource_checkout", "resource_checkout_log"})
        EXPECT_TRUE(fir->Contains(added)) << added;
    EXPECT_TRUE(Load({"-custom", "birch"})->Contains("admin_accounts"));
    EXPECT_TRUE(Load({"-custom", "dogwood2"})->Contains("student_regexp"));
}

TEST(TableListResource, KeepsTheTallyfixSpellingOfOneTable) {
    auto tf = Load({"-tf"});
    EXPECT_TRUE(tf->Contains("schedule_period_exlusion"));
    EXPECT_FALSE(tf->Contains("schedule_period_exclusion"));
    EXPECT_TRUE(Load({})->Contains("schedule_period_exclusion"));
}

TEST(TableListSelection, WithoutSwitchesTakesTheCorvaneListAndLogsBothLines) {
    testing_support::CapturedLog log;
    auto list = Load({});
    EXPECT_EQ(list->Count(), 85);
    EXPECT_EQ((*list)[0], "activation");
    EXPECT_EQ(log.Messages(),
              (std::vector<std::string>{"command line custom parameter - ", "Hashmap key - cr"}));
}

TEST(TableListSelection, ProductSwitchSelectsTheTallyfixList) {
    EXPECT_EQ(Load({"-tf"})->Count(), 58);
    EXPECT_EQ(Load({"/TF"})->Count(), 58);
    EXPECT_EQ(Load({"-tfx"})->Count(), 85);
}

TEST(TableListSelection, ValidCustomSetBeatsTheProductSwitch) {
    testing_support::CapturedLog log;
    EXPECT_EQ(Load({"-custom", "elm", "-tf"})->Count(), 86);
    EXPECT_EQ(log.Messages().back(), "Hashmap key - elm");
    EXPECT_EQ(Load({"-tf", "/Custom:elm"})->Count(), 86);
    EXPECT_EQ(Load({"-customelm"})->Count(), 86);
}

TEST(TableListSelection, UnknownOrMissingCustomValueFallsBackToTheProductDefault) {
    testing_support::CapturedLog log;
    EXPECT_EQ(Load({"-custom:ELM"})->Count(), 85);
    EXPECT_EQ(log.Messages()[0], "command line custom parameter - ELM");
    EXPECT_EQ(log.Messages()[1], "Hashmap key - cr");
    EXPECT_EQ(Load({"-custom:ELM", "-tf"})->Count(), 58);
    EXPECT_EQ(Load({"-custom", "nosuchset"})->Count(), 85);
    EXPECT_EQ(Load({"-tf", "-custom"})->Count(), 58);
    EXPECT_EQ(Load({"-custom", "-tf"})->Count(), 58);
    EXPECT_EQ(Load({"-custom:"})->Count(), 85);
}

TEST(TableListSelection, FirstCustomSwitchWins) {
    EXPECT_EQ(Load({"-custom", "fir", "-custom", "elm"})->Count(), 90);
}

TEST(TableListLookup, IgnoresLetterCase) {
    auto list = Load({});
    EXPECT_TRUE(list->Contains("ROOM"));
    EXPECT_EQ(list->IndexOf("Room"), list->IndexOf("room"));
    EXPECT_FALSE(list->Contains("rooms"));
    EXPECT_EQ(list->IndexOf("ROOM_"), -1);
}

TEST(SwitchValue, ReadsAttachedAndFollowingValues) {
    EXPECT_EQ(FindCmdLineSwitchValue(TParams{"Updater.exe", "-custom:alder"}, "custom").value_or(""),
              "alder");
    EXPECT_EQ(FindCmdLineSwitchValue(TParams{"Updater.exe", "-customalder"}, "custom").value_or(""), "alder");
    EXPECT_EQ(FindCmdLineSwitchValue(TParams{"Updater.exe", "-custom::x"}, "custom").value_or(""), ":x");
    EXPECT_EQ(FindCmdLineSwitchValue(TParams{"Updater.exe", "a", "-CUSTOM", "b"}, "custom").value_or(""),
              "b");
    EXPECT_EQ(FindCmdLineSwitchValue(TParams{"Updater.exe", "-custom", "/x"}, "custom").value_or(""), "");
    EXPECT_EQ(FindCmdLineSwitchValue(TParams{"Updater.exe", "custom", "x"}, "custom").value_or(""), "");
}
