// The connector update on the build's own DOM (pugixml here, MSXML under Wine): both must give these
// exact bytes.
#include "ConnectorUpdate.h"
#include "RelocatedFiles.h"
#include "TempDir.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

using testsupport::TempDir;
using Lines = std::vector<std::string>;

constexpr THttpsChange Enable = THttpsChange::Enable;
constexpr THttpsChange Disable = THttpsChange::Disable;
constexpr THttpsChange Keep = THttpsChange::Keep;

const std::string kSaveError = "Error saving settings";

// A server.xml as the update saves it; its Service holds the given children, then the Engine.
std::string ServerXml(const Lines& AService) {
    std::string service;
    for (const std::string& line : AService)
        service += "    " + line + "\r\n";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
           "<!-- Tomcat's main configuration,\r\n     kept as written -->\r\n"
           "<Server port=\"8005\" shutdown=\"SHUTDOWN\">\r\n"
           "  <Listener className=\"org.apache.catalina.startup.VersionLoggerListener\"/>\r\n"
           "  <Service name=\"Catalina\">\r\n" +
           service +
           "    <Engine name=\"Catalina\" defaultHost=\"localhost\">\r\n"
           "      <Host name=\"localhost\" appBase=\"webapps\"/>\r\n"
           "    </Engine>\r\n"
           "  </Service>\r\n"
           "</Server>\r\n";
}

std::string Own(const std::string& APort) {
    return "<Connector port=\"" + APort +
           "\" maxHttpHeaderSize=\"8192\" maxThreads=\"150\" scheme=\"https\" secure=\"true\" "
           "clientAuth=\"false\" keystoreFile=\"./.keystore\" sslProtocol=\"TLS\" SSLEnabled=\"true\" "
           "URIEncoding=\"UTF-8\"/>";
}

const std::string kComment = "<!-- the HTTP connector -->";
const std::string kHttp8080 = R"(<Connector port="8080" protocol="HTTP/1.1"/>)";
const std::string kAjp8009 = R"(<Connector port="8009" protocol="AJP/1.3"/>)";

struct Update {
    std::string Http;
    THttpsChange Https;
    std::string HttpsPort;
};

// The message of the refusal, or "" when the update went through.
std::string Apply(const std::string& APath, const Update& AUpdate) {
    try {
        UpdateConnectors(AUpdate.Http, AUpdate.Https, AUpdate.HttpsPort, APath);
        return "";
    } catch (const EConnectorUpdateError& e) {
        return e.what();
    }
}

std::vector<std::string> FolderContent(const TempDir& ADir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(ADir.Root))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(UpdateConnectors, WritesThePortsAsTheWriterRulesSay) {
    struct Case {
        const char* what;
        Lines before;
        Update update;
        Lines after;
    } cases[] = {
        {"the first plain connector takes the HTTP port; AJP before it and a second one stay",
         {kAjp8009, kHttp8080, R"(<Connector port="9090"/>)"},
         {"8090", Disable, ""},
         {kAjp8009, R"(<Connector port="8090" protocol="HTTP/1.1"/>)", R"(<Connector port="9090"/>)"}},
        {"secure=\"false\" is plain HTTP",
         {R"(<Connector port="8080" secure="false"/>)"},
         {"8090", Disable, ""},
         {R"(<Connector port="8090" secure="false"/>)"}},
        {"an entry with leading zeros is written as entered",
         {kHttp8080},
         {"08090", Disable, ""},
         {R"(<Connector port="08090" protocol="HTTP/1.1"/>)"}},
        {"without a plain connector nothing is written for HTTP",
         {kAjp8009},
         {"8090", Disable, ""},
         {kAjp8009}},
        {"enabling secure HTTP inserts the connector as the second child",
         {kHttp8080},
         {"8080", Enable, "8443"},
         {kHttp8080, Own("8443")}},
        {"with a comment first, the new connector lands before the HTTP one",
         {kComment, kHttp8080},
         {"8080", Enable, "8443"},
         {kComment, Own("8443"), kHttp8080}},
        {"saving again changes only the ports",
         {kComment, Own("8443"), kHttp8080},
         {"8081", Enable, "9443"},
         {kComment, Own("9443"), R"(<Connector port="8081" protocol="HTTP/1.1"/>)"}},
        {"a secure connector in capitals without a protocol counts as ours",
         {kHttp8080, R"(<Connector port="8443" secure="TRUE"/>)"},
         {"8080", Enable, "8444"},
         {kHttp8080, R"(<Connector port="8444" secure="TRUE"/>)"}},
        {"disabling removes our connector and nothing else",
         {kComment, Own("8443"), kHttp8080, kAjp8009},
         {"8080", Disable, ""},
         {kComment, kHttp8080, kAjp8009}},
        {"disabling leaves a hand-written secure connector",
         {kHttp8080, R"(<Connector port="8443" protocol="HTTP/1.1" secure="true"/>)"},
         {"8090", Disable, ""},
         {R"(<Connector port="8090" protocol="HTTP/1.1"/>)",
          R"(<Connector port="8443" protocol="HTTP/1.1" secure="true"/>)"}},
        {"keeping secure HTTP touches no secure connector",
         {kHttp8080, Own("8443")},
         {"8090", Keep, ""},
         {R"(<Connector port="8090" protocol="HTTP/1.1"/>)", Own("8443")}},
        {"attribute values keep their escapes",
         {R"(<Connector port="8080" server="a &amp; &lt;b&gt; &quot;c&quot;"/>)"},
         {"8081", Disable, ""},
         {R"(<Connector port="8081" server="a &amp; &lt;b&gt; &quot;c&quot;"/>)"}},
    };
    TempDir dir;
    const std::string path = dir.Path("server.xml");
    for (const Case& c : cases) {
        dir.Write("server.xml", ServerXml(c.before));
        EXPECT_EQ(Apply(path, c.update), "") << c.what;
        EXPECT_EQ(dir.Read("server.xml"), ServerXml(c.after)) << c.what;
        EXPECT_EQ(FolderContent(dir), Lines{"server.xml"}) << c.what;
    }
}

// Whatever is refused leaves the file byte for byte, compact and one-line as it may be.
TEST(UpdateConnectors, RefusesTwoListenersOnOnePortAndBadEntries) {
    const auto twice = [](const char* port) {
        return kSaveError + "\nPort " + port + " is used twice in server.xml";
    };
    struct Case {
        const char* what;
        Lines service;
        Update update;
        std::string message;
    } cases[] = {
        {"two plain connectors, the reader's port written into the first",
         {kHttp8080, R"(<Connector port="9090"/>)"},
         {"9090", Disable, ""},
         twice("9090")},
        {"the stock HTTPS block uncommented without secure=\"true\"",
         {kHttp8080, R"(<Connector port="8443" protocol="org.apache.coyote.http11.Http11NioProtocol" )"
                     R"(SSLEnabled="true" scheme="https"/>)"},
         {"8080", Enable, "8443"},
         twice("8443")},
        {"a hand-written HTTPS connector with a protocol",
         {kHttp8080, R"(<Connector port="8443" protocol="HTTP/1.1" secure="true" SSLEnabled="true"/>)"},
         {"8080", Enable, "8443"},
         twice("8443")},
        {"the HTTP port on the AJP connector", {kHttp8080, kAjp8009}, {"8009", Disable, ""}, twice("8009")},
        {"the HTTP port on the shutdown port", {kHttp8080}, {"8005", Disable, ""}, twice("8005")},
        {"08090 against 8090",
         {kHttp8080, R"(<Connector port="8090" protocol="AJP/1.3"/>)"},
         {"08090", Disable, ""},
         twice("8090")},
        {"the secure port on the HTTP port", {kHttp8080}, {"8080", Enable, "8080"}, twice("8080")},
        {"a clash already in the file, away from the edit",
         {kHttp8080, R"(<Connector port="7070" protocol="AJP/1.3"/>)",
          R"(<Connector port="7070" protocol="HTTP/1.1" secure="true"/>)"},
         {"8081", Keep, ""},
         twice("7070")},
        {"an HTTP port with letters", {kHttp8080}, {"80x", Disable, ""}, kSaveError},
        {"an HTTP port beyond 65535", {kHttp8080}, {"65536", Disable, ""}, kSaveError},
        {"a signed secure port", {kHttp8080}, {"8080", Enable, "+8443"}, kSaveError},
    };
    TempDir dir;
    const std::string path = dir.Path("server.xml");
    for (const Case& c : cases) {
        const std::string before = ServerXml(c.service);
        dir.Write("server.xml", before);
        EXPECT_EQ(Apply(path, c.update), c.message) << c.what;
        EXPECT_EQ(dir.Read("server.xml"), before) << c.what;
        EXPECT_EQ(FolderContent(dir), Lines{"server.xml"}) << c.what;
    }
}

TEST(UpdateConnectors, AFileThatCannotBeEditedIsLeftAlone) {
    struct Case {
        const char* what;
        std::string content;
        Update update;
    } cases[] = {
        {"malformed", "<Server><Service><Connector port=\"8080\"></Service>", {"8090", Disable, ""}},
        {"a Service without children for the new connector",
         "<Server><Service/></Server>",
         {"8090", Enable, "8443"}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        dir.Write("server.xml", c.content);
        EXPECT_EQ(Apply(dir.Path("server.xml"), c.update), kSaveError) << c.what;
        EXPECT_EQ(dir.Read("server.xml"), c.content) << c.what;
    }
    EXPECT_EQ(Apply(dir.Path("missing.xml"), {"8090", Disable, ""}), kSaveError);
    EXPECT_FALSE(dir.Exists("missing.xml"));
}

TEST(UpdateConnectors, KeepsTheDeclaredEncoding) {
    TempDir dir;
    dir.Write("server.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
                            "<Server><!-- caf\xE9 --><Service><Connector port=\"8080\" server=\"\xE9t\xE9\"/>"
                            "</Service></Server>");
    EXPECT_EQ(Apply(dir.Path("server.xml"), {"8090", Disable, ""}), "");
    EXPECT_EQ(dir.Read("server.xml"), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                                      "<Server>\r\n"
                                      "  <!-- caf\xE9 -->\r\n"
                                      "  <Service>\r\n"
                                      "    <Connector port=\"8090\" server=\"&#233;t&#233;\"/>\r\n"
                                      "  </Service>\r\n"
                                      "</Server>\r\n");
}

// The real file system, with writes of the scratch file failing half-way (a full disk) or the final
// replace failing.
class FailingFiles : public testsupport::RelocatedFiles {
public:
    explicit FailingFiles(std::shared_ptr<plat::IFileSystem> real)
        : RelocatedFiles(real, real->ModuleFileName()), real_(std::move(real)) {}

    bool FailWrites = false;
    bool FailReplace = false;

    std::unique_ptr<plat::IFile> Open(const std::string& p, plat::OpenMode m) override {
        std::unique_ptr<plat::IFile> file = real_->Open(p, m);
        if (file && FailWrites && m != plat::OpenMode::Read)
            return std::make_unique<HalfWriter>(std::move(file));
        return file;
    }
    bool ReplaceFile(const std::string& replacement, const std::string& target) override {
        if (FailReplace) {
            plat::SetLastError(5);
            return false;
        }
        return real_->ReplaceFile(replacement, target);
    }

private:
    class HalfWriter : public plat::IFile {
    public:
        explicit HalfWriter(std::unique_ptr<plat::IFile> real) : real_(std::move(real)) {}
        bool Read(void* b, size_t s, size_t& g) override { return real_->Read(b, s, g); }
        bool Write(const void* data, size_t size) override {
            real_->Write(data, size / 2);
            plat::SetLastError(112); // ERROR_DISK_FULL
            return false;
        }
        bool Seek(uint64_t p) override { return real_->Seek(p); }
        uint64_t Position() override { return real_->Position(); }
        uint64_t Size() override { return real_->Size(); }
        bool Truncate() override { return real_->Truncate(); }
        bool Flush() override { return real_->Flush(); }

    private:
        std::unique_ptr<plat::IFile> real_;
    };

    std::shared_ptr<plat::IFileSystem> real_;
};

TEST(UpdateConnectors, AFailedWriteOrReplaceLeavesTheOriginalAndNoScratchFile) {
    for (const bool failWrites : {true, false}) {
        TempDir dir;
        const std::string before = ServerXml({kHttp8080});
        dir.Write("server.xml", before);
        auto files = std::make_shared<FailingFiles>(plat::Current().Files);
        files->FailWrites = failWrites;
        files->FailReplace = !failWrites;
        plat::Platform parts;
        parts.Files = files;
        plat::ScopedOverride failing(parts);
        EXPECT_EQ(Apply(dir.Path("server.xml"), {"8090", Disable, ""}), kSaveError) << failWrites;
        EXPECT_EQ(dir.Read("server.xml"), before) << failWrites;
        EXPECT_EQ(FolderContent(dir), Lines{"server.xml"}) << failWrites;
    }
}

#ifndef _WIN32
// Tomcat may run as another user: the replaced file keeps the mode, and the owner where we may set it.
TEST(UpdateConnectors, TheSavedFileKeepsModeAndOwner) {
    TempDir dir;
    dir.Write("server.xml", ServerXml({kHttp8080}));
    const std::string path = dir.Path("server.xml");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 4321, 4322), 0);
    }
    EXPECT_EQ(Apply(path, {"8090", Disable, ""}), "");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4322u);
    }
    EXPECT_EQ(dir.Read("server.xml"), ServerXml({R"(<Connector port="8090" protocol="HTTP/1.1"/>)"}));
}
#endif

} // namespace
