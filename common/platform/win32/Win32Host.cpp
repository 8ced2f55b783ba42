#include "platform/win32/Backends.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/WinApi.h"

namespace plat::win {
namespace {

// 1024 bytes hold 13 entries; a computer with more interfaces gets an empty list, as callers expect.
constexpr DWORD kInterfaceListBytes = 1024;

class WinsockSession {
public:
    WinsockSession() { ok_ = WSAStartup(0x0101, &data_) == 0; }
    ~WinsockSession() {
        if (ok_)
            WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    bool Ok() const { return ok_; }

private:
    WSADATA data_{};
    bool ok_ = false;
};

class Socket {
public:
    Socket() : s_(socket(AF_INET, SOCK_STREAM, 0)) {}
    ~Socket() {
        if (s_ != INVALID_SOCKET)
            closesocket(s_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    SOCKET Get() const { return s_; }

private:
    SOCKET s_;
};

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

using Wow64Disable = BOOL(WINAPI*)(PVOID*);
using Wow64Revert = BOOL(WINAPI*)(PVOID);

// Present only where WOW64 exists (missing: false, nothing switched); looked up at run time so that the
// program loads everywhere.
template <typename F> F Kernel32Function(const char* name) {
    return reinterpret_cast<F>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name));
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
        WinsockSession session;
        if (!session.Ok())
            return Fail();
        Socket s;
        if (s.Get() == INVALID_SOCKET) {
            plat::SetLastError(static_cast<uint32_t>(WSAGetLastError()));
            return false;
        }
        return QueryInterfaces(s.Get(), addresses);
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
        wchar_t* text = nullptr;
        DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        if (n == 0)
            return {};
        std::string message = Narrow(std::wstring_view(text, n));
        LocalFree(text);
        return TrimRight(message);
    }

    bool DisableWow64Redirection(void*& oldValue) override {
        auto disable = Kernel32Function<Wow64Disable>("Wow64DisableWow64FsRedirection");
        oldValue = nullptr;
        if (!disable) {
            plat::SetLastError(ERROR_PROC_NOT_FOUND);
            return false;
        }
        return disable(&oldValue) || Fail();
    }

    bool RevertWow64Redirection(void* oldValue) override {
        auto revert = Kernel32Function<Wow64Revert>("Wow64RevertWow64FsRedirection");
        if (!revert) {
            plat::SetLastError(ERROR_PROC_NOT_FOUND);
            return false;
        }
        return revert(oldValue) || Fail();
    }
};

} // namespace

std::shared_ptr<IHost> MakeHost() {
    return std::make_shared<Win32Host>();
}

} // namespace plat::win
