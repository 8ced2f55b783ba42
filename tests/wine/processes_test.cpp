// Child processes under Wine: captured and streamed output, exit codes, working folders, termination.
#include "WinUtilsUnit.h"
#include "WineTestSupport.h"
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace plat;
using winetest::HelperPath;
using winetest::ReadFile;
using winetest::TempDir;

std::string Child(const std::string& commands) {
    return "\"" + HelperPath("wine_test_child.exe") + "\" " + commands;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// True once the process of that id is gone (or never existed).
bool ProcessEnded(uint32_t pid) {
    win::unique_handle h(OpenProcess(SYNCHRONIZE, FALSE, pid));
    return !h || WaitForSingleObject(h.get(), 30000) == WAIT_OBJECT_0;
}

uint32_t PidFrom(const std::string& file) {
    std::string text;
    winetest::WaitUntil([&] { return !(text = ReadFile(file)).empty(); }, 60000);
    return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
}

TEST(ExecConsoleApp, CollectsStandardOutputAndErrorSeparately) {
    std::vector<std::string> out{"old"}, err{"old"};
    EXPECT_TRUE(TWinUtils::ExecConsoleApp(Child("out a err b"), out, err));
    EXPECT_EQ(out, std::vector<std::string>{"a"});
    EXPECT_EQ(err, std::vector<std::string>{"b"});
}

TEST(ExecConsoleApp, RunsInTheGivenFolderAndDrainsOutputLargerThanThePipe) {
    TempDir dir;
    std::vector<std::string> out, err;
    ASSERT_TRUE(
        TWinUtils::ExecConsoleApp(Child("cwdfile \"" + dir.Windows("cwd.txt") + "\""), out, err, dir.Path()));
    EXPECT_EQ(Lower(ReadFile(dir.Windows("cwd.txt"))), Lower(dir.Path()));

    // Far more than a pipe holds: a reader that only starts after the child's end would wait forever.
    ASSERT_TRUE(TWinUtils::ExecConsoleApp(Child("fill 300000"), out, err, std::nullopt, 120000));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], std::string(300000, 'x'));
}

TEST(ExecConsoleApp, ChildRunningTooLongIsEndedAndTheListsStayAsTheyWere) {
    TempDir dir;
    std::vector<std::string> out{"old out"}, err{"old err"};
    EXPECT_FALSE(TWinUtils::ExecConsoleApp(Child("pidfile \"" + dir.Windows("pid") + "\" sleep 120000"), out,
                                           err, std::nullopt, 3000));
    EXPECT_EQ(out, std::vector<std::string>{"old out"});
    EXPECT_EQ(err, std::vector<std::string>{"old err"});
    uint32_t pid = PidFrom(dir.Windows("pid"));
    ASSERT_NE(pid, 0u);
    EXPECT_TRUE(ProcessEnded(pid));
}

TEST(ExecConsoleApp, MissingProgramIsAFailureForEveryRunner) {
    const std::string missing = "Z:\\no\\such\\program_" + winetest::UniqueName("") + ".exe";
    std::vector<std::string> out{"kept"}, err;
    EXPECT_FALSE(TWinUtils::ExecConsoleApp(missing, out, err));
    EXPECT_EQ(out, std::vector<std::string>{"kept"});
    EXPECT_EQ(TWinUtils::WinExec32AndWait(missing, SW_HIDE_), 4294967295u);
    int calls = 0;
    TWinUtils::ExecConsoleAppWithCaptureOutput(missing, "", [&](const char*) { ++calls; });
    EXPECT_EQ(calls, 0);
}

TEST(CaptureOutput, StreamsABatchFileRunByCmdInTheGivenFolder) {
    TempDir dir;
    const std::string bat = dir.Windows("steps.bat");
    winetest::WriteFile(bat, "@echo off\r\necho first line\r\necho second line 1>&2\r\ncd\r\n");
    std::string all;
    TWinUtils::ExecConsoleAppWithCaptureOutput(TWinUtils::GetSystemDir() + "\\cmd.exe /c \"" + bat + "\"",
                                               dir.Path(), [&](const char* chunk) { all += chunk; });
    EXPECT_NE(all.find("first line"), std::string::npos) << all;
    EXPECT_NE(all.find("second line"), std::string::npos) << all;
    EXPECT_NE(Lower(all).find(Lower(dir.Path())), std::string::npos) << all;
}

TEST(ExecConsoleApp, CmdTakesOffTheOuterQuotesAfterItsSwitchSoAScriptAndItsArgumentMayBothHoldBlanks) {
    TempDir dir("tk wine quoting ");
    const std::string bat = dir.Windows("a b\\backup.bat");
    winetest::WriteFile(bat, "@echo off\r\necho %~1> \"%~dp0argument.txt\"\r\n");
    const std::string file = dir.Windows("f g.sql");
    const std::string interpreter = Host().ExpandEnvironment("%COMSPEC%", 260);
    std::vector<std::string> out, err;
    ASSERT_TRUE(TWinUtils::ExecConsoleApp(interpreter + " /c \"\"" + bat + "\" \"" + file + "\"\"", out, err,
                                          dir.Path()));
    EXPECT_TRUE(err.empty()) << err.front();
    EXPECT_EQ(ReadFile(dir.Windows("a b\\argument.txt")), file + "\r\n");
}

TEST(CaptureOutput, HandsOverLargeOutputInNulTerminatedChunksOfAtMost2400Bytes) {
    std::vector<std::string> chunks;
    TWinUtils::ExecConsoleAppWithCaptureOutput(Child("fill 5000"), "",
                                               [&](const char* chunk) { chunks.emplace_back(chunk); });
    size_t total = 0;
    for (const std::string& c : chunks) {
        EXPECT_LE(c.size(), TWinUtils::CaptureChunkSize);
        EXPECT_EQ(c.find_first_not_of('x'), std::string::npos);
        total += c.size();
    }
    EXPECT_EQ(total, 5000u);
    EXPECT_GE(chunks.size(), 3u);
}

TEST(WinExec32AndWait, ReturnsTheExitCodeOfAChildStartedInTheGivenFolder) {
    TempDir dir;
    EXPECT_EQ(TWinUtils::WinExec32AndWait(Child("exit 7"), SW_HIDE_), 7u);
    EXPECT_EQ(TWinUtils::WinExec32AndWait(Child("cwdfile cwd.txt exit 0"), SW_SHOW_, dir.Path()), 0u);
    EXPECT_EQ(Lower(ReadFile(dir.Windows("cwd.txt"))), Lower(dir.Path()));
}

TEST(ProcessBackend, CombinedPipeCarriesBothStreamsAndEndsWithTheChild) {
    ProcessStartInfo info;
    info.CommandLine = Child("out a err b");
    info.Stdio = StdioMode::CombinedPipe;
    auto child = Processes().CreateProcess(info);
    ASSERT_TRUE(child);
    EXPECT_EQ(child->Errors(), nullptr);
    ASSERT_EQ(child->Wait(60000), WaitResult::Signaled);

    std::string text;
    char buffer[16];
    uint32_t available = 0;
    while (child->Output()->Peek(available) && available > 0) {
        uint32_t got = 0;
        ASSERT_TRUE(child->Output()->Read(buffer, sizeof buffer, got));
        text.append(buffer, got);
    }
    EXPECT_EQ(text, "ab");
    uint32_t code = 1;
    EXPECT_TRUE(child->GetExitCode(code));
    EXPECT_EQ(code, 0u);
}

TEST(ProcessBackend, SeparatePipesReachTheirEndWhenTheChildExits) {
    ProcessStartInfo info;
    info.CommandLine = Child("out 12345 err e exit 3");
    info.Stdio = StdioMode::SeparatePipes;
    info.NewConsole = true;
    auto child = Processes().CreateProcess(info);
    ASSERT_TRUE(child);
    std::string out;
    char buffer[4];
    uint32_t got = 0;
    while (child->Output()->Read(buffer, sizeof buffer, got) && got > 0)
        out.append(buffer, got);
    EXPECT_EQ(out, "12345");
    ASSERT_TRUE(child->Errors()->Read(buffer, sizeof buffer, got));
    EXPECT_EQ(std::string(buffer, got), "e");
    ASSERT_EQ(child->Wait(60000), WaitResult::Signaled);
    uint32_t code = 0;
    EXPECT_TRUE(child->GetExitCode(code));
    EXPECT_EQ(code, 3u);
}

TEST(ProcessBackend, TerminatesAChildByItsIdWithTheGivenExitCode) {
    ProcessStartInfo info;
    info.CommandLine = Child("sleep 120000");
    auto child = Processes().CreateProcess(info);
    ASSERT_TRUE(child);
    EXPECT_EQ(child->Wait(0), WaitResult::Timeout);
    EXPECT_TRUE(Processes().TerminateProcessById(child->Pid(), 4294967295u, 30000));
    ASSERT_EQ(child->Wait(60000), WaitResult::Signaled);
    uint32_t code = 0;
    EXPECT_TRUE(child->GetExitCode(code));
    EXPECT_EQ(code, 4294967295u);
    ProcessStartInfo missing;
    missing.CommandLine = "Z:\\no\\such\\program.exe";
    EXPECT_FALSE(Processes().CreateProcess(missing));
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);
}

} // namespace
