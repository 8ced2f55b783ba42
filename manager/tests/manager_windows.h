#pragma once
// What the tests of the Server Manager's operations share: its windows as start-up makes them, without
// the status poller (a test sets the states a poll would have found); a look at the progress window
// taken from a worker on the window thread, where the window's modal loop serves it; the wait for the
// workers, whose message boxes come after the window has closed; and the real processes with each
// start shown to the test first.
#include "AppDataModule.h"
#include "MainUnit.h"
#include "ServiceControlUnit.h"
#include "platform/Platform.h"
#include "ui/Threads.h"

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace testsupport {

// What the progress window showed at one moment.
struct TLook {
    std::string Event;
    bool Visible = false;
    std::string Caption, Action, Name;
    bool operator==(const TLook&) const = default;
};

inline std::ostream& operator<<(std::ostream& AOut, const TLook& ALook) {
    return AOut << ALook.Event << (ALook.Visible ? " shown" : " hidden") << " [" << ALook.Caption << "] ["
                << ALook.Action << "] [" << ALook.Name << "]";
}

// Serves the window thread's hand-offs until every self-freeing worker has ended and been joined.
inline void WaitForWorkers() {
    while (ui::RunningSelfFreeingThreads() > 0)
        if (!ui::CheckSynchronize() && ui::RunningSelfFreeingThreads() > 0)
            ui::WaitForSynchronize();
}

class ManagerWindows {
public:
    // A fresh application with the main window, elevated and in the tray, and its progress window.
    void Make() {
        ui::Application().Reset();
        ui::Application().Initialize();
        ui::Application().SetTitle("Tallyfix Server Manager");
        Data = std::make_unique<TAppDataModule>(nullptr);
        Form = std::make_unique<TMainForm>(nullptr, *Data);
        ui::Application().SetMainForm(Form.get());
        Control = std::make_unique<TServiceControlForm>(nullptr);
        Control->SetPopupParent(Form.get());
        Control->DoCreate();
        Form->ServiceControlForm = Control.get();
        Form->ApplicationElevated = true;
        Form->TrayIcon->SetVisible(true);
        Form->ListServices->SetItemIndex(0);
    }
    // Once the workers have ended.
    void Forget() {
        WaitForWorkers();
        ui::Application().SetMainForm(nullptr);
        Control.reset();
        Form.reset();
        Data.reset();
        ui::Application().Reset();
    }
    // Called on a worker: records what the progress window shows, looked at on the window thread.
    void LookAtWindow(const std::string& AEvent) {
        ui::TThread::Synchronize([&] {
            Looks.push_back({AEvent, Control->Visible(), Control->Caption(), Control->LabelCaption->Caption(),
                             Control->LabelSvcName->Caption()});
        });
    }

    std::unique_ptr<TAppDataModule> Data;
    std::unique_ptr<TMainForm> Form;
    std::unique_ptr<TServiceControlForm> Control;
    std::vector<TLook> Looks; // written on the window thread only
};

// The real processes, with each start shown to the test first.
class ObservedProcesses : public plat::IProcesses {
public:
    explicit ObservedProcesses(std::shared_ptr<plat::IProcesses> AReal) : FReal(std::move(AReal)) {}
    std::function<void(const plat::ProcessStartInfo&)> OnCreate;

    std::unique_ptr<plat::IProcess> CreateProcess(const plat::ProcessStartInfo& AInfo) override {
        if (OnCreate)
            OnCreate(AInfo);
        return FReal->CreateProcess(AInfo);
    }
    bool SetDebugPrivilege(bool e) override { return FReal->SetDebugPrivilege(e); }
    bool TerminateProcessById(uint32_t p, uint32_t c, uint32_t w) override {
        return FReal->TerminateProcessById(p, c, w);
    }
    bool IsElevated() override { return FReal->IsElevated(); }

private:
    std::shared_ptr<plat::IProcesses> FReal;
};

} // namespace testsupport
