#pragma once
// The simulated registry's tree and its Windows .reg text form.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace plat::sim {

struct RegValue {
    std::string Name; // "" is the key's default value
    uint32_t Type = 0;
    std::vector<uint8_t> Data;
};

struct RegKey {
    std::string Path;             // full path as first written: "HKEY_LOCAL_MACHINE\SOFTWARE\..."
    std::vector<RegValue> Values; // in the order they were set
    RegValue* Find(const std::string& name);
    bool Remove(const std::string& name);
};

// Keyed by the lower-case full path. Root keys are implied and never stored.
using RegTree = std::map<std::string, RegKey>;

std::string LowerPath(const std::string& path);
// Creates the key and every missing ancestor below its root; returns the key.
RegKey& EnsureKey(RegTree& tree, const std::string& path);
// Canonical root name for "HKEY_LOCAL_MACHINE", "HKLM", ... (any case); "" when unknown.
std::string CanonicalRoot(const std::string& name);

std::string FormatRegText(const RegTree& tree);
// Applies the text to tree as regedit imports a file (keys and values added, "-" entries deleted).
// On a malformed line nothing is applied and the result is false.
bool ApplyRegText(const std::string& text, RegTree& tree);

} // namespace plat::sim
