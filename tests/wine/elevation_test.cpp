// Elevation through the Windows backends under Wine: the token query, on a plain thread and on one
// that impersonates, and the "runas" relaunch.
#include "WineTestSupport.h"
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace plat;
using winetest::HelperPath;
using winetest::ReadFile;
using winetest::TempDir;

// Wine gives its programs the token of an administrator, elevated; a failed or misread query says no.
TEST(Elevation, TheProcessTokenOfAWineProgramIsElevated) {
    EXPECT_TRUE(Processes().IsElevated());
}

TEST(Elevation, AThreadThatImpersonatesAnswersFromItsOwnToken) {
    bool impersonated = false;
    bool elevated = false;
    std::thread([&] {
        impersonated = ImpersonateSelf(SecurityImpersonation);
        elevated = Processes().IsElevated();
        RevertToSelf();
    }).join();
    ASSERT_TRUE(impersonated);
    EXPECT_TRUE(elevated) << "a copy of an elevated token is elevated";
}

TEST(Elevation, RunElevatedStartsTheProgramWithItsParameters) {
    TempDir dir;
    const std::string pidFile = dir.Windows("relaunched.pid");
    ASSERT_TRUE(Shell().RunElevated(HelperPath("wine_test_child.exe"), "pidfile \"" + pidFile + "\"", 0));
    EXPECT_TRUE(winetest::WaitUntil([&] { return !ReadFile(pidFile).empty(); }, 60000));
}

} // namespace
