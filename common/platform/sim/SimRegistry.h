#pragma once
// A simulated registry kept in the Windows .reg text format ("Windows Registry Editor Version 5.00").
// It shows the two views as a 64-bit Windows shows them to a 32-bit program: without
// KEY_WOW64_64KEY, keys under HKLM\SOFTWARE are redirected to HKLM\SOFTWARE\Wow6432Node; with it,
// the real (64-bit) location is used.
#include "platform/Platform.h"

#include <string>

namespace plat::sim {

class SimRegistry : public IRegistry {
public:
    SimRegistry();                             // empty, in memory
    explicit SimRegistry(std::string regFile); // loaded from the file; every change saved to it

    // Text import/export in the .reg format, paths written in full ("HKEY_LOCAL_MACHINE\...").
    bool Import(const std::string& regText);
    std::string Export() const;

    long OpenKey(RootKey root, const std::string& subKey, uint32_t access, Handle& key) override;
    long CreateKey(RootKey root, const std::string& subKey, uint32_t access, Handle& key) override;
    long QueryValue(Handle key, const std::string& name, uint32_t& type, std::vector<uint8_t>& data) override;
    long SetValue(Handle key, const std::string& name, uint32_t type,
                  const std::vector<uint8_t>& data) override;
    long DeleteValue(Handle key, const std::string& name) override;
    long CloseKey(Handle key) override;

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

} // namespace plat::sim
