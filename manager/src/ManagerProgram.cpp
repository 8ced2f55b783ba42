#include "ManagerProgram.h"

#include "AppDataModule.h"
#include "Errors.h"
#include "MUISupportUnit.h"
#include "MainUnit.h"
#include "ServiceControlUnit.h"
#include "WinUtilsUnit.h"
#include "platform/ComScope.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"
#include "ui/Forms.h"
#include "ui/Threads.h"

#include <memory>

namespace {

void ShowPlainMessage(const std::string& AText) {
    ui::Dialogs().ShowMessageBox(AText, ui::Application().Title(), ui::MB_OK_);
}

[[noreturn]] void ShowStartupError(const std::string& AText) {
    ui::Dialogs().ShowMessageBox(AText, ApplicationTitle, ui::MB_OK_ | ui::MB_ICONERROR_);
    ui::EndProcess(1);
}

[[noreturn]] void Start(const TParams& AParams) {
    SetCommandLineParams(AParams);
    mui::LoadDefaultLanguage();
    TServiceUtils::Configure(TServiceUtilsSettings::ServerManager());
    TServiceUtils::SetMessageProc(ShowPlainMessage);

    ui::TApplication& application = ui::Application();
    // Held until the process ends. A mutex that cannot be made at all is no other instance.
    bool alreadyExists = false;
    std::unique_ptr<plat::INamedObject> instanceMutex =
        plat::Sync().CreateMutex(SingleInstanceMutexName, alreadyExists);
    if (instanceMutex && alreadyExists && !FindCmdLineSwitch("elevate")) {
        application.SetShowMainForm(false);
        instanceMutex.reset();
        application.Terminate();
        ui::EndProcess(0);
    }

    application.Initialize();
    application.SetTitle(ApplicationTitle);
    // The windows live until the process ends, which ends without destroying them: the poller and the
    // close-request thread may still use them while it does.
    auto* dataModule = new TAppDataModule(nullptr);
    auto* mainForm = new TMainForm(nullptr, *dataModule);
    application.SetMainForm(mainForm);
    mainForm->DoCreate();
    auto* serviceControlForm = new TServiceControlForm(nullptr);
    serviceControlForm->SetPopupParent(mainForm);
    serviceControlForm->DoCreate();
    mainForm->ServiceControlForm = serviceControlForm;

    mui::HandleTemplateSwitch();
    mui::TranslateAllForms();
    application.Run();
    // The process ends without destroying its windows, so the icon is taken out of the notification
    // area here; left there, it stays until the mouse passes over it.
    mainForm->TrayIcon->SetVisible(false);
    ui::EndProcess(0);
}

} // namespace

int RunManager(const TParams& AParams) {
    plat::ComScope com; // the window thread's COM, for the shell and the document model
    try {
        Start(AParams);
    } catch (const EBaseError& error) {
        ShowStartupError(error.Describe());
    } catch (const std::exception& error) {
        ShowStartupError(error.what());
    }
}
