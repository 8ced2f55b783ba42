#pragma once
// The web server's listening ports as Tomcat's server.xml declares them in its Connector elements.
#include "xml/XmlDom.h"

#include <cstdint>
#include <optional>
#include <string>

struct TJavaPortInfo {
    bool HttpEnabled = true;
    int32_t HttpPort = 8081;
    bool HttpsEnabled = false;
    int32_t HttpsPort = 8443;
};

// "..\tomcat\conf\server.xml" after the folder of the running program.
std::string ServerXmlPath();

// Connector classification shared by the reader and the writer of server.xml. An AJP connector has a
// "protocol" that begins with "ajp/" in any letter case; a secure one has "secure" reading "true" in
// any letter case (any other value, or none, is plain HTTP).
bool IsAjpConnector(const xml::TXmlNode& AConnector);
bool IsSecureConnector(const xml::TXmlNode& AConnector);

// The "port" attribute of a Connector (or of the Server: its shutdown port) read as the reader reads
// it; nothing when it is missing or not such a number.
std::optional<int32_t> ListenerPort(const xml::TXmlNode& AConnector);

// Sets AInfo to the defaults, then walks every child of the first "Service" element: each non-AJP
// Connector sets the HTTPS fields when secure and the HTTP fields otherwise, so the last of each kind
// wins. A port (ListenerPort) must be a decimal 32-bit integer, optionally signed, blanks around it allowed
// (" 8080 " is 8080; "8080x", "0x1F90" and "" are not ports). Any failure (no file, malformed XML,
// a missing or bad port) ends the walk quietly and leaves what was found so far; nothing is thrown.
void ReadJavaPort(TJavaPortInfo& AInfo, const std::string& APath = ServerXmlPath());
