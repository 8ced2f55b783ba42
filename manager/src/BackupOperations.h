#pragma once
// The database backup: the web server stopped, the product's backup script run into the file the user
// chose, the web server started again, and the outcome reported.
#include <ostream>
#include <string>
#include <vector>

class TMainForm;
class TServiceControlForm;

// The Backup Data command of the main window and the tray menu.
void ExecuteBackupAction(TMainForm& AForm);
// The same with the progress window and the web server's display name given (window thread): the
// question, the file dialog, then the worker while the progress window is shown modally. A backup
// asked for while an earlier one still runs is refused with a message.
void ExecuteBackup(TServiceControlForm& AProgress, const std::string& AWebServerName);

// tfctl backup FILE: the same steps without windows, the phases and failures on AErr, the success
// message on AOut. Exit code 0 when the backup was made and the web server runs again, 1 on any
// failure, 2 for a command line it cannot use (with BackupCommandUsage on AErr). The texts come from
// the language table, so the caller loads it first.
int RunBackupCommand(const std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr);

extern const char* const BackupCommandUsage;
