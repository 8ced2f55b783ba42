#include "ServiceThreads.h"

#include "ui/Dialogs.h"

TServiceOperationThread::TServiceOperationThread(TServiceControlForm& AForm, std::string ACode,
                                                 std::function<void()> AReloadJavaPort)
    : FForm(AForm), _code(std::move(ACode)), FReloadJavaPort(std::move(AReloadJavaPort)) {
    FreeOnTerminate = true;
}

void TServiceOperationThread::ChangeOwnWindow(const std::function<void(TServiceControlForm&)>& AChange) {
    Synchronize([this, &AChange] {
        if (FForm.OwnedBy(_code))
            AChange(FForm);
    });
}

void TServiceOperationThread::ChangeLabel() {
    ChangeOwnWindow([](TServiceControlForm& AForm) {
        AForm.SetCaption(TServiceControlForm::OperationCaption());
        AForm.LabelCaption->SetCaption(TryToStartText());
    });
}

void TServiceOperationThread::ReloadJavaPort() {
    if (FReloadJavaPort)
        Synchronize(FReloadJavaPort);
}

void TServiceOperationThread::CloseControlForm() {
    Synchronize([this] { FForm.CloseFor(_code); });
}

void TServiceOperationThread::Message(const std::string& AText, const std::string& ACaption,
                                      uint32_t AFlags) {
    ui::Dialogs().ShowMessageBox(AText, ACaption, ui::MB_OK_ | AFlags);
}

TStartStopServiceThread::TStartStopServiceThread(const std::string& AServiceName, const std::string& ACode,
                                                 TServiceControlForm& AForm)
    : TServiceOperationThread(AForm, ACode, nullptr), _serviceName(AServiceName) {}

void TStartStopServiceThread::Execute() {
    RunStartStop(*this, _serviceName, SvcProc, ErrorMessage);
}

TReStartServiceThread::TReStartServiceThread(const std::string& AServiceName, const std::string& ACode,
                                             TServiceControlForm& AForm,
                                             std::function<void()> AReloadJavaPort)
    : TServiceOperationThread(AForm, ACode, std::move(AReloadJavaPort)), _serviceName(AServiceName) {}

void TReStartServiceThread::Execute() {
    RunRestart(*this, _serviceName);
}
