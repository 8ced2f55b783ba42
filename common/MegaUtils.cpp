#include "MegaUtils.h"

#include "platform/Platform.h"
#include "platform/PlatformHandles.h"
#include "text/TextCodec.h"

using namespace plat;

namespace {

constexpr uint32_t VER_PLATFORM_WIN32_NT_ = 2;

[[noreturn]] void RaiseGetData(const std::string& name) {
    throw ERegistryException("Failed to get data for '" + name + "'");
}
[[noreturn]] void RaiseSetData(const std::string& name) {
    throw ERegistryException("Failed to set data for '" + name + "'");
}
[[noreturn]] void RaiseDataType(const std::string& name) {
    throw ERegistryException("Invalid data type for '" + name + "'");
}

uint32_t ViewFlag(bool use64, TWinVersion (*versionClass)()) {
    return use64 && versionClass() >= wvXP ? KEY_WOW64_64KEY_ : 0;
}

// Raw data of a value of the wanted type. False, without an error, when the key or the value is missing
// or the value is empty.
bool ReadTypedValue(RootKey root, const std::string& path, uint32_t access, uint32_t wantedType,
                    std::vector<uint8_t>& data) {
    TRegistryPath split = SplitRegistryPath(path);
    unique_registry_key key;
    if (Registry().OpenKey(root, split.SubKey, access, *key.put()) != 0)
        return false;
    uint32_t type = REG_NONE_;
    long rc = Registry().QueryValue(key.get(), split.ValueName, type, data);
    if (rc == static_cast<long>(ERROR_FILE_NOT_FOUND_))
        return false;
    if (rc != 0)
        RaiseGetData(split.ValueName);
    if (data.empty())
        return false;
    if (type != wantedType)
        RaiseDataType(split.ValueName);
    return true;
}

// UTF-16LE code units of raw value data; an odd last byte cannot be part of the text.
std::u16string Utf16Units(const std::vector<uint8_t>& data) {
    std::u16string units;
    units.reserve(data.size() / 2);
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        units.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    }
    return units;
}

bool ReadStringValue(RootKey root, const std::string& path, uint32_t access, std::string& value) {
    std::vector<uint8_t> data;
    if (!ReadTypedValue(root, path, access, REG_SZ_, data))
        return false;
    std::u16string units = Utf16Units(data);
    value = text::Utf16ToUtf8(std::u16string_view(units).substr(0, units.find(u'\0')));
    return true;
}

} // namespace

TRegistryPath SplitRegistryPath(const std::string& path) {
    size_t pos = path.rfind('\\');
    if (pos == std::string::npos)
        return {"", path};
    return {path.substr(0, pos), path.substr(pos + 1)};
}

void RegReadString(const std::string& path, RootKey root, std::string& value, bool use64) {
    ReadStringValue(root, path, KEY_QUERY_VALUE_ | ViewFlag(use64, GetWinVersionForManager), value);
}

std::optional<std::string> ReadRegistryString(RootKey root, const std::string& path, bool use64) {
    std::string value;
    if (!ReadStringValue(root, path, KEY_QUERY_VALUE_ | ViewFlag(use64, GetWinVersion), value)) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string> RegReadMultiString(const std::string& path, RootKey root, bool use64) {
    std::vector<std::string> entries;
    std::vector<uint8_t> data;
    uint32_t access = KEY_QUERY_VALUE_ | ViewFlag(use64, GetWinVersionForManager);
    if (!ReadTypedValue(root, path, access, REG_MULTI_SZ_, data))
        return entries;
    std::u16string entry;
    for (char16_t unit : Utf16Units(data)) {
        if (unit != u'\0') {
            entry.push_back(unit);
            continue;
        }
        entries.push_back(text::Utf16ToUtf8(entry));
        entry.clear();
    }
    // A value written without its terminating NUL still carries its last entry.
    if (!entry.empty())
        entries.push_back(text::Utf16ToUtf8(entry));
    return entries;
}

int32_t RegReadInteger(const std::string& path, RootKey root) {
    TRegistryPath split = SplitRegistryPath(path);
    unique_registry_key key;
    if (Registry().OpenKey(root, split.SubKey, KEY_READ_, *key.put()) != 0)
        RaiseGetData(split.ValueName);
    uint32_t type = REG_NONE_;
    std::vector<uint8_t> data;
    if (Registry().QueryValue(key.get(), split.ValueName, type, data) != 0)
        RaiseGetData(split.ValueName);
    if (type != REG_DWORD_)
        RaiseDataType(split.ValueName);
    if (data.size() > 4)
        RaiseGetData(split.ValueName);
    uint32_t value = 0;
    for (size_t i = 0; i < data.size(); ++i)
        value |= static_cast<uint32_t>(data[i]) << (8 * i);
    return static_cast<int32_t>(value);
}

void RegWriteString(const std::string& path, const std::string& value, RootKey root, bool use64) {
    TRegistryPath split = SplitRegistryPath(path);
    unique_registry_key key;
    uint32_t access = KEY_WRITE_ | ViewFlag(use64, GetWinVersionForManager);
    if (Registry().OpenKey(root, split.SubKey, access, *key.put()) != 0)
        RaiseSetData(split.ValueName);
    std::string bytes = text::Utf8ToUtf16LeBytes(value, true);
    if (Registry().SetValue(key.get(), split.ValueName, REG_SZ_, {bytes.begin(), bytes.end()}) != 0) {
        RaiseSetData(split.ValueName);
    }
}

void RegWriteInteger(const std::string& path, int32_t value, RootKey root) {
    TRegistryPath split = SplitRegistryPath(path);
    unique_registry_key key;
    if (Registry().CreateKey(root, split.SubKey, KEY_ALL_ACCESS_, *key.put()) != 0)
        RaiseSetData(split.ValueName);
    auto bits = static_cast<uint32_t>(value);
    std::vector<uint8_t> data{static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                              static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    if (Registry().SetValue(key.get(), split.ValueName, REG_DWORD_, data) != 0)
        RaiseSetData(split.ValueName);
}

void RegDeleteValue(const std::string& path, RootKey root, bool use64) {
    TRegistryPath split = SplitRegistryPath(path);
    unique_registry_key key;
    uint32_t access = KEY_ALL_ACCESS_ | ViewFlag(use64, GetWinVersionForManager);
    if (Registry().OpenKey(root, split.SubKey, access, *key.put()) == 0) {
        Registry().DeleteValue(key.get(), split.ValueName);
    }
}

// A folder is never listed, whatever other attributes it carries.
void ListFiles(const std::string& mask, std::vector<std::string>& files) {
    size_t cut = mask.find_last_of("\\/:");
    std::string folder = cut == std::string::npos ? "" : mask.substr(0, cut + 1);
    std::vector<FindEntry> entries;
    Files().FindFiles(mask, entries);
    for (const FindEntry& entry : entries) {
        if (!(entry.Attributes & FILE_ATTRIBUTE_DIRECTORY_))
            files.push_back(folder + entry.Name);
    }
}

TWinVersion GetWinVersionForManager() {
    uint32_t major = WinVersionSnapshot().Major;
    return major >= 4 && major <= 6 ? GetWinVersion() : wvVista;
}

bool IsWinNT() {
    return WinVersionSnapshot().PlatformId == VER_PLATFORM_WIN32_NT_;
}

bool IsWinXPOrLater() {
    OsVersion version = WinVersionSnapshot();
    return IsWinNT() && version.Major >= 5 && version.Minor >= 1;
}
