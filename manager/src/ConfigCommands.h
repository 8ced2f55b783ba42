#pragma once
// tfctl's configuration commands. Each takes the arguments after its own name, writes its results to
// out and its refusals to err, and returns the exit code: 0 done, 1 refused or failed, 2 a command line
// it cannot use (with ConfigCommandsUsage on err). The texts come from the language table, so the
// caller loads it first.
#include <ostream>
#include <string>
#include <vector>

extern const char* const ConfigCommandsUsage;

// ports [--server-xml FILE]: "HttpPort=", "HttpsPort=" and "HttpsEnabled=0|1", one per line, as the
// reader finds them (a file that cannot be read gives the defaults).
int RunPortsCommand(const std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr);

// set-ports --http PORT [--https PORT | --no-https] [--server-xml FILE]: the settings' port rules, then
// the connector update. Without --https or --no-https the file's secure connectors stay as they are and
// the rules see the file's secure port. A refusal prints the rule's text or the update's message.
int RunSetPortsCommand(const std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr);

// debug on|off|status: switches the web application's debug logging, or prints "DebugLogging=0|1".
int RunDebugCommand(const std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr);
