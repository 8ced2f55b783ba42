#include "LoggerHandlersUnit.h"
#include "LoggerUnit.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using testing_support::LogMessages;
using testing_support::SimWindows;
using testing_support::TempTree;

class MemoryHandler : public TLoggerHandler {
public:
    explicit MemoryHandler(int level) : TLoggerHandler(level) { SetActive(true); }
    void Notify(const std::string& line) override { Lines.push_back(line); }
    std::vector<std::string> Lines;

protected:
    void DoSetActive(bool value) override { FActive = value; }
};

class MainLevelGuard {
public:
    MainLevelGuard() : saved_(TLogger::GetMainLevel()) {}
    ~MainLevelGuard() { TLogger::SetMainLevel(saved_); }

private:
    int saved_;
};

constexpr uint64_t MB = 1024 * 1024;

TEST(LoggerLevels, MainLevelAndHandlerLevelBothFilter) {
    SimWindows sim;
    MainLevelGuard guard;
    MemoryHandler fineOnly(logFine);
    MemoryHandler everything(logFinest);

    TLogger::SetMainLevel(logInfo);
    TLogger::Fine("held back by the main level");
    TLogger::Info("info passes");
    TLogger::SetMainLevel(7);
    TLogger::Fine("fine passes");
    TLogger::Finer("finer only to the second handler");

    ASSERT_EQ(fineOnly.Lines.size(), 2u);
    EXPECT_EQ(fineOnly.Lines[0].substr(26), "info passes");
    EXPECT_EQ(fineOnly.Lines[1].substr(26), "fine passes");
    ASSERT_EQ(everything.Lines.size(), 3u);
    EXPECT_EQ(everything.Lines[2].substr(26), "finer only to the second handler");
}

TEST(LoggerLevels, WarningRanksAboveSevereByOrdinal) {
    SimWindows sim;
    MainLevelGuard guard;
    MemoryHandler warnings(logWarning);
    TLogger::Severe("severe");
    TLogger::Warning("warning");
    TLogger::Throwing("throwing");
    ASSERT_EQ(warnings.Lines.size(), 2u);
    EXPECT_EQ(warnings.Lines[0].substr(26), "warning");
}

TEST(LoggerLines, PrefixIsTheLocalTimeAndAnEmptyMessageLeavesItAlone) {
    SimWindows sim;
    sim.Clock->Advance(3 * 3600 * 1000 + 4 * 60 * 1000 + 5 * 1000 + 7);
    MemoryHandler handler(logFinest);
    TLogger::Fine("");
    ASSERT_EQ(handler.Lines.size(), 1u);
    EXPECT_EQ(handler.Lines[0], "[09.12.2026 13:04:05.007] ");
}

TEST(LoggerLines, InactiveAndDestroyedHandlersReceiveNothing) {
    SimWindows sim;
    MemoryHandler handler(logFinest);
    handler.SetActive(false);
    TLogger::Fine("dropped");
    EXPECT_TRUE(handler.Lines.empty());
    { MemoryHandler shortLived(logFinest); }
    handler.SetActive(true);
    TLogger::Fine("only to the handlers still there");
    ASSERT_EQ(handler.Lines.size(), 1u);
    EXPECT_EQ(handler.Lines[0].substr(26), "only to the handlers still there");
}

TEST(LoggerLines, FormatFillsPlaceholdersInTurnAndKeepsTheRest) {
    EXPECT_EQ(TLogger::FormatLine("Version for %s is %s", {"a.exe", "14.12"}), "Version for a.exe is 14.12");
    EXPECT_EQ(TLogger::FormatLine("%d ms, 100%%, %s", {"12"}), "12 ms, 100%, %s");
}

class FileHandlerTest : public ::testing::Test {
protected:
    SimWindows sim;
    TempTree tree;
    std::string LogPath() const { return tree.Path("app.log"); }
};

TEST_F(FileHandlerTest, BelowTheThresholdAppendsAtTheThresholdRotates) {
    std::string almost(5 * MB - 100 * 1024, 'a');
    tree.Write("app.log", almost);
    {
        TFileLoggerHandler handler(logFinest, LogPath(), 5);
        handler.SetActive(true);
        TLogger::Fine("appended");
    }
    EXPECT_EQ(tree.Read("app.log").substr(0, almost.size()), almost);
    EXPECT_FALSE(tree.Exists("app.bak"));

    tree.Write("app.log", std::string(5 * MB, 'b'));
    tree.Write("app.bak", "old backup");
    TFileLoggerHandler handler(logFinest, LogPath(), 5);
    handler.SetActive(true);
    TLogger::Fine("fresh");
    EXPECT_EQ(tree.Read("app.bak").size(), 5 * MB);
    EXPECT_EQ(LogMessages(tree.Read("app.log")), std::vector<std::string>{"fresh"});
}

TEST_F(FileHandlerTest, ThresholdZeroStartsEmptyEveryTimeAndKeepsThePreviousAsBak) {
    tree.Write("app.log", "previous run\r\n");
    TFileLoggerHandler handler(logFinest, LogPath(), 0);
    handler.SetActive(true);
    EXPECT_EQ(tree.Read("app.log"), "");
    EXPECT_EQ(tree.Read("app.bak"), "previous run\r\n");
}

TEST_F(FileHandlerTest, ActivatingAnActiveHandlerNeitherReopensNorTruncates) {
    TFileLoggerHandler handler(logFinest, LogPath(), 0);
    handler.SetActive(true);
    TLogger::Fine("first");
    handler.SetActive(true);
    TLogger::Fine("second");
    EXPECT_EQ(LogMessages(tree.Read("app.log")), (std::vector<std::string>{"first", "second"}));
    EXPECT_FALSE(tree.Exists("app.bak"));
}

TEST_F(FileHandlerTest, LinesAreAnsiWithCrLfAndOnDiskAtOnce) {
    TFileLoggerHandler handler(logFinest, LogPath(), 0);
    handler.SetActive(true);
    TLogger::Fine("Caf\xC3\xA9");
    std::string bytes = tree.Read("app.log"); // read while the handler still holds the file
    EXPECT_EQ(bytes.substr(26), "Caf\xE9\r\n");
}

TEST_F(FileHandlerTest, NamesAndFoldersThatCannotBeUsedFailAtConstructionOrActivation) {
    EXPECT_THROW(TFileLoggerHandler(logFinest, std::string(260, 'x'), 0), EInOutError);
    TFileLoggerHandler handler(logFinest, tree.Path("missing/folder/app.log"), 0);
    EXPECT_THROW(handler.SetActive(true), EInOutError);
    EXPECT_FALSE(handler.Active());
    TLogger::Fine("dropped without notice");
    EXPECT_FALSE(tree.Exists("missing/folder/app.log"));
}

TEST_F(FileHandlerTest, LinesFromTwoThreadsNeverInterleave) {
    TFileLoggerHandler handler(logFinest, LogPath(), 0);
    handler.SetActive(true);
    auto writer = [](char c) {
        for (int i = 0; i < 200; ++i) {
            TLogger::Fine(std::string(300, c));
        }
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    auto lines = LogMessages(tree.Read("app.log"));
    ASSERT_EQ(lines.size(), 400u);
    for (const std::string& line : lines) {
        ASSERT_TRUE(line == std::string(300, 'a') || line == std::string(300, 'b')) << line.substr(0, 40);
    }
}

class UpdaterLogTest : public FileHandlerTest {
protected:
    std::vector<std::string> Run(const std::string& firstLine) {
        auto handler = OpenUpdaterLog(tree.Path("new"));
        TLogger::Fine(firstLine);
        return LogMessages(tree.Read("new/backup/Updater.log"));
    }
};

TEST_F(UpdaterLogTest, FirstRunCreatesTheBackupFolderAndLog) {
    EXPECT_EQ(Run("Start Corvane upgrade"), std::vector<std::string>{"Start Corvane upgrade"});
}

TEST_F(UpdaterLogTest, LaterRunsMoveTheOldLogToTheFirstFreeNumber) {
    Run("run 1");
    Run("run 2");
    Run("run 3");
    EXPECT_EQ(LogMessages(tree.Read("new/backup/Updater.1.log")), std::vector<std::string>{"run 1"});
    EXPECT_EQ(LogMessages(tree.Read("new/backup/Updater.2.log")), std::vector<std::string>{"run 2"});

    std::filesystem::remove(tree.Root / "new/backup/Updater.1.log");
    Run("run 4");
    EXPECT_EQ(LogMessages(tree.Read("new/backup/Updater.1.log")), std::vector<std::string>{"run 3"});
    EXPECT_EQ(LogMessages(tree.Read("new/backup/Updater.2.log")), std::vector<std::string>{"run 2"});
    EXPECT_EQ(LogMessages(tree.Read("new/backup/Updater.log")), std::vector<std::string>{"run 4"});
}

TEST_F(UpdaterLogTest, AnOldBakIsDeleted) {
    tree.Write("new/backup/Updater.bak", "stale");
    Run("run");
    EXPECT_FALSE(tree.Exists("new/backup/Updater.bak"));
}

} // namespace
