#pragma once
// What the backup tests share: an installation in a scratch folder whose path has a blank in it, with
// the program at a place of the test's choosing and a backup script the test writes; the simulated
// service manager with the web server; and the command interpreter's stand-in named by COMSPEC, which
// runs the script with the shell through the real process backend.
#include "MUISupportUnit.h"
#include "RelocatedFiles.h"
#include "SimWindows.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <optional>
#include <string>

namespace testsupport {

constexpr const char* BackupScriptFile = "tomcat/webapps/server/WEB-INF/sql/postgresql/full-backup.bat";

inline plat::ServiceStatus Status(uint32_t AState, uint32_t ACheckPoint = 0) {
    plat::ServiceStatus s;
    s.ServiceType = 0x10;
    s.CurrentState = AState;
    s.CheckPoint = ACheckPoint;
    s.WaitHint = 1000;
    return s;
}

class BackupFixture : public ::testing::Test {
protected:
    // AProgram: the program's path in the installation ("manager/TFManager.exe").
    explicit BackupFixture(const std::string& AProgram) : files_(Files(AProgram)) { dir.Write(AProgram, ""); }

    void SetUp() override {
        if (const char* saved = std::getenv("COMSPEC"))
            savedComSpec_ = saved;
        UseInterpreter(StandIn());
        // The backup's named object lives in the test's own folder, apart from other test programs.
        ::setenv("TK_SIM_SYNC_DIR", dir.Path("sync").c_str(), 1);
        mui::LoadDefaultLanguage();
        SetWebServer(4);
    }
    void TearDown() override {
        if (savedComSpec_)
            ::setenv("COMSPEC", savedComSpec_->c_str(), 1);
        else
            ::unsetenv("COMSPEC");
        ::unsetenv("TK_SIM_SYNC_DIR");
    }

    static std::string StandIn() {
        return std::string(TK_SOURCE_DIR) + "/common/platform/sim/system32/cmd.exe";
    }
    static void UseInterpreter(const std::string& APath) { ::setenv("COMSPEC", APath.c_str(), 1); }

    void SetWebServer(uint32_t AState, std::deque<plat::ServiceStatus> AStart = {},
                      std::deque<plat::ServiceStatus> AStop = {}) {
        plat::sim::SimService s;
        s.Name = s.DisplayName = "Tomcat9";
        s.State = AState;
        s.StartScript = std::move(AStart);
        s.StopScript = std::move(AStop);
        sim.Services->AddService(s);
    }
    // The web application's backup script: a shell script here, given the file as $1.
    void Script(const std::string& ABody) const { dir.Write(BackupScriptFile, ABody); }

    TempDir dir{"tk backup "};
    SimWindows sim;

private:
    plat::Platform Files(const std::string& AProgram) const {
        plat::Platform parts;
        parts.Files = std::make_shared<RelocatedFiles>(plat::Current().Files, dir.Windows(AProgram));
        return parts;
    }

    plat::ScopedOverride files_;
    std::optional<std::string> savedComSpec_;
};

} // namespace testsupport
