// tfctl backup FILE: the backup's steps with lines of text in place of the progress window and the
// message boxes.
#include "BackupOperations.h"
#include "BackupSteps.h"
#include "ServiceOperations.h"
#include "ServiceStatusUnit.h"
#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"

namespace {

class TTextBackupView : public IBackupView {
public:
    TTextBackupView(std::ostream& AOut, std::ostream& AErr) : FOut(AOut), FErr(AErr) {}

    void ChangeLabelBackupData() override {
        FErr << BackupInProgressText() << " " << BackupDataText() << "\n";
    }
    void ChangeLabelServiceStop() override { Phase(TryToStartText()); }
    void CloseControlForm() override {}
    void Message(const std::string& AText, const std::string& ACaption, uint32_t AFlags) override {
        if ((AFlags & 0xF0) == ui::MB_ICONINFORMATION_)
            FOut << AText << std::endl;
        else
            FErr << ACaption << ": " << AText << std::endl;
    }
    void Phase(const std::string& AAction) {
        FErr << AAction << ": " << ServiceDisplayName(WebServerSlot) << "\n";
    }

private:
    std::ostream& FOut;
    std::ostream& FErr;
};

bool IsAbsolute(const std::string& APath) {
    return (!APath.empty() && (APath[0] == '\\' || APath[0] == '/')) ||
           (APath.size() >= 2 && APath[1] == ':');
}

} // namespace

const char* const BackupCommandUsage =
    "  backup FILE\n"
    "      stops the web server, writes a backup of the database into FILE and starts the web server\n"
    "      again; exit code 0 when the backup was made and the web server runs, 1 on any failure\n";

int RunBackupCommand(const std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr) {
    if (AArgs.size() != 1 || AArgs[0].empty()) {
        AErr << "Usage: tfctl backup FILE\n" << BackupCommandUsage;
        return 2;
    }
    TServiceUtils::Configure(TServiceUtilsSettings::ServerManager());
    // The script runs in its own folder: a relative name would land there, not where tfctl was asked.
    const std::string fileName =
        IsAbsolute(AArgs[0]) ? AArgs[0] : plat::Files().CurrentDir() + "\\" + AArgs[0];
    TNamedHold hold;
    if (!TryHoldBackup(hold)) {
        AErr << BackupRunningText() << "\n";
        return 1;
    }
    TServiceUtils::SetMessageProc([&AErr](const std::string& AText) { AErr << AText << std::endl; });
    TTextBackupView view(AOut, AErr);
    view.Phase(TryToStopText());
    const bool done = RunBackup(view, fileName);
    TServiceUtils::SetMessageProc(nullptr);
    return done ? 0 : 1;
}
