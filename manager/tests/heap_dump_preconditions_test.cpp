// Before a heap dump starts: the runtime found from the Jvm value, and every check that refuses a run
// with one message and starts nothing, from the settings dialog's button and from tfctl.
#include "ChooseJDKUnit.h"
#include "HeapDumpCommand.h"
#include "HeapDumpUnit.h"
#include "heap_dump_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using heaptest::HeapDumpTest;
using heaptest::TOwnerForm;

class HeapDumpRefusal : public HeapDumpTest {
protected:
    // The button's click. Had the run started after all, its window is closed as soon as it shows, so
    // the test ends with what went wrong instead of waiting for the window.
    void ClickCreateHeapDump() {
        ui::TThread::Queue([this] {
            FWindowShown = HeapDumpForm().Showing();
            HeapDumpForm().Close();
        });
        TOwnerForm owner;
        StartHeapDump(owner);
        WaitForWorkers();
        ui::CheckSynchronize(); // the queued check, when no window ran it
    }

    // The click showed this one message and nothing else.
    void ExpectOnlyTheMessage(const std::string& AText) {
        const auto shown = Messages();
        ASSERT_EQ(FSeen + 1, shown.size());
        EXPECT_EQ(AText, shown.back().Text);
        EXPECT_EQ("Error", shown.back().Caption);
        EXPECT_EQ(ui::MB_OK_ | ui::MB_ICONWARNING_, shown.back().Flags);
        FSeen = shown.size();
        EXPECT_FALSE(FWindowShown) << "nothing may start";
        EXPECT_TRUE(shell->Selected().empty());
        EXPECT_FALSE(dir.Exists("temp/heapdump.zip"));
    }

    std::string TfctlRefusal() {
        std::ostringstream out, err;
        EXPECT_EQ(1, RunHeapDumpCommand({}, out, err));
        EXPECT_EQ("", out.str());
        return err.str();
    }

private:
    bool FWindowShown = false;
    size_t FSeen = 0;
};

const char* const NotRunning = "Tallyfix Service must be installed and running to create heap dump.";
const char* const NoJCmd =
    "jcmd.exe utility not found. You need full JDK or bundled JRE to create heap dump.";

TEST_F(HeapDumpRefusal, AWebServerThatDoesNotRunGetsOnlyTheMustBeRunningMessage) {
    const struct {
        const char* name;
        int32_t state;
        uint32_t pid;
    } rows[] = {
        {"stopped", 1, 0},     {"not installed", StateNotInstalled, 0},
        {"starting", 2, 4242}, {"stopping", 3, 4242},
        {"paused", 7, 4242},
    };
    InstallRuntime("jcmd");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.state == StateNotInstalled)
            sim.Services->RemoveService(ServiceNames[WebServerSlot]);
        else
            SetWebServer(static_cast<uint32_t>(r.state), r.pid);
        ClickCreateHeapDump();
        ExpectOnlyTheMessage(NotRunning);
        EXPECT_EQ(std::string(NotRunning) + "\n", TfctlRefusal());
    }
}

TEST_F(HeapDumpRefusal, ARuntimeWithoutJCmdGetsOnlyTheJCmdNotFoundMessage) {
    SetWebServer(4);
    const struct {
        const char* name;
        const char* jvm; // relative to the installation; nullptr: not set
    } rows[] = {
        {"Jvm not set", nullptr},
        {"a plain JRE", "jre\\bin\\server\\jvm.dll"},
        {"a folder that does not exist", "gone\\bin\\server\\jvm.dll"},
    };
    dir.Write("jre/bin/java.exe", "");
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.jvm)
            SetJvm(dir.Windows(r.jvm));
        ClickCreateHeapDump();
        ExpectOnlyTheMessage(NoJCmd);
        EXPECT_EQ(std::string(NoJCmd) + "\n", TfctlRefusal());
        ClickCreateHeapDump(); // a second click meets the same refusal, nothing left over
        ExpectOnlyTheMessage(NoJCmd);
    }
}

TEST_F(HeapDumpRefusal, ADumpFolderThatCannotBeMadeGetsOnlyTheTempFolderMessage) {
    SetWebServer(4);
    InstallRuntime("jcmd");
    dir.Write("temp", "a file where the folder should be");
    ClickCreateHeapDump();
    ExpectOnlyTheMessage("Can not create temp folder for heap dump.");
    EXPECT_EQ("Can not create temp folder for heap dump.\n", TfctlRefusal());
    EXPECT_EQ("a file where the folder should be", dir.Read("temp"));
}

TEST_F(HeapDumpRefusal, ARunIsRefusedWhileAnotherHoldsTheDumpFilesEvenWhenEverythingElseIsReady) {
    SetWebServer(4);
    InstallRuntime("jcmd");
    const std::string running = "A heap dump is being created. Create the next one when it has ended.";
    {
        TNamedHold other;
        ASSERT_TRUE(TryHoldHeapDump(other));
        ClickCreateHeapDump();
        ExpectOnlyTheMessage(running);
        EXPECT_EQ(running + "\n", TfctlRefusal());
        TNamedHold third;
        EXPECT_FALSE(TryHoldHeapDump(third));
    }
    TNamedHold after;
    EXPECT_TRUE(TryHoldHeapDump(after)) << "the hold ends with its holder";
}

TEST_F(HeapDumpRefusal, TfctlTakesNoArguments) {
    std::ostringstream out, err;
    EXPECT_EQ(2, RunHeapDumpCommand({"now"}, out, err));
    EXPECT_NE(std::string::npos, err.str().find("Usage: tfctl heapdump")) << err.str();
    EXPECT_TRUE(Messages().empty());
}

TEST_F(HeapDumpTest, TheRuntimeRootIsTwoFoldersAboveTheJvmOrTheJdkAroundItsJre) {
    const struct {
        const char* name;
        std::vector<const char*> files; // made in the installation
        const char* jvm;                // relative to the installation; nullptr: not set
        const char* root;               // relative; nullptr: empty
    } rows[] = {
        {"not set", {}, nullptr, nullptr},
        {"a JDK", {"j/bin/java.exe", "j/bin/javac.exe"}, "j\\bin\\server\\jvm.dll", "j"},
        {"a JRE inside a JDK",
         {"j/bin/java.exe", "j/bin/javac.exe", "j/jre/bin/java.exe"},
         "j\\jre\\bin\\server\\jvm.dll",
         "j"},
        {"a JRE beside a runtime without javac",
         {"j/bin/java.exe", "j/jre/bin/java.exe"},
         "j\\jre\\bin\\server\\jvm.dll",
         "j\\jre"},
        {"a client VM", {"c/bin/java.exe"}, "c\\bin\\client\\jvm.dll", "c"},
        {"dot parts", {}, "x\\.\\y\\..\\bin\\server\\jvm.dll", "x"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        std::filesystem::remove_all(dir.Path("j"));
        for (const char* file : r.files)
            dir.Write(file, "");
        SetJvm(r.jvm ? dir.Windows(r.jvm) : "");
        const std::string root = GetJDKRoot();
        if (!r.root) {
            EXPECT_EQ("", root);
            continue;
        }
        EXPECT_EQ(CanonicalizePath(dir.Windows(r.root)), root);
    }
}

} // namespace
