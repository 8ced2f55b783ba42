#include "CommandLine.h"
#include "InspectionUnit.h"
#include "LoggerUnit.h"
#include "PeVersionInfo.h"
#include "pe_image.h"
#include "text/TextCodec.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>

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

// The image is read from a heap block of exactly its size, so that a read past its end is caught by
// the sanitizer build instead of landing in the slack of a string or in the rest of a longer buffer.
std::optional<std::string> VersionOfExactCopy(std::string_view image) {
    std::unique_ptr<char[]> copy(new char[image.size()]);
    std::memcpy(copy.get(), image.data(), image.size());
    return ReadPeFileVersionString(std::string_view(copy.get(), image.size()));
}

TEST_F(FileVersionTest, CorruptedImagesNeverReadOutsideTheFile) {
    const std::string version = "14.12.0.0";
    const std::string good = PeImage(VersionInfo(version));
    const std::string wideVersion = testing_support::Wide(version);
    const size_t valueAt = good.rfind(wideVersion);
    ASSERT_NE(valueAt, std::string::npos);
    ASSERT_EQ(VersionOfExactCopy(good), version);
    for (size_t at = 0; at < good.size(); ++at) {
        std::string bad = good;
        bad[at] = static_cast<char>(0xFF);
        const std::optional<std::string> got = VersionOfExactCopy(bad);
        if (at >= valueAt && at < valueAt + 2 * (version.size() + 1)) {
            // A damaged character of the text (its terminating NUL included, so the text runs on to
            // its recorded length) is read as the character it has become.
            std::u16string units = text::Utf8ToUtf16(version) + u'\0';
            const size_t unit = (at - valueAt) / 2;
            const bool highByte = (at - valueAt) % 2 == 1;
            units[unit] = static_cast<char16_t>(highByte ? (units[unit] & 0xFF) | 0xFF00
                                                         : (units[unit] & 0xFF00) | 0xFF);
            EXPECT_EQ(got, text::Utf16ToUtf8(units.substr(0, units.find(u'\0')))) << "byte " << at;
        } else if (got) {
            EXPECT_EQ(*got, version) << "byte " << at;
        }
        // The resource is the end of the image, so any shorter image lacks part of it.
        EXPECT_EQ(VersionOfExactCopy(std::string_view(good).substr(0, at)), std::nullopt) << "length " << at;
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
    testing_support::CapturedLog log;
    EXPECT_TRUE(DetectPostgresInstallation(tree.Path("old")));
    const std::vector<std::string> lines = log.Messages();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("get db.properties error - ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("db.properties"), std::string::npos);
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
