#pragma once
// The worker of the Backup Data command: the backup's steps with the shared progress window showing
// each phase and message boxes showing the outcome. It frees itself when it ends.
#include "BackupSteps.h"
#include "ServiceThreads.h"

#include <memory>
#include <string>

class TBackupThread : public TServiceOperationThread, private IBackupView {
public:
    TBackupThread(const std::string& AFileName, const std::string& ACode, TServiceControlForm& AForm,
                  TNamedHold AHold);

protected:
    void Execute() override;

private:
    void ChangeLabelBackupData() override;
    void ChangeLabelServiceStop() override;
    void CloseControlForm() override;
    void Message(const std::string& AText, const std::string& ACaption, uint32_t AFlags) override;

    const std::string _fileName;
    // The web server's display name while the window shows the script's phase (window thread only).
    std::string _serviceName;
    TNamedHold FHold; // released when the thread ends, after its last message
};
