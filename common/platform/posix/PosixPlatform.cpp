#include "platform/posix/Backends.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimServices.h"

#include <cstdlib>

namespace plat {

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

// Linux has no service manager or registry: the simulated ones stand in, kept in the files that
// TK_SIM_SERVICES and TK_SIM_REGISTRY name (in memory only when unset).
Platform MakeDefaultPlatform() {
    Platform p;
    const std::string services = Env("TK_SIM_SERVICES");
    const std::string registry = Env("TK_SIM_REGISTRY");
    p.Services = services.empty() ? std::make_shared<sim::SimServiceManager>()
                                  : std::make_shared<sim::SimServiceManager>(services);
    p.Registry = registry.empty() ? std::make_shared<sim::SimRegistry>()
                                  : std::make_shared<sim::SimRegistry>(registry);
    p.Processes = posix::MakeProcesses();
    p.Host = posix::MakeHost();
    p.Shell = posix::MakeShell();
    p.Files = posix::MakeFileSystem();
    p.Sync = posix::MakeSync();
    p.Clock = posix::MakeClock();
    return p;
}

} // namespace plat
