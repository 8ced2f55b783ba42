#pragma once
// Numeric values shared with the Windows API, so that core code states access rights, states and
// value types exactly as the system defines them, without including <windows.h>.
#include <cstdint>

namespace plat {

using Handle = std::uintptr_t; // 0 means "no handle"

// Win32 error codes the core looks at.
constexpr uint32_t ERROR_SUCCESS_ = 0;
constexpr uint32_t ERROR_FILE_NOT_FOUND_ = 2;
constexpr uint32_t ERROR_ACCESS_DENIED_ = 5;
constexpr uint32_t ERROR_INVALID_HANDLE_ = 6;
constexpr uint32_t ERROR_INVALID_PARAMETER_ = 87;
constexpr uint32_t ERROR_INSUFFICIENT_BUFFER_ = 122;
constexpr uint32_t ERROR_MORE_DATA_ = 234;
constexpr uint32_t ERROR_NOT_ALL_ASSIGNED_ = 1300;
constexpr uint32_t ERROR_SERVICE_ALREADY_RUNNING_ = 1056;
constexpr uint32_t ERROR_SERVICE_DOES_NOT_EXIST_ = 1060;
constexpr uint32_t ERROR_SERVICE_CANNOT_ACCEPT_CTRL_ = 1061;
constexpr uint32_t ERROR_SERVICE_NOT_ACTIVE_ = 1062;
constexpr uint32_t ERROR_SERVICE_DATABASE_LOCKED_ = 1055;

// Service manager access rights.
constexpr uint32_t SC_MANAGER_CONNECT_ = 0x0001;
constexpr uint32_t SC_MANAGER_LOCK_ = 0x0008;
constexpr uint32_t SC_MANAGER_ALL_ACCESS_ = 0xF003F;
// Service access rights.
constexpr uint32_t SERVICE_QUERY_CONFIG_ = 0x0001;
constexpr uint32_t SERVICE_CHANGE_CONFIG_ = 0x0002;
constexpr uint32_t SERVICE_QUERY_STATUS_ = 0x0004;
constexpr uint32_t SERVICE_START_ = 0x0010;
constexpr uint32_t SERVICE_STOP_ = 0x0020;
constexpr uint32_t SERVICE_ALL_ACCESS_ = 0xF01FF;

// Service states (dwCurrentState).
constexpr uint32_t SERVICE_STOPPED_ = 1;
constexpr uint32_t SERVICE_START_PENDING_ = 2;
constexpr uint32_t SERVICE_STOP_PENDING_ = 3;
constexpr uint32_t SERVICE_RUNNING_ = 4;
constexpr uint32_t SERVICE_CONTINUE_PENDING_ = 5;
constexpr uint32_t SERVICE_PAUSE_PENDING_ = 6;
constexpr uint32_t SERVICE_PAUSED_ = 7;
// Start types (dwStartType).
constexpr uint32_t SERVICE_BOOT_START_ = 0;
constexpr uint32_t SERVICE_SYSTEM_START_ = 1;
constexpr uint32_t SERVICE_AUTO_START_ = 2;
constexpr uint32_t SERVICE_DEMAND_START_ = 3;
constexpr uint32_t SERVICE_DISABLED_ = 4;
constexpr uint32_t SERVICE_NO_CHANGE_ = 0xFFFFFFFF;
constexpr uint32_t SERVICE_CONTROL_STOP_ = 1;

// Registry access rights and views.
constexpr uint32_t KEY_QUERY_VALUE_ = 0x0001;
constexpr uint32_t KEY_SET_VALUE_ = 0x0002;
constexpr uint32_t KEY_CREATE_SUB_KEY_ = 0x0004;
constexpr uint32_t KEY_ENUMERATE_SUB_KEYS_ = 0x0008;
constexpr uint32_t KEY_READ_ = 0x20019;
constexpr uint32_t KEY_WRITE_ = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS_ = 0xF003F;
constexpr uint32_t KEY_WOW64_64KEY_ = 0x0100;
constexpr uint32_t KEY_WOW64_32KEY_ = 0x0200;
// Registry value types.
constexpr uint32_t REG_NONE_ = 0;
constexpr uint32_t REG_SZ_ = 1;
constexpr uint32_t REG_EXPAND_SZ_ = 2;
constexpr uint32_t REG_BINARY_ = 3;
constexpr uint32_t REG_DWORD_ = 4;
constexpr uint32_t REG_MULTI_SZ_ = 7;
constexpr uint32_t REG_QWORD_ = 11;

enum class RootKey { LocalMachine, CurrentUser, ClassesRoot, Users };

// Show states for started programs.
constexpr uint16_t SW_HIDE_ = 0;
constexpr uint16_t SW_SHOWNORMAL_ = 1;
constexpr uint16_t SW_SHOW_ = 5;

constexpr uint32_t INFINITE_ = 0xFFFFFFFF;

// File attributes as the file-system search reports them.
constexpr uint32_t FILE_ATTRIBUTE_READONLY_ = 0x01;
constexpr uint32_t FILE_ATTRIBUTE_HIDDEN_ = 0x02;
constexpr uint32_t FILE_ATTRIBUTE_DIRECTORY_ = 0x10;
constexpr uint32_t FILE_ATTRIBUTE_ARCHIVE_ = 0x20;
constexpr uint32_t FILE_ATTRIBUTE_NORMAL_ = 0x80;

} // namespace plat
