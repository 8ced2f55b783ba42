#pragma once
// The Windows headers for the win32 backends, with the A/W macros that collide with the platform
// interface's method names removed, plus the small helpers every backend file shares.
#include <windows.h>

#include <string>
#include <string_view>

#undef CopyFile
#undef CreateEvent
#undef CreateMutex
#undef CreateProcess
#undef DeleteFile
#undef MoveFile
#undef OpenEvent
#undef OpenSCManager
#undef OpenService
#undef QueryServiceConfig
#undef StartService

#include "platform/Platform.h"

namespace plat::win {

std::wstring Wide(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// Copies GetLastError() into the platform layer's last error; returns false for use in return
// statements of failing calls.
bool Fail();

template <typename T> Handle ToHandle(T h) {
    return reinterpret_cast<Handle>(h);
}
template <typename T> T FromHandle(Handle h) {
    return reinterpret_cast<T>(h);
}

// Owns a kernel handle; closes it on destruction.
class KernelHandle {
public:
    KernelHandle() = default;
    explicit KernelHandle(HANDLE h) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~KernelHandle() { Reset(); }
    KernelHandle(KernelHandle &&o) noexcept : h_(o.Release()) {}
    KernelHandle &operator=(KernelHandle &&o) noexcept {
        if (this != &o) {
            Reset();
            h_ = o.Release();
        }
        return *this;
    }
    KernelHandle(const KernelHandle &) = delete;
    KernelHandle &operator=(const KernelHandle &) = delete;

    HANDLE Get() const { return h_; }
    HANDLE *Put() {
        Reset();
        return &h_;
    }
    HANDLE Release() {
        HANDLE h = h_;
        h_ = nullptr;
        return h;
    }
    void Reset() {
        if (h_)
            CloseHandle(h_);
        h_ = nullptr;
    }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HANDLE h_ = nullptr;
};

} // namespace plat::win
