// TWinUtils against real child processes of the posix backend, started through /bin/sh -c.
#include "TempDir.h"
#include "WinUtilsUnit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <unistd.h>

using namespace plat;
using Lines = std::vector<std::string>;

namespace {

std::string Sh(const std::string& script) {
    return "/bin/sh -c \"" + script + "\"";
}

// The real process backend, remembering which children it started and which ids it was asked to end.
class WatchedProcesses : public IProcesses {
public:
    std::shared_ptr<IProcesses> Inner = Current().Processes;
    std::vector<uint32_t> Started, Terminated;

    std::unique_ptr<IProcess> CreateProcess(const ProcessStartInfo& info) override {
        auto process = Inner->CreateProcess(info);
        if (process)
            Started.push_back(process->Pid());
        return process;
    }
    bool SetDebugPrivilege(bool enable) override { return Inner->SetDebugPrivilege(enable); }
    bool TerminateProcessById(uint32_t pid, uint32_t exitCode, uint32_t waitMs) override {
        Terminated.push_back(pid);
        return Inner->TerminateProcessById(pid, exitCode, waitMs);
    }
    bool IsElevated() override { return Inner->IsElevated(); }
};

class RealChildTest : public ::testing::Test {
protected:
    std::string Captured(const std::string& cmd, const std::string& dir = "") {
        std::string all;
        TWinUtils::ExecConsoleAppWithCaptureOutput(cmd, dir, [&](const char* chunk) {
            chunks.emplace_back(chunk);
            all += chunk;
        });
        return all;
    }

    testsupport::TempDir scratch;
    const std::string folder = scratch.Path();
    std::shared_ptr<WatchedProcesses> processes = std::make_shared<WatchedProcesses>();
    ScopedOverride platform{Parts()};
    Lines chunks;

private:
    Platform Parts() {
        Platform parts;
        parts.Processes = processes;
        return parts;
    }
};

TEST_F(RealChildTest, ExecConsoleAppKeepsStandardOutputAndErrorApart) {
    Lines output{"old"}, errors{"old"};
    EXPECT_TRUE(TWinUtils::ExecConsoleApp(Sh("printf a; printf b >&2"), output, errors));
    EXPECT_EQ(Lines{"a"}, output);
    EXPECT_EQ(Lines{"b"}, errors);

    EXPECT_TRUE(
        TWinUtils::ExecConsoleApp(Sh("printf 'caf\\351\\r\\nin '; pwd"), output, errors, folder, 60000));
    EXPECT_EQ((Lines{"café", "in " + std::filesystem::canonical(folder).string()}), output);
    EXPECT_TRUE(errors.empty());
}

TEST_F(RealChildTest, ExecConsoleAppSurvivesMoreThanAPipeBufferOnBothStreams) {
    Lines output, errors;
    ASSERT_TRUE(TWinUtils::ExecConsoleApp(Sh("head -c 300000 /dev/zero | tr '\\000' y; head -c 200000 "
                                             "/dev/zero | tr '\\000' z >&2; echo; echo end"),
                                          output, errors, std::nullopt, 120000));
    EXPECT_EQ((Lines{std::string(300000, 'y'), "end"}), output);
    EXPECT_EQ(Lines{std::string(200000, 'z')}, errors);
}

TEST_F(RealChildTest, ExecConsoleAppEndsAChildThatRunsTooLong) {
    Lines output{"old out"}, errors{"old err"};
    EXPECT_FALSE(
        TWinUtils::ExecConsoleApp(Sh("echo started; exec sleep 60"), output, errors, std::nullopt, 300));
    EXPECT_EQ(Lines{"old out"}, output);
    EXPECT_EQ(Lines{"old err"}, errors);
    ASSERT_EQ(1u, processes->Started.size());
    EXPECT_EQ(processes->Started, processes->Terminated);
    EXPECT_NE(0, ::kill(static_cast<pid_t>(processes->Started[0]), 0)) << "the child is gone";
}

TEST_F(RealChildTest, AMissingProgramRunsNothing) {
    const std::string missing = folder + "/no-such-program --flag";
    Lines output{"old"}, errors{"old"};
    EXPECT_FALSE(TWinUtils::ExecConsoleApp(missing, output, errors));
    EXPECT_EQ(Lines{"old"}, output);
    EXPECT_EQ(4294967295u, TWinUtils::WinExec32AndWait(missing, SW_HIDE_));
    EXPECT_EQ("", Captured(missing));
    EXPECT_TRUE(chunks.empty());
}

TEST_F(RealChildTest, CaptureStreamsConvertedOutputInBoundedChunks) {
    EXPECT_EQ(std::string(5000, 'x'), Captured(Sh("head -c 5000 /dev/zero | tr '\\000' x")));
    EXPECT_GE(chunks.size(), 3u);
    for (const std::string& chunk : chunks)
        EXPECT_LE(chunk.size(), TWinUtils::CaptureChunkSize);

    // 0x82 is e-acute in code page 437 (OEM) and 0xE9 in code page 1252 (ANSI).
    EXPECT_EQ("caf\xE9 err", Captured(Sh("printf 'caf\\202'; printf ' err' >&2")));
    scratch.Write("marker", "m");
    EXPECT_EQ("marker\n", Captured(Sh("ls"), folder));
}

TEST_F(RealChildTest, CaptureKeepsOutputThatArrivesAfterTheEndButNotWaitForAHeldPipe) {
    // A program the script started writes once the script itself has ended.
    EXPECT_EQ("early\nlate\n",
              Captured(Sh("(while kill -0 $$ 2>/dev/null; do sleep 0.01; done; echo late) & echo early")));
    // One that keeps the pipe open and says nothing does not keep the capture waiting.
    EXPECT_EQ("started\n", Captured(Sh("sleep 30 & echo started")));
    // Nor does one that keeps writing.
    const std::string endless = Captured(Sh("(while :; do echo tick; sleep 0.05; done) & echo started"));
    EXPECT_NE(std::string::npos, endless.find("started\n")) << endless.substr(0, 100);
    EXPECT_NE(std::string::npos, endless.find("tick\n")) << "what it writes after the end is kept";
}

TEST_F(RealChildTest, WinExec32AndWaitReturnsTheExitCodeInTheGivenFolder) {
    EXPECT_EQ(7u, TWinUtils::WinExec32AndWait(Sh("exit 7"), SW_HIDE_));
    scratch.Write("unins000.exe", "x");
    EXPECT_EQ(0u, TWinUtils::WinExec32AndWait(Sh("test -f unins000.exe"), SW_SHOW_, folder));
    EXPECT_EQ(1u, TWinUtils::WinExec32AndWait(Sh("test -f unins000.exe"), SW_SHOW_));
}

} // namespace
