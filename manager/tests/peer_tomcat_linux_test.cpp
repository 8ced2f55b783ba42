// The connector update against a real Tomcat: the system's own instance layout in a scratch
// CATALINA_BASE, its HTTP port changed by the update, Tomcat started on it (loopback only), and the
// new port answering while the old one is closed. The product runs Tomcat 9, which this system does
// not ship; the secure connector the update inserts uses the older attributes that Tomcat 9 maps and
// 10.1 refuses, so secure HTTP is checked in the document only, not by starting Tomcat on it.
#include "ConnectorUpdate.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path TomcatHome = "/usr/share/tomcat10";

// A loopback port nobody listens on at the moment.
int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

// The first line of the answer to "GET /" on the loopback port; empty when nothing answers.
std::string AnswerOn(int APort) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(APort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        const std::string request = "GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::send(s, request.data(), request.size(), 0) == static_cast<ssize_t>(request.size())) {
            char buffer[256];
            const ssize_t got = ::recv(s, buffer, sizeof buffer, 0);
            if (got > 0)
                answer.assign(buffer, static_cast<size_t>(got));
        }
    }
    ::close(s);
    return answer.substr(0, answer.find("\r\n"));
}

// Tomcat in the foreground with the scratch base, as a child of the test (the shell hands its process
// over to the runtime); its output goes to the base's logs.
pid_t StartTomcat(const fs::path& ABase) {
    const std::string command = "CATALINA_HOME='" + TomcatHome.string() + "' CATALINA_BASE='" +
                                ABase.string() + "' exec '" + (TomcatHome / "bin/catalina.sh").string() +
                                "' run >>'" + (ABase / "logs/run.log").string() + "' 2>&1";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

class PeerTomcat : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(TomcatHome / "bin/catalina.sh")) << "Tomcat is not installed (tomcat10-user)";
        fs::copy(TomcatHome / "skel", base, fs::copy_options::recursive);
        for (const char* folder : {"logs", "temp", "work", "webapps/ROOT"})
            fs::create_directories(base / folder);
        testsupport::WriteFile((base / "webapps/ROOT/index.html").string(), "<p>here</p>\n");
        // The shipped connector, on a port of the test's own and on the loopback address only.
        std::string xml = testsupport::ReadFile(ServerXml());
        const std::string shipped = "<Connector port=\"8080\" protocol=\"HTTP/1.1\"";
        ASSERT_NE(std::string::npos, xml.find(shipped)) << "the instance layout changed";
        xml.replace(xml.find(shipped), shipped.size(),
                    "<Connector port=\"" + std::to_string(oldPort) +
                        "\" address=\"127.0.0.1\" protocol=\"HTTP/1.1\"");
        testsupport::WriteFile(ServerXml(), xml);
    }
    void TearDown() override {
        if (tomcat > 0) {
            ::kill(tomcat, SIGTERM);
            ::waitpid(tomcat, nullptr, 0);
        }
    }
    std::string ServerXml() const { return (base / "conf/server.xml").string(); }
    bool Answers(int APort) {
        for (auto deadline = std::chrono::steady_clock::now() + 90s;
             std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(250ms))
            if (AnswerOn(APort).starts_with("HTTP/1.1 200"))
                return true;
        return false;
    }

    testsupport::TempDir dir{"tk-tomcat-"};
    fs::path base = fs::path(dir.Path()) / "base";
    int oldPort = FreePort();
    pid_t tomcat = 0;
};

TEST_F(PeerTomcat, TheHttpPortWrittenByTheUpdateIsTheOneTomcatListensOn) {
    int newPort = FreePort();
    while (newPort == oldPort)
        newPort = FreePort();
    ASSERT_NO_THROW(UpdateConnectors(std::to_string(newPort), THttpsChange::Keep, "", ServerXml()));

    tomcat = StartTomcat(base);
    ASSERT_GT(tomcat, 0);
    EXPECT_TRUE(Answers(newPort)) << testsupport::ReadFile((base / "logs/run.log").string());
    EXPECT_EQ("", AnswerOn(oldPort)) << "the old port is closed";
}

TEST_F(PeerTomcat, EnablingSecureHttpInsertsOneSecureConnectorOnItsPortBesideThePlainOne) {
    const int securePort = FreePort();
    ASSERT_NO_THROW(UpdateConnectors(std::to_string(oldPort), THttpsChange::Enable,
                                     std::to_string(securePort), ServerXml()));
    const std::string xml = testsupport::ReadFile(ServerXml());
    const std::string secure = "port=\"" + std::to_string(securePort) + "\"";
    ASSERT_NE(std::string::npos, xml.find(secure));
    EXPECT_EQ(xml.find(secure), xml.rfind(secure)) << "one connector on the secure port";
    for (const char* attribute :
         {"secure=\"true\"", "scheme=\"https\"", "SSLEnabled=\"true\"", "sslProtocol=\"TLS\""})
        EXPECT_NE(std::string::npos, xml.find(attribute)) << attribute;
    EXPECT_NE(std::string::npos, xml.find("port=\"" + std::to_string(oldPort) + "\" address=\"127.0.0.1\""))
        << "the plain connector stays as it was";
}

} // namespace
