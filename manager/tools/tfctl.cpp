// tfctl: the Server Manager's command-line companion for remote shells and scripts.
//
//   tfctl status    each service's state as the main window's status bar says it, and the web
//                   server's ports; exit code 0 when the web server runs, 3 when it is stopped or in
//                   another state, 4 when it is not installed
//   tfctl start | stop | restart [web|db]    the service operations of the main window (ServiceCommands)
//   tfctl ports | set-ports | debug    the web server's connectors and debug logging (ConfigCommands)
//   tfctl backup FILE    the database backup of the Backup Data command (BackupOperations)
//   tfctl heapdump    a heap dump of the web server, archived (HeapDumpCommand)
//
// A command line it cannot use gets the usage text on standard error and exit code 2.
#include "BackupOperations.h"
#include "CommandLine.h"
#include "ConfigCommands.h"
#include "HeapDumpCommand.h"
#include "JavaPortUnit.h"
#include "MUISupportUnit.h"
#include "ServiceCommands.h"
#include "ServiceStatusUnit.h"
#include "WinUtilsUnit.h"
#include "text/SameText.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int ExitRunning = 0;
constexpr int ExitBadCommandLine = 2;
constexpr int ExitNotRunning = 3;
constexpr int ExitNotInstalled = 4;

constexpr const char* Usage =
    "Usage: tfctl COMMAND\n"
    "  status\n"
    "      the state of the web server and the database, and the web server's ports; exit codes:\n"
    "      0 the web server runs, 3 it is stopped or in another state, 4 it is not installed\n";

int Status() {
    TServiceUtils::Configure(TServiceUtilsSettings::ServerManager());
    TJavaPortInfo ports;
    ReadJavaPort(ports);
    int32_t webServer = StateNotInstalled;
    for (int slot = 0; slot < ServiceSlotCount; ++slot) {
        const int32_t state = QueryServiceState(ServiceNames[slot]);
        if (slot == WebServerSlot)
            webServer = state;
        const std::string name = ServiceDisplayName(slot);
        const std::string text = StatusText(slot, state, name, ports);
        std::cout << name << ":" << (text.empty() ? "" : " " + text) << "\n";
    }
    std::cout << "Ports: " << PortsText(ports) << std::endl;
    return webServer == 4 ? ExitRunning : webServer == StateNotInstalled ? ExitNotInstalled : ExitNotRunning;
}

using TCommand = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

struct TNamedCommand {
    const char* Name;
    TCommand Run;
};

constexpr TNamedCommand ConfigCommands[] = {
    {"ports", RunPortsCommand},   {"set-ports", RunSetPortsCommand}, {"debug", RunDebugCommand},
    {"backup", RunBackupCommand}, {"heapdump", RunHeapDumpCommand},
};

int Run(const TParams& AParams) {
    if (AParams.size() == 2 && text::SameText(AParams[1], "status")) {
        mui::LoadDefaultLanguage();
        return Status();
    }
    if (AParams.size() >= 2) {
        for (const char* verb : {"start", "stop", "restart"}) {
            if (text::SameText(AParams[1], verb)) {
                mui::LoadDefaultLanguage();
                return RunServiceCommand(verb, std::vector<std::string>(AParams.begin() + 2, AParams.end()),
                                         std::cout, std::cerr);
            }
        }
        for (const TNamedCommand& command : ConfigCommands) {
            if (text::SameText(AParams[1], command.Name)) {
                mui::LoadDefaultLanguage();
                return command.Run(std::vector<std::string>(AParams.begin() + 2, AParams.end()), std::cout,
                                   std::cerr);
            }
        }
    }
    std::cerr << Usage << ServiceCommandsUsage << ConfigCommandsUsage << BackupCommandUsage
              << HeapDumpCommandUsage << "A command line tfctl cannot use exits with 2 after this text.\n";
    return ExitBadCommandLine;
}

} // namespace

#ifdef _WIN32
#include "ui/SystemCommandLine.h"

int wmain(int, wchar_t**) {
    return Run(ParseCommandLine(ui::ProcessCommandLine()));
}
#else
int main(int argc, char** argv) {
    return Run(TParams(argv, argv + argc));
}
#endif
