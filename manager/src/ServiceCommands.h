#pragma once
// tfctl's service commands: start, stop and restart of the web server or the database, through the
// same steps as the main window's buttons, with the progress window's texts and the message boxes as
// lines (progress and failures on err, the service's state at the end on out). Exit codes: 0 done, 1
// failed, 2 a command line it cannot use. The caller loads the language table first.
#include <ostream>
#include <string>
#include <vector>

extern const char* const ServiceCommandsUsage;

// AVerb is "start", "stop" or "restart"; AArgs what follows it: nothing or "web" (the web server), or
// "db" (the database).
int RunServiceCommand(const std::string& AVerb, const std::vector<std::string>& AArgs, std::ostream& AOut,
                      std::ostream& AErr);
