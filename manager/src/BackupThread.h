#pragma once
// The worker of the Backup Data command: the backup's steps with the shared progress window showing
// each phase and message boxes showing the outcome. It frees itself when it ends.
#include "BackupSteps.h"
#include "ServiceThreads.h"

#include <memory>
#include <string>

// One backup at a time in a process: a second one would stop and start the web server in the middle
// of the first. The window thread takes the turn and hands it to the worker, which lets it go when it
// has ended, after its last message.
class TBackupTurn {
public:
    // Nothing while another backup holds the turn.
    static std::unique_ptr<TBackupTurn> Take();
    ~TBackupTurn();
    TBackupTurn(const TBackupTurn&) = delete;
    TBackupTurn& operator=(const TBackupTurn&) = delete;

private:
    TBackupTurn() = default;
};

class TBackupThread : public TServiceOperationThread, private IBackupView {
public:
    TBackupThread(const std::string& AFileName, const std::string& ACode, TServiceControlForm& AForm,
                  std::unique_ptr<TBackupTurn> ATurn);

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
    std::unique_ptr<TBackupTurn> FTurn;
};
