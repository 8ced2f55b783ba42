// The whole upgrade, as the installer starts it, many times over: the Linux Updater program over the
// simulated service manager and registry, on a fresh sample PostgreSQL installation each time. A run
// that ends in anything but exit code 0 (a crash while the program ends above all) fails the test.
#include "old_installation.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

namespace {

using testing_support::OldDatabase;
using testing_support::OldInstallation;
using testing_support::TempTree;

constexpr int Runs = 50;
const std::string UpdaterProgram = std::string(TK_BINARY_DIR) + "/updater/src/Updater";

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

class UpgradeLoop : public ::testing::Test {
protected:
    // The registry and services of a previous installation, in the files the program is pointed at.
    void LayOut(const std::string& run, const OldInstallation& old) {
        tree.Write(run + "/registry.reg", old.Registry());
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
        const OldInstallation old(tree, OldDatabase::PostgresDump, run);
        LayOut(run, old);
        const int status = RunUpdater(run);
        ASSERT_TRUE(WIFEXITED(status)) << "run " << i << " ended by signal " << WTERMSIG(status) << "\n"
                                       << tree.Read(run + "/new/backup/Updater.log");
        ASSERT_EQ(WEXITSTATUS(status), 0) << "run " << i << "\n"
                                          << tree.Read(run + "/new/backup/Updater.log");
        ASSERT_TRUE(old.Uninstalled()) << "run " << i << " never uninstalled";
        std::filesystem::remove_all(tree.Root / run);
    }
}

} // namespace
