// The Server Manager as the system starts it: real processes of the Linux TFManager and tfctl over the
// simulated service manager, with the named objects in a folder of the test's own.
#include "StopWaitingUnit.h"
#include "TempDir.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Generous limits that only keep a broken program from hanging the test run.
constexpr auto Patience = 60s;

// A started program; one still running when the test ends is killed.
class Child {
public:
    Child(const std::string& AProgram, const std::vector<std::string>& AArgs,
          const std::vector<std::string>& AEnv, const std::string& AOutput, const std::string& AErrors) {
        std::vector<std::string> args{AProgram};
        args.insert(args.end(), AArgs.begin(), AArgs.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env(AEnv);
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("TK_SIM_", 0) != 0)
                env.emplace_back(*e);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, AOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, AErrors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int rc = posix_spawn(&pid_, AProgram.c_str(), &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            pid_ = 0;
    }
    ~Child() {
        if (pid_ > 0 && !exit_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return pid_; }
    // The exit code, or -signal for a program that was killed; nothing while it still runs.
    std::optional<int> Exited() {
        if (exit_)
            return exit_;
        int status = 0;
        if (pid_ > 0 && ::waitpid(pid_, &status, WNOHANG) == pid_)
            exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
        return exit_;
    }
    std::optional<int> WaitForExit() {
        const auto deadline = std::chrono::steady_clock::now() + Patience;
        while (!Exited() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        return Exited();
    }
    // Whether the program holds the named object's file open, as a running instance holds its close
    // event once its start-up has gone as far as the close-request thread.
    bool Holds(const std::string& ASuffix) {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", ec)) {
            const fs::path target = fs::read_symlink(fd.path(), ec);
            if (!ec && target.string().ends_with(ASuffix))
                return true;
        }
        return false;
    }
    // Waits until the program has started completely; false when it ended or never got there.
    bool WaitUntilRunning() {
        const auto deadline = std::chrono::steady_clock::now() + Patience;
        while (!Exited() && std::chrono::steady_clock::now() < deadline) {
            if (Holds("BrackwellEventStopSvcMgr.event"))
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

private:
    pid_t pid_ = 0;
    std::optional<int> exit_;
};

class ManagerStartup : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir.Path("manager"));
        fs::copy_file(std::string(TK_BINARY_DIR) + "/manager/src/TFManager", Program("TFManager"));
        fs::copy_file(std::string(TK_BINARY_DIR) + "/manager/tools/tfctl", Program("tfctl"));
        dir.Write("tomcat/conf/server.xml", "<Server><Service name=\"Catalina\">"
                                            "<Connector port=\"8080\" protocol=\"HTTP/1.1\"/>"
                                            "</Service></Server>");
        SetServices("[Tomcat9]\nState=4\n[pgsql]\nState=1\n");
        setenv("TK_SIM_SYNC_DIR", dir.Path("sync").c_str(), 1);
    }
    void TearDown() override {
        closeRequest.reset();
        unsetenv("TK_SIM_SYNC_DIR");
    }

    std::string Program(const std::string& AName) const { return dir.Path("manager/" + AName); }
    void SetServices(const std::string& AText) { dir.Write("services.ini", AText); }

    std::unique_ptr<Child> Start(const std::string& AProgram, const std::vector<std::string>& AArgs = {}) {
        const std::vector<std::string> env{"TK_SIM_SYNC_DIR=" + dir.Path("sync"),
                                           "TK_SIM_SERVICES=" + dir.Path("services.ini"),
                                           "TK_SIM_REGISTRY=" + dir.Path("registry.reg")};
        auto child =
            std::make_unique<Child>(Program(AProgram), AArgs, env, dir.Path("out.txt"), dir.Path("err.txt"));
        EXPECT_GT(child->Pid(), 0) << "could not start " << AProgram;
        return child;
    }
    std::unique_ptr<Child> StartRunning(const std::vector<std::string>& AArgs = {}) {
        auto child = Start("TFManager", AArgs);
        EXPECT_TRUE(child->WaitUntilRunning())
            << "TFManager did not start; exit " << child->Exited().value_or(999) << "\n"
            << dir.Read("err.txt");
        return child;
    }
    // Sets the close event as another process would, and keeps it until the test ends.
    void RequestClose() {
        closeRequest = plat::Sync().OpenEvent(CloseRequestEventName);
        ASSERT_TRUE(closeRequest) << "no instance holds the close event";
        ASSERT_TRUE(closeRequest->Set());
    }

    testsupport::TempDir dir{"tk-manager-"};
    std::unique_ptr<plat::INamedObject> closeRequest;
};

TEST_F(ManagerStartup, ASecondStartEndsAtOnceAndTheFirstKeepsRunning) {
    auto first = StartRunning();
    auto second = Start("TFManager");
    EXPECT_EQ(0, second->WaitForExit());
    EXPECT_FALSE(first->Exited()) << "the first instance is left alone";
    RequestClose();
    EXPECT_EQ(0, first->WaitForExit());
}

TEST_F(ManagerStartup, TheElevateSwitchInAnySpellingRunsASecondInstanceAndOneCloseRequestEndsBoth) {
    for (const char* spelling : {"/ELEVATE", "-elevate", "/Elevate"}) {
        SCOPED_TRACE(spelling);
        auto first = StartRunning();
        auto second = StartRunning({"/background", spelling});
        EXPECT_FALSE(first->Exited());
        RequestClose();
        EXPECT_EQ(0, first->WaitForExit());
        EXPECT_EQ(0, second->WaitForExit());
        closeRequest.reset();
    }
}

TEST_F(ManagerStartup, AnInstanceStartedWhileTheCloseEventIsSetEndsRightAfterStartUp) {
    auto first = StartRunning({"-background"});
    RequestClose();
    EXPECT_EQ(0, first->WaitForExit());
    auto late = Start("TFManager");
    EXPECT_EQ(0, late->WaitForExit());
}

TEST_F(ManagerStartup, TheTemplateSwitchWritesTheTemplateBesideTheProgramAndEnds) {
    auto exporter = Start("TFManager", {"/TPL_EXPORT"});
    ASSERT_EQ(0, exporter->WaitForExit()) << dir.Read("err.txt");
    const std::string lines = dir.Read("manager/temp.lng");
    for (const char* line :
         {"TMainForm=Tallyfix Server Manager\r\n", "TMainFormListServices1=PostgreSQL Server\r\n",
          "TMainFormCloseAction=Exit\r\n", "TServiceControlFormButtonClose=Close\r\n"})
        EXPECT_NE(std::string::npos, lines.find(line)) << line;
    EXPECT_EQ(std::string::npos, lines.find("TSettingsForm")) << "only the windows open at start-up";

    fs::remove(dir.Path("manager/temp.lng"));
    auto running = StartRunning();
    auto second = Start("TFManager", {"-tpl_export"});
    EXPECT_EQ(0, second->WaitForExit());
    EXPECT_FALSE(dir.Exists("manager/temp.lng")) << "a second instance ends before the export";
    RequestClose();
    EXPECT_EQ(0, running->WaitForExit());
}

TEST_F(ManagerStartup, TfctlStatusSaysWhatTheStatusBarSaysAndExitsByTheWebServersState) {
    const struct {
        const char* services;
        int exitCode;
        const char* webServerLine;
        const char* databaseLine;
    } cases[] = {
        {"[Tomcat9]\nState=4\n[pgsql]\nState=4\n", 0,
         "Tallyfix Server: Tallyfix Web service is running on 8080 port",
         "PostgreSQL Server: PostgreSQL Server is running"},
        {"[Tomcat9]\nState=1\n[pgsql]\nState=7\n", 3, "Tallyfix Server: Tallyfix Server is stopped",
         "PostgreSQL Server:\n"},
        {"[Tomcat9]\nState=3\n", 3, "Tallyfix Server: Tallyfix Server is stopping",
         "PostgreSQL Server: PostgreSQL Server is not installed"},
        {"[pgsql]\nState=2\n", 4, "Tallyfix Server: Tallyfix Server is not installed",
         "PostgreSQL Server: PostgreSQL Server is starting"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.services);
        SetServices(c.services);
        auto tfctl = Start("tfctl", {"status"});
        EXPECT_EQ(c.exitCode, tfctl->WaitForExit());
        const std::string out = dir.Read("out.txt");
        EXPECT_NE(std::string::npos, out.find(c.webServerLine)) << out;
        EXPECT_NE(std::string::npos, out.find(c.databaseLine)) << out;
        EXPECT_NE(std::string::npos, out.find("Ports: Tallyfix Web service is running on 8080 port\n"))
            << out;
    }
}

TEST_F(ManagerStartup, TfctlStartsStopsAndRestartsAsTheWindowDoesWithItsTextsAsLines) {
    // One pending status of 100 ms before the service settles.
    const std::string starting = "StartScript=16,2,0,0,0,1,100,0\n",
                      stopping = "StopScript=16,3,0,0,0,1,100,0\n";
    const struct {
        std::vector<std::string> args;
        const char* services;
        int exitCode;
        std::vector<const char*> errLines; // in this order
        const char* outLine;
        const char* stateAfter;
    } cases[] = {
        {{"start"},
         "[Tomcat9]\nState=1\n",
         0,
         {"Server Manager is attempting to start the following service on Local Computer: Tallyfix Server"},
         "Tallyfix Web service is running on 8080 port",
         "State=4"},
        {{"stop", "db"},
         "[pgsql]\nState=4\n",
         0,
         {"Server Manager is attempting to stop the following service on Local Computer: PostgreSQL Server"},
         "PostgreSQL Server is stopped",
         "State=1"},
        {{"restart", "WEB"},
         "[Tomcat9]\nState=4\n",
         0,
         {"attempting to stop the following service on Local Computer: Tallyfix Server",
          "attempting to start the following service on Local Computer: Tallyfix Server"},
         "Tallyfix Web service is running on 8080 port",
         "State=4"},
        {{"start", "web"},
         "[Tomcat9]\nState=4\n",
         1,
         {"Error: Can not start Tallyfix Server Service"},
         "Tallyfix Web service is running on 8080 port",
         "State=4"},
        {{"restart", "db"},
         "[pgsql]\nState=2\n",
         1,
         {"Error: Can not stop pgsql Service"},
         "PostgreSQL Server is starting",
         "State=2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.services);
        SetServices(std::string(c.services) + starting + stopping);
        auto tfctl = Start("tfctl", c.args);
        EXPECT_EQ(c.exitCode, tfctl->WaitForExit());
        const std::string err = dir.Read("err.txt");
        size_t at = 0;
        for (const char* line : c.errLines) {
            at = err.find(line, at);
            EXPECT_NE(std::string::npos, at) << line << " in\n" << err;
        }
        EXPECT_NE(std::string::npos, dir.Read("out.txt").find(c.outLine)) << dir.Read("out.txt");
        EXPECT_NE(std::string::npos, dir.Read("services.ini").find(c.stateAfter)) << dir.Read("services.ini");
    }
}

TEST_F(ManagerStartup, TfctlRefusesACommandLineItCannotUse) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"stat"},
                                                 {"status", "extra"},
                                                 {"--status"},
                                                 {"start", "all"},
                                                 {"stop", "web", "db"}}) {
        auto tfctl = Start("tfctl", args);
        EXPECT_EQ(2, tfctl->WaitForExit());
        // A known command with arguments it cannot use shows its own part of the usage.
        const char* usage =
            args.size() >= 2 && args[0] != "status" ? "start|stop|restart [web|db]" : "Usage: tfctl COMMAND";
        EXPECT_NE(std::string::npos, dir.Read("err.txt").find(usage)) << args.size();
        EXPECT_TRUE(dir.Read("out.txt").empty());
    }
}

} // namespace
