#include "ConnectorUpdate.h"

#include "FormatText.h"
#include "PortRules.h"
#include "ResourceStrings.h"

#include <functional>
#include <map>
#include <optional>

namespace {

bool IsConnector(const xml::TXmlNode& ANode) {
    return ANode.IsElement() && ANode.NodeName() == "Connector";
}

// The secure connector this program writes: it never carries a "protocol".
bool IsOwnSecureConnector(const xml::TXmlNode& ANode) {
    return IsConnector(ANode) && !ANode.HasAttribute("protocol") && IsSecureConnector(ANode);
}

// The position of the first child that matches, or nothing.
std::optional<int> FindChild(const xml::TXmlNode& AService,
                             const std::function<bool(const xml::TXmlNode&)>& AMatch) {
    const int count = AService.ChildCount();
    for (int i = 0; i < count; ++i)
        if (AMatch(AService.Child(i)))
            return i;
    return std::nullopt;
}

void AddSecureConnector(xml::TXmlNode& AService, const std::string& APort) {
    xml::TXmlNode connector = AService.InsertElement(1, "Connector");
    connector.SetAttribute("port", APort);
    connector.SetAttribute("maxHttpHeaderSize", 8192);
    connector.SetAttribute("maxThreads", 150);
    connector.SetAttribute("scheme", "https");
    connector.SetAttribute("secure", true);
    connector.SetAttribute("clientAuth", false);
    connector.SetAttribute("keystoreFile", "./.keystore");
    connector.SetAttribute("sslProtocol", "TLS");
    connector.SetAttribute("SSLEnabled", true);
    connector.SetAttribute("URIEncoding", "UTF-8");
}

void Edit(xml::TXmlNode& AService, const std::string& AHttpPort, THttpsChange AHttps,
          const std::string& AHttpsPort) {
    const auto plain = [](const xml::TXmlNode& n) {
        return IsConnector(n) && !IsAjpConnector(n) && !IsSecureConnector(n);
    };
    if (const std::optional<int> http = FindChild(AService, plain))
        AService.Child(*http).SetAttribute("port", AHttpPort);
    const std::optional<int> secure = FindChild(AService, IsOwnSecureConnector);
    if (AHttps == THttpsChange::Enable) {
        if (secure)
            AService.Child(*secure).SetAttribute("port", AHttpsPort);
        else
            AddSecureConnector(AService, AHttpsPort);
    } else if (AHttps == THttpsChange::Disable && secure) {
        AService.DeleteChild(*secure);
    }
}

// A port that two listeners would bind: Tomcat binds the first and never the second, or stops at once
// when the shutdown port is taken. Ports count as numbers; ports that are not numbers (a ${property}),
// 0 (any free port) and -1 (no shutdown port) cannot clash.
std::optional<int32_t> SharedPort(const xml::TXmlNode& AServer) {
    std::map<int32_t, int> listeners;
    const auto add = [&](const xml::TXmlNode& ANode) {
        const std::optional<int32_t> port = ListenerPort(ANode);
        if (port && *port > 0)
            ++listeners[*port];
    };
    add(AServer);
    const int services = AServer.ChildCount();
    for (int s = 0; s < services; ++s) {
        const xml::TXmlNode service = AServer.Child(s);
        if (!service.IsElement() || service.NodeName() != "Service")
            continue;
        const int count = service.ChildCount();
        for (int i = 0; i < count; ++i)
            if (IsConnector(service.Child(i)))
                add(service.Child(i));
    }
    for (const auto& [port, count] : listeners)
        if (count > 1)
            return port;
    return std::nullopt;
}

} // namespace

void UpdateConnectors(const std::string& AHttpPort, THttpsChange AHttps, const std::string& AHttpsPort,
                      const std::string& APath) {
    const std::string failed = LanguageTable().GetString("res_error_settings_save", "Error saving settings");
    if (!PortNumber(AHttpPort) || (AHttps == THttpsChange::Enable && !PortNumber(AHttpsPort)))
        throw EConnectorUpdateError(failed);
    std::optional<int32_t> clash;
    try {
        xml::TXmlDocument document;
        document.LoadFromFile(APath);
        xml::TXmlNode server = document.DocumentElement();
        xml::TXmlNode service = server.ChildNodeByName("Service");
        Edit(service, AHttpPort, AHttps, AHttpsPort);
        clash = SharedPort(server);
        if (!clash)
            document.SaveToFile(APath);
    } catch (const std::exception&) {
        throw EConnectorUpdateError(failed);
    }
    if (clash)
        throw EConnectorUpdateError(
            failed + "\n" +
            FormatText(
                LanguageTable().GetString("res_error_port_used_twice", "Port %d is used twice in server.xml"),
                {static_cast<int64_t>(*clash)}));
}
