#include "MegaUtils.h"

#include "platform/sim/SimRegistry.h"
#include "text/TextCodec.h"
#include "win_utils_fakes.h"

#include <gtest/gtest.h>

using namespace plat;
using namespace std::string_literals;

namespace {

// The simulated registry, remembering the keys opened and whether each was closed again.
class WatchedRegistry : public sim::SimRegistry {
public:
    std::vector<std::pair<std::string, uint32_t>> Opens;
    int Unclosed = 0;

    long OpenKey(RootKey root, const std::string& subKey, uint32_t access, Handle& key) override {
        Opens.emplace_back(subKey, access);
        return Count(SimRegistry::OpenKey(root, subKey, access, key));
    }
    long CreateKey(RootKey root, const std::string& subKey, uint32_t access, Handle& key) override {
        return Count(SimRegistry::CreateKey(root, subKey, access, key));
    }
    long CloseKey(Handle key) override {
        --Unclosed;
        return SimRegistry::CloseKey(key);
    }

private:
    long Count(long rc) {
        Unclosed += rc == 0;
        return rc;
    }
};

const std::string kKey = "SOFTWARE\\Pendrow\\ServiceManager";
const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr RootKey HKLM = RootKey::LocalMachine;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { SetVersion(10, 0); }
    void TearDown() override { EXPECT_EQ(0, registry->Unclosed) << "every opened key is closed"; }

    void SetVersion(uint32_t major, uint32_t minor) {
        host->Version.Major = major;
        host->Version.Minor = minor;
        TakeWinVersionSnapshot();
    }

    void Put(const std::string& subKey, const std::string& name, uint32_t type, const std::string& data,
             bool view64 = false) {
        Handle key = 0;
        ASSERT_EQ(0, registry->SimRegistry::CreateKey(
                         HKLM, subKey, KEY_ALL_ACCESS_ | (view64 ? KEY_WOW64_64KEY_ : 0), key));
        ASSERT_EQ(0, registry->SimRegistry::SetValue(key, name, type, {data.begin(), data.end()}));
        registry->SimRegistry::CloseKey(key);
    }

    std::shared_ptr<WatchedRegistry> registry = std::make_shared<WatchedRegistry>();
    std::shared_ptr<testing_fakes::FakeHost> host = std::make_shared<testing_fakes::FakeHost>();
    ScopedOverride platform{Parts()};

private:
    Platform Parts() {
        Platform parts;
        parts.Registry = registry;
        parts.Host = host;
        return parts;
    }
};

std::string Utf16(const std::string& utf8, bool withNul = true) {
    return text::Utf8ToUtf16LeBytes(utf8, withNul);
}

std::string RegistryError(const std::function<void()>& call) {
    try {
        call();
    } catch (const ERegistryException& e) {
        return e.Describe();
    }
    return "";
}

TEST_F(RegistryTest, PathSplitsAtTheLastBackslashOrAddressesTheRootKey) {
    TRegistryPath split = SplitRegistryPath(kKey + "\\RefreshTime");
    EXPECT_EQ(kKey, split.SubKey);
    EXPECT_EQ("RefreshTime", split.ValueName);
    std::string value = "kept";
    RegReadString("Language", HKLM, value);
    EXPECT_EQ((std::pair<std::string, uint32_t>{"", KEY_QUERY_VALUE_}), registry->Opens.at(0));
    EXPECT_EQ("kept", value);
}

TEST_F(RegistryTest, StringReadLeavesTheVariableAloneWhenNothingIsStored) {
    Put(kKey, "Empty", REG_SZ_, "");
    std::string value = "previous";
    for (const std::string& path : {"SOFTWARE\\Missing\\Language"s, kKey + "\\Missing", kKey + "\\Empty"}) {
        RegReadString(path, HKLM, value);
        EXPECT_EQ("previous", value) << path;
        EXPECT_EQ(std::nullopt, ReadRegistryString(HKLM, path, false)) << path;
    }
}

TEST_F(RegistryTest, StringReadDecodesTextUpToItsFirstNul) {
    Put(kKey, "Language", REG_SZ_, Utf16("C:\\Größe\\manager.lng"));
    Put(kKey, "Unterminated", REG_SZ_, Utf16("no end", false) + "x");
    Put(kKey, "Embedded", REG_SZ_, "a\0\0\0b\0\0\0"s);
    std::string value;
    RegReadString(kKey + "\\Language", HKLM, value);
    EXPECT_EQ("C:\\Größe\\manager.lng", value);
    RegReadString(kKey + "\\Unterminated", HKLM, value);
    EXPECT_EQ("no end", value);
    RegReadString(kKey + "\\Embedded", HKLM, value);
    EXPECT_EQ("a", value);
}

TEST_F(RegistryTest, WrongTypesRaiseWithTheValueName) {
    Put(kKey, "Path", REG_EXPAND_SZ_, Utf16("%SystemRoot%"));
    Put(kKey, "Text", REG_SZ_, Utf16("3000"));
    std::string value = "kept";
    EXPECT_EQ("ERegistryException: Invalid data type for 'Path'",
              RegistryError([&] { RegReadString(kKey + "\\Path", HKLM, value); }));
    EXPECT_EQ("ERegistryException: Invalid data type for 'Path'",
              RegistryError([&] { ReadRegistryString(HKLM, kKey + "\\Path", true); }));
    EXPECT_EQ("ERegistryException: Invalid data type for 'Text'",
              RegistryError([&] { RegReadInteger(kKey + "\\Text", HKLM); }));
    EXPECT_EQ("ERegistryException: Invalid data type for 'Text'",
              RegistryError([&] { RegReadMultiString(kKey + "\\Text", HKLM); }));
    EXPECT_EQ("kept", value);
}

TEST_F(RegistryTest, MultiStringSplitsAtEveryNul) {
    Put(kKey, "Options", REG_MULTI_SZ_, Utf16("-Xrs\0-Dlog=x\0\0"s, false));
    Put(kKey, "Unterminated", REG_MULTI_SZ_, Utf16("a\0b"s, false));
    EXPECT_EQ((std::vector<std::string>{"-Xrs", "-Dlog=x", ""}),
              RegReadMultiString(kKey + "\\Options", HKLM));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), RegReadMultiString(kKey + "\\Unterminated", HKLM))
        << "the last entry survives a missing terminator";
    EXPECT_TRUE(RegReadMultiString(kKey + "\\Missing", HKLM).empty());
}

TEST_F(RegistryTest, StringWriteNeedsTheKeyWhileIntegerWriteCreatesIt) {
    EXPECT_EQ("ERegistryException: Failed to set data for 'Language'",
              RegistryError([] { RegWriteString("SOFTWARE\\Absent\\Language", "x", HKLM); }));
    EXPECT_EQ("ERegistryException: Failed to get data for 'RefreshTime'",
              RegistryError([] { RegReadInteger("SOFTWARE\\Absent\\RefreshTime", HKLM); }));
    RegWriteInteger("SOFTWARE\\Absent\\RefreshTime", -2500, HKLM);
    EXPECT_EQ(-2500, RegReadInteger("SOFTWARE\\Absent\\RefreshTime", HKLM));
    RegWriteString("SOFTWARE\\Absent\\Language", "D:\\lang\\de.lng", HKLM);
    std::string value;
    RegReadString("SOFTWARE\\Absent\\Language", HKLM, value);
    EXPECT_EQ("D:\\lang\\de.lng", value);
    RegDeleteValue("SOFTWARE\\Absent\\Language", HKLM);
    RegDeleteValue("SOFTWARE\\Absent\\Language", HKLM);
    EXPECT_EQ(std::nullopt, ReadRegistryString(HKLM, "SOFTWARE\\Absent\\Language", false));
}

TEST_F(RegistryTest, FlaggedFunctionsReachThe64BitViewByVersionClass) {
    Put(kRun, "TFManager", REG_SZ_, Utf16("32-bit"));
    Put(kRun, "TFManager", REG_SZ_, Utf16("64-bit"), true);
    // major, minor, what the Server Manager reads, what the Updater reads
    const std::tuple<uint32_t, uint32_t, const char*, const char*> cases[] = {{10, 0, "64-bit", "32-bit"},
                                                                              {6, 1, "64-bit", "64-bit"},
                                                                              {5, 1, "64-bit", "64-bit"},
                                                                              {5, 0, "32-bit", "32-bit"},
                                                                              {5, 3, "32-bit", "32-bit"}};
    for (const auto& [major, minor, manager, updater] : cases) {
        SetVersion(major, minor);
        std::string value, unflagged;
        RegReadString(kRun + "\\TFManager", HKLM, value, true);
        RegReadString(kRun + "\\TFManager", HKLM, unflagged, false);
        EXPECT_EQ(manager, value) << major << "." << minor;
        EXPECT_EQ(updater, ReadRegistryString(HKLM, kRun + "\\TFManager", true)) << major << "." << minor;
        EXPECT_EQ("32-bit", unflagged);
    }
    SetVersion(6, 1);
    RegWriteString(kRun + "\\TFManager", "\"C:\\TF\\TFManager.exe\" /background", HKLM, true);
    RegDeleteValue(kRun + "\\TFManager", HKLM, true);
    EXPECT_EQ(std::nullopt, ReadRegistryString(HKLM, kRun + "\\TFManager", true));
    EXPECT_EQ("32-bit", ReadRegistryString(HKLM, kRun + "\\TFManager", false));
}

TEST_F(RegistryTest, HostileInputNeverCrashesAndIsAnsweredLikeAnyOther) {
    // path, and whether an integer write (which creates its key) can store a value there: not without a
    // value name or below no key at all
    const std::pair<std::string, bool> cases[] = {
        {""s, false},
        {"\\\\\\"s, false},
        {std::string(70000, 'k') + "\\" + std::string(70000, 'v'), true},
        {"SOFTWARE\\\xC3\x28\xFF\\\xE2\x82"s, true},
        {"SOFT\0WARE\\V"s, true}};
    for (const auto& [path, storable] : cases) {
        std::string value;
        EXPECT_NO_THROW(RegReadString(path, HKLM, value, true));
        EXPECT_EQ(value, "") << "nothing is stored there";
        EXPECT_TRUE(RegReadMultiString(path, HKLM).empty());
        EXPECT_NO_THROW(RegDeleteValue(path, HKLM));
        EXPECT_NE("", RegistryError([&] { RegReadInteger(path, HKLM); }));
        EXPECT_NE("", RegistryError([&] { RegWriteString(path, "\xFF\xFE bad", HKLM); }))
            << "its key is missing";
        const std::string written = RegistryError([&] { RegWriteInteger(path, 1, HKLM); });
        EXPECT_EQ(written.empty(), storable) << written;
        if (storable) {
            EXPECT_EQ(RegReadInteger(path, HKLM), 1);
        }
    }
}

TEST_F(RegistryTest, VersionMappingsDifferOnlyForUnlistedMajors) {
    // major, minor, Updater class, Server Manager class, IsWinXPOrLater
    const std::tuple<uint32_t, uint32_t, TWinVersion, TWinVersion, bool> cases[] = {
        {4, 0, wvNT4, wvNT4, false},        {5, 0, wv2000, wv2000, false},
        {5, 1, wvXP, wvXP, true},           {5, 2, wv2003, wv2003, true},
        {5, 3, wvUnknown, wvUnknown, true}, {6, 0, wvVista, wvVista, false},
        {6, 3, wvVista, wvVista, true},     {10, 0, wvUnknown, wvVista, false},
        {3, 51, wvUnknown, wvVista, false}};
    for (const auto& [major, minor, updater, manager, xpOrLater] : cases) {
        SetVersion(major, minor);
        EXPECT_EQ(updater, GetWinVersion()) << major << "." << minor;
        EXPECT_EQ(manager, GetWinVersionForManager()) << major << "." << minor;
        EXPECT_EQ(xpOrLater, IsWinXPOrLater()) << major << "." << minor;
    }
    host->Version.PlatformId = 1;
    SetVersion(5, 1);
    EXPECT_FALSE(IsWinNT());
    EXPECT_FALSE(IsWinXPOrLater());

    host->Version.Major = 6;
    EXPECT_EQ(wvXP, GetWinVersion()) << "read once, not on every call";
    host->VersionAvailable = false;
    host->VersionError = ERROR_INVALID_PARAMETER_;
    EXPECT_THROW(TakeWinVersionSnapshot(), EOSError);
}

class FakeFiles : public IFileSystem {
public:
    std::vector<FindEntry> Entries;
    bool FindFiles(const std::string&, std::vector<FindEntry>& entries) override {
        entries = Entries;
        return true;
    }
    std::unique_ptr<IFile> Open(const std::string&, OpenMode) override { return nullptr; }
    bool FileExists(const std::string&) override { return false; }
    bool DirectoryExists(const std::string&) override { return false; }
    bool CreateDir(const std::string&) override { return false; }
    bool ForceDirectories(const std::string&) override { return false; }
    bool RemoveDir(const std::string&) override { return false; }
    bool DeleteFile(const std::string&) override { return false; }
    bool MoveFile(const std::string&, const std::string&, bool) override { return false; }
    bool CopyFile(const std::string&, const std::string&, bool) override { return false; }
    bool GetAttributes(const std::string&, FindEntry&) override { return false; }
    bool GetFileVersion(const std::string&, uint32_t&, uint32_t&) override { return false; }
    std::string CurrentDir() override { return ""; }
    bool SetCurrentDir(const std::string&) override { return false; }
    std::string ModuleFileName() override { return ""; }
};

TEST(ListFilesTest, AppendsFilesButNoFolderInSearchOrder) {
    auto files = std::make_shared<FakeFiles>();
    for (auto [name, attributes] : {std::pair{"russian.lng", FILE_ATTRIBUTE_ARCHIVE_},
                                    {"old.lng", FILE_ATTRIBUTE_DIRECTORY_},
                                    {"english.lng", FILE_ATTRIBUTE_READONLY_},
                                    {"odd.lng", FILE_ATTRIBUTE_DIRECTORY_ | FILE_ATTRIBUTE_READONLY_}}) {
        files->Entries.emplace_back();
        files->Entries.back().Name = name;
        files->Entries.back().Attributes = attributes;
    }
    Platform parts;
    parts.Files = files;
    ScopedOverride platform(parts);
    std::vector<std::string> list{"kept"};
    ListFiles("C:\\TF\\lang\\*.lng", list);
    EXPECT_EQ((std::vector<std::string>{"kept", "C:\\TF\\lang\\russian.lng", "C:\\TF\\lang\\english.lng"}),
              list);
}

} // namespace
