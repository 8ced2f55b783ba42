// Host facts under Wine: computer name, IPv4 interfaces, system folder, Windows version, error texts,
// version resources of executables and resources compiled into the running program.
#include "WinUtilsUnit.h"
#include "WineTestSupport.h"
#include "platform/Resources.h"
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace {

using namespace plat;

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

bool IsDottedQuad(const std::string& s) {
    std::istringstream in(s);
    int parts = 0;
    std::string part;
    while (std::getline(in, part, '.')) {
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos ||
            std::stoi(part) > 255)
            return false;
        ++parts;
    }
    return parts == 4;
}

TEST(HostFacts, ComputerNameMatchesTheEnvironmentsName) {
    std::string name = TWinUtils::GetComputerNetName();
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(name.find('\0'), std::string::npos);
    const char* env = std::getenv("COMPUTERNAME");
    ASSERT_NE(env, nullptr);
    EXPECT_EQ(Upper(name), Upper(env));
}

TEST(HostFacts, EnumIPListsEveryAddressButLoopbackEachEndedByCrLf) {
    std::vector<std::string> all;
    ASSERT_TRUE(Host().Ipv4Interfaces(all));
    EXPECT_FALSE(all.empty()) << "every host has at least its loopback interface";
    std::string expected;
    for (const std::string& a : all) {
        EXPECT_TRUE(IsDottedQuad(a)) << a;
        if (a != "127.0.0.1")
            expected += a + "\r\n";
    }
    std::string sInt = "stale";
    TWinUtils::EnumIP(sInt);
    EXPECT_EQ(sInt, expected);
    if (!sInt.empty()) {
        EXPECT_EQ(sInt.substr(sInt.size() - 2), "\r\n");
    }
}

TEST(HostFacts, SystemFolderExistsAndHoldsCmdWithoutATrailingBackslash) {
    std::string dir = TWinUtils::GetSystemDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\');
    EXPECT_TRUE(Files().DirectoryExists(dir));
    EXPECT_TRUE(Files().FileExists(dir + "\\cmd.exe"));
}

TEST(HostFacts, ComSpecExpandsToTheCommandInterpreterOnlyWhenItFitsTheBuffer) {
    const std::string interpreter = Host().ExpandEnvironment("%COMSPEC%", 260);
    ASSERT_FALSE(interpreter.empty());
    EXPECT_TRUE(Files().FileExists(interpreter)) << interpreter;
    EXPECT_EQ(Host().ExpandEnvironment("%TK_NO_SUCH_VARIABLE%", 260), "%TK_NO_SUCH_VARIABLE%");
    const auto withNul = static_cast<uint32_t>(interpreter.size() + 1);
    EXPECT_EQ(Host().ExpandEnvironment("%COMSPEC%", withNul), interpreter);
    EXPECT_EQ(Host().ExpandEnvironment("%COMSPEC%", withNul - 1), "");
    EXPECT_EQ(LastError(), ERROR_INSUFFICIENT_BUFFER_);
    EXPECT_FALSE(Host().DecimalSeparator().empty());
}

TEST(HostFacts, VersionIsAnNtVersionThatBothClassificationsKnow) {
    OsVersion v;
    ASSERT_TRUE(Host().GetVersion(v));
    EXPECT_EQ(v.PlatformId, 2u);
    EXPECT_GE(v.Major, 6u);
    if (v.Major == 6) {
        EXPECT_EQ(GetWinVersion(), wvVista);
    }
    EXPECT_EQ(WinVersionSnapshot().Major, v.Major);
    EXPECT_EQ(WinVersionSnapshot().Minor, v.Minor);
}

TEST(HostFacts, SystemErrorTextsComeWithoutTheLineBreakAndUnknownCodesGiveNone) {
    std::string text = Host().SysErrorMessage(ERROR_ACCESS_DENIED_);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
    EXPECT_EQ(Host().SysErrorMessage(0x2FFFFFFF), "");
}

// "Sysnative" is the name through which a redirected 32-bit process reaches the real system folder;
// it is there only while redirection is on, and never for a 64-bit process.
TEST(HostFacts, RedirectionSwitchesOffAndBackForThe32BitProgramOnly) {
    const std::string sysnative = TWinUtils::GetSystemDir() + "\\..\\Sysnative";
    const bool redirected = sizeof(void*) == 4;
    EXPECT_EQ(Files().DirectoryExists(sysnative), redirected);
    void* old = nullptr;
    bool off = Host().DisableWow64Redirection(old);
    EXPECT_EQ(off, redirected);
    EXPECT_FALSE(Files().DirectoryExists(sysnative));
    if (off) {
        EXPECT_TRUE(Host().RevertWow64Redirection(old));
        EXPECT_TRUE(Files().DirectoryExists(sysnative));
    }
}

TEST(VersionResources, FileVersionComesFromTheExecutablesVersionResource) {
    uint32_t ms = 0, ls = 0;
    ASSERT_TRUE(Files().GetFileVersion(winetest::HelperPath("wine_test_service.exe"), ms, ls));
    EXPECT_EQ(ms, (3u << 16) | 14u);
    EXPECT_EQ(ls, (15u << 16) | 926u);

    EXPECT_FALSE(Files().GetFileVersion(winetest::HelperPath("wine_test_child.exe"), ms, ls))
        << "a program without a version resource has no version";
    EXPECT_FALSE(Files().GetFileVersion(winetest::HelperPath("no_such_program.exe"), ms, ls));
}

TEST(ProgramResources, RawDataAndNamedTypesAreFoundByName) {
    EXPECT_EQ(FindResourceData("TKDATA"), "resource bytes");
    EXPECT_EQ(FindResourceData("TKCLIP", "AVI"), "RIFF clip");
    EXPECT_TRUE(FindResourceData("TKCLIP").empty()) << "the clip is no raw data";
    EXPECT_TRUE(FindResourceData("NO_SUCH_RESOURCE").empty());
}

} // namespace
