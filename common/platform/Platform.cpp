#include "platform/Platform.h"

#include <mutex>

namespace plat {

// Defined by the build's backend folder (win32/ or posix/).
Platform MakeDefaultPlatform();

namespace {
thread_local uint32_t tLastError = 0;

Platform& Storage() {
    static Platform platform = MakeDefaultPlatform();
    return platform;
}
} // namespace

uint32_t LastError() {
    return tLastError;
}
void SetLastError(uint32_t code) {
    tLastError = code;
}

Platform& Current() {
    return Storage();
}

ScopedOverride::ScopedOverride(const Platform& parts) : saved_(Storage()) {
    Platform& p = Storage();
    if (parts.Services)
        p.Services = parts.Services;
    if (parts.Registry)
        p.Registry = parts.Registry;
    if (parts.Processes)
        p.Processes = parts.Processes;
    if (parts.Host)
        p.Host = parts.Host;
    if (parts.Shell)
        p.Shell = parts.Shell;
    if (parts.Files)
        p.Files = parts.Files;
    if (parts.Sync)
        p.Sync = parts.Sync;
    if (parts.Clock)
        p.Clock = parts.Clock;
}

ScopedOverride::~ScopedOverride() {
    Storage() = saved_;
}

} // namespace plat
