#pragma once
// What the heap-dump tests share: an installation in a scratch folder (the Server Manager in manager\,
// the dump folder temp\ beside it, a Java runtime), the simulated service manager and registry
// with the web server's service and the runtime's Jvm value, a shell that records the folders it is
// asked to open, and the window thread's side of a run.
#include "MUISupportUnit.h"
#include "MegaUtils.h"
#include "ProcrunKeys.h"
#include "RelocatedFiles.h"
#include "ServiceStatusUnit.h"
#include "SimWindows.h"
#include "TempDir.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/Threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace heaptest {

// The folders the shell was asked to show, recorded instead of opening a window.
class RecordingShell : public plat::IShell {
public:
    std::vector<std::string> Selected() {
        std::lock_guard guard(FLock);
        return FSelected;
    }
    bool DeleteTree(const std::string&) override { return false; }
    bool CopyTree(const std::string&, const std::string&) override { return false; }
    bool OpenDocument(const std::string&, plat::Handle) override { return false; }
    bool OpenFolderAndSelectFile(const std::string& AFileName) override {
        std::lock_guard guard(FLock);
        FSelected.push_back(AFileName);
        return true;
    }
    bool RunElevated(const std::string&, const std::string&, plat::Handle) override { return false; }

private:
    std::mutex FLock;
    std::vector<std::string> FSelected;
};

// The settings dialog, owner of the "Create Heap Dump" button.
class TOwnerForm : public ui::TForm {
public:
    TOwnerForm() : ui::TForm(nullptr, "SettingsForm") {}
    std::string ClassName() const override { return "TSettingsForm"; }
};

class HeapDumpTest : public ::testing::Test {
protected:
    HeapDumpTest() { dir.Write("manager/TFManager.exe", ""); }

    void SetUp() override {
#ifndef _WIN32
        // The run's named object lives in the test's own folder, apart from other test programs.
        ::setenv("TK_SIM_SYNC_DIR", dir.Path("sync").c_str(), 1);
#endif
        mui::LoadDefaultLanguage();
        ui::Application().Reset();
        ui::Application().Initialize();
    }
    void TearDown() override {
        WaitForWorkers();
        ui::Application().Reset();
#ifndef _WIN32
        ::unsetenv("TK_SIM_SYNC_DIR");
#endif
    }

    // The web server's service in a state, with a process id while it is not stopped.
    void SetWebServer(uint32_t AState, uint32_t APid = 4242) {
        plat::sim::SimService service;
        service.Name = service.DisplayName = ServiceNames[WebServerSlot];
        service.State = AState;
        service.ProcessId = APid;
        sim.Services->AddService(service);
    }

    // The service wrapper's Jvm value.
    void SetJvm(const std::string& AValue) {
        plat::Handle key = 0;
        ASSERT_EQ(0, plat::Registry().CreateKey(plat::RootKey::LocalMachine, ProcrunJavaKey,
                                                plat::KEY_ALL_ACCESS_, key));
        plat::Registry().CloseKey(key);
        RegWriteString(ProcrunJvmPath, AValue, plat::RootKey::LocalMachine);
    }

    // A runtime whose bin holds jcmd.exe (with the given content), named by Jvm. Its folder's name has
    // a blank, as "Program Files" has.
    void InstallRuntime(const std::string& AJCmd) {
        dir.Write("java 17/bin/jcmd.exe", AJCmd);
        SetJvm(dir.Windows("java 17\\bin\\server\\jvm.dll"));
    }
    std::string JCmdFile() const {
        return dir.Path("java 17/bin/jcmd.exe");
    }

    // Serves the worker's hand-offs until every self-freeing thread has ended and been joined.
    static void WaitForWorkers() {
        while (ui::RunningSelfFreeingThreads() > 0) {
            if (!ui::CheckSynchronize() && ui::RunningSelfFreeingThreads() > 0)
                ui::WaitForSynchronize();
        }
    }

    std::vector<ui::TShownDialog> Messages() const {
        return sim.Dialogs->Shown();
    }

    // The files in the dump folder, by name.
    std::vector<std::string> DumpFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path("temp")))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testsupport::TempDir dir{"tk-heapdump-"};
    testsupport::SimWindows sim;
    std::shared_ptr<RecordingShell> shell = std::make_shared<RecordingShell>();

private:
    plat::Platform Parts() {
        plat::Platform parts;
        parts.Shell = shell;
        parts.Files = std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files,
                                                                    dir.Windows("manager\\TFManager.exe"));
        return parts;
    }
    plat::ScopedOverride platform{Parts()};
};

} // namespace heaptest
