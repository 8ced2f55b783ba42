#include "CommandLine.h"
#include "InspectionUnit.h"
#include "LoggerUnit.h"
#include "PeVersionInfo.h"
#include "pe_image.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using testing_support::PeImage;
using testing_support::SimWindows;
using testing_support::TempTree;
using testing_support::VersionInfo;

// ---------------------------------------------------------------- file versions

TEST(FileVersionText, MajorAndMinorFromTheFirstTwoParts) {
    struct Case {
        const char* text;
        int major, minor;
    } cases[] = {{"14.12.0.0", 14, 12}, {"14", 14, 0}, {"14.x", 14, 0},  {"v14.12", 0, 0},
                 {" 15 . 3 ", 15, 3},   {"", 0, 0},    {"14..2", 14, 0}, {"99999999999.1", 0, 0}};
    for (const Case& c : cases) {
        TFileVersionNumbers v = ParseVersionNumbers(c.text);
        EXPECT_EQ(v.Major, c.major) << c.text;
        EXPECT_EQ(v.Minor, c.minor) << c.text;
    }
}

class FileVersionTest : public ::testing::Test {
protected:
    TempTree tree;
    TFileVersionNumbers Of(const std::string& relative) { return GetFileVersionNumbers(tree.Path(relative)); }
};

TEST_F(FileVersionTest, ReadsTheFileVersionTextOfTheFirstTranslation) {
    tree.Write("a/initdb.exe", PeImage(VersionInfo("14.12.0.0")));
    tree.Write("b/initdb.exe", PeImage(VersionInfo("14")));
    tree.Write("c/initdb.exe", PeImage(VersionInfo("14.x")));
    tree.Write("d/initdb.exe", PeImage(VersionInfo("v14.12")));
    tree.Write("e/initdb.exe", PeImage(VersionInfo("15.0", "040704E4", 0x0407, 0x04E4)));
    EXPECT_EQ(Of("a/initdb.exe").Major, 14);
    EXPECT_EQ(Of("a/initdb.exe").Minor, 12);
    EXPECT_EQ(Of("b/initdb.exe").Major, 14);
    EXPECT_EQ(Of("c/initdb.exe").Minor, 0);
    EXPECT_EQ(Of("d/initdb.exe").Major, 0);
    EXPECT_EQ(Of("e/initdb.exe").Major, 15) << "table keys compare without regard to case";
}

TEST_F(FileVersionTest, AnythingUnreadableGivesZeroZero) {
    std::string good = PeImage(VersionInfo("14.12.0.0"));
    tree.Write("text.exe", "torque.database.maindb.adapter=mysql\r\n");
    tree.Write("cut.exe", good.substr(0, good.size() - 40));
    tree.Write("mismatch.exe", PeImage(VersionInfo("14.12", "041904e3")));
    for (const char* name : {"text.exe", "cut.exe", "mismatch.exe", "missing.exe"}) {
        EXPECT_EQ(Of(name).Major, 0) << name;
        EXPECT_EQ(Of(name).Minor, 0) << name;
    }
    EXPECT_EQ(GetFileVersionNumbers("   ").Major, 0);
}

TEST_F(FileVersionTest, NetworkPathsAreNotExamined) {
    EXPECT_EQ(GetFileVersionNumbers("\\\\server\\share\\pgsql\\bin\\initdb.exe").Major, 0);
}

TEST_F(FileVersionTest, CorruptedImagesNeverReadOutsideTheFile) {
    std::string good = PeImage(VersionInfo("14.12.0.0"));
    for (size_t at = 0; at < good.size(); at += 7) {
        std::string bad = good;
        bad[at] = static_cast<char>(0xFF);
        ReadPeFileVersionString(bad);
        ReadPeFileVersionString(std::string_view(good).substr(0, at));
    }
}

// Wine's own builtin libraries are real PE files produced by a foreign toolchain.
TEST_F(FileVersionTest, RealLibrariesOfTheSystemHaveANumericVersion) {
    const char* candidates[] = {"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/version.dll",
                                "/usr/lib/i386-linux-gnu/wine/i386-windows/version.dll",
                                "/usr/lib/wine/x86_64-windows/version.dll"};
    for (const char* path : candidates) {
        if (std::filesystem::exists(path)) {
            TFileVersionNumbers v = GetFileVersionNumbers(path);
            EXPECT_GT(v.Major, 0) << path;
            return;
        }
    }
    GTEST_SKIP() << "no Windows library installed on this machine";
}

// ---------------------------------------------------------------- database type

class DatabaseDetectionTest : public ::testing::Test {
protected:
    void SetUp() override { SetCommandLineParams({"Updater"}); }
    void TearDown() override { SetCommandLineParams({}); }
    bool Detect(const std::string& properties, const std::string& webapp = "corvane") {
        tree.Write("old/tomcat/webapps/" + webapp + "/WEB-INF/db.properties", properties);
        return DetectPostgresInstallation(tree.Path("old"));
    }
    SimWindows sim;
    TempTree tree;
};

TEST_F(DatabaseDetectionTest, TheAdapterLineDecides) {
    EXPECT_FALSE(Detect("torque.database.maindb.adapter=mysql\r\n"));
    EXPECT_FALSE(Detect("  TORQUE.DATABASE.MAINDB.ADAPTER=MySQL  \n"));
    EXPECT_TRUE(Detect("torque.database.maindb.adapter=postgresql\r\n"));
    EXPECT_TRUE(Detect("#torque.database.maindb.adapter=mysql\r\n"));
    EXPECT_TRUE(Detect("torque.database.maindb.adapter= mysql\r\n"));
    EXPECT_TRUE(
        Detect("torque.database.maindb.adapter=mysql\r\ntorque.database.maindb.adapter=postgresql\r\n"));
    EXPECT_FALSE(Detect("other=1\rtorque.database.maindb.adapter=mysql"));
    EXPECT_TRUE(Detect(""));
}

TEST_F(DatabaseDetectionTest, AMissingFileIsLoggedAndCountsAsPostgres) {
    struct Capture : TLoggerHandler {
        Capture() : TLoggerHandler(logFinest) { SetActive(true); }
        void Notify(const std::string& line) override { Lines.push_back(line.substr(26)); }
        void DoSetActive(bool v) override { FActive = v; }
        std::vector<std::string> Lines;
    } log;
    EXPECT_TRUE(DetectPostgresInstallation(tree.Path("old")));
    ASSERT_EQ(log.Lines.size(), 1u);
    EXPECT_EQ(log.Lines[0].rfind("get db.properties error - ", 0), 0u) << log.Lines[0];
    EXPECT_NE(log.Lines[0].find("db.properties"), std::string::npos);
}

TEST_F(DatabaseDetectionTest, TheTallyfixSwitchSelectsTheServerWebApplication) {
    EXPECT_EQ(GetWebAppName(), "corvane");
    SetCommandLineParams({"Updater", "a", "b", "/TF"});
    EXPECT_EQ(GetWebAppName(), "server");
    EXPECT_FALSE(Detect("torque.database.maindb.adapter=mysql\r\n", "server"));
    tree.Write("old/tomcat/webapps/corvane/WEB-INF/db.properties",
               "torque.database.maindb.adapter=mysql\r\n");
    std::filesystem::remove(tree.Root / "old/tomcat/webapps/server/WEB-INF/db.properties");
    EXPECT_TRUE(DetectPostgresInstallation(tree.Path("old")));
}

TEST(ShellFolders, CopyAndDeleteWholeTreesAndRefuseACutSourcePath) {
    TempTree tree;
    tree.Write("maps/floor/1.png", "png");
    std::filesystem::create_directories(tree.Root / "backup");
    EXPECT_TRUE(CopyDirectoryTree(tree.Path("maps"), tree.Path("backup")));
    EXPECT_EQ(tree.Read("backup/maps/floor/1.png"), "png");
    EXPECT_FALSE(CopyDirectoryTree(tree.Path("maps") + std::string(4097, 'x'), tree.Path("other")));
    EXPECT_FALSE(tree.Exists("other"));
    EXPECT_TRUE(DeleteDirectoryTree(tree.Path("backup")));
    EXPECT_FALSE(tree.Exists("backup"));
    EXPECT_FALSE(DeleteDirectoryTree(tree.Path("backup")));
}

} // namespace
