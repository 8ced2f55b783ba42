#include "ServiceCommands.h"

#include "JavaPortUnit.h"
#include "ServiceOperations.h"
#include "ServiceStatusUnit.h"
#include "text/SameText.h"

#include <optional>

const char* const ServiceCommandsUsage =
    "  start|stop|restart [web|db]\n"
    "      starts, stops or restarts the web server (web, the default) or the database (db)\n";

namespace {

constexpr int ExitDone = 0;
constexpr int ExitFailed = 1;
constexpr int ExitBadCommandLine = 2;

// The window's texts as lines; there is no window to close and no port display to refresh.
class TConsoleView : public IOperationView {
public:
    TConsoleView(std::ostream& AErr, std::string AServiceName)
        : FErr(AErr), FServiceName(std::move(AServiceName)) {}
    void Show(const std::string& AAction) { FErr << AAction << ": " << FServiceName << std::endl; }
    void ChangeLabel() override { Show(TryToStartText()); }
    void ReloadJavaPort() override {}
    void CloseControlForm() override {}
    void Message(const std::string& AText, const std::string& ACaption, uint32_t) override {
        FErr << ACaption << ": " << AText << std::endl;
    }

private:
    std::ostream& FErr;
    std::string FServiceName;
};

std::optional<int> SlotOf(const std::vector<std::string>& AArgs) {
    if (AArgs.empty() || (AArgs.size() == 1 && text::SameText(AArgs[0], "web")))
        return WebServerSlot;
    if (AArgs.size() == 1 && text::SameText(AArgs[0], "db"))
        return DatabaseSlot;
    return std::nullopt;
}

} // namespace

int RunServiceCommand(const std::string& AVerb, const std::vector<std::string>& AArgs, std::ostream& AOut,
                      std::ostream& AErr) {
    const std::optional<int> slot = SlotOf(AArgs);
    const bool start = text::SameText(AVerb, "start"), stop = text::SameText(AVerb, "stop"),
               restart = text::SameText(AVerb, "restart");
    if (!slot || !(start || stop || restart)) {
        AErr << ServiceCommandsUsage;
        return ExitBadCommandLine;
    }
    TServiceUtils::Configure(TServiceUtilsSettings::ServerManager());
    TServiceUtils::SetMessageProc([&AErr](const std::string& AText) { AErr << AText << std::endl; });
    const std::string name = ServiceDisplayName(*slot);
    const std::string service = ServiceNames[*slot];
    TConsoleView view(AErr, name);
    bool done;
    if (restart) {
        view.Show(TryToStopText());
        done = RunRestart(view, service);
    } else if (start) {
        view.Show(TryToStartText());
        done = RunStartStop(view, service, TServiceUtils::ServiceStart, CannotStartText(name));
    } else {
        view.Show(TryToStopText());
        done = RunStartStop(view, service, TServiceUtils::ServiceStop, CannotStopText(name));
    }
    TServiceUtils::SetMessageProc(nullptr);
    TJavaPortInfo ports;
    if (*slot == WebServerSlot)
        ReadJavaPort(ports);
    const std::string state = StatusText(*slot, QueryServiceState(service), name, ports);
    if (!state.empty())
        AOut << state << std::endl;
    return done ? ExitDone : ExitFailed;
}
