#pragma once
// The rules every entry of the web server's ports passes before the connector update: the settings
// dialog's port fields and tfctl set-ports check them in the same order with the same texts.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The port an entry names: decimal digits only (no sign, no blanks, leading zeros allowed) with a
// value from 1 to 65535. "80x", "+80", " 80" and "" name none.
std::optional<int32_t> PortNumber(std::string_view AText);

enum class TPortField { HttpPort, HttpsPort };

struct TPortRuleFailure {
    TPortField Field; // the field the dialog focuses
    std::string Text; // the message, from the language table
};

// In order: the HTTP port is a port (res_error_web_server_port_error); with secure HTTP on, the secure
// port is a port (res_error_https_port_error) and the two differ as numbers (res_error_equal_port).
// With secure HTTP off its field is not looked at. The first rule that fails, or nothing.
std::optional<TPortRuleFailure> CheckPortFields(std::string_view AHttpPort, bool AHttpsEnabled,
                                                std::string_view AHttpsPort);
