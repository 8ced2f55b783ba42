// The whole upgrade, as the installer starts it, many times over: the Linux Updater program over the
// simulated service manager and registry, on a fresh sample PostgreSQL installation each time. A run
// that ends in anything but exit code 0 (a crash while the program ends above all) fails the test.
#include "updater_fixture.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace {

using testing_support::TempTree;

constexpr int Runs = 50;
const std::string UpdaterProgram = std::string(TK_BINARY_DIR) + "/updater/src/Updater";

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

class UpgradeLoop : public ::testing::Test {
protected:
    // A previous installation whose dump script and uninstaller are shell scripts, its registry values
    // and its stopped database service.
    void LayOut(const std::string& run) {
        const std::string old = run + "/old";
        const std::string webapp = old + "/tomcat/webapps/corvane";
        tree.Write(webapp + "/WEB-INF/db.properties", "torque.database.maindb.adapter=postgresql\n");
        tree.Write(webapp + "/WEB-INF/servers.properties", "server.name=loop\n");
        tree.Write(webapp + "/WEB-INF/sql/postgresql/full-backup.bat",
                   "printf -- '-- loop dump\\n' > full-backup.sql\n");
        tree.Write(old + "/pgsql/data/PG_VERSION", "14\n");
        tree.Write(old + "/tomcat/conf/server.xml", "<Server port=\"8005\"/>\n");
        tree.Write(old + "/unins000.exe",
                   "#!/bin/sh\necho \"$*\" > '" + tree.Path(run) + "/uninstalled.txt'\n");
        std::filesystem::permissions(tree.Root / (old + "/unins000.exe"), std::filesystem::perms::owner_all);
        tree.Write(run + "/new/.keep", "");
        tree.Write(
            run + "/registry.reg",
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
            "Corvane Server_is1]\r\n"
            "\"UninstallString\"=\"\\\"" +
                tree.Path(old) +
                "/unins000.exe\\\"\"\r\n"
                "\"InstallLocation\"=\"" +
                tree.Path(old) +
                "\"\r\n\r\n"
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Apache Software Foundation\\Procrun 2.0\\"
                "Tomcat9\\Parameters\\Java]\r\n\"JvmMx\"=dword:00000200\r\n");
        tree.Write(run + "/services.ini", "[pgsql]\nState=1\n[Tomcat9]\nState=4\n");
    }

    // The program's wait status for one run.
    int RunUpdater(const std::string& run) {
        const std::string env =
            "TK_SIM_REGISTRY=" + Quoted(tree.Path(run + "/registry.reg")) +
            " TK_SIM_SERVICES=" + Quoted(tree.Path(run + "/services.ini")) +
            " TK_SIM_SYSTEM_DIR=" + Quoted(std::string(TK_SOURCE_DIR) + "/common/platform/sim/system32");
        return std::system((env + " " + Quoted(UpdaterProgram) + " " + Quoted(tree.Path(run + "/old")) + " " +
                            Quoted(tree.Path(run + "/new")) + " >/dev/null 2>&1")
                               .c_str());
    }

    TempTree tree;
};

TEST_F(UpgradeLoop, EveryRunOfTheWholeUpgradeEndsWithExitCodeZero) {
    for (int i = 0; i < Runs; ++i) {
        const std::string run = "run" + std::to_string(i);
        LayOut(run);
        const int status = RunUpdater(run);
        ASSERT_TRUE(WIFEXITED(status)) << "run " << i << " ended by signal " << WTERMSIG(status) << "\n"
                                       << tree.Read(run + "/new/backup/Updater.log");
        ASSERT_EQ(WEXITSTATUS(status), 0) << "run " << i << "\n"
                                          << tree.Read(run + "/new/backup/Updater.log");
        ASSERT_TRUE(tree.Exists(run + "/uninstalled.txt")) << "run " << i << " never uninstalled";
        std::filesystem::remove_all(tree.Root / run);
    }
}

} // namespace
