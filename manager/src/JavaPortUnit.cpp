#include "JavaPortUnit.h"

#include "platform/Platform.h"
#include "text/PathText.h"
#include "text/SameText.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<int32_t> ListenerPort(const xml::TXmlNode& AConnector) {
    const std::optional<std::string> value = AConnector.Attribute("port");
    if (!value)
        return std::nullopt;
    std::string_view digits = TrimBlanks(*value);
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    int32_t port = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return port;
}

std::string ServerXmlPath() {
    return text::FolderOf(plat::Files().ModuleFileName()) + "\\..\\tomcat\\conf\\server.xml";
}

bool IsAjpConnector(const xml::TXmlNode& AConnector) {
    const std::optional<std::string> protocol = AConnector.Attribute("protocol");
    return protocol && text::SameText(std::string_view(*protocol).substr(0, 4), "ajp/");
}

bool IsSecureConnector(const xml::TXmlNode& AConnector) {
    const std::optional<std::string> secure = AConnector.Attribute("secure");
    return secure && text::SameText(*secure, "true");
}

void ReadJavaPort(TJavaPortInfo& AInfo, const std::string& APath) {
    AInfo = TJavaPortInfo();
    try {
        xml::TXmlDocument document;
        document.LoadFromFile(APath);
        const xml::TXmlNode service = document.DocumentElement().ChildNodeByName("Service");
        const int count = service.ChildCount();
        for (int i = 0; i < count; ++i) {
            const xml::TXmlNode node = service.Child(i);
            if (!node.IsElement() || node.NodeName() != "Connector" || IsAjpConnector(node))
                continue;
            const bool secure = IsSecureConnector(node);
            (secure ? AInfo.HttpsEnabled : AInfo.HttpEnabled) = true;
            const std::optional<int32_t> port = ListenerPort(node);
            if (!port)
                return;
            (secure ? AInfo.HttpsPort : AInfo.HttpPort) = *port;
        }
    } catch (const std::exception&) {
        // The ports found so far stand; the caller always gets a usable record.
    }
}
