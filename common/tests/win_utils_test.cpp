#include "WinUtilsUnit.h"

#include "win_utils_fakes.h"

#include <gtest/gtest.h>

using namespace plat;
using namespace std::string_literals;

namespace {

// Records what ProcessTerminate asks of the process layer.
class FakeProcesses : public IProcesses {
public:
    bool HoldsDebugPrivilege = true;
    std::vector<std::string> Calls;

    std::unique_ptr<IProcess> CreateProcess(const ProcessStartInfo&) override { return nullptr; }
    bool SetDebugPrivilege(bool enable) override {
        Calls.push_back(enable ? "enable" : "disable");
        return HoldsDebugPrivilege;
    }
    bool TerminateProcessById(uint32_t pid, uint32_t exitCode, uint32_t waitMs) override {
        Calls.push_back("terminate " + std::to_string(pid) + " " + std::to_string(exitCode));
        return true;
    }
    bool IsElevated() override { return true; }
};

TEST(ProcessTerminateTest, EndsTheProcessAlsoWithoutTheDebugPrivilege) {
    auto processes = std::make_shared<FakeProcesses>();
    Platform parts;
    parts.Processes = processes;
    ScopedOverride platform(parts);

    EXPECT_TRUE(TWinUtils::ProcessTerminate(88));
    EXPECT_EQ((std::vector<std::string>{"enable", "terminate 88 4294967295", "disable"}), processes->Calls);

    processes->Calls.clear();
    processes->HoldsDebugPrivilege = false;
    EXPECT_TRUE(TWinUtils::ProcessTerminate(99));
    EXPECT_EQ((std::vector<std::string>{"enable", "terminate 99 4294967295"}), processes->Calls);
}

TEST(EnumIPTest, ListsEveryAddressButLoopbackEachEndedByCrLf) {
    auto host = std::make_shared<testing_fakes::FakeHost>();
    Platform parts;
    parts.Host = host;
    ScopedOverride platform(parts);

    host->Addresses = {"127.0.0.1", "192.168.1.5"};
    std::string sInt = "stale";
    TWinUtils::EnumIP(sInt);
    EXPECT_EQ("192.168.1.5\r\n", sInt);

    host->Addresses = {"10.0.0.2", "127.0.0.1", "127.0.0.10"};
    TWinUtils::EnumIP(sInt);
    EXPECT_EQ("10.0.0.2\r\n127.0.0.10\r\n", sInt);

    host->Addresses.clear();
    host->AddressesAvailable = false;
    TWinUtils::EnumIP(sInt);
    EXPECT_EQ("", sInt);
}

TEST(LoadTextLinesTest, ByteOrderMarkChoosesTheEncodingElseAnsi) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(Lines{"café"}, LoadTextLines("\xEF\xBB\xBF"
                                           "caf\xC3\xA9"));
    EXPECT_EQ(Lines{"café"}, LoadTextLines("caf\xE9"));
    EXPECT_EQ(Lines{"aé"}, LoadTextLines("\xFF\xFE"
                                         "a\0\xE9\0"s));
    EXPECT_EQ(Lines{"aé"}, LoadTextLines("\xFE\xFF"
                                         "\0a\0\xE9"s));
    EXPECT_EQ(Lines{"\xEF\xBF\xBD"}, LoadTextLines("\xEF\xBB\xBF\xFF")) << "invalid UTF-8 is replaced";
}

TEST(LoadTextLinesTest, SplitsAtCrLfCrAndLfAndStopsAtNul) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ((Lines{"a", "b", "c", "", "d"}), LoadTextLines("a\r\nb\rc\n\nd"));
    EXPECT_EQ((Lines{"a", ""}), LoadTextLines("a\r\n\r\n"));
    EXPECT_TRUE(LoadTextLines("").empty());
    EXPECT_EQ(Lines{"ab"}, LoadTextLines("ab\0cd\r\nef"s));
    EXPECT_EQ(Lines{"x"}, LoadTextLines("\xFF\xFE"
                                        "x\0\0\0y\0"s));
    EXPECT_EQ(Lines{"x"}, LoadTextLines("\xFF\xFE"
                                        "x\0y"s));
}

TEST(CanonicalizePathTest, ResolvesDotPartsWithoutClimbingAboveTheRoot) {
    EXPECT_EQ("C:\\TF\\temp\\x.hprof", CanonicalizePath("C:\\TF\\manager\\..\\temp\\.\\x.hprof"));
    EXPECT_EQ("C:\\x", CanonicalizePath("C:\\..\\..\\x"));
    EXPECT_EQ("\\\\server\\share\\b\\", CanonicalizePath("\\\\server\\share\\a\\..\\b\\"));
    EXPECT_EQ("/opt\\tf\\temp", CanonicalizePath("/opt/tf/manager/../temp"));
}

} // namespace
