// A real heap dump: a JVM of the test's own stands in as the web server's process, and the JDK's jcmd
// takes its dump through a runtime folder whose bin holds it under the name the Server Manager looks
// for (a script that hands jcmd the path in the file system's form and keeps a copy of the dump for the
// test). The JDK must be installed (scripts/bootstrap does it): without it the tests fail.
#include "../../common/tests/zip_test_support.h"
#include "HeapDumpCommand.h"
#include "HeapDumpUnit.h"
#include "heap_dump_support.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::StartsWith;

// Holds a few objects, writes its process id into the file named first and ends when its standard
// input closes.
const char* const HolderSource = R"java(
import java.io.FileWriter;
import java.util.ArrayList;
import java.util.List;

public class Holder {
    public static void main(String[] args) throws Exception {
        List<String> kept = new ArrayList<>();
        for (int i = 0; i < 50000; i++)
            kept.add("order " + i + " of customer " + (i % 97));
        try (FileWriter pid = new FileWriter(args[0])) {
            pid.write(ProcessHandle.current().pid() + "\n");
        }
        while (System.in.read() >= 0) {
        }
        System.out.println(kept.size());
    }
}
)java";

const char* const JCmdWrapper = R"sh(#!/bin/sh
dump=$(printf '%s' "$3" | tr '\\' '/')
jcmd "$1" "$2" "$dump" || exit
cp "$dump" "$(dirname "$0")/../../kept.hprof"
)sh";

bool OnPath(const std::string& AProgram) {
    return ziptest::RunCommand("command -v " + AProgram).ExitCode == 0;
}

// One JVM for every test of the file: its start costs seconds.
class Jvm {
public:
    Jvm() : FFolder("tk-heapdump-jvm-") {
        FFolder.Write("Holder.java", HolderSource);
        const std::string fifo = FFolder.Path("pid");
        if (::mkfifo(fifo.c_str(), 0600) != 0)
            return;
        // Should java not start, the shell writes a zero, so the read below never waits in vain.
        const std::string command = "java -Xmx64m " + ziptest::Quoted(FFolder.Path("Holder.java")) + " " +
                                    ziptest::Quoted(fifo) + " || echo 0 >" + ziptest::Quoted(fifo);
        FInput = ::popen(command.c_str(), "w");
        std::ifstream(fifo) >> FPid;
    }
    ~Jvm() {
        if (FInput)
            ::pclose(FInput);
    }
    uint32_t Pid() const { return FPid; }

private:
    testsupport::TempDir FFolder;
    FILE* FInput = nullptr;
    uint32_t FPid = 0;
};

class RealHeapDump : public heaptest::HeapDumpTest {
protected:
    static void SetUpTestSuite() {
        if (OnPath("java") && OnPath("jcmd"))
            FJvm = new Jvm();
    }
    static void TearDownTestSuite() {
        delete FJvm;
        FJvm = nullptr;
    }

    void SetUp() override {
        HeapDumpTest::SetUp();
        ASSERT_TRUE(OnPath("java") && OnPath("jcmd")) << "the JDK is missing: scripts/bootstrap installs it";
        ASSERT_NE(0u, FJvm->Pid()) << "the test's JVM did not start";
        SetWebServer(4, FJvm->Pid());
        InstallRuntime(JCmdWrapper);
        fs::permissions(JCmdFile(), fs::perms::owner_all, fs::perm_options::add);
    }

    // Checks the archive with every reader; its entry must be the dump jcmd wrote.
    void ExpectTheArchiveHoldsTheDump() {
        EXPECT_EQ("JAVA PROFILE 1.0.2", ReadPrefix(dir.Path("kept.hprof"), 18));
        const ziptest::CommandResult listing = ziptest::ExpectAcceptedByPeers(dir.Path("temp/heapdump.zip"));
        EXPECT_THAT(listing.Output, StartsWith("heapdump.hprof|" +
                                               std::to_string(fs::file_size(dir.Path("kept.hprof"))) + "|"));
        EXPECT_NE(std::string::npos, listing.Output.find("|8|")) << "deflated";
        EXPECT_NE(std::string::npos, listing.Output.find(ziptest::Sha1OfFile(dir.Path("kept.hprof"))))
            << listing.Output;
        EXPECT_EQ(1, std::count(listing.Output.begin(), listing.Output.end(), '\n')) << "one entry";
    }

    static std::string ReadPrefix(const std::string& APath, size_t ASize) {
        return testsupport::ReadFile(APath).substr(0, ASize);
    }

    static Jvm* FJvm;
};

Jvm* RealHeapDump::FJvm = nullptr;

TEST_F(RealHeapDump, TheButtonArchivesARealDumpThatEveryReaderAcceptsAndASecondDumpReplacesIt) {
    heaptest::TOwnerForm owner;
    StartHeapDump(owner);
    WaitForWorkers();

    ASSERT_EQ(1u, Messages().size());
    EXPECT_EQ("Create Heap Dump", Messages()[0].Caption) << Messages()[0].Text;
    EXPECT_THAT(DumpFolder(), ElementsAre("heapdump.zip"));
    ExpectTheArchiveHoldsTheDump();
    EXPECT_THAT(shell->Selected(), ElementsAre(CanonicalizePath(dir.Windows("temp\\heapdump.zip"))));

    const std::string first = testsupport::ReadFile(dir.Path("temp/heapdump.zip"));
    std::ostringstream out, err;
    ASSERT_EQ(0, RunHeapDumpCommand({}, out, err)) << err.str();
    EXPECT_THAT(DumpFolder(), ElementsAre("heapdump.zip"));
    EXPECT_NE(first, testsupport::ReadFile(dir.Path("temp/heapdump.zip")));
    ExpectTheArchiveHoldsTheDump();
}

} // namespace
