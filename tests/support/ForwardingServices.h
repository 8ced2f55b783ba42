#pragma once
// A service manager that hands every call to another one: a test derives from it and overrides the
// calls it wants to watch or hold.
#include "platform/Platform.h"

#include <memory>
#include <string>

namespace testsupport {

class ForwardingServices : public plat::IServiceManager {
public:
    explicit ForwardingServices(std::shared_ptr<plat::IServiceManager> AReal) : FReal(std::move(AReal)) {}

    plat::Handle OpenSCManager(const std::string& m, uint32_t a) override {
        return FReal->OpenSCManager(m, a);
    }
    plat::Handle OpenService(plat::Handle s, const std::string& n, uint32_t a) override {
        return FReal->OpenService(s, n, a);
    }
    bool CloseServiceHandle(plat::Handle h) override { return FReal->CloseServiceHandle(h); }
    bool QueryServiceStatus(plat::Handle h, plat::ServiceStatus& s) override {
        return FReal->QueryServiceStatus(h, s);
    }
    bool QueryServiceStatusEx(plat::Handle h, plat::ServiceStatus& s) override {
        return FReal->QueryServiceStatusEx(h, s);
    }
    bool QueryServiceConfig(plat::Handle h, plat::ServiceConfig& c) override {
        return FReal->QueryServiceConfig(h, c);
    }
    bool ChangeServiceStartType(plat::Handle h, uint32_t t) override {
        return FReal->ChangeServiceStartType(h, t);
    }
    plat::Handle LockServiceDatabase(plat::Handle s) override { return FReal->LockServiceDatabase(s); }
    bool UnlockServiceDatabase(plat::Handle l) override { return FReal->UnlockServiceDatabase(l); }
    bool StartService(plat::Handle h) override { return FReal->StartService(h); }
    bool ControlService(plat::Handle h, uint32_t c, plat::ServiceStatus& s) override {
        return FReal->ControlService(h, c, s);
    }

private:
    std::shared_ptr<plat::IServiceManager> FReal;
};

} // namespace testsupport
