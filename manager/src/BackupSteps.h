#pragma once
// The steps of the database backup, apart from how they are shown: the progress window and message
// boxes of the Server Manager, or the lines of tfctl. They run on the calling thread and block on the
// service manager and on the backup script.
#include "NamedHold.h"

#include <cstdint>
#include <string>

// The web server, which is stopped for the duration of a backup.
constexpr const char* BackupWebServer = "Tomcat9";

// What a backup shows while it runs and when it ends. The first phase, the stop of the web server, is
// shown by whoever starts the backup.
class IBackupView {
public:
    virtual ~IBackupView() = default;
    // The web server is stopped: the script runs now.
    virtual void ChangeLabelBackupData() = 0;
    // The script has ended: the web server is started again.
    virtual void ChangeLabelServiceStop() = 0;
    // The operation's window closes, unless it belongs to a newer operation by now.
    virtual void CloseControlForm() = 0;
    // A message at the end; returns once the user has confirmed it. AFlags are the message box's icon
    // flags (ui::MB_ICONWARNING_, ui::MB_ICONINFORMATION_).
    virtual void Message(const std::string& AText, const std::string& ACaption, uint32_t AFlags) = 0;
};

// One backup at a time, in this process or in another (tfctl): a second one would stop and start the
// web server in the middle of the first. Whoever starts a backup takes this and keeps it until the
// backup has ended, after its last message; false while another backup holds it.
bool TryHoldBackup(TNamedHold& AHold);

// Stops the web server (unless it is stopped), runs the backup script into AFileName, starts the web
// server again and reports the outcome. True when the file was written and the web server started.
bool RunBackup(IBackupView& AView, const std::string& AFileName);

// The texts of the backup.
std::string BackupTitle();
std::string BackupInProgressText();
std::string BackupDataText();
std::string BackupRunningText();
