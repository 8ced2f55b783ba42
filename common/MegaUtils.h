#pragma once
// Registry and Windows-version helpers. A registry path is one text: the subkey, a backslash and the
// value name, split at the last backslash (no backslash: the root key itself, the whole text naming the
// value). Reads of a missing key or value change nothing; other failures raise ERegistryException with
// the value name in the message.
#include "Errors.h"
#include "WinUtilsUnit.h"
#include "platform/Types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TRegistryPath {
    std::string SubKey;
    std::string ValueName;
};
TRegistryPath SplitRegistryPath(const std::string& path);

// The flagged functions reach the 64-bit view when use64 is set and GetWinVersionForManager() is at least
// wvXP; everything else uses the program's default (32-bit) view.
void RegReadString(const std::string& path, plat::RootKey root, std::string& value, bool use64 = false);
// Every NUL ends an entry, so a properly terminated value yields a last, empty entry.
std::vector<std::string> RegReadMultiString(const std::string& path, plat::RootKey root, bool use64 = false);
int32_t RegReadInteger(const std::string& path, plat::RootKey root);
// The key must exist.
void RegWriteString(const std::string& path, const std::string& value, plat::RootKey root,
                    bool use64 = false);
// The key is created when missing.
void RegWriteInteger(const std::string& path, int32_t value, plat::RootKey root);
// Failures are ignored.
void RegDeleteValue(const std::string& path, plat::RootKey root, bool use64 = false);

// Appends the folder part of the mask plus the name of every entry that is not just a folder, in the
// order the file system gives.
void ListFiles(const std::string& mask, std::vector<std::string>& files);

// The Updater's string read: as RegReadString, but the 64-bit view follows GetWinVersion() (which does
// not know 10.x). Nothing when the key or the value is missing.
std::optional<std::string> ReadRegistryString(plat::RootKey root, const std::string& path, bool use64);

// The version class as the Server Manager sees it: every major version other than 4, 5 and 6 counts
// as wvVista.
TWinVersion GetWinVersionForManager();
bool IsWinNT();
// NT family, major version at least 5 and minor version at least 1: the tray icon set depends on it.
bool IsWinXPOrLater();
