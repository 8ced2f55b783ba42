#pragma once
// A real PostgreSQL server for a test: made with initdb in a scratch folder of its own, listening on
// loopback only, with trust authentication for the user "postgres"; stopped and removed at the end.
// The server refuses to run as root, so a root test runs it as the unprivileged user "nobody".
#include <sys/socket.h>
#include <sys/wait.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace testsupport {

struct ShellResult {
    int Code = -1;
    std::string Out; // standard output and standard error
};

inline ShellResult RunShell(const std::string& ACommand) {
    ShellResult r;
    FILE* pipe = ::popen((ACommand + " 2>&1").c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        r.Out.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class RealPostgres {
public:
    // The folder of the server's programs (initdb, pg_ctl, pg_dump, psql) of the newest version
    // installed; empty when there is none.
    static std::string BinFolder() {
        for (const char* version : {"17", "16", "15", "14", "13"}) {
            const std::string dir = std::string("/usr/lib/postgresql/") + version + "/bin";
            if (::access((dir + "/pg_ctl").c_str(), X_OK) == 0)
                return dir;
        }
        return "";
    }

    RealPostgres() : Bin(BinFolder()) {
        char folder[] = "/tmp/tk-postgres-XXXXXX";
        if (::mkdtemp(folder)) {
            Root = folder;
            std::filesystem::permissions(Root, std::filesystem::perms::all);
        }
    }
    ~RealPostgres() {
        if (FRunning)
            RunShell(AsServerUser(Bin + "/pg_ctl -D " + Root + "/data -m fast -w stop"));
        if (!Root.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(Root, ignored);
        }
    }
    RealPostgres(const RealPostgres&) = delete;
    RealPostgres& operator=(const RealPostgres&) = delete;

    // False with the reason when the server cannot be made or started.
    bool Start(std::string& AWhy) {
        if (Bin.empty() || Root.empty())
            return (AWhy = "PostgreSQL is not installed or no scratch folder"), false;
        ShellResult r = RunShell(
            AsServerUser(Bin + "/initdb -D " + Root + "/data -A trust -U postgres -E UTF8 --locale=C"));
        if (r.Code != 0)
            return (AWhy = "initdb: " + r.Out), false;
        Port = FreePort();
        r = RunShell(AsServerUser(Bin + "/pg_ctl -D " + Root + "/data -l " + Root +
                                  "/server.log -w -o \"-h 127.0.0.1 -p " + std::to_string(Port) + " -k " +
                                  Root + "\" start"));
        FRunning = r.Code == 0;
        if (!FRunning)
            AWhy = "pg_ctl start: " + r.Out + RunShell("cat " + Root + "/server.log").Out;
        return FRunning;
    }

    // A client program of the server's version with the connection to ADatabase, ready for more
    // arguments: "psql", "pg_dump", "createdb" ...
    std::string Client(const std::string& AProgram, const std::string& ADatabase) const {
        return Bin + "/" + AProgram + " -h 127.0.0.1 -p " + std::to_string(Port) + " -U postgres -d " +
               ADatabase;
    }

    std::string Bin;
    std::string Root;
    int Port = 0;

private:
    static std::string AsServerUser(const std::string& ACommand) {
        return ::geteuid() == 0 ? "runuser -u nobody -- " + ACommand : ACommand;
    }
    static int FreePort() {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length);
        ::close(s);
        return ntohs(a.sin_port);
    }

    bool FRunning = false;
};

} // namespace testsupport
