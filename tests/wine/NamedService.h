#pragma once
// The tests' own service program (wine_test_service.exe) registered in the prefix's service manager
// under a name the programs under test look for.
#include "WineTestSupport.h"
#include "platform/win32/WinApi.h"

#include <sstream>
#include <string>

namespace winetest {

// The tests' service under one of the names the programs look for, deleted again at the end; started
// when asked. Each start and stop is pending for the given number of 50 ms steps.
class NamedService {
public:
    NamedService(const std::string& name, const std::string& log, bool running = true, int pendingSteps = 1)
        : name_(name) {
        Remove();
        std::ostringstream bin;
        bin << '"' << HelperPath("wine_test_service.exe") << "\" " << name << " \"" << log << "\" "
            << pendingSteps << " 50 100";
        plat::win::unique_schandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        plat::win::unique_schandle svc(CreateServiceW(
            scm.get(), plat::win::Wide(name).c_str(), plat::win::Wide(name).c_str(), SERVICE_ALL_ACCESS,
            SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
            plat::win::Wide(bin.str()).c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        ready_ = svc && (!running || Start());
    }
    ~NamedService() { Remove(); }
    NamedService(const NamedService&) = delete;
    NamedService& operator=(const NamedService&) = delete;

    bool Ready() const { return ready_; }

    bool Start() const {
        plat::win::unique_schandle svc = Open(SERVICE_START);
        return svc && StartServiceW(svc.get(), 0, nullptr) &&
               WaitUntil([&] { return State() == SERVICE_RUNNING; });
    }

    DWORD State() const { return Status().dwCurrentState; }
    DWORD Pid() const { return Status().dwProcessId; }

private:
    plat::win::unique_schandle Open(DWORD access) const {
        plat::win::unique_schandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        return plat::win::unique_schandle(
            scm ? OpenServiceW(scm.get(), plat::win::Wide(name_).c_str(), access) : nullptr);
    }

    SERVICE_STATUS_PROCESS Status() const {
        SERVICE_STATUS_PROCESS s{};
        DWORD needed = 0;
        if (plat::win::unique_schandle svc = Open(SERVICE_QUERY_STATUS))
            QueryServiceStatusEx(svc.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&s), sizeof s,
                                 &needed);
        return s;
    }

    // Stops and deletes the service, waiting until the service manager has let go of it.
    void Remove() const {
        plat::win::unique_schandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        plat::win::unique_schandle svc(
            scm ? OpenServiceW(scm.get(), plat::win::Wide(name_).c_str(), SERVICE_ALL_ACCESS) : nullptr);
        if (!svc)
            return;
        SERVICE_STATUS s{};
        ControlService(svc.get(), SERVICE_CONTROL_STOP, &s);
        WaitUntil([&] { return QueryServiceStatus(svc.get(), &s) && s.dwCurrentState == SERVICE_STOPPED; });
        DeleteService(svc.get());
        svc.reset();
        WaitUntil([&] {
            return !plat::win::unique_schandle(
                OpenServiceW(scm.get(), plat::win::Wide(name_).c_str(), SERVICE_QUERY_STATUS));
        });
    }

    std::string name_;
    bool ready_ = false;
};

} // namespace winetest
