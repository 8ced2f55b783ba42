#pragma once
// The steps of the service operations, apart from how they are shown: the progress window and message
// boxes of the Server Manager, or the lines of tfctl. Each runs on the thread that calls it and blocks
// until the service manager reports the end of the transition.
#include "WinUtilsUnit.h"

#include <cstdint>
#include <string>

// What an operation shows while it runs and when it ends.
class IOperationView {
public:
    virtual ~IOperationView() = default;
    // The stop is over and the start begins: the window's action becomes res_try_to_start.
    virtual void ChangeLabel() = 0;
    // The web server's ports are read again.
    virtual void ReloadJavaPort() = 0;
    // The operation's window closes, unless it belongs to a newer operation by now.
    virtual void CloseControlForm() = 0;
    // A message at the end of an operation; returns once the user has confirmed it. AFlags are the
    // message box's icon flags (ui::MB_ICONWARNING_, ...).
    virtual void Message(const std::string& AText, const std::string& ACaption, uint32_t AFlags) = 0;
};

// Starts or stops the service with ASvcProc (TServiceUtils::ServiceStart or ServiceStop), closes the
// window, and shows AErrorMessage when the service did not end where it should. True when it did.
bool RunStartStop(IOperationView& AView, const std::string& AServiceName, TServiceFunc ASvcProc,
                  const std::string& AErrorMessage);

// Stops the service and starts it again; a failed stop skips the start. The failure messages name the
// service by its service name. True when both succeeded.
bool RunRestart(IOperationView& AView, const std::string& AServiceName);

// The failure messages of the operations, filled with a service's name.
std::string CannotStartText(const std::string& AName);
std::string CannotStopText(const std::string& AName);
// The caption of every failure message.
std::string ErrorCaption();
// The progress window's actions.
std::string TryToStartText();
std::string TryToStopText();
