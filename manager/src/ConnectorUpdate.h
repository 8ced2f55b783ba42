#pragma once
// Writing the web server's ports into Tomcat's server.xml: one step of saving the settings.
#include "Errors.h"
#include "JavaPortUnit.h"

#include <string>

// Every failure of the connector update. Its text is what the settings save shows: "Error saving
// settings" (res_error_settings_save), and for two listeners on one port a second line naming it.
class EConnectorUpdateError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EConnectorUpdateError"; }
};

enum class THttpsChange {
    Enable,  // update the secure connector this program writes, or add it
    Disable, // remove the secure connector this program writes
    Keep,    // leave every secure connector as it is
};

// In the first Service: the first plain HTTP connector (not AJP, not secure) gets AHttpPort as
// entered. Enable sets AHttpsPort on the first secure connector without a "protocol" attribute, or
// inserts one at child position 1 (Service must have a child) with the attributes port,
// maxHttpHeaderSize 8192, maxThreads 150, scheme https, secure true, clientAuth false, keystoreFile
// ./.keystore, sslProtocol TLS, SSLEnabled true, URIEncoding UTF-8; Disable deletes the first such
// connector. Secure connectors with a "protocol" are never touched.
//
// Refused, with the file left byte for byte as it was: a port entry that PortNumber rejects (AHttpsPort
// counts only for Enable), any failure to read or parse the file, and an edited document in which two
// listeners share a port (any two connectors of any Service, AJP included, or a connector on the
// Server's shutdown port), even when the file had them before. The file is replaced whole or not at all,
// keeping its permissions.
void UpdateConnectors(const std::string& AHttpPort, THttpsChange AHttps, const std::string& AHttpsPort,
                      const std::string& APath = ServerXmlPath());
