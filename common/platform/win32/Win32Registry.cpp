#include "platform/win32/Backends.h"
#include "platform/win32/WinApi.h"

namespace plat::win {
namespace {

HKEY RootHandle(RootKey root) {
    switch (root) {
    case RootKey::LocalMachine:
        return HKEY_LOCAL_MACHINE;
    case RootKey::CurrentUser:
        return HKEY_CURRENT_USER;
    case RootKey::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RootKey::Users:
        return HKEY_USERS;
    }
    return HKEY_LOCAL_MACHINE;
}

HKEY Key(Handle h) {
    return FromHandle<HKEY>(h);
}

// Registry calls report their error as the result; the platform layer's last error carries it too.
long Result(LONG code) {
    if (code != ERROR_SUCCESS)
        plat::SetLastError(static_cast<uint32_t>(code));
    return code;
}

class Win32Registry final : public IRegistry {
public:
    long OpenKey(RootKey root, const std::string& subKey, uint32_t access, Handle& key) override {
        HKEY h = nullptr;
        LONG rc = RegOpenKeyExW(RootHandle(root), Wide(subKey).c_str(), 0, access, &h);
        key = rc == ERROR_SUCCESS ? ToHandle(h) : 0;
        return Result(rc);
    }

    long CreateKey(RootKey root, const std::string& subKey, uint32_t access, Handle& key) override {
        HKEY h = nullptr;
        LONG rc = RegCreateKeyExW(RootHandle(root), Wide(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  access, nullptr, &h, nullptr);
        key = rc == ERROR_SUCCESS ? ToHandle(h) : 0;
        return Result(rc);
    }

    long QueryValue(Handle key, const std::string& name, uint32_t& type,
                    std::vector<uint8_t>& data) override {
        std::wstring wname = Wide(name);
        LONG rc = ERROR_MORE_DATA;
        // The value may grow between the size query and the read; ask again until it fits.
        while (rc == ERROR_MORE_DATA) {
            DWORD t = 0, size = 0;
            rc = RegQueryValueExW(Key(key), wname.c_str(), nullptr, &t, nullptr, &size);
            if (rc != ERROR_SUCCESS)
                return Result(rc);
            data.assign(size, 0);
            rc = RegQueryValueExW(Key(key), wname.c_str(), nullptr, &t, data.data(), &size);
            if (rc == ERROR_SUCCESS) {
                data.resize(size);
                type = t;
            }
        }
        return Result(rc);
    }

    long SetValue(Handle key, const std::string& name, uint32_t type,
                  const std::vector<uint8_t>& data) override {
        return Result(RegSetValueExW(Key(key), Wide(name).c_str(), 0, type, data.data(),
                                     static_cast<DWORD>(data.size())));
    }

    long DeleteValue(Handle key, const std::string& name) override {
        return Result(RegDeleteValueW(Key(key), Wide(name).c_str()));
    }

    long CloseKey(Handle key) override { return Result(RegCloseKey(Key(key))); }
};

} // namespace

std::shared_ptr<IRegistry> MakeRegistry() {
    return std::make_shared<Win32Registry>();
}

} // namespace plat::win
