#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLineSplit, BlanksSeparateAndQuotesGroupWithoutEatingBackslashes) {
    EXPECT_EQ(ParseCommandLine("\"C:\\Program Files\\Updater.exe\"  \"C:\\Old Version\\\"\tD:\\New -tf"),
              (TParams{"C:\\Program Files\\Updater.exe", "C:\\Old Version\\", "D:\\New", "-tf"}));
    EXPECT_EQ(ParseCommandLine("a\"b c\"d \"\" e"), (TParams{"ab cd", "", "e"}));
    EXPECT_EQ(ParseCommandLine("   "), TParams{});
    EXPECT_EQ(ParseCommandLine("x \"unterminated y"), (TParams{"x", "unterminated y"}));
}

TEST(CommandLineSwitches, DashOrSlashAndTheNameInAnyCase) {
    TParams params{"-tf", "C:\\old", "C:\\new", "/TF"};
    EXPECT_TRUE(FindCmdLineSwitch(params, "tf"));
    EXPECT_FALSE(FindCmdLineSwitch(TParams{"-tf", "a", "b"}, "tf")) << "parameter 0 is the program";
    EXPECT_FALSE(FindCmdLineSwitch(TParams{"u", "a", "b", "tf", "-tfx", "--tf"}, "tf"));
    EXPECT_TRUE(FindCmdLineSwitch(TParams{"u", "a", "b", "-Tf"}, "tf"));
}

TEST(CommandLineSwitches, TheCustomValueFollowsTheSwitchInEveryForm) {
    auto value = [](TParams p) {
        p.insert(p.begin(), "Updater");
        return FindCmdLineSwitchValue(p, "custom");
    };
    EXPECT_EQ(value({"a", "b", "-custom:alder"}), "alder");
    EXPECT_EQ(value({"a", "b", "/CUSTOMalder"}), "alder");
    EXPECT_EQ(value({"a", "b", "-custom", "elm", "-tf"}), "elm");
    EXPECT_EQ(value({"a", "b", "-custom:"}), "");
    EXPECT_EQ(value({"a", "b", "-custom"}), "");
    EXPECT_EQ(value({"a", "b", "-custom", "/tf"}), "");
    EXPECT_EQ(value({"a", "b", "-custom:first", "-custom:second"}), "first");
    EXPECT_EQ(value({"a", "b", "-tf"}), std::nullopt);
}

TEST(CommandLineSwitches, ProcessWideParametersByIndex) {
    SetCommandLineParams({"Updater", "C:\\old", "C:\\new", "-tf"});
    EXPECT_EQ(ParamCount(), 3);
    EXPECT_EQ(ParamStr(2), "C:\\new");
    EXPECT_EQ(ParamStr(9), "");
    EXPECT_TRUE(FindCmdLineSwitch("tf"));
    SetCommandLineParams({});
    EXPECT_EQ(ParamCount(), 0);
    EXPECT_FALSE(FindCmdLineSwitch("tf"));
}

} // namespace
