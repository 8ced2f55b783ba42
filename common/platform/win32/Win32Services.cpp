#include "platform/win32/Backends.h"
#include "platform/win32/WinApi.h"

#include <vector>

namespace plat::win {
namespace {

SC_HANDLE Sc(Handle h) {
    return FromHandle<SC_HANDLE>(h);
}

void CopyStatus(const SERVICE_STATUS& s, ServiceStatus& out) {
    out.ServiceType = s.dwServiceType;
    out.CurrentState = s.dwCurrentState;
    out.ControlsAccepted = s.dwControlsAccepted;
    out.Win32ExitCode = s.dwWin32ExitCode;
    out.ServiceSpecificExitCode = s.dwServiceSpecificExitCode;
    out.CheckPoint = s.dwCheckPoint;
    out.WaitHint = s.dwWaitHint;
}

std::string Text(const wchar_t* s) {
    return s ? Narrow(s) : std::string();
}

// Dependencies come as a list of NUL-terminated names ending in an empty one; kept here as one text
// with the names separated by '/', so that no information is lost in a std::string.
std::string DependencyList(const wchar_t* list) {
    std::string out;
    for (const wchar_t* p = list; p && *p; p += wcslen(p) + 1) {
        if (!out.empty())
            out += '/';
        out += Narrow(p);
    }
    return out;
}

class Win32ServiceManager final : public IServiceManager {
public:
    Handle OpenSCManager(const std::string& machine, uint32_t access) override {
        std::wstring m = Wide(machine);
        SC_HANDLE h = OpenSCManagerW(machine.empty() ? nullptr : m.c_str(), nullptr, access);
        if (!h)
            Fail();
        return ToHandle(h);
    }

    Handle OpenService(Handle scm, const std::string& name, uint32_t access) override {
        SC_HANDLE h = OpenServiceW(Sc(scm), Wide(name).c_str(), access);
        if (!h)
            Fail();
        return ToHandle(h);
    }

    bool CloseServiceHandle(Handle h) override { return ::CloseServiceHandle(Sc(h)) || Fail(); }

    bool QueryServiceStatus(Handle service, ServiceStatus& status) override {
        SERVICE_STATUS s{};
        if (!::QueryServiceStatus(Sc(service), &s))
            return Fail();
        CopyStatus(s, status);
        return true;
    }

    bool QueryServiceStatusEx(Handle service, ServiceStatus& status) override {
        SERVICE_STATUS_PROCESS s{};
        DWORD needed = 0;
        if (!::QueryServiceStatusEx(Sc(service), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&s),
                                    sizeof s, &needed))
            return Fail();
        SERVICE_STATUS plain{s.dwServiceType,
                             s.dwCurrentState,
                             s.dwControlsAccepted,
                             s.dwWin32ExitCode,
                             s.dwServiceSpecificExitCode,
                             s.dwCheckPoint,
                             s.dwWaitHint};
        CopyStatus(plain, status);
        status.ProcessId = s.dwProcessId;
        return true;
    }

    bool QueryServiceConfig(Handle service, ServiceConfig& config) override {
        DWORD needed = 0;
        QueryServiceConfigW(Sc(service), nullptr, 0, &needed);
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return Fail();
        std::vector<BYTE> buffer(needed);
        auto* c = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        if (!QueryServiceConfigW(Sc(service), c, needed, &needed))
            return Fail();
        config.ServiceType = c->dwServiceType;
        config.StartType = c->dwStartType;
        config.ErrorControl = c->dwErrorControl;
        config.BinaryPathName = Text(c->lpBinaryPathName);
        config.LoadOrderGroup = Text(c->lpLoadOrderGroup);
        config.Dependencies = DependencyList(c->lpDependencies);
        config.ServiceStartName = Text(c->lpServiceStartName);
        config.DisplayName = Text(c->lpDisplayName);
        return true;
    }

    bool ChangeServiceStartType(Handle service, uint32_t startType) override {
        return ChangeServiceConfigW(Sc(service), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) ||
               Fail();
    }

    Handle LockServiceDatabase(Handle scm) override {
        SC_LOCK lock = ::LockServiceDatabase(Sc(scm));
        if (!lock)
            Fail();
        return ToHandle(lock);
    }

    bool UnlockServiceDatabase(Handle lock) override {
        return ::UnlockServiceDatabase(FromHandle<SC_LOCK>(lock)) || Fail();
    }

    bool StartService(Handle service) override { return StartServiceW(Sc(service), 0, nullptr) || Fail(); }

    bool ControlService(Handle service, uint32_t control, ServiceStatus& status) override {
        SERVICE_STATUS s{};
        BOOL ok = ::ControlService(Sc(service), control, &s);
        DWORD error = GetLastError();
        CopyStatus(s, status);
        if (ok)
            return true;
        plat::SetLastError(error);
        return false;
    }
};

} // namespace

std::shared_ptr<IServiceManager> MakeServiceManager() {
    return std::make_shared<Win32ServiceManager>();
}

} // namespace plat::win
