#include "BackupThread.h"

#include "ServiceOperations.h"

TBackupThread::TBackupThread(const std::string& AFileName, const std::string& ACode,
                             TServiceControlForm& AForm, TNamedHold AHold)
    : TServiceOperationThread(AForm, ACode, nullptr), _fileName(AFileName), FHold(std::move(AHold)) {}

void TBackupThread::Execute() {
    RunBackup(*this, _fileName);
}

void TBackupThread::ChangeLabelBackupData() {
    ChangeOwnWindow([this](TServiceControlForm& AForm) {
        _serviceName = AForm.LabelSvcName->Caption();
        AForm.SetCaption(BackupInProgressText());
        AForm.LabelSvcName->SetCaption("");
        AForm.LabelCaption->SetCaption(BackupDataText());
    });
}

void TBackupThread::ChangeLabelServiceStop() {
    ChangeOwnWindow([this](TServiceControlForm& AForm) {
        AForm.SetCaption(TServiceControlForm::OperationCaption());
        AForm.LabelSvcName->SetCaption(_serviceName);
        AForm.LabelCaption->SetCaption(TryToStartText());
    });
}

void TBackupThread::CloseControlForm() {
    TServiceOperationThread::CloseControlForm();
}

void TBackupThread::Message(const std::string& AText, const std::string& ACaption, uint32_t AFlags) {
    TServiceOperationThread::Message(AText, ACaption, AFlags);
}
