#pragma once
// A host whose answers the tests choose: version, addresses and the system's error texts.
#include "platform/Platform.h"

#include <string>
#include <vector>

namespace testing_fakes {

class FakeHost : public plat::IHost {
public:
    plat::OsVersion Version;
    bool VersionAvailable = true;
    uint32_t VersionError = 0;
    std::vector<std::string> Addresses;
    bool AddressesAvailable = true;

    std::string ComputerName() override { return "FAKEHOST"; }
    bool Ipv4Interfaces(std::vector<std::string>& addresses) override {
        addresses = Addresses;
        return AddressesAvailable;
    }
    std::string SystemDir() override { return "C:\\Windows\\system32"; }
    bool GetVersion(plat::OsVersion& version) override {
        if (!VersionAvailable) {
            plat::SetLastError(VersionError);
            return false;
        }
        version = Version;
        return true;
    }
    std::string SysErrorMessage(uint32_t code) override { return "system text " + std::to_string(code); }
    bool DisableWow64Redirection(void*& oldValue) override { return false; }
    bool RevertWow64Redirection(void* oldValue) override { return false; }
    std::string ExpandEnvironment(const std::string& text, uint32_t) override { return text; }
    std::string DecimalSeparator() override { return "."; }
};

} // namespace testing_fakes
