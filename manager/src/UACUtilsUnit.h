#pragma once
// Elevation of the Server Manager: whether this process runs with administrator rights, the relaunch
// of the program through the system's elevation prompt, and the shield on buttons whose command
// needs those rights.
#include "platform/Types.h"

#include <string>

namespace ui {
class TButton;
}

class TUACUtils {
public:
    TUACUtils() = delete;

    // The token of the calling thread, or of the process when the thread has none, is elevated.
    static bool IsElevated();
    // Starts the program's own executable elevated with the parameters "/elevate " and AParameters
    // (ending in the blank when AParameters is empty), AWnd owning the prompt (0: none). Once the new
    // process exists the application terminates, leaving the field to it; a declined prompt or a
    // failed launch changes nothing and is not reported.
    static void RunElevated(const std::string& AParameters, plat::Handle AWnd = 0);
    // Puts the shield on the button when the system has shields (version 6.0 and later) and this
    // process is not elevated.
    static void SetButtonElevated(ui::TButton& AButton);
};
