#include "platform/posix/Backends.h"
#include "platform/posix/Children.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace plat::posix {

namespace {

constexpr uint32_t kStillActive = 259;
constexpr uint32_t kErrorBrokenPipe = 109;
constexpr uint32_t kErrorDirectory = 267;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& o) noexcept : fd_(o.Release()) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o)
            Reset(o.Release());
        return *this;
    }
    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }
    void Reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool MakePipe(Fd& readEnd, Fd& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    readEnd.Reset(fds[0]);
    writeEnd.Reset(fds[1]);
    return true;
}

class PipeReader final : public IPipeReader {
public:
    explicit PipeReader(Fd fd) : fd_(std::move(fd)) {}

    bool Peek(uint32_t& available) override {
        available = 0;
        int n = 0;
        if (::ioctl(fd_.Get(), FIONREAD, &n) != 0)
            return FailWithErrno();
        if (n > 0) {
            available = static_cast<uint32_t>(n);
            return true;
        }
        pollfd p{fd_.Get(), POLLIN, 0};
        if (::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP)) { // empty and every writer gone
            SetLastError(kErrorBrokenPipe);
            return false;
        }
        return true;
    }

    bool Read(void* buffer, uint32_t size, uint32_t& got) override {
        got = 0;
        if (size == 0)
            return true;
        ssize_t r;
        while ((r = ::read(fd_.Get(), buffer, size)) < 0 && errno == EINTR) {
        }
        if (r < 0)
            return FailWithErrno();
        if (r == 0) {
            SetLastError(kErrorBrokenPipe);
            return false;
        }
        got = static_cast<uint32_t>(r);
        return true;
    }

private:
    Fd fd_;
};

class PosixProcess final : public IProcess {
public:
    PosixProcess(pid_t pid, Fd out, Fd err) : pid_(pid) {
        if (out.Get() >= 0)
            out_ = std::make_unique<PipeReader>(std::move(out));
        if (err.Get() >= 0)
            err_ = std::make_unique<PipeReader>(std::move(err));
    }

    ~PosixProcess() override {
        uint32_t code;
        // A handle closed on a running child leaves it running, as on Windows; someone must reap it.
        if (ChildEnded(pid_, code))
            ForgetChild(pid_);
        else
            ReapInBackground(pid_);
    }

    uint32_t Pid() const override { return static_cast<uint32_t>(pid_); }

    WaitResult Wait(uint32_t milliseconds) override {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + std::chrono::milliseconds(milliseconds);
        auto step = std::chrono::milliseconds(1);
        uint32_t code;
        while (!ChildEnded(pid_, code)) {
            if (milliseconds != INFINITE_ && steady_clock::now() >= deadline)
                return WaitResult::Timeout;
            std::this_thread::sleep_for(step);
            step = std::min(step * 2, std::chrono::milliseconds(20));
        }
        return WaitResult::Signaled;
    }

    bool WaitForInputIdle() override { return true; } // console programs have no input queue to wait for

    bool GetExitCode(uint32_t& code) override {
        if (!ChildEnded(pid_, code))
            code = kStillActive;
        return true;
    }

    IPipeReader* Output() override { return out_.get(); }
    IPipeReader* Errors() override { return err_.get(); }

private:
    pid_t pid_;
    std::unique_ptr<PipeReader> out_;
    std::unique_ptr<PipeReader> err_;
};

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Finds the program the way CreateProcess does without an application name: a path is taken as it
// is, a bare name is looked up in the current folder and then along PATH. The result is absolute,
// so that the child's own current folder cannot change which program runs.
bool ResolveProgram(const std::string& program, std::string& resolved) {
    const std::string path = NativePath(program);
    std::vector<std::string> candidates;
    char cwd[PATH_MAX];
    const std::string here = ::getcwd(cwd, sizeof cwd) ? cwd : ".";
    if (path.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND_);
        return false;
    }
    if (path.find('/') != std::string::npos) {
        candidates.push_back(path[0] == '/' ? path : here + "/" + path);
    } else {
        candidates.push_back(here + "/" + path);
        const char* envPath = std::getenv("PATH");
        std::string dirs = envPath ? envPath : "/usr/bin:/bin";
        size_t start = 0;
        while (start <= dirs.size()) {
            const size_t end = std::min(dirs.find(':', start), dirs.size());
            if (end > start)
                candidates.push_back(dirs.substr(start, end - start) + "/" + path);
            start = end + 1;
        }
    }
    for (const auto& c : candidates) {
        if (IsExecutableFile(c)) {
            resolved = c;
            return true;
        }
    }
    struct stat st {};
    const bool exists = ::stat(candidates.front().c_str(), &st) == 0;
    SetLastError(exists ? ERROR_ACCESS_DENIED_ : ERROR_FILE_NOT_FOUND_);
    return false;
}

// The child's environment: the parent's, with the Windows command line the child was started with in
// TK_SIM_COMMAND_LINE. The argv split by the C runtime's rules cannot carry a program's own reading of
// its command line, which the command interpreter's stand-in needs (cmd /c takes off an outer pair of
// quotes).
class ChildEnvironment {
public:
    explicit ChildEnvironment(const std::string& commandLine) {
        static constexpr std::string_view kName = "TK_SIM_COMMAND_LINE=";
        for (char** e = environ; *e; ++e)
            if (!std::string_view(*e).starts_with(kName))
                entries_.emplace_back(*e);
        entries_.push_back(std::string(kName) + commandLine);
        for (auto& entry : entries_)
            pointers_.push_back(entry.data());
        pointers_.push_back(nullptr);
    }
    char** Get() { return pointers_.data(); }

private:
    std::vector<std::string> entries_;
    std::vector<char*> pointers_;
};

class SpawnActions {
public:
    SpawnActions() { ::posix_spawn_file_actions_init(&fa_); }
    ~SpawnActions() { ::posix_spawn_file_actions_destroy(&fa_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &fa_; }
    void Dup(int fd, int target) { ::posix_spawn_file_actions_adddup2(&fa_, fd, target); }

private:
    posix_spawn_file_actions_t fa_;
};

class PosixProcesses final : public IProcesses {
public:
    std::unique_ptr<IProcess> CreateProcess(const ProcessStartInfo& info) override {
        std::vector<std::string> args = SplitWindowsCommandLine(info.CommandLine);
        std::string program;
        if (!ResolveProgram(args[0], program))
            return nullptr;
        args[0] = NativePath(args[0]);

        SpawnActions actions;
        Fd outRead, outWrite, errRead, errWrite, nullInput;
        if (!SetUpStdio(info.Stdio, actions, outRead, outWrite, errRead, errWrite, nullInput)) {
            FailWithErrno();
            return nullptr;
        }
        if (info.CurrentDir) {
            const std::string dir = NativePath(*info.CurrentDir);
            struct stat st {};
            if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                SetLastError(kErrorDirectory);
                return nullptr;
            }
            ::posix_spawn_file_actions_addchdir_np(actions.Get(), dir.c_str());
        }

        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        ChildEnvironment environment(info.CommandLine);
        const int rc =
            ::posix_spawn(&pid, program.c_str(), actions.Get(), nullptr, argv.data(), environment.Get());
        if (rc != 0) {
            SetLastError(Win32ErrorFromErrno(rc));
            return nullptr;
        }
        ForgetChild(pid); // a pid of an earlier child may come back
        SetLastError(0);
        return std::make_unique<PosixProcess>(pid, std::move(outRead), std::move(errRead));
    }

    bool SetDebugPrivilege(bool) override {
        SetLastError(0); // no privilege stands between a process and its own children here
        return true;
    }

    bool IsElevated() override {
        const char* elevated = std::getenv("TK_SIM_ELEVATED");
        return !(elevated && std::string_view(elevated) == "0");
    }

    bool TerminateProcessById(uint32_t pid, uint32_t exitCode, uint32_t waitMs) override {
        // pid 0 and values beyond pid_t would address process groups or nothing at all.
        if (pid == 0 || pid > static_cast<uint32_t>(INT_MAX)) {
            SetLastError(ERROR_INVALID_PARAMETER_);
            return false;
        }
        const auto target = static_cast<pid_t>(pid);
        SetTerminationCode(target, exitCode);
        if (::kill(target, SIGKILL) != 0) {
            const int err = errno;
            ForgetChild(target);
            SetLastError(Win32ErrorFromErrno(err));
            return false;
        }
        WaitForEnd(target, waitMs);
        SetLastError(0);
        return true;
    }

private:
    static bool SetUpStdio(StdioMode mode, SpawnActions& actions, Fd& outRead, Fd& outWrite, Fd& errRead,
                           Fd& errWrite, Fd& nullInput) {
        if (mode == StdioMode::SeparatePipes) {
            if (!MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite))
                return false;
            nullInput.Reset(::open("/dev/null", O_RDONLY | O_CLOEXEC));
            if (nullInput.Get() < 0)
                return false;
            actions.Dup(nullInput.Get(), 0);
            actions.Dup(outWrite.Get(), 1);
            actions.Dup(errWrite.Get(), 2);
        } else if (mode == StdioMode::CombinedPipe) {
            if (!MakePipe(outRead, outWrite))
                return false;
            actions.Dup(outRead.Get(), 0);
            actions.Dup(outWrite.Get(), 1);
            actions.Dup(outWrite.Get(), 2);
        }
        return true;
    }

    static void WaitForEnd(pid_t pid, uint32_t waitMs) {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + milliseconds(waitMs);
        uint32_t code;
        while (!ChildEnded(pid, code)) {
            if (::kill(pid, 0) != 0 && errno == ESRCH)
                return; // not our child, and gone
            if (waitMs != INFINITE_ && steady_clock::now() >= deadline)
                return;
            std::this_thread::sleep_for(milliseconds(2));
        }
    }
};

} // namespace

std::shared_ptr<IProcesses> MakeProcesses() {
    return std::make_shared<PosixProcesses>();
}

} // namespace plat::posix
