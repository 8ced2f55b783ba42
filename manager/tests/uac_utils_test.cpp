#include "UACUtilsUnit.h"
#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace plat;

// Records the relaunches asked of the shell; the system's answer is the test's.
class RelaunchShell : public IShell {
public:
    struct Call {
        std::string Exe, Params;
        Handle Owner;
    };
    bool Agrees = true;
    std::vector<Call> Calls;

    bool DeleteTree(const std::string&) override { return false; }
    bool CopyTree(const std::string&, const std::string&) override { return false; }
    bool OpenDocument(const std::string&, Handle) override { return false; }
    bool OpenFolderAndSelectFile(const std::string&) override { return false; }
    bool RunElevated(const std::string& exe, const std::string& params, Handle owner) override {
        Calls.push_back({exe, params, owner});
        return Agrees;
    }
};

// The token's answer and the system's version are the test's; everything else is the real host's.
class TokenAndVersion : public IProcesses, public IHost {
public:
    bool Elevated = false;
    uint32_t Major = 10;

    std::unique_ptr<IProcess> CreateProcess(const ProcessStartInfo&) override { return nullptr; }
    bool SetDebugPrivilege(bool) override { return false; }
    bool TerminateProcessById(uint32_t, uint32_t, uint32_t) override { return false; }
    bool IsElevated() override { return Elevated; }

    std::string ComputerName() override { return real_->ComputerName(); }
    bool Ipv4Interfaces(std::vector<std::string>& a) override { return real_->Ipv4Interfaces(a); }
    std::string SystemDir() override { return real_->SystemDir(); }
    bool GetVersion(OsVersion& version) override {
        version = OsVersion{Major, 0, 6000, 2};
        return true;
    }
    std::string SysErrorMessage(uint32_t code) override { return real_->SysErrorMessage(code); }
    bool DisableWow64Redirection(void*& old) override { return real_->DisableWow64Redirection(old); }
    bool RevertWow64Redirection(void* old) override { return real_->RevertWow64Redirection(old); }
    std::string ExpandEnvironment(const std::string& t, uint32_t n) override {
        return real_->ExpandEnvironment(t, n);
    }
    std::string DecimalSeparator() override { return real_->DecimalSeparator(); }

private:
    std::shared_ptr<IHost> real_ = Current().Host;
};

class UACUtilsTest : public ::testing::Test {
protected:
    UACUtilsTest() : override_(Parts()) {}
    ~UACUtilsTest() override {
        ui::Application().Reset();
        TakeWinVersionSnapshot();
    }

    void SetSystem(uint32_t major, bool elevated) {
        system_->Major = major;
        system_->Elevated = elevated;
        TakeWinVersionSnapshot();
    }

    std::shared_ptr<RelaunchShell> shell_ = std::make_shared<RelaunchShell>();
    std::shared_ptr<TokenAndVersion> system_ = std::make_shared<TokenAndVersion>();

private:
    Platform Parts() const {
        Platform p;
        p.Shell = shell_;
        p.Processes = system_;
        p.Host = system_;
        return p;
    }
    ScopedOverride override_;
};

TEST_F(UACUtilsTest, TheElevatedInstanceIsTheProgramItselfWithTheElevateSwitchFirst) {
    const struct {
        const char* parameters;
        Handle owner;
        const char* expected;
    } cases[] = {{"", 0, "/elevate "},
                 {"/settings", 0, "/elevate /settings"},
                 {"/background", 4242, "/elevate /background"}};
    for (const auto& c : cases) {
        shell_->Calls.clear();
        TUACUtils::RunElevated(c.parameters, c.owner);
        ASSERT_EQ(shell_->Calls.size(), 1u);
        EXPECT_EQ(shell_->Calls[0].Exe, Files().ModuleFileName());
        EXPECT_EQ(shell_->Calls[0].Params, c.expected);
        EXPECT_EQ(shell_->Calls[0].Owner, c.owner);
    }
}

TEST_F(UACUtilsTest, OnlyALaunchTheUserAgreedToEndsThisInstance) {
    shell_->Agrees = false;
    TUACUtils::RunElevated("");
    EXPECT_FALSE(ui::Application().Terminated()) << "declined: this instance goes on";
    shell_->Agrees = true;
    TUACUtils::RunElevated("");
    EXPECT_TRUE(ui::Application().Terminated()) << "the new instance takes over";
}

TEST_F(UACUtilsTest, TheShieldMarksButtonsOnlyOnSystemsWithShieldsAndWithoutElevation) {
    const struct {
        uint32_t major;
        bool elevated;
        bool shield;
    } cases[] = {{5, false, false}, {6, false, true}, {10, false, true}, {6, true, false}, {10, true, false}};
    for (const auto& c : cases) {
        SetSystem(c.major, c.elevated);
        EXPECT_EQ(TUACUtils::IsElevated(), c.elevated);
        ui::TButton button(nullptr, "BackupButton");
        TUACUtils::SetButtonElevated(button);
        EXPECT_EQ(button.ElevationShield(), c.shield) << c.major << (c.elevated ? " elevated" : "");
    }
}

} // namespace
