#include "ServiceStatusUnit.h"

#include "Errors.h"
#include "FormatText.h"
#include "MegaUtils.h"
#include "ResourceStrings.h"
#include "WinUtilsUnit.h"

#include <algorithm>
#include <limits>

namespace {

std::string Text(const char* AKey, const char* AFallback) {
    return LanguageTable().GetString(AKey, AFallback);
}

} // namespace

int32_t QueryServiceState(const std::string& AServiceName) {
    if (!TServiceUtils::IsServiceInstalled(AServiceName, ""))
        return StateNotInstalled;
    return static_cast<int32_t>(TServiceUtils::ServiceGetStatus(AServiceName, ""));
}

std::string ServiceDisplayName(int ASlot) {
    return ASlot == WebServerSlot ? Text("TMainFormListServices0", "Tallyfix Server")
                                  : Text("TMainFormListServices1", "PostgreSQL Server");
}

std::string PortsText(const TJavaPortInfo& APorts) {
    if (APorts.HttpsEnabled)
        return FormatText(
            Text("res_running_on_port_secure", "Tallyfix is running on ports: %d (HTTP), %d (HTTPS)"),
            {int64_t{APorts.HttpPort}, int64_t{APorts.HttpsPort}});
    return FormatText(Text("res_running_on_port", "Corvane Web service is running on %d port (HTTP)"),
                      {int64_t{APorts.HttpPort}});
}

std::string StatusText(int ASlot, int32_t AState, const std::string& ADisplayName,
                       const TJavaPortInfo& APorts) {
    const char* key = nullptr;
    const char* fallback = nullptr;
    switch (AState) {
    case 1:
        key = "res_svc_stopped", fallback = "%s is stopped";
        break;
    case 2:
        key = "res_svc_start_pending", fallback = "%s is starting";
        break;
    case 3:
        key = "res_svc_stop_pending", fallback = "%s is stopping";
        break;
    case 4:
        if (ASlot == WebServerSlot)
            return PortsText(APorts);
        key = "res_svc_running", fallback = "%s is running";
        break;
    case StateNotInstalled:
        key = "res_svc_not_installed", fallback = "%s is not installed";
        break;
    default:
        return "";
    }
    return FormatText(Text(key, fallback), {ADisplayName});
}

std::string TrayHintText(int32_t AState, const TJavaPortInfo& APorts) {
    if (AState == 4)
        return PortsText(APorts);
    if (AState == StateNotInstalled)
        return Text("res_web_service_not_installed", "Corvane Web Service is not installed");
    return Text("res_web_service_not_work", "Corvane Web Service is not running");
}

int32_t BallState(int32_t AState) {
    return AState == 1 ? 0 : AState == 4 ? 1 : -1;
}

int32_t CheckIntervalFromSeconds(int32_t ASeconds) {
    constexpr int32_t longest = std::numeric_limits<int32_t>::max() / 1000;
    if (ASeconds <= 0)
        return DefaultCheckInterval;
    return std::min(ASeconds, longest) * 1000;
}

std::string RefreshTimeRegistryPath() {
    return Text("res_manager_refresh_regkey", "SOFTWARE\\Ostwick software\\ServiceManager\\RefreshTime");
}

int32_t ReadCheckInterval() {
    try {
        return CheckIntervalFromSeconds(
            RegReadInteger(RefreshTimeRegistryPath(), plat::RootKey::LocalMachine));
    } catch (const ERegistryException&) {
        return DefaultCheckInterval;
    }
}
