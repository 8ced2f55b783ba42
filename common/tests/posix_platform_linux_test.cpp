#include "TempDir.h"
#include "platform/posix/Backends.h"
#include "text/TextCodec.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace plat;
namespace fs = std::filesystem;

namespace {

using testsupport::TempDir;

std::string ReadAll(IPipeReader* pipe) {
    std::string all;
    char buffer[256];
    uint32_t got = 0;
    while (pipe->Read(buffer, sizeof buffer, got) && got > 0)
        all.append(buffer, got);
    return all;
}

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsByTheWindowsRules) {
    using posix::SplitWindowsCommandLine;
    EXPECT_EQ(SplitWindowsCommandLine("prog a  b\tc"), (Args{"prog", "a", "b", "c"}));
    EXPECT_EQ(SplitWindowsCommandLine("\"C:\\Program Files\\x.exe\" /VERYSILENT"),
              (Args{"C:\\Program Files\\x.exe", "/VERYSILENT"}));
    // Backslashes are literal in the program name and count only before a quote in arguments.
    EXPECT_EQ(SplitWindowsCommandLine("C:\\dir\\p.exe C:\\a\\b \"C:\\with space\\\\\" x"),
              (Args{"C:\\dir\\p.exe", "C:\\a\\b", "C:\\with space\\", "x"}));
    EXPECT_EQ(SplitWindowsCommandLine("p a\\\\\\\"b \"c\"\"d\" \"\" e\"f g\"h"),
              (Args{"p", "a\\\"b", "c\"d", "", "ef gh"}));
    EXPECT_EQ(SplitWindowsCommandLine("p \"unterminated arg"), (Args{"p", "unterminated arg"}));
    EXPECT_EQ(SplitWindowsCommandLine("  p  "), (Args{"p"}));
    EXPECT_EQ(SplitWindowsCommandLine(""), (Args{""}));
}

class ProcessesTest : public ::testing::Test {
protected:
    std::unique_ptr<IProcess> Run(const std::string& script, StdioMode mode) {
        ProcessStartInfo info;
        info.CommandLine = "/bin/sh -c \"" + script + "\"";
        info.Stdio = mode;
        return processes_->CreateProcess(info);
    }
    std::shared_ptr<IProcesses> processes_ = posix::MakeProcesses();
};

TEST_F(ProcessesTest, SeparatePipesKeepOutputAndErrorsApartAndReportTheExitCode) {
    auto p = Run("printf a; printf b >&2; read x || exit 3", StdioMode::SeparatePipes);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ReadAll(p->Output()), "a");
    EXPECT_EQ(ReadAll(p->Errors()), "b");
    EXPECT_EQ(p->Wait(INFINITE_), WaitResult::Signaled);
    uint32_t code = 0;
    ASSERT_TRUE(p->GetExitCode(code));
    EXPECT_EQ(code, 3u); // standard input is empty, not the parent's
}

TEST_F(ProcessesTest, CombinedPipeCarriesMoreThanAPipeBufferWhileTheChildRuns) {
    auto p = Run("head -c 300000 /dev/zero | tr '\\\\0' x; echo done >&2", StdioMode::CombinedPipe);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Errors(), nullptr);
    const std::string all = ReadAll(p->Output());
    EXPECT_EQ(all.size(), 300005u);
    EXPECT_EQ(all.substr(all.size() - 5), "done\n");
    EXPECT_EQ(p->Wait(INFINITE_), WaitResult::Signaled);
    uint32_t waiting = 1;
    EXPECT_FALSE(p->Output()->Peek(waiting)); // drained and every writer gone
    EXPECT_EQ(waiting, 0u);
}

TEST_F(ProcessesTest, PeekCountsWaitingBytesWithoutTakingThem) {
    auto p = Run("printf 12345", StdioMode::CombinedPipe);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->Wait(INFINITE_), WaitResult::Signaled);
    uint32_t waiting = 0;
    ASSERT_TRUE(p->Output()->Peek(waiting));
    EXPECT_EQ(waiting, 5u);
    EXPECT_EQ(ReadAll(p->Output()), "12345");
}

TEST_F(ProcessesTest, MissingProgramsFailAtCreation) {
    ProcessStartInfo info;
    info.CommandLine = "C:\\nowhere\\missing.exe /x";
    EXPECT_EQ(processes_->CreateProcess(info), nullptr);
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);
    info.CommandLine = "no-such-program-anywhere";
    EXPECT_EQ(processes_->CreateProcess(info), nullptr);
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);
    info.CommandLine = "/bin/sh -c true";
    info.CurrentDir = "/no/such/folder";
    EXPECT_EQ(processes_->CreateProcess(info), nullptr);
}

TEST_F(ProcessesTest, RunsInTheGivenFolderAndProgramPathsWithBackslashes) {
    TempDir dir;
    dir.Write("sub dir/tool.sh", "#!/bin/sh\npwd\n");
    fs::permissions(dir.Root / "sub dir/tool.sh", fs::perms::owner_all);
    ProcessStartInfo info;
    info.CommandLine = "\"" + dir.Windows("sub dir\\tool.sh") + "\"";
    info.CurrentDir = dir.Windows("sub dir");
    info.Stdio = StdioMode::SeparatePipes;
    auto p = processes_->CreateProcess(info);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ReadAll(p->Output()), fs::canonical(dir.Root / "sub dir").string() + "\n");
}

TEST_F(ProcessesTest, EachChildFindsTheWindowsCommandLineItWasStartedWithInTheEnvironment) {
    ::setenv("TK_SIM_COMMAND_LINE", "the parent's own command line", 1);
    // The words after the script are the shell's $0 and $1; what counts is the line as it was given,
    // with a quoting that its split into argv does not keep.
    const std::string line = R"(/bin/sh -c "printf %s \"$TK_SIM_COMMAND_LINE\"" zero ""a b" "c d"")";
    ProcessStartInfo info;
    info.CommandLine = line;
    info.Stdio = StdioMode::SeparatePipes;
    auto p = processes_->CreateProcess(info);
    ::unsetenv("TK_SIM_COMMAND_LINE");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ReadAll(p->Output()), line);
    EXPECT_EQ(p->Wait(INFINITE_), WaitResult::Signaled);
}

TEST_F(ProcessesTest, TerminationEndsTheChildWithTheGivenCode) {
    auto p = Run("exec sleep 60", StdioMode::None);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Wait(0), WaitResult::Timeout);
    uint32_t code = 0;
    ASSERT_TRUE(p->GetExitCode(code));
    EXPECT_EQ(code, 259u); // still active
    EXPECT_TRUE(processes_->SetDebugPrivilege(true));
    ASSERT_TRUE(processes_->TerminateProcessById(p->Pid(), 0xFFFFFFFF, 30000));
    EXPECT_EQ(p->Wait(INFINITE_), WaitResult::Signaled);
    ASSERT_TRUE(p->GetExitCode(code));
    EXPECT_EQ(code, 0xFFFFFFFFu);
    EXPECT_FALSE(processes_->TerminateProcessById(0, 1, 0)); // never the whole process group
}

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.Write("a.txt", "aaa");
        dir_.Write("B.TXT", "b");
        dir_.Write("c.log", "c");
        dir_.Write("noext", "n");
        fs::create_directory(dir_.Root / "folder.txt");
    }
    Args Names(const std::string& mask) {
        std::vector<FindEntry> entries;
        files_->FindFiles(dir_.Windows(mask), entries);
        Args names;
        for (const auto& e : entries)
            names.push_back(e.Name);
        return names;
    }
    TempDir dir_;
    std::shared_ptr<IFileSystem> files_ = posix::MakeFileSystem();
};

TEST_F(FilesTest, FindFilesMatchesWildcardsWithoutRegardToCase) {
    EXPECT_EQ(Names("*.txt"), (Args{"a.txt", "B.TXT", "folder.txt"}));
    EXPECT_EQ(Names("?.LOG"), (Args{"c.log"}));
    EXPECT_EQ(Names("*.*"), (Args{"a.txt", "B.TXT", "c.log", "folder.txt", "noext"}));
    EXPECT_EQ(Names("*."), (Args{"noext"}));
    EXPECT_EQ(Names("b.txt"), (Args{"B.TXT"}));

    std::vector<FindEntry> entries(1);
    ASSERT_TRUE(files_->FindFiles(dir_.Windows("*.txt"), entries));
    ASSERT_EQ(entries.size(), 4u); // appended to what was there
    EXPECT_EQ(entries[1].Size, 3u);
    EXPECT_EQ(entries[1].Attributes & FILE_ATTRIBUTE_DIRECTORY_, 0u);
    EXPECT_EQ(entries[3].Attributes, FILE_ATTRIBUTE_DIRECTORY_);
    EXPECT_GE(entries[1].Modified.Year, 2000);

    EXPECT_FALSE(files_->FindFiles(dir_.Windows("*.none"), entries));
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);
    EXPECT_FALSE(files_->FindFiles(dir_.Windows("missing\\*"), entries));
    EXPECT_EQ(LastError(), 3u);
    fs::create_directory(dir_.Root / "empty");
    EXPECT_TRUE(files_->FindFiles(dir_.Windows("empty\\*"), entries)); // "." and ".." were found
}

TEST_F(FilesTest, MoveFileReplacesOnlyWhenAskedAndMovesFolders) {
    EXPECT_FALSE(files_->MoveFile(dir_.Windows("a.txt"), dir_.Windows("c.log"), false));
    EXPECT_EQ(LastError(), 183u);
    EXPECT_EQ(dir_.Read("a.txt"), "aaa");
    EXPECT_EQ(dir_.Read("c.log"), "c");
    ASSERT_TRUE(files_->MoveFile(dir_.Windows("a.txt"), dir_.Windows("c.log"), true));
    EXPECT_EQ(dir_.Read("c.log"), "aaa");
    EXPECT_FALSE(files_->FileExists(dir_.Windows("a.txt")));

    fs::create_directory(dir_.Root / "empty");
    EXPECT_FALSE(files_->MoveFile(dir_.Windows("folder.txt"), dir_.Windows("empty"), true));
    dir_.Write("data/PG_VERSION", "9.6");
    ASSERT_TRUE(files_->MoveFile(dir_.Windows("data"), dir_.Windows("moved\\"), false));
    EXPECT_EQ(dir_.Read("moved/PG_VERSION"), "9.6");
    EXPECT_FALSE(files_->MoveFile(dir_.Windows("data"), dir_.Windows("again"), false));
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);
}

TEST_F(FilesTest, CopyAndOpenFollowWindowsRules) {
    EXPECT_FALSE(files_->CopyFile(dir_.Windows("a.txt"), dir_.Windows("c.log"), true));
    EXPECT_EQ(LastError(), 80u);
    ASSERT_TRUE(files_->CopyFile(dir_.Windows("a.txt"), dir_.Windows("c.log"), false));
    EXPECT_EQ(dir_.Read("c.log"), "aaa");

    auto writer = files_->Open(dir_.Windows("log.txt"), OpenMode::Append);
    ASSERT_NE(writer, nullptr);
    ASSERT_TRUE(writer->Write("one", 3));
    EXPECT_NE(files_->Open(dir_.Windows("log.txt"), OpenMode::Read), nullptr); // readers share
    EXPECT_EQ(files_->Open(dir_.Windows("log.txt"), OpenMode::ReadDenyWrite), nullptr);
    EXPECT_EQ(LastError(), 32u);
    writer.reset();
    auto reader = files_->Open(dir_.Windows("log.txt"), OpenMode::ReadDenyWrite);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(files_->Open(dir_.Windows("log.txt"), OpenMode::CreateAlways), nullptr);
    EXPECT_EQ(dir_.Read("log.txt"), "one"); // the refused open did not truncate it
    EXPECT_EQ(files_->Open(dir_.Windows("nowhere\\x.txt"), OpenMode::Read), nullptr);
    EXPECT_EQ(LastError(), 3u);
}

std::vector<uint8_t> Fixture(const std::string& name) {
    const std::string bytes =
        testsupport::ReadFile((fs::path(__FILE__).parent_path() / "data" / name).string());
    return {bytes.begin(), bytes.end()};
}

TEST(PeVersion, ReadsTheFixedFileVersionOfRealPrograms) {
    auto files = posix::MakeFileSystem();
    uint32_t ms = 0, ls = 0;
    const std::string path = (fs::path(__FILE__).parent_path() / "data" / "version_1_2_3_4.exe").string();
    ASSERT_TRUE(files->GetFileVersion(path, ms, ls));
    EXPECT_EQ(ms, 0x00010002u);
    EXPECT_EQ(ls, 0x00030004u);

    uint32_t code = 0;
    ASSERT_TRUE(posix::ReadPeFileVersion(Fixture("version_10_20_65535_7_x64.exe"), ms, ls, code));
    EXPECT_EQ(ms, 0x000A0014u);
    EXPECT_EQ(ls, 0xFFFF0007u);

    EXPECT_FALSE(files->GetFileVersion("/proc/self/status", ms, ls));
    EXPECT_EQ(LastError(), 11u);
}

// A damaged image gives no version, with the reason, or the version it holds: never one read from
// outside it (the sanitizer build checks the reads).
TEST(PeVersion, DamagedImagesFailWithoutReadingOutsideThem) {
    const std::vector<uint8_t> good = Fixture("version_1_2_3_4.exe");
    ASSERT_GT(good.size(), 1024u);
    const uint64_t version = 0x0001000200030004ull;
    uint32_t ms, ls, code;
    for (size_t size = 0; size < good.size(); size += 7) {
        const std::vector<uint8_t> cut(good.begin(), good.begin() + size);
        if (posix::ReadPeFileVersion(cut, ms, ls, code)) {
            EXPECT_EQ(uint64_t{ms} << 32 | ls, version) << "cut at " << size;
        } else {
            EXPECT_NE(code, 0u) << "cut at " << size;
        }
    }
    std::vector<uint8_t> noResources = good;
    const uint32_t pe = good[0x3C] | good[0x3D] << 8;
    std::fill_n(noResources.begin() + pe + 24 + 96 + 16, 8, 0); // the resource directory entry
    EXPECT_FALSE(posix::ReadPeFileVersion(noResources, ms, ls, code));
    EXPECT_EQ(code, 1812u);
    for (size_t i = pe + 24 + 224; i + 40 <= good.size() && i < 4096; ++i) {
        std::vector<uint8_t> flipped = good;
        flipped[i] ^= 0xFF;
        if (posix::ReadPeFileVersion(flipped, ms, ls, code)) {
            // Only a flip inside the version numbers themselves changes what is read.
            const uint64_t changed = (uint64_t{ms} << 32 | ls) ^ version;
            bool oneByte = changed == 0;
            for (int byte = 0; byte < 8; ++byte)
                oneByte = oneByte || changed == 0xFFull << (8 * byte);
            EXPECT_TRUE(oneByte) << "flip at " << i;
        } else {
            EXPECT_TRUE(code == 1812 || code == 1813) << "flip at " << i << ": " << code;
        }
    }
}

TEST(Host, ReportsSimulatedFactsAndWindowsErrorTexts) {
    auto host = posix::MakeHost();
    EXPECT_EQ(host->SysErrorMessage(1060), "The specified service does not exist as an installed service.");
    EXPECT_EQ(host->SysErrorMessage(5), "Access is denied.");
    EXPECT_EQ(host->SysErrorMessage(0xDEADBEEF), "");

    ::setenv("TK_SIM_WINVER", "6.3", 1);
    ::setenv("TK_SIM_SYSTEM_DIR", "/opt/sim/system32/", 1);
    ::setenv("TK_SIM_IPV4", "127.0.0.1,192.168.1.5", 1);
    OsVersion v;
    ASSERT_TRUE(host->GetVersion(v));
    EXPECT_EQ(v.Major, 6u);
    EXPECT_EQ(v.Minor, 3u);
    EXPECT_EQ(host->SystemDir(), "/opt/sim/system32");
    std::vector<std::string> addresses;
    ASSERT_TRUE(host->Ipv4Interfaces(addresses));
    EXPECT_EQ(addresses, (Args{"127.0.0.1", "192.168.1.5"}));
    ::setenv("TK_SIM_WINVER", "ten", 1);
    EXPECT_FALSE(host->GetVersion(v));
    for (const char* name : {"TK_SIM_WINVER", "TK_SIM_SYSTEM_DIR", "TK_SIM_IPV4"})
        ::unsetenv(name);
    ASSERT_TRUE(host->GetVersion(v));
    EXPECT_EQ(v.Major, 10u);
    ASSERT_TRUE(host->Ipv4Interfaces(addresses));
    EXPECT_NE(std::find(addresses.begin(), addresses.end(), "127.0.0.1"), addresses.end());
}

TEST(Host, EnvironmentVariablesExpandAsOnWindowsOnlyWhenTheResultFitsTheBuffer) {
    auto host = posix::MakeHost();
    ::setenv("TK_TEST_SHELL", "C:\\Windows\\system32\\cmd.exe", 1);
    ::unsetenv("TK_TEST_NONE");
    const struct {
        const char* text;
        uint32_t buffer;
        const char* expanded;
    } rows[] = {
        {"%TK_TEST_SHELL%", 260, "C:\\Windows\\system32\\cmd.exe"},
        {"[%TK_TEST_SHELL%] and [%TK_TEST_SHELL%]", 260,
         "[C:\\Windows\\system32\\cmd.exe] and [C:\\Windows\\system32\\cmd.exe]"},
        {"%TK_TEST_NONE%", 260, "%TK_TEST_NONE%"},
        {"100% sure, %% and %", 260, "100% sure, %% and %"},
        {"%TK_TEST_SHELL%", 28, "C:\\Windows\\system32\\cmd.exe"}, // 27 characters and the NUL
        {"%TK_TEST_SHELL%", 27, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " in " + std::to_string(r.buffer));
        SetLastError(0);
        EXPECT_EQ(host->ExpandEnvironment(r.text, r.buffer), r.expanded);
        EXPECT_EQ(LastError(), *r.expanded ? 0u : ERROR_INSUFFICIENT_BUFFER_);
    }
    ::unsetenv("TK_TEST_SHELL");
    EXPECT_EQ(host->DecimalSeparator(), ".") << "the C locale's";
}

TEST(Host, SimulatedSystemCodePagesComeFromTheEnvironment) {
    EXPECT_EQ(text::AnsiCodePage(), 1252u);
    ::setenv("TK_SIM_ANSI_CODEPAGE", "1251", 1);
    ::setenv("TK_SIM_OEM_CODEPAGE", "not a number", 1);
    EXPECT_EQ(text::AnsiToUtf8("\xc4\xe0"), "Да");
    EXPECT_EQ(text::OemCodePage(), 437u);
    ::unsetenv("TK_SIM_ANSI_CODEPAGE");
    ::unsetenv("TK_SIM_OEM_CODEPAGE");
}

class SyncTest : public ::testing::Test {
protected:
    SyncTest() { ::setenv("TK_SIM_SYNC_DIR", dir_.Path().c_str(), 1); }
    ~SyncTest() override { ::unsetenv("TK_SIM_SYNC_DIR"); }

    TempDir dir_;
    std::shared_ptr<ISync> sync_ = posix::MakeSync();
};

TEST_F(SyncTest, TheCreatorOfAMutexOwnsItAndTheNameIsFreeOnceEveryHolderIsGone) {
    bool exists = true;
    auto first = sync_->CreateMutex("Brackwell Server Manager", exists);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(exists);
    auto second = sync_->CreateMutex("Brackwell Server Manager", exists);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(exists);
    EXPECT_EQ(LastError(), 183u);
    EXPECT_EQ(second->Wait(0), WaitResult::Timeout) << "the first creator still owns it";
    first.reset();
    EXPECT_EQ(second->Wait(0), WaitResult::Signaled);
    second.reset();
    auto third = sync_->CreateMutex("Brackwell Server Manager", exists);
    EXPECT_FALSE(exists);
}

// The Server Manager's close request: every running instance waits on its own object of the event.
TEST_F(SyncTest, OneSignalEndsEveryWaiterAndStaysForThoseThatOpenTheEventLater) {
    const std::string name = "Global\\BrackwellEventStopSvcMgr";
    EXPECT_EQ(sync_->OpenEvent(name), nullptr);
    auto first = sync_->CreateEvent(name);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Wait(0), WaitResult::Timeout) << "created not signalled";

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) { // a second instance in a process of its own
        auto own = posix::MakeSync()->CreateEvent(name);
        ::_exit(own && own->Wait(60000) == WaitResult::Signaled ? 0 : 1);
    }
    auto second = sync_->CreateEvent(name);
    auto requester = sync_->OpenEvent(name);
    ASSERT_NE(requester, nullptr);
    ASSERT_TRUE(requester->Set());

    EXPECT_EQ(first->Wait(INFINITE_), WaitResult::Signaled);
    EXPECT_EQ(second->Wait(INFINITE_), WaitResult::Signaled);
    EXPECT_EQ(first->Wait(0), WaitResult::Signaled) << "nothing resets the event";
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    auto late = sync_->CreateEvent(name);
    EXPECT_EQ(late->Wait(0), WaitResult::Signaled) << "an instance started after the signal";

    first.reset();
    second.reset();
    requester.reset();
    late.reset();
    auto fresh = sync_->CreateEvent(name);
    EXPECT_EQ(fresh->Wait(0), WaitResult::Timeout) << "a signal does not outlive the event";
}

TEST(Shell, CopyTreeIntoAnExistingFolderAndDeleteTree) {
    TempDir dir;
    dir.Write("maps/a/one.png", "1");
    dir.Write("maps/two.png", "2");
    fs::create_directory(dir.Root / "backup");
    auto shell = posix::MakeShell();
    ASSERT_TRUE(shell->CopyTree(dir.Windows("maps"), dir.Windows("backup")));
    EXPECT_EQ(dir.Read("backup/maps/a/one.png"), "1");
    ASSERT_TRUE(shell->CopyTree(dir.Windows("maps"), dir.Windows("fresh")));
    EXPECT_EQ(dir.Read("fresh/two.png"), "2");
    EXPECT_FALSE(shell->CopyTree(dir.Windows("maps"), dir.Windows("maps\\a")));
    ASSERT_TRUE(shell->DeleteTree(dir.Windows("backup")));
    EXPECT_FALSE(fs::exists(dir.Root / "backup"));
    EXPECT_FALSE(shell->DeleteTree(dir.Windows("backup")));
}

// Linux runs of the programs relaunch themselves "elevated" as a plain child with the new parameters.
TEST(Shell, RunElevatedStartsTheProgramWithItsParametersAndDoesNotWaitForIt) {
    TempDir dir;
    dir.Write("relaunch.sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n");
    fs::permissions(dir.Root / "relaunch.sh", fs::perms::owner_all);
    auto shell = posix::MakeShell();
    ASSERT_TRUE(shell->RunElevated(dir.Path("relaunch.sh"), "/elevate /settings \"two words\"", 0));
    for (int i = 0; i < 3000 && !dir.Exists("relaunch.sh.args"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(dir.Read("relaunch.sh.args"), "/elevate\n/settings\ntwo words\n");

    EXPECT_FALSE(shell->RunElevated(dir.Path("missing.sh"), "/elevate ", 0));
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);
}

TEST(Processes, ElevationIsSimulatedByTheEnvironment) {
    auto processes = posix::MakeProcesses();
    const struct {
        const char* value; // nullptr: unset
        bool elevated;
    } cases[] = {{nullptr, true}, {"0", false}, {"1", true}, {"", true}, {"no", true}};
    for (const auto& c : cases) {
        if (c.value)
            ::setenv("TK_SIM_ELEVATED", c.value, 1);
        else
            ::unsetenv("TK_SIM_ELEVATED");
        EXPECT_EQ(processes->IsElevated(), c.elevated) << (c.value ? c.value : "unset");
    }
    ::unsetenv("TK_SIM_ELEVATED");
}

} // namespace
