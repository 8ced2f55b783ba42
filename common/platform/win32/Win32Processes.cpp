#include "platform/win32/Backends.h"
#include "platform/win32/WinApi.h"

#include <mutex>
#include <utility>

namespace plat::win {
namespace {

class Win32Pipe final : public IPipeReader {
public:
    explicit Win32Pipe(unique_handle read) : read_(std::move(read)) {}

    bool Peek(uint32_t& available) override {
        DWORD avail = 0;
        available = 0;
        if (!PeekNamedPipe(read_.get(), nullptr, 0, nullptr, &avail, nullptr))
            return Fail();
        available = avail;
        return true;
    }

    bool Read(void* buffer, uint32_t size, uint32_t& got) override {
        DWORD n = 0;
        got = 0;
        if (ReadFile(read_.get(), buffer, size, &n, nullptr)) {
            got = n;
            return true;
        }
        // All writers gone: the end of the data, not an error.
        if (GetLastError() == ERROR_BROKEN_PIPE)
            return true;
        return Fail();
    }

private:
    unique_handle read_;
};

class Win32Process final : public IProcess {
public:
    Win32Process(unique_handle process, uint32_t pid, unique_handle output, unique_handle errors)
        : process_(std::move(process)), pid_(pid) {
        if (output)
            output_ = std::make_unique<Win32Pipe>(std::move(output));
        if (errors)
            errors_ = std::make_unique<Win32Pipe>(std::move(errors));
    }

    uint32_t Pid() const override { return pid_; }

    WaitResult Wait(uint32_t milliseconds) override {
        switch (WaitForSingleObject(process_.get(), milliseconds)) {
        case WAIT_OBJECT_0:
            return WaitResult::Signaled;
        case WAIT_TIMEOUT:
            return WaitResult::Timeout;
        default:
            Fail();
            return WaitResult::Failed;
        }
    }

    bool WaitForInputIdle() override {
        DWORD rc = ::WaitForInputIdle(process_.get(), INFINITE);
        return rc == 0 || Fail();
    }

    bool GetExitCode(uint32_t& code) override {
        DWORD c = 0;
        if (!GetExitCodeProcess(process_.get(), &c))
            return Fail();
        code = c;
        return true;
    }

    IPipeReader* Output() override { return output_.get(); }
    IPipeReader* Errors() override { return errors_.get(); }

private:
    unique_handle process_;
    uint32_t pid_;
    std::unique_ptr<Win32Pipe> output_;
    std::unique_ptr<Win32Pipe> errors_;
};

// Both ends are created inheritable (as the child needs its ends); the parent's read end is then
// taken out of inheritance so that no child keeps it.
bool MakePipe(unique_handle& read, unique_handle& write, bool readInheritable) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    if (!CreatePipe(read.put(), write.put(), &sa, 0))
        return Fail();
    if (!readInheritable)
        SetHandleInformation(read.get(), HANDLE_FLAG_INHERIT, 0);
    return true;
}

struct ChildPipes {
    unique_handle outRead, outWrite, errRead, errWrite;
};

bool PreparePipes(StdioMode mode, STARTUPINFOW& si, ChildPipes& p) {
    switch (mode) {
    case StdioMode::None:
        return true;
    case StdioMode::SeparatePipes:
        if (!MakePipe(p.outRead, p.outWrite, false) || !MakePipe(p.errRead, p.errWrite, false))
            return false;
        si.hStdInput = nullptr;
        si.hStdOutput = p.outWrite.get();
        si.hStdError = p.errWrite.get();
        break;
    case StdioMode::CombinedPipe:
        if (!MakePipe(p.outRead, p.outWrite, true))
            return false;
        si.hStdInput = p.outRead.get();
        si.hStdOutput = p.outWrite.get();
        si.hStdError = p.outWrite.get();
        break;
    }
    si.dwFlags |= STARTF_USESTDHANDLES;
    return true;
}

// Inheritable pipe ends exist between their creation and the child's start; a second child started
// meanwhile by another thread would inherit them and keep the pipes open. One start at a time.
std::mutex gStartLock;

class Win32Processes final : public IProcesses {
public:
    std::unique_ptr<IProcess> CreateProcess(const ProcessStartInfo& info) override {
        std::lock_guard<std::mutex> lock(gStartLock);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        if (info.UseShowWindow) {
            si.dwFlags |= STARTF_USESHOWWINDOW;
            si.wShowWindow = info.ShowWindow;
        }
        ChildPipes pipes;
        if (!PreparePipes(info.Stdio, si, pipes))
            return nullptr;

        std::wstring cmd = Wide(info.CommandLine);
        cmd.push_back(L'\0');
        std::wstring dir = info.CurrentDir ? Wide(*info.CurrentDir) : std::wstring();
        DWORD flags = NORMAL_PRIORITY_CLASS | (info.NewConsole ? CREATE_NEW_CONSOLE : 0);
        BOOL inherit = info.InheritHandles || info.Stdio != StdioMode::None;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, inherit, flags, nullptr,
                            info.CurrentDir ? dir.c_str() : nullptr, &si, &pi)) {
            Fail();
            return nullptr;
        }
        // Nothing here uses the child's main thread; owning its handle closes it.
        unique_handle thread(pi.hThread);
        unique_handle process(pi.hProcess);
        // The parent's write ends go now, so that reading ends when the child's copies close; a read end
        // that this child inherited as its standard input is kept out of later children.
        pipes.outWrite.reset();
        pipes.errWrite.reset();
        if (pipes.outRead)
            SetHandleInformation(pipes.outRead.get(), HANDLE_FLAG_INHERIT, 0);
        return std::make_unique<Win32Process>(std::move(process), pi.dwProcessId, std::move(pipes.outRead),
                                              std::move(pipes.errRead));
    }

    bool SetDebugPrivilege(bool enable) override {
        unique_handle token;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
            return Fail();
        TOKEN_PRIVILEGES tp{};
        if (!LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &tp.Privileges[0].Luid))
            return Fail();
        tp.PrivilegeCount = 1;
        tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
        AdjustTokenPrivileges(token.get(), FALSE, &tp, sizeof tp, nullptr, nullptr);
        // Also non-zero (ERROR_NOT_ALL_ASSIGNED) when the call succeeds without holding the privilege.
        return GetLastError() == ERROR_SUCCESS || Fail();
    }

    bool TerminateProcessById(uint32_t pid, uint32_t exitCode, uint32_t waitMs) override {
        // SYNCHRONIZE as well, or the wait for the end would fail at once.
        unique_handle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (!process)
            return Fail();
        if (!TerminateProcess(process.get(), exitCode))
            return Fail();
        WaitForSingleObject(process.get(), waitMs);
        return true;
    }

    bool IsElevated() override {
        // A thread that impersonates answers for the user it acts as; open-as-self so that the
        // impersonated user need not be allowed to query the token.
        unique_handle token;
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) {
            if (GetLastError() != ERROR_NO_TOKEN ||
                !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put()))
                return Fail();
        }
        TOKEN_ELEVATION elevation{};
        DWORD size = 0;
        if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size))
            return Fail();
        return elevation.TokenIsElevated != 0;
    }
};

} // namespace

std::shared_ptr<IProcesses> MakeProcesses() {
    return std::make_shared<Win32Processes>();
}

} // namespace plat::win
