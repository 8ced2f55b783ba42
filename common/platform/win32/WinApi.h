#pragma once
// The Windows headers for the win32 backends, with the A/W macros that collide with the platform
// interface's method names removed, plus the small helpers and the handle owners every backend file
// shares.
#include "platform/win32/UniqueAny.h"

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
#undef ReplaceFile
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

} // namespace plat::win
