#include "ServiceOperations.h"

#include "FormatText.h"
#include "ResourceStrings.h"
#include "ui/Dialogs.h"

namespace {

void Warn(IOperationView& AView, const std::string& AText) {
    AView.Message(AText, ErrorCaption(), ui::MB_ICONWARNING_);
}

} // namespace

std::string CannotStartText(const std::string& AName) {
    return FormatText(LanguageTable().GetString("res_service_cannot_start", "Can not start %s Service"),
                      {AName});
}

std::string CannotStopText(const std::string& AName) {
    return FormatText(LanguageTable().GetString("res_service_cannot_stop", "Can not stop %s Service"),
                      {AName});
}

std::string TryToStartText() {
    return LanguageTable().GetString(
        "res_try_to_start", "Server Manager is attempting to start the following service on Local Computer");
}

std::string TryToStopText() {
    return LanguageTable().GetString(
        "res_try_to_stop", "Server Manager is attempting to stop the following service on Local Computer");
}

std::string ErrorCaption() {
    return LanguageTable().GetString("res_error", "Error");
}

bool RunStartStop(IOperationView& AView, const std::string& AServiceName, TServiceFunc ASvcProc,
                  const std::string& AErrorMessage) {
    const bool done = ASvcProc(AServiceName, "");
    AView.CloseControlForm();
    if (!done)
        Warn(AView, AErrorMessage);
    return done;
}

bool RunRestart(IOperationView& AView, const std::string& AServiceName) {
    if (!TServiceUtils::ServiceStop(AServiceName, "")) {
        AView.CloseControlForm();
        Warn(AView, CannotStopText(AServiceName));
        // After the message: the ports are read once the user has seen why the restart failed.
        AView.ReloadJavaPort();
        return false;
    }
    AView.ReloadJavaPort();
    AView.ChangeLabel();
    const bool started = TServiceUtils::ServiceStart(AServiceName, "");
    AView.CloseControlForm();
    if (!started)
        Warn(AView, CannotStartText(AServiceName));
    return started;
}
