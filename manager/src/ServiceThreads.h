#pragma once
// The workers of the service operations. Each frees itself when it ends and is created suspended:
// the window thread starts it once the progress window is prepared. A worker touches the window only
// through hand-offs to the window thread, and only while the window still carries its code.
#include "ServiceControlUnit.h"
#include "ServiceOperations.h"
#include "ui/Threads.h"

#include <functional>
#include <string>

// Shows an operation in the shared progress window and its messages in message boxes owned by the
// application's window.
class TServiceOperationThread : public ui::TThread, protected IOperationView {
protected:
    // AReloadJavaPort reads the web server's ports into the main window (run on the window thread).
    TServiceOperationThread(TServiceControlForm& AForm, std::string ACode,
                            std::function<void()> AReloadJavaPort);

    void ChangeLabel() override;
    void ReloadJavaPort() override;
    void CloseControlForm() override;
    void Message(const std::string& AText, const std::string& ACaption, uint32_t AFlags) override;
    // Runs AChange on the window thread if the window still belongs to this operation.
    void ChangeOwnWindow(const std::function<void(TServiceControlForm&)>& AChange);

    TServiceControlForm& FForm;
    const std::string _code;

private:
    std::function<void()> FReloadJavaPort;
};

class TStartStopServiceThread : public TServiceOperationThread {
public:
    TStartStopServiceThread(const std::string& AServiceName, const std::string& ACode,
                            TServiceControlForm& AForm);

    TServiceFunc SvcProc = nullptr;
    std::string ErrorMessage;

protected:
    void Execute() override;

private:
    const std::string _serviceName;
};

class TReStartServiceThread : public TServiceOperationThread {
public:
    TReStartServiceThread(const std::string& AServiceName, const std::string& ACode,
                          TServiceControlForm& AForm, std::function<void()> AReloadJavaPort);

protected:
    void Execute() override;

private:
    const std::string _serviceName;
};
