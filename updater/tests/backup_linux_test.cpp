#include "BackupUnit.h"
#include "CommandLine.h"
#include "Errors.h"
#include "LoggerUnit.h"
#include "TempDir.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class Lines : public TLoggerHandler {
public:
    Lines() : TLoggerHandler(logFinest) { SetActive(true); }
    void Notify(const std::string& m) override {
        std::lock_guard<std::mutex> lock(mutex_);
        all.push_back(m.substr(m.find("] ") + 2)); // without the time stamp
    }
    std::vector<std::string> all;

protected:
    void DoSetActive(bool v) override { FActive = v; }

private:
    std::mutex mutex_;
};

void Write(const fs::path& p, const std::string& content = "x") {
    testsupport::WriteFile(p.string(), content);
}

// The entry names of an archive, read by Python's zip module, which also checks every entry's CRC: an
// archive it cannot read, or an entry whose content does not match, fails the test.
std::set<std::string> ArchiveNames(const fs::path& zip) {
    const std::string command = "python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                                "print('\\n'.join(i.filename for i in z.infolist())); "
                                "bad=z.testzip(); assert bad is None, bad\" '" +
                                zip.string() + "' 2>&1";
    std::string out;
    int status = -1;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;)
            out.append(buf, n);
        status = pclose(pipe);
    }
    EXPECT_EQ(status, 0) << zip << " is not a sound archive:\n" << out;
    std::istringstream names(out);
    std::set<std::string> result;
    for (std::string line; std::getline(names, line);)
        result.insert(line);
    return result;
}

struct BackupTest : ::testing::Test {
    testsupport::TempDir scratch;
    fs::path root = scratch.Root;
    fs::path oldDir = root / "Old";
    fs::path newDir = root / "New";
    Lines log;

    void SetUp() override {
        SetCommandLineParams({"Updater.exe", oldDir.string(), newDir.string()});
        const fs::path webapp = oldDir / "tomcat" / "webapps" / "corvane";
        Write(webapp / "WEB-INF" / "servers.properties", "servers");
        Write(webapp / "WEB-INF" / "messages.properties");
        Write(webapp / "WEB-INF" / "ipfilter.properties");
        Write(webapp / "META-INF" / "context.xml");
        Write(webapp / "images" / "maps" / "floor1.png", "png");
        Write(oldDir / "tomcat" / ".keystore", "new keystore");
        Write(oldDir / "tomcat" / "conf" / "server.xml", "<Server/>");
        Write(oldDir / "backup" / "old.sql");
        Write(oldDir / "backup2" / "older.sql");
        Write(oldDir / "backup.txt", "kept");
        fs::create_directories(oldDir / "empty");
        Write(newDir / "backup" / "ua.txt", "stale");
        Write(newDir / "backup" / ".keystore", "old keystore");
        Write(newDir / "backup" / "maps" / "gone.png");
    }
};

TEST_F(BackupTest, ConfigurationCopiesReplaceStaleOnesWithTheirLogLines) {
    BackupConfigurationFiles(oldDir.string(), newDir.string());
    const fs::path backup = newDir / "backup";
    EXPECT_FALSE(fs::exists(backup / "ua.txt"));
    EXPECT_FALSE(fs::exists(backup / "info.rtf"));
    EXPECT_TRUE(fs::exists(backup / "servers.properties"));
    EXPECT_TRUE(fs::exists(backup / "context.xml"));
    EXPECT_TRUE(fs::exists(backup / "maps" / "floor1.png"));
    EXPECT_FALSE(fs::exists(backup / "maps" / "gone.png"));
    EXPECT_EQ(testsupport::ReadFile((backup / ".keystore").string()), "new keystore");
    const std::vector<std::string> expected = {
        "Delete ua.txt from backup folder",
        "Backing up servers.properties to backup folder",
        "Backing up messages.properties to backup folder",
        "Backing up ipfilter.properties to backup folder",
        "Backing up context.xml to backup folder",
        "Backing up .keystore to backup folder",
        "Backing up map backgrounds to backup folder",
    };
    EXPECT_EQ(log.all, expected);
}

TEST_F(BackupTest, ArchiveHoldsTheWholeInstallationButTheBackupFolders) {
    const fs::path zip = newDir / "backup" / "2026-12-09 10.00.00.zip";
    ArchiveInstallation(oldDir.string(), zip.string());
    const std::set<std::string> names = ArchiveNames(zip);
    EXPECT_TRUE(names.count("\\tomcat\\.keystore"));
    EXPECT_TRUE(names.count("\\tomcat\\conf\\server.xml"));
    EXPECT_TRUE(names.count("\\backup.txt"));
    EXPECT_TRUE(names.count("\\empty\\"));
    EXPECT_TRUE(names.count("\\tomcat\\webapps\\corvane\\images\\maps\\"));
    for (const auto& name : names) {
        EXPECT_NE(name.rfind("\\backup\\", 0), 0u) << name;
        EXPECT_NE(name.rfind("\\backup2", 0), 0u) << name;
    }
    EXPECT_EQ(names.size(), 8u + 9u); // eight files, nine folders
}

TEST_F(BackupTest, ArchiveOfTheSameSecondIsExtended) {
    const fs::path zip = newDir / "backup" / "2026-12-09 10.00.00.zip";
    ArchiveInstallation(oldDir.string(), zip.string());
    Write(oldDir / "late.txt");
    ArchiveInstallation(oldDir.string(), zip.string());
    const std::set<std::string> names = ArchiveNames(zip);
    EXPECT_TRUE(names.count("\\late.txt"));
    EXPECT_TRUE(names.count("\\tomcat\\.keystore"));
}

TEST_F(BackupTest, AFileBeingWrittenStopsTheArchiveWhichStaysReadable) {
    const fs::path zip = newDir / "backup" / "2026-12-09 10.00.00.zip";
    // A writer holds the file as a running server would: it may not be read half-written.
    auto writer = plat::Files().Open((oldDir / "tomcat" / "conf" / "server.xml").string(),
                                     plat::OpenMode::OpenExisting);
    ASSERT_TRUE(writer);
    EXPECT_THROW(ArchiveInstallation(oldDir.string(), zip.string()), EBaseError);
    const std::set<std::string> names = ArchiveNames(zip);
    EXPECT_FALSE(names.count("\\tomcat\\conf\\server.xml"));
    EXPECT_TRUE(names.count("\\tomcat\\.keystore")) << "entries listed before it are kept";
}

TEST(ArchiveName, FollowsTheDateAndTimePattern) {
    EXPECT_EQ(ArchiveFileName({2024, 5, 6, 7, 8, 9, 500}), "2024-05-06 07.08.09.zip");
    EXPECT_EQ(ArchiveFileName({2026, 12, 31, 23, 59, 58, 0}), "2026-12-31 23.59.58.zip");
}

} // namespace
