#include "ConfigCommands.h"

#include "ConnectorUpdate.h"
#include "LoggerUtilsUnit.h"
#include "PortRules.h"
#include "ResourceStrings.h"
#include "text/SameText.h"

#include <optional>

const char* const ConfigCommandsUsage =
    "  ports [--server-xml FILE]\n"
    "      the web server's ports: HttpPort=, HttpsPort= and HttpsEnabled=0|1\n"
    "  set-ports --http PORT [--https PORT | --no-https] [--server-xml FILE]\n"
    "      writes the ports into server.xml; without --https or --no-https secure HTTP stays as it is\n"
    "  debug on|off|status\n"
    "      switches the web application's debug logging, or prints DebugLogging=0|1\n"
    "  --server-xml FILE acts on FILE instead of the installation's server.xml.\n"
    "  Exit codes: 0 done, 1 refused or failed (the reason on standard error), 2 bad command line.\n";

namespace {

constexpr int ExitDone = 0;
constexpr int ExitRefused = 1;
constexpr int ExitBadCommandLine = 2;

struct TPortOptions {
    std::optional<std::string> Http;
    std::optional<std::string> Https;
    bool NoHttps = false;
    std::string ServerXml = ServerXmlPath();
};

// Options with a value take the next argument; an option given twice, or one this command does not
// know, makes the command line unusable.
std::optional<TPortOptions> ParseOptions(const std::vector<std::string>& AArgs, bool APortsAllowed) {
    TPortOptions options;
    std::optional<std::string> serverXml;
    for (size_t i = 0; i < AArgs.size(); ++i) {
        const std::string& name = AArgs[i];
        if (APortsAllowed && name == "--no-https" && !options.NoHttps) {
            options.NoHttps = true;
            continue;
        }
        std::optional<std::string>* value = name == "--server-xml" ? &serverXml
                                            : !APortsAllowed       ? nullptr
                                            : name == "--http"     ? &options.Http
                                            : name == "--https"    ? &options.Https
                                                                   : nullptr;
        if (!value || value->has_value() || i + 1 == AArgs.size())
            return std::nullopt;
        *value = AArgs[++i];
    }
    if (serverXml)
        options.ServerXml = *serverXml;
    return options;
}

int BadCommandLine(std::ostream& AErr) {
    AErr << "Usage: tfctl\n" << ConfigCommandsUsage;
    return ExitBadCommandLine;
}

} // namespace

int RunPortsCommand(const std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr) {
    const std::optional<TPortOptions> options = ParseOptions(AArgs, false);
    if (!options)
        return BadCommandLine(AErr);
    TJavaPortInfo ports;
    ReadJavaPort(ports, options->ServerXml);
    AOut << "HttpPort=" << ports.HttpPort << "\nHttpsPort=" << ports.HttpsPort
         << "\nHttpsEnabled=" << (ports.HttpsEnabled ? 1 : 0) << std::endl;
    return ExitDone;
}

int RunSetPortsCommand(const std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr) {
    const std::optional<TPortOptions> options = ParseOptions(AArgs, true);
    if (!options || !options->Http || (options->Https && options->NoHttps))
        return BadCommandLine(AErr);
    THttpsChange change = options->Https ? THttpsChange::Enable : THttpsChange::Disable;
    bool httpsEnabled = options->Https.has_value();
    std::string httpsPort = options->Https.value_or("");
    if (!options->Https && !options->NoHttps) {
        TJavaPortInfo ports;
        ReadJavaPort(ports, options->ServerXml);
        change = THttpsChange::Keep;
        httpsEnabled = ports.HttpsEnabled;
        httpsPort = std::to_string(ports.HttpsPort);
    }
    if (const std::optional<TPortRuleFailure> failure =
            CheckPortFields(*options->Http, httpsEnabled, httpsPort)) {
        AErr << failure->Text << std::endl;
        return ExitRefused;
    }
    try {
        UpdateConnectors(*options->Http, change, httpsPort, options->ServerXml);
    } catch (const EConnectorUpdateError& e) {
        AErr << e.what() << std::endl;
        return ExitRefused;
    }
    return ExitDone;
}

int RunDebugCommand(const std::vector<std::string>& AArgs, std::ostream& AOut, std::ostream& AErr) {
    if (AArgs.size() != 1)
        return BadCommandLine(AErr);
    const std::string& what = AArgs[0];
    try {
        if (text::SameText(what, "status")) {
            AOut << "DebugLogging=" << (IsDebugLoggingOn() ? 1 : 0) << std::endl;
            return ExitDone;
        }
        if (!text::SameText(what, "on") && !text::SameText(what, "off"))
            return BadCommandLine(AErr);
        if (SetDebugLogging(text::SameText(what, "on")))
            return ExitDone;
        AErr << LanguageTable().GetString("res_error_debug_mode", "Can not change debug mode parameter")
             << std::endl;
    } catch (const EBaseError& e) {
        AErr << e.what() << std::endl;
    }
    return ExitRefused;
}
