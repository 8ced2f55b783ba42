#pragma once
// One run of the Server Manager, from the parsed command line to the end of the process. It never
// returns: the process ends with exit code 0 when the application is terminated (Exit, the close
// request, an elevated relaunch, the template export) or at once when another instance runs, and with
// exit code 1 after an error box when start-up fails (a resource the program lacks).
#include "CommandLine.h"

// The single-instance mutex; it lives in the session's own namespace.
constexpr const char* SingleInstanceMutexName = "Brackwell Server Manager";
constexpr const char* ApplicationTitle = "Tallyfix Server Manager";

int RunManager(const TParams& AParams);
