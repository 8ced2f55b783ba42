// A heap dump from the button to the archive, with a jcmd of the test's own (a script that writes a
// known dump where it is told to) so that every outcome can be had at will: the archive read back by
// the archive readers, the progress window, the window closed early, a second run while the first
// works, the failures of jcmd and of the archive, and tfctl's lines.
#include "../../common/tests/zip_test_support.h"
#include "HeapDumpCommand.h"
#include "HeapDumpUnit.h"
#include "UserInput.h"
#include "heap_dump_support.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <random>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using heaptest::TOwnerForm;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// A jcmd that takes the dump the test prepared as the service's heap, and notes how it was called.
const char* const CopyingJCmd = R"sh(#!/bin/sh
root=$(dirname "$0")/../..
printf '%s|%s|%s|%s' "$1" "$2" "$3" "$(pwd)" >"$root/jcmd-call.txt"
cp "$root/heap.bin" "$(printf '%s' "$3" | tr '\\' '/')"
echo "Heap dump file created"
)sh";

// Some megabytes of what a heap dump holds: object records around texts and numbers.
std::string HeapBytes(size_t ASize) {
    std::string heap = "JAVA PROFILE 1.0.2";
    heap.push_back('\0');
    for (uint32_t i = 0; heap.size() < ASize; ++i)
        heap += "\x21" + std::to_string(i * 2654435761u) + "customer " + std::to_string(i % 977) + '\0';
    heap.resize(ASize);
    return heap;
}

std::string RandomBytes(size_t ASize) {
    std::mt19937 generator(11);
    std::string bytes(ASize, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator());
    return bytes;
}

class HeapDumpRun : public heaptest::HeapDumpTest {
protected:
    HeapDumpRun() {
        dir.Write("heap.bin", heap);
        SetWebServer(4, 4242);
        InstallJCmd(CopyingJCmd);
    }

    void InstallJCmd(const std::string& AScript) {
        InstallRuntime(AScript);
        fs::permissions(JCmdFile(), fs::perms::owner_all, fs::perm_options::add);
    }

    // The button's click; returns once the window has closed and the worker has ended.
    void ClickCreateHeapDump() {
        TOwnerForm owner;
        StartHeapDump(owner);
        WaitForWorkers();
    }

    // Python's line for the archive's only entry, after every reader has checked the archive.
    std::string ArchivedEntry() {
        const ziptest::CommandResult listing = ziptest::ExpectAcceptedByPeers(dir.Path("temp/heapdump.zip"));
        return listing.Output;
    }

    const std::string heap = HeapBytes(3 << 20); // six blocks of the parallel deflate
    const std::string archivePath = CanonicalizePath(dir.Windows("temp\\heapdump.zip"));
    const std::string folderText = CanonicalizePath(dir.Windows("temp")) + "\\";
};

TEST_F(HeapDumpRun, ARunArchivesTheDumpAloneDeletesItReportsTheFolderAndSelectsTheArchive) {
    ClickCreateHeapDump();

    EXPECT_THAT(DumpFolder(), ElementsAre("heapdump.zip"));
    const std::string entry = ArchivedEntry();
    EXPECT_THAT(entry, StartsWith("heapdump.hprof|" + std::to_string(heap.size()) + "|"));
    EXPECT_THAT(entry, HasSubstr("|8|")) << "deflated";
    EXPECT_THAT(entry, HasSubstr(ziptest::Sha1OfFile(dir.Path("heap.bin"))));

    const std::string dumpPath = dir.Windows("manager") + "\\..\\temp\\heapdump.hprof";
    EXPECT_EQ("4242|GC.heap_dump|" + dumpPath + "|" + fs::canonical(dir.Path("temp")).string(),
              dir.Read("jcmd-call.txt"))
        << "the service's process, the dump's path, the dump folder as working folder";

    const auto shown = Messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("Heap Dump was successfully created and archived under " + folderText +
                  ". Send archived file to Tallyfix Support (support@tallyfix-server.example).",
              shown[0].Text);
    EXPECT_EQ("Create Heap Dump", shown[0].Caption);
    EXPECT_EQ(ui::MB_OK_ | ui::MB_ICONINFORMATION_, shown[0].Flags);
    EXPECT_THAT(shell->Selected(), ElementsAre(archivePath));

    THeapDumpForm& window = HeapDumpForm();
    EXPECT_FALSE(window.Showing()) << "the worker closed it";
    EXPECT_EQ("Create Heap Dump", window.Caption());
    EXPECT_EQ("Archiving heap dump... 100% done. Please wait.", window.LabelCaption->Caption());
    EXPECT_FALSE(window.Video->Active());
}

TEST_F(HeapDumpRun, ASecondRunReplacesTheArchiveAndLeavesNothingElseInTheFolder) {
    dir.Write("temp/heapdump.zip", "the archive of an earlier run");
    dir.Write("temp/heapdump.hprof", "a dump an earlier run left");
    ClickCreateHeapDump();
    const std::string second = HeapBytes(1 << 20) + "second";
    dir.Write("heap.bin", second);
    ClickCreateHeapDump();

    EXPECT_THAT(DumpFolder(), ElementsAre("heapdump.zip"));
    const std::string entry = ArchivedEntry();
    EXPECT_THAT(entry, StartsWith("heapdump.hprof|" + std::to_string(second.size()) + "|"));
    EXPECT_THAT(entry, HasSubstr(ziptest::Sha1OfFile(dir.Path("heap.bin"))));
    EXPECT_EQ(2u, Messages().size());
    EXPECT_THAT(shell->Selected(), ElementsAre(archivePath, archivePath));
}

TEST_F(HeapDumpRun, AWindowClosedEarlyStillGetsTheMessageAndTheFolderWhenTheDumpIsArchived) {
    bool shownBeforeTheClick = false;
    size_t messagesAtTheClick = 1;
    // Runs as soon as the window shows, before the worker can hand it anything.
    ui::TThread::Queue([&] {
        shownBeforeTheClick = HeapDumpForm().Showing();
        messagesAtTheClick = Messages().size();
        testsupport::UserClick(*HeapDumpForm().ButtonClose);
    });
    ClickCreateHeapDump();

    EXPECT_TRUE(shownBeforeTheClick);
    EXPECT_EQ(0u, messagesAtTheClick);
    EXPECT_FALSE(HeapDumpForm().Showing());
    ASSERT_EQ(1u, Messages().size());
    EXPECT_EQ("Create Heap Dump", Messages()[0].Caption);
    EXPECT_THAT(shell->Selected(), ElementsAre(archivePath));
    EXPECT_THAT(DumpFolder(), ElementsAre("heapdump.zip"));
}

TEST_F(HeapDumpRun, ASecondRunAskedForWhileTheFirstStillWorksIsRefusedAndTheFirstEndsAsUsual) {
    TOwnerForm owner;
    ui::TThread::Queue([&] {
        testsupport::UserClick(*HeapDumpForm().ButtonClose);
        StartHeapDump(owner); // the user clicks the button again
    });
    ClickCreateHeapDump();

    const auto shown = Messages();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("A heap dump is being created. Create the next one when it has ended.", shown[0].Text);
    EXPECT_EQ("Error", shown[0].Caption);
    EXPECT_EQ("Create Heap Dump", shown[1].Caption);
    EXPECT_THAT(shell->Selected(), ElementsAre(archivePath));

    ClickCreateHeapDump();
    EXPECT_EQ(3u, Messages().size()) << "once the first has ended the next one runs";
    EXPECT_EQ("Create Heap Dump", Messages()[2].Caption);
}

TEST_F(HeapDumpRun, AFailingJCmdIsReportedWithWhatItSaidAndNothingIsArchived) {
    const struct {
        const char* name;
        std::string script;
        std::string reason; // the text after the first line of the message
        bool executable;
    } rows[] = {
        {"jcmd's own error",
         "#!/bin/sh\necho \"$1:\"\necho 'java.io.IOException: No such process' >&2\nexit 1\n",
         "java.io.IOException: No such process", true},
        {"the JVM's report",
         "#!/bin/sh\necho \"$1:\"\necho 'Unable to create heapdump.hprof: Permission denied'\n",
         "4242:\nUnable to create heapdump.hprof: Permission denied", true},
        {"no program at all", "not a program", "", false},
    };
    dir.Write("temp/heapdump.zip", "kept: no new dump replaces it");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const size_t before = Messages().size();
        InstallJCmd(r.script);
        if (!r.executable)
            fs::permissions(JCmdFile(), fs::perms::all, fs::perm_options::remove);
        ClickCreateHeapDump();

        const auto shown = Messages();
        ASSERT_EQ(before + 1, shown.size());
        EXPECT_EQ("Error", shown.back().Caption);
        EXPECT_EQ(ui::MB_OK_ | ui::MB_ICONWARNING_, shown.back().Flags);
        EXPECT_THAT(shown.back().Text, StartsWith("Error while executing jcmd.exe:\n"));
        const std::string reason =
            shown.back().Text.substr(std::string("Error while executing jcmd.exe:\n").size());
        if (r.executable)
            EXPECT_EQ(r.reason, reason);
        else
            EXPECT_NE("", reason) << "why it could not be started";
        EXPECT_FALSE(HeapDumpForm().Showing());
        EXPECT_THAT(DumpFolder(), ElementsAre("heapdump.zip"));
        EXPECT_EQ("kept: no new dump replaces it", dir.Read("temp/heapdump.zip"));
    }
    EXPECT_TRUE(shell->Selected().empty());
}

TEST_F(HeapDumpRun, AnArchiveThatCannotBeWrittenIsReportedAndLeavesNeitherArchiveNorDump) {
    // Data that does not compress reaches the disk while later blocks are still being deflated.
    dir.Write("heap.bin", RandomBytes(6 << 20));
    dir.Write("temp/heapdump.zip", "the archive of an earlier run");
    auto files = std::make_shared<ziptest::FaultyFiles>(plat::Current().Files);
    files->LimitWrites = true; // the archive is all this process writes during a run
    files->WriteBudget = 300 << 10;
    plat::Platform parts;
    parts.Files = files;
    plat::ScopedOverride fullDisk(parts);
    ClickCreateHeapDump();

    const auto shown = Messages();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ("Error", shown[0].Caption);
    EXPECT_EQ(ui::MB_OK_ | ui::MB_ICONWARNING_, shown[0].Flags);
    EXPECT_THAT(shown[0].Text, StartsWith("Error while archiving heap dump:\nError writing archive \"" +
                                          dir.Windows("manager") + "\\..\\temp\\heapdump.zip.tmp\". "));
    EXPECT_FALSE(HeapDumpForm().Showing());
    EXPECT_TRUE(DumpFolder().empty()) << "no archive, no half-written one, no dump";
    EXPECT_TRUE(shell->Selected().empty());
}

TEST_F(HeapDumpRun, TfctlShowsTheStepsOnStandardErrorAndTheArchivesPathOnStandardOutput) {
    std::ostringstream out, err;
    EXPECT_EQ(0, RunHeapDumpCommand({}, out, err));
    EXPECT_EQ(archivePath + "\n", out.str());
    EXPECT_EQ("Creating heap dump... Please wait.\n"
              "Archiving heap dump... Please wait.\n"
              "Archiving heap dump... 16% done. Please wait.\n"
              "Archiving heap dump... 33% done. Please wait.\n"
              "Archiving heap dump... 50% done. Please wait.\n"
              "Archiving heap dump... 66% done. Please wait.\n"
              "Archiving heap dump... 83% done. Please wait.\n"
              "Archiving heap dump... 100% done. Please wait.\n"
              "Heap Dump was successfully created and archived under " +
                  folderText +
                  ". Send archived file to Tallyfix Support (support@tallyfix-server.example).\n",
              err.str());
    EXPECT_THAT(ArchivedEntry(), HasSubstr(ziptest::Sha1OfFile(dir.Path("heap.bin"))));
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(shell->Selected().empty()) << "a remote shell has no folder window";

    InstallJCmd("#!/bin/sh\necho 'java.io.IOException: No such process' >&2\nexit 1\n");
    std::ostringstream failedOut, failedErr;
    EXPECT_EQ(1, RunHeapDumpCommand({}, failedOut, failedErr));
    EXPECT_EQ("", failedOut.str());
    EXPECT_EQ("Creating heap dump... Please wait.\nError while executing jcmd.exe:\n"
              "java.io.IOException: No such process\n",
              failedErr.str());
}

} // namespace
