#pragma once
// Owners of the handles the platform layer hands out, for core code: each closes its handle through the
// backend that is active when it is destroyed, on every path out of the function that opened it.
#include "platform/Platform.h"
#include "platform/UniqueAny.h"

namespace plat {

struct service_handle_traits {
    using type = Handle;
    static type invalid() noexcept { return 0; }
    static void close(type h) noexcept { Services().CloseServiceHandle(h); }
};
// A handle of the service manager or of a service (OpenSCManager, OpenService).
using unique_service_handle = unique_any<service_handle_traits>;

struct service_lock_traits {
    using type = Handle;
    static type invalid() noexcept { return 0; }
    static void close(type lock) noexcept { Services().UnlockServiceDatabase(lock); }
};
using unique_service_lock = unique_any<service_lock_traits>;

struct registry_key_traits {
    using type = Handle;
    static type invalid() noexcept { return 0; }
    static void close(type key) noexcept { Registry().CloseKey(key); }
};
using unique_registry_key = unique_any<registry_key_traits>;

} // namespace plat
