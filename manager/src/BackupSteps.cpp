#include "BackupSteps.h"

#include "FormatText.h"
#include "ResourceStrings.h"
#include "ServiceOperations.h"
#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "text/PathText.h"
#include "ui/Dialogs.h"

#include <optional>
#include <vector>

namespace {

// The buffer the command interpreter's path is expanded into.
constexpr uint32_t InterpreterBufferChars = 260;
constexpr const char* InterpreterVariable = "%COMSPEC%";

std::string ScriptPath() {
    return CanonicalizePath(
        text::FolderOf(plat::Files().ModuleFileName()) + "\\" +
        LanguageTable().GetString("backup_script_path",
                                  "..\\tomcat\\webapps\\corvane\\WEB-INF\\sql\\postgresql\\full-backup.bat"));
}

// cmd takes off the outer pair of quotes after /c and runs the rest as it stands, so both paths keep
// their own quotes and may hold blanks.
std::string CommandLine(const std::string& AInterpreter, const std::string& AScript,
                        const std::string& AFileName) {
    return AInterpreter + " /c \"\"" + AScript + "\" \"" + AFileName + "\"\"";
}

std::string NotStartedText(const std::string& AInterpreter, uint32_t AError) {
    return FormatText(
        LanguageTable().GetString("res_backup_not_started",
                                  "The backup script could not be started with %s: %s"),
        {AInterpreter.empty() ? InterpreterVariable : AInterpreter, plat::Host().SysErrorMessage(AError)});
}

std::string JoinedLines(const std::vector<std::string>& ALines) {
    std::string text;
    for (size_t i = 0; i < ALines.size(); ++i)
        text += (i ? "\n" : "") + ALines[i];
    return text;
}

bool HoldsBackup(const std::string& AFileName) {
    plat::FindEntry entry;
    return plat::Files().FileExists(AFileName) && plat::Files().GetAttributes(AFileName, entry) &&
           entry.Size > 0;
}

// Runs the script into the file; nothing when the file was written, otherwise why the backup failed.
// Whatever the script writes to standard error makes it a failure, even with the file in place.
std::optional<std::string> RunScript(const std::string& AFileName) {
    const std::string interpreter =
        plat::Host().ExpandEnvironment(InterpreterVariable, InterpreterBufferChars);
    if (interpreter.empty())
        return NotStartedText(interpreter, plat::LastError());
    const std::string script = ScriptPath();
    std::vector<std::string> output, errors;
    if (!TWinUtils::ExecConsoleApp(CommandLine(interpreter, script, AFileName), output, errors,
                                   text::FolderOf(script)))
        return NotStartedText(interpreter, plat::LastError());
    if (const std::string text = JoinedLines(errors); !text.empty())
        return text;
    if (!HoldsBackup(AFileName))
        return FormatText(
            LanguageTable().GetString("res_backup_file_missing", "The backup file %s is missing or empty."),
            {AFileName});
    return std::nullopt;
}

// Whole milliseconds as seconds with three decimals.
std::string Seconds(uint64_t AMilliseconds) {
    const std::string thousandths = std::to_string(1000 + AMilliseconds % 1000).substr(1);
    return std::to_string(AMilliseconds / 1000) + plat::Host().DecimalSeparator() + thousandths;
}

} // namespace

bool TryHoldBackup(TNamedHold& AHold) {
    return TryHoldNamed("Global\\BrackwellBackup", AHold);
}

std::string BackupRunningText() {
    return LanguageTable().GetString("res_backup_running",
                                     "A backup is running already. Start the next one when it has ended.");
}

std::string BackupTitle() {
    return LanguageTable().GetString("res_backup_title", "Backup");
}

std::string BackupInProgressText() {
    return LanguageTable().GetString("res_backup_in_progress", "Backup in Progress...");
}

std::string BackupDataText() {
    return LanguageTable().GetString("res_backup_data", "Backing up data... Please wait.");
}

bool RunBackup(IBackupView& AView, const std::string& AFileName) {
    const uint64_t started = plat::Clock().TickCount();
    if (TServiceUtils::ServiceGetStatus(BackupWebServer) != plat::SERVICE_STOPPED_ &&
        !TServiceUtils::ServiceStop(BackupWebServer)) {
        AView.CloseControlForm();
        AView.Message(CannotStopText(BackupWebServer), ErrorCaption(), ui::MB_ICONWARNING_);
        return false;
    }
    AView.ChangeLabelBackupData();
    const std::optional<std::string> failure = RunScript(AFileName);
    AView.ChangeLabelServiceStop();
    const bool restarted = TServiceUtils::ServiceStart(BackupWebServer);
    AView.CloseControlForm();
    if (!restarted)
        AView.Message(CannotStartText(BackupWebServer), ErrorCaption(), ui::MB_ICONWARNING_);
    if (failure) {
        AView.Message(FormatText(LanguageTable().GetString(
                                     "res_backup_error_message",
                                     "An unexpected error happened during backup. Error details:%s"),
                                 {"\n" + *failure}),
                      ErrorCaption(), ui::MB_ICONWARNING_);
        return false;
    }
    AView.Message(
        FormatText(LanguageTable().GetString("res_backup_success_message",
                                             "Backup completed successfully. Backup duration: %.3f sec."),
                   {Seconds(plat::Clock().TickCount() - started)}),
        BackupTitle(), ui::MB_ICONINFORMATION_);
    return restarted;
}
