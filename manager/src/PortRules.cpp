#include "PortRules.h"

#include "ResourceStrings.h"

#include <charconv>

std::optional<int32_t> PortNumber(std::string_view AText) {
    if (AText.empty() || AText.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int32_t port = 0;
    const auto [end, error] = std::from_chars(AText.data(), AText.data() + AText.size(), port);
    if (error != std::errc() || end != AText.data() + AText.size() || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

std::optional<TPortRuleFailure> CheckPortFields(std::string_view AHttpPort, bool AHttpsEnabled,
                                                std::string_view AHttpsPort) {
    const TResourceStrings& table = LanguageTable();
    const std::optional<int32_t> http = PortNumber(AHttpPort);
    if (!http)
        return TPortRuleFailure{TPortField::HttpPort,
                                table.GetString("res_error_web_server_port_error",
                                                "Web server port must be an integer between 1 and 65536")};
    if (!AHttpsEnabled)
        return std::nullopt;
    const std::optional<int32_t> https = PortNumber(AHttpsPort);
    if (!https)
        return TPortRuleFailure{TPortField::HttpsPort,
                                table.GetString("res_error_https_port_error",
                                                "Secure HTTP port must be an integer between 1 and 65536")};
    if (*http == *https)
        return TPortRuleFailure{
            TPortField::HttpsPort,
            table.GetString("res_error_equal_port", "HTTP and Secure HTTP ports must be different")};
    return std::nullopt;
}
