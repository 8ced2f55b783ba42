#include "LoggerUnit.h"
#include "TempDir.h"
#include "UninstallUnit.h"
#include "platform/Platform.h"
#include "platform/sim/SimRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using namespace std::string_literals;

class CapturedLog : public TLoggerHandler {
public:
    CapturedLog() : TLoggerHandler(logFinest) { SetActive(true); }
    void Notify(const std::string& message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        lines.push_back(message);
    }
    bool Contains(const std::string& part) const {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.find(part) != std::string::npos; });
    }
    std::vector<std::string> lines;

protected:
    void DoSetActive(bool value) override { FActive = value; }

private:
    std::mutex mutex_;
};

struct RegistryFixture : ::testing::Test {
    plat::Platform RegistryOnly() {
        plat::Platform parts;
        parts.Registry = registry;
        return parts;
    }

    std::shared_ptr<plat::sim::SimRegistry> registry = std::make_shared<plat::sim::SimRegistry>();
    plat::ScopedOverride over{RegistryOnly()};
    CapturedLog log;

    void SetJvmMx(const char* dword) {
        ASSERT_TRUE(
            registry->Import(std::string("Windows Registry Editor Version 5.00\r\n\r\n"
                                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Apache Software "
                                         "Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java]\r\n"
                                         "\"JvmMx\"=dword:") +
                             dword + "\r\n"));
    }
    std::string Backup() const { return registry->Export(); }
};

using SaveJavaHeapTest = RegistryFixture;

TEST_F(SaveJavaHeapTest, SmallHeapsAreRaisedTo1024AndLargerOnesKept) {
    const std::pair<const char*, const char*> cases[] = {{"00000100", "00000400"},
                                                         {"00000200", "00000400"},
                                                         {"00000201", "00000201"},
                                                         {"00000800", "00000800"}};
    for (auto [stored, expected] : cases) {
        SetJvmMx(stored);
        SaveJavaHeap();
        EXPECT_NE(Backup().find(std::string("\"JvmMx_backup\"=dword:") + expected), std::string::npos)
            << stored << "\n"
            << Backup();
    }
    EXPECT_TRUE(log.Contains("Old java heap - 513"));
    EXPECT_NE(Backup().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Corvane Inc\\backup]"),
              std::string::npos);
}

TEST_F(SaveJavaHeapTest, MissingHeapWritesNothingAndLogsNoHeapLine) {
    SaveJavaHeap();
    EXPECT_EQ(Backup().find("JvmMx_backup"), std::string::npos);
    EXPECT_FALSE(log.Contains("Old java heap"));
}

const std::string Searched =
    R"(>nul 2>&1 "%SYSTEMROOT%\system32\cacls.exe" "%SYSTEMROOT%\system32\config\system")";

TEST(StopScriptPatch, ReplacesTheRegistryCheckByTheThreeLines) {
    std::string text = "@echo off\r\n" + Searched + "\r\nexit\r\n";
    ASSERT_TRUE(PatchStopTomcatText(text));
    const std::string replacement =
        "set REGISTRY_FILE=\"%SYSTEMROOT%\\system32\\config\\system\"\n\r"
        "if NOT EXIST %REGISTRY_FILE% set REGISTRY_FILE=\"%SYSTEMROOT%\\sysnative\\config\\system\"\n\r"
        ">nul 2>&1 \"%SYSTEMROOT%\\system32\\cacls.exe\" \"%REGISTRY_FILE%\"";
    EXPECT_EQ(text, "@echo off\r\n" + replacement + "\r\nexit\r\n");
}

TEST(StopScriptPatch, OtherLetterCaseIsFoundButLeftUnchanged) {
    std::string upper = Searched;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    std::string text = "x\r\n" + upper + "\r\n";
    const std::string before = text;
    EXPECT_TRUE(PatchStopTomcatText(text));
    EXPECT_EQ(text, before);
    std::string unrelated = "echo nothing to do\r\n";
    EXPECT_FALSE(PatchStopTomcatText(unrelated));
}

TEST(StopScriptPatch, ScriptIsRewrittenInUtf8WithoutByteOrderMark) {
    const testsupport::TempDir dir;
    dir.Write("bin/stop_tomcat_service.bat", "\xEF\xBB\xBFrem caf\xC3\xA9\r\n" + Searched + "\r\n");
    PatchStopTomcatScript(dir.Path());
    const std::string content = dir.Read("bin/stop_tomcat_service.bat");
    EXPECT_EQ(content.rfind("rem caf\xC3\xA9\r\nset REGISTRY_FILE=", 0), 0u) << content;
}

TEST(InstallLocation, OnlyFoldersInsideADriveOrRootAreRemovable) {
    for (const char* bad :
         {"", "\\", "/", "C:", "C:\\", "c:/", "C:dir", "1:\\dir", "relative\\dir", "ab\\cd", "\\\\server"})
        EXPECT_FALSE(IsRemovableInstallFolder(bad)) << bad;
    for (const char* good :
         {"C:\\Old", "C:\\Program Files\\Corvane Server\\", "/tmp/old", "\\Corvane", "\\\\server\\share"})
        EXPECT_TRUE(IsRemovableInstallFolder(good)) << good;
}

} // namespace
