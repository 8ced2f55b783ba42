#include "BackupOperations.h"

#include "BackupThread.h"
#include "MainUnit.h"
#include "OperationCode.h"
#include "ResourceStrings.h"
#include "ServiceControlUnit.h"
#include "ServiceOperations.h"
#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "text/PathText.h"
#include "ui/Dialogs.h"

#include <cstdio>
#include <optional>

namespace {

// "yyyy-mm-dd hh.nn.ss.sql"
std::string DefaultBackupName(const plat::LocalTime& ANow) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d %02d.%02d.%02d.sql", ANow.Year, ANow.Month, ANow.Day,
                  ANow.Hour, ANow.Minute, ANow.Second);
    return name;
}

// The save dialog opens in the backup folder, made when missing; without it, on the bare name.
std::optional<std::string> ChooseBackupFile() {
    const std::string name = DefaultBackupName(plat::Clock().Now());
    const std::string folder =
        CanonicalizePath(text::FolderOf(plat::Files().ModuleFileName()) + "\\..\\backup");
    const bool folderExists = plat::Files().DirectoryExists(folder) || plat::Files().CreateDir(folder);
    ui::TSaveDialogOptions options;
    options.Title = LanguageTable().GetString("res_backup_select_file", "Backup Location");
    options.Filter = "SQL files (*.sql)|*.sql|All files|*.*";
    options.FilterIndex = 1;
    options.OverwritePrompt = false;
    options.InitialDir = folderExists ? folder : "";
    options.FileName = folderExists ? folder + "\\" + name : name;
    return ui::Dialogs().SaveDialog(options);
}

bool UserAgrees() {
    const std::string question = LanguageTable().GetString(
        "res_backup_question",
        "This backup operation will disable Corvane Service for the duration of the backup. Corvane will be "
        "brought up automatically after backup is completed. Click OK to proceed or CANCEL to quit.");
    return ui::Dialogs().ShowMessageBox(question, BackupTitle(), ui::MB_OKCANCEL_ | ui::MB_ICONWARNING_) ==
           ui::IDOK_;
}

} // namespace

void ExecuteBackupAction(TMainForm& AForm) {
    ExecuteBackup(*AForm.ServiceControlForm, AForm.ListServices->Items().at(WebServerSlot));
}

void ExecuteBackup(TServiceControlForm& AProgress, const std::string& AWebServerName) {
    TNamedHold hold;
    if (!TryHoldBackup(hold)) {
        ui::Dialogs().ShowMessageBox(BackupRunningText(), BackupTitle(), ui::MB_OK_ | ui::MB_ICONWARNING_);
        return;
    }
    if (!UserAgrees())
        return;
    const std::optional<std::string> fileName = ChooseBackupFile();
    if (!fileName)
        return;
    const std::string code = NewOperationCode();
    auto* worker = new TBackupThread(*fileName, code, AProgress, std::move(hold));
    AProgress.Prepare(code, TryToStopText(), AWebServerName);
    worker->Start();
    AProgress.ShowModal();
}
