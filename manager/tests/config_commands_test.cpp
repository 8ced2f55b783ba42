#include "ConfigCommands.h"
#include "MUISupportUnit.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using testsupport::TempDir;
using Args = std::vector<std::string>;

struct Result {
    int Code;
    std::string Out;
    std::string Err;
};

Result Command(int (*ACommand)(const Args&, std::ostream&, std::ostream&), const Args& AArgs) {
    std::ostringstream out, err;
    const int code = ACommand(AArgs, out, err);
    return {code, out.str(), err.str()};
}

std::string ServerXml(const std::string& AConnectors) {
    return "<Server port=\"8005\"><Service>" + AConnectors + "<Engine/></Service></Server>";
}

const std::string kPlainAndOwn =
    R"(<Connector port="8080"/><Connector port="8443" secure="true" scheme="https"/>)";

class ConfigCommands : public testing::Test {
protected:
    ConfigCommands() { mui::LoadDefaultLanguage(); }

    Args WithFile(Args AArgs) const {
        AArgs.insert(AArgs.end(), {"--server-xml", dir.Path("server.xml")});
        return AArgs;
    }

    TempDir dir;
};

TEST_F(ConfigCommands, PortsPrintsWhatTheReaderFinds) {
    dir.Write("server.xml", ServerXml(kPlainAndOwn));
    EXPECT_EQ(Command(RunPortsCommand, WithFile({})).Out, "HttpPort=8080\nHttpsPort=8443\nHttpsEnabled=1\n");
    dir.Write("server.xml", ServerXml(R"(<Connector port="0080"/>)"));
    const Result r = Command(RunPortsCommand, WithFile({}));
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Out, "HttpPort=80\nHttpsPort=8443\nHttpsEnabled=0\n");
    EXPECT_EQ(Command(RunPortsCommand, {"--server-xml", dir.Path("none.xml")}).Out,
              "HttpPort=8081\nHttpsPort=8443\nHttpsEnabled=0\n");
}

TEST_F(ConfigCommands, SetPortsAppliesTheRulesInOrderThenTheUpdate) {
    const std::string httpRule = "Web server port must be an integer between 1 and 65536\n";
    const std::string httpsRule = "Secure HTTP port must be an integer between 1 and 65536\n";
    const std::string equalRule = "HTTP and Secure HTTP ports must be different\n";
    struct Case {
        Args args;
        std::string err;   // "" : done, exit code 0; otherwise exit code 1
        std::string ports; // what ports prints afterwards; "" : the file is unchanged
    } cases[] = {
        {{"--http", "65535", "--no-https"}, "", "HttpPort=65535\nHttpsPort=8443\nHttpsEnabled=0\n"},
        {{"--http", "8090"}, "", "HttpPort=8090\nHttpsPort=8443\nHttpsEnabled=1\n"},
        {{"--http", "8090", "--https", "9443"}, "", "HttpPort=8090\nHttpsPort=9443\nHttpsEnabled=1\n"},
        {{"--http", "65536"}, httpRule, ""},
        {{"--http", "0"}, httpRule, ""},
        {{"--http", "web"}, httpRule, ""},
        {{"--http", "80x", "--https", "80x"}, httpRule, ""},
        {{"--http", "8090", "--https", "0"}, httpsRule, ""},
        {{"--http", "8090", "--https", "8090"}, equalRule, ""},
        {{"--http", "8090", "--https", "08090"}, equalRule, ""},
        {{"--http", "8443"}, equalRule, ""}, // the file's secure port counts when it stays
        {{"--http", "8443", "--no-https"}, "", "HttpPort=8443\nHttpsPort=8443\nHttpsEnabled=0\n"},
        {{"--http", "8005"}, "Error saving settings\nPort 8005 is used twice in server.xml\n", ""},
    };
    for (const Case& c : cases) {
        dir.Write("server.xml", ServerXml(kPlainAndOwn));
        const std::string before = dir.Read("server.xml");
        const Result r = Command(RunSetPortsCommand, WithFile(c.args));
        const std::string what = testing::PrintToString(c.args);
        EXPECT_EQ(r.Code, c.err.empty() ? 0 : 1) << what;
        EXPECT_EQ(r.Out, "") << what;
        EXPECT_EQ(r.Err, c.err) << what;
        if (c.ports.empty())
            EXPECT_EQ(dir.Read("server.xml"), before) << what;
        else
            EXPECT_EQ(Command(RunPortsCommand, WithFile({})).Out, c.ports) << what;
    }
}

TEST_F(ConfigCommands, SetPortsWithoutASecureChoiceLeavesAHandWrittenConnector) {
    dir.Write(
        "server.xml",
        ServerXml(R"(<Connector port="8080"/><Connector port="8443" protocol="HTTP/1.1" secure="true"/>)"));
    EXPECT_EQ(Command(RunSetPortsCommand, WithFile({"--http", "8090"})).Code, 0);
    EXPECT_EQ(Command(RunPortsCommand, WithFile({})).Out, "HttpPort=8090\nHttpsPort=8443\nHttpsEnabled=1\n");
    const Result again = Command(RunSetPortsCommand, WithFile({"--http", "8090", "--https", "8443"}));
    EXPECT_EQ(again.Code, 1);
    EXPECT_EQ(again.Err, "Error saving settings\nPort 8443 is used twice in server.xml\n");
}

TEST_F(ConfigCommands, ANoFileOrABadCommandLineIsRefused) {
    const Result missing =
        Command(RunSetPortsCommand, {"--http", "8090", "--server-xml", dir.Path("none.xml")});
    EXPECT_EQ(missing.Code, 1);
    EXPECT_EQ(missing.Err, "Error saving settings\n");
    const Args unusable[] = {{},
                             {"--https", "8443"},
                             {"--http"},
                             {"--http", "1", "--http", "2"},
                             {"--http", "1", "--no-https", "--no-https"},
                             {"--http", "1", "--port", "2"},
                             {"--http", "1", "--https", "2", "--no-https"}};
    for (const Args& args : unusable) {
        const Result r = Command(RunSetPortsCommand, args);
        EXPECT_EQ(r.Code, 2) << testing::PrintToString(args);
        EXPECT_NE(r.Err.find("set-ports --http PORT"), std::string::npos);
    }
    EXPECT_EQ(Command(RunPortsCommand, {"--http", "1"}).Code, 2);
    EXPECT_EQ(Command(RunPortsCommand, {"--server-xml"}).Code, 2);
}

} // namespace
