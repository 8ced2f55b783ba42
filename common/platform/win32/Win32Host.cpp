#include "platform/win32/Backends.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/WinApi.h"

namespace plat::win {
namespace {

// 1024 bytes hold 13 entries; a computer with more interfaces gets an empty list, as callers expect.
constexpr DWORD kInterfaceListBytes = 1024;

// A successful WSAStartup is what WSACleanup undoes: the "handle" is the fact that Winsock was started.
struct winsock_traits {
    using type = bool;
    static type invalid() noexcept { return false; }
    static void close(type) noexcept { WSACleanup(); }
};
using unique_winsock = unique_any<winsock_traits>;

unique_winsock StartWinsock() {
    WSADATA data{};
    return unique_winsock(WSAStartup(0x0101, &data) == 0);
}

struct socket_traits {
    using type = SOCKET;
    static type invalid() noexcept { return INVALID_SOCKET; }
    static void close(type s) noexcept { closesocket(s); }
};
using unique_socket = unique_any<socket_traits>;

bool QueryInterfaces(SOCKET s, std::vector<std::string>& addresses) {
    alignas(INTERFACE_INFO) char buffer[kInterfaceListBytes] = {};
    DWORD returned = 0;
    if (WSAIoctl(s, SIO_GET_INTERFACE_LIST, nullptr, 0, buffer, sizeof buffer, &returned, nullptr, nullptr) !=
        0) {
        plat::SetLastError(static_cast<uint32_t>(WSAGetLastError()));
        return false;
    }
    const auto* entries = reinterpret_cast<const INTERFACE_INFO*>(buffer);
    for (DWORD i = 0; i < returned / sizeof(INTERFACE_INFO); ++i) {
        in_addr address = entries[i].iiAddress.AddressIn.sin_addr;
        addresses.push_back(inet_ntoa(address));
    }
    return true;
}

std::string TrimRight(std::string s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.pop_back();
    return s;
}

class Win32Host final : public IHost {
public:
    std::string ComputerName() override {
        wchar_t name[256] = {};
        DWORD size = 256;
        if (!GetComputerNameW(name, &size)) {
            Fail();
            return {};
        }
        return Narrow(name);
    }

    bool Ipv4Interfaces(std::vector<std::string>& addresses) override {
        addresses.clear();
        unique_winsock winsock = StartWinsock();
        if (!winsock)
            return Fail();
        unique_socket s(socket(AF_INET, SOCK_STREAM, 0));
        if (!s) {
            plat::SetLastError(static_cast<uint32_t>(WSAGetLastError()));
            return false;
        }
        return QueryInterfaces(s.get(), addresses);
    }

    std::string SystemDir() override {
        wchar_t dir[MAX_PATH] = {};
        UINT n = GetSystemDirectoryW(dir, MAX_PATH);
        if (n == 0 || n >= MAX_PATH) {
            Fail();
            return {};
        }
        return Narrow(std::wstring_view(dir, n));
    }

    bool GetVersion(OsVersion& version) override {
        OSVERSIONINFOW info{};
        info.dwOSVersionInfoSize = sizeof info;
        if (!GetVersionExW(&info))
            return Fail();
        version.Major = info.dwMajorVersion;
        version.Minor = info.dwMinorVersion;
        version.Build = info.dwBuildNumber;
        version.PlatformId = info.dwPlatformId;
        return true;
    }

    std::string SysErrorMessage(uint32_t code) override {
        unique_local<wchar_t> text;
        DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(text.put()), 0, nullptr);
        if (n == 0)
            return {};
        return TrimRight(Narrow(std::wstring_view(text.get(), n)));
    }

    bool DisableWow64Redirection(void*& oldValue) override {
        // The caller turns the redirection on again with RevertWow64Redirection, so the guard lets go.
        unique_wow64_redirection off;
        if (!off) {
            oldValue = nullptr;
            return Fail();
        }
        oldValue = off.release();
        return true;
    }

    bool RevertWow64Redirection(void* oldValue) override {
        return unique_wow64_redirection::revert(oldValue) || Fail();
    }

    std::string ExpandEnvironment(const std::string& text, uint32_t bufferChars) override {
        std::vector<wchar_t> buffer(bufferChars, L'\0');
        const DWORD needed = ExpandEnvironmentStringsW(Wide(text).c_str(), buffer.data(), bufferChars);
        if (needed == 0) {
            Fail();
            return {};
        }
        if (needed > bufferChars) {
            plat::SetLastError(ERROR_INSUFFICIENT_BUFFER_);
            return {};
        }
        return Narrow(buffer.data());
    }

    std::string DecimalSeparator() override {
        wchar_t separator[4] = {}; // the longest separator the system allows, with its NUL
        if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 4) == 0 || separator[0] == L'\0')
            return ".";
        return Narrow(separator);
    }
};

} // namespace

std::shared_ptr<IHost> MakeHost() {
    return std::make_shared<Win32Host>();
}

} // namespace plat::win
