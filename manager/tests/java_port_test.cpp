#include "JavaPortUnit.h"
#include "RelocatedFiles.h"
#include "TempDir.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <ostream>

bool operator==(const TJavaPortInfo& a, const TJavaPortInfo& b) {
    return a.HttpEnabled == b.HttpEnabled && a.HttpPort == b.HttpPort && a.HttpsEnabled == b.HttpsEnabled &&
           a.HttpsPort == b.HttpsPort;
}

std::ostream& operator<<(std::ostream& out, const TJavaPortInfo& i) {
    return out << "{http " << i.HttpEnabled << " " << i.HttpPort << ", https " << i.HttpsEnabled << " "
               << i.HttpsPort << "}";
}

namespace {

using testsupport::TempDir;

const TJavaPortInfo kDefaults{true, 8081, false, 8443};

std::string ServerXml(const std::string& serviceContent) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Server port=\"8005\" shutdown=\"SHUTDOWN\">\n"
           "  <Listener className=\"org.apache.catalina.startup.VersionLoggerListener\"/>\n"
           "  <Service name=\"Catalina\">\n" +
           serviceContent + "\n  </Service>\n</Server>\n";
}

TJavaPortInfo Read(const std::string& path) {
    TJavaPortInfo info{false, 1, true, 2}; // whatever the caller held before
    ReadJavaPort(info, path);
    return info;
}

TEST(ReadJavaPort, ConnectorsOfTheFirstServiceGiveThePorts) {
    struct Case {
        const char* what;
        std::string xml;
        TJavaPortInfo expected;
    } cases[] = {
        {"plain HTTP beside an upper-case AJP connector",
         ServerXml(
             R"(<Connector port="8080" protocol="HTTP/1.1"/><Connector port="8009" protocol="AJP/1.3"/>)"),
         {true, 8080, false, 8443}},
        {"the last plain connector wins",
         ServerXml(R"(<Connector port="8080"/><Connector port="9090" protocol="HTTP/1.1"/>)"),
         {true, 9090, false, 8443}},
        {"secure in capitals",
         ServerXml(R"(<Connector port="9443" secure="TRUE" scheme="https"/>)"),
         {true, 8081, true, 9443}},
        {"secure false or another word is plain HTTP",
         ServerXml(R"(<Connector port="8181" secure="false"/><Connector port="8282" secure="yes"/>)"),
         {true, 8282, false, 8443}},
        {"a comment before the connectors",
         ServerXml(
             R"(<!-- the HTTP connector --><Connector port="8080"/><Connector port="8443" secure="true"/>)"),
         {true, 8080, true, 8443}},
        {"only AJP, in lower case", ServerXml(R"(<Connector port="8009" protocol="ajp/1.3"/>)"), kDefaults},
        {"connectors elsewhere do not count",
         ServerXml(R"(<Engine name="Catalina"><Connector port="7070"/></Engine><connector port="7171"/>)"),
         kDefaults},
        {"only the first Service counts",
         R"(<Server><Service><Connector port="8080"/></Service>)"
         R"(<Service><Connector port="6060"/></Service></Server>)",
         {true, 8080, false, 8443}},
        {"no Service at all", "<Server><Listener/></Server>", kDefaults},
        {"blanks around a port", ServerXml(R"(<Connector port=" 8080 "/>)"), {true, 8080, false, 8443}},
        {"a sign before a port", ServerXml(R"(<Connector port="+8080"/>)"), {true, 8080, false, 8443}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        dir.Write("server.xml", c.xml);
        EXPECT_EQ(Read(dir.Path("server.xml")), c.expected) << c.what;
    }
}

// A bad port ends the walk where it stands: what was read before stays, nothing after is read.
TEST(ReadJavaPort, ABadPortKeepsWhatWasFoundBeforeIt) {
    struct Case {
        const char* what;
        std::string xml;
        TJavaPortInfo expected;
    } cases[] = {
        {"trailing letters after a good secure port",
         ServerXml(R"(<Connector port="9443" secure="true"/><Connector port="9444x" secure="true"/>)"
                   R"(<Connector port="7070"/>)"),
         {true, 8081, true, 9443}},
        {"a secure connector without a port",
         ServerXml(R"(<Connector port="8080"/><Connector secure="true"/><Connector port="7070"/>)"),
         {true, 8080, true, 8443}},
        {"an empty port",
         ServerXml(R"(<Connector port="8080"/><Connector port=""/>)"),
         {true, 8080, false, 8443}},
        {"a hexadecimal port", ServerXml(R"(<Connector port="0x1F90"/>)"), kDefaults},
        {"a port beyond 32 bits", ServerXml(R"(<Connector port="4294975376"/>)"), kDefaults},
    };
    TempDir dir;
    for (const Case& c : cases) {
        dir.Write("server.xml", c.xml);
        EXPECT_EQ(Read(dir.Path("server.xml")), c.expected) << c.what;
    }
}

TEST(ReadJavaPort, AFileThatCannotBeReadGivesTheDefaults) {
    TempDir dir;
    EXPECT_EQ(Read(dir.Path("missing.xml")), kDefaults);
    dir.Write("empty.xml", "");
    EXPECT_EQ(Read(dir.Path("empty.xml")), kDefaults);
    dir.Write("cut.xml", R"(<Server><Service><Connector port="8080"/><Connector port="9090")");
    EXPECT_EQ(Read(dir.Path("cut.xml")), kDefaults);
}

TEST(ReadJavaPort, TheDefaultFileLiesInTheTomcatFolderBesideTheProgramsFolder) {
    TempDir dir;
    dir.Write("bin/TFManager.exe", "");
    dir.Write("tomcat/conf/server.xml", ServerXml(R"(<Connector port="8090"/>)"));
    plat::Platform parts;
    parts.Files = std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files,
                                                                dir.Windows("bin\\TFManager.exe"));
    plat::ScopedOverride relocated(parts);
    TJavaPortInfo info;
    ReadJavaPort(info);
    EXPECT_EQ(info, (TJavaPortInfo{true, 8090, false, 8443}));
}

} // namespace
