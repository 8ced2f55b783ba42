// The state-only backend of the Linux build: controls keep their state in the components, the message
// loop serves the workers' hand-offs, and what a user would see beyond the windows goes to the
// terminal.
#include "ui/Backend.h"
#include "ui/Dialogs.h"
#include "ui/Graphics.h"
#include "ui/Threads.h"
#include "ui/headless/HeadlessPeerFactory.h"

#include <cstdio>
#include <iostream>

namespace ui {

namespace {

class HeadlessBackend : public IBackend {
public:
    std::unique_ptr<IControlPeer> CreatePeer(TComponent& component) override {
        return headless::MakePeer(component);
    }

    void SetTaskbarButtonVisible(bool AVisible) override { headless::SetTaskbarButtonShown(AVisible); }

    void HandleMessage() override {
        if (!CheckSynchronize()) {
            WaitForSynchronize();
            CheckSynchronize();
        }
    }

    void ProcessMessages() override { CheckSynchronize(); }

    void WakeMainThread() override { WakeSynchronizeWaiters(); }

    void Announce(const std::string& text) override { std::cout << text << std::endl; }

    void ReportFault(const std::string& text) override { std::cerr << text << std::endl; }
};

// Message boxes of a run without windows: the text goes to standard error and the box answers with
// its first button, as a user pressing Enter would.
class ConsoleDialogs : public IDialogService {
public:
    int ShowMessageBox(const std::string& AText, const std::string& ACaption, uint32_t AFlags) override {
        std::cerr << ACaption << ": " << AText << std::endl;
        return (AFlags & 0x0F) == MB_YESNO_ ? IDYES_ : IDOK_;
    }
    std::optional<std::string> SaveDialog(const TSaveDialogOptions&) override { return std::nullopt; }
    std::optional<std::string> BrowseForFolder(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

} // namespace

IBackend& BuildBackend() {
    static HeadlessBackend* backend = new HeadlessBackend;
    return *backend;
}

std::shared_ptr<IDialogService> MakeDefaultDialogs() {
    return std::make_shared<ConsoleDialogs>();
}

// Linux has no system shield; commands that need administrator rights show none there.
std::optional<TPicture> StockShieldIcon() {
    return std::nullopt;
}

} // namespace ui
