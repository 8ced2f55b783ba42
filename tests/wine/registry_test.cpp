// The real registry under Wine, in both views. The rule, for a process of either bitness on 64-bit
// Windows: without a view flag a process sees its own view; KEY_WOW64_64KEY reaches the 64-bit view,
// KEY_WOW64_32KEY the 32-bit one; and the 32-bit view of SOFTWARE is the 64-bit view's
// SOFTWARE\Wow6432Node.
#include "MegaUtils.h"
#include "WineTestSupport.h"
#include "platform/PlatformHandles.h"
#include "platform/win32/WinApi.h"
#include "text/TextCodec.h"

#include <gtest/gtest.h>

namespace {

using namespace plat;

constexpr bool k64BitProcess = sizeof(void*) == 8;
// The view this process sees by default, and the other one.
constexpr uint32_t kOwnView = k64BitProcess ? KEY_WOW64_64KEY_ : KEY_WOW64_32KEY_;
constexpr uint32_t kOtherView = k64BitProcess ? KEY_WOW64_32KEY_ : KEY_WOW64_64KEY_;

std::vector<uint8_t> Utf16(const std::string& s) {
    std::string bytes = text::Utf8ToUtf16LeBytes(s, true);
    return {bytes.begin(), bytes.end()};
}

class RegistryViews : public ::testing::Test {
protected:
    void TearDown() override {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
            win::unique_hkey software;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | view, software.put()) ==
                0) {
                RegDeleteTreeW(software.get(), win::Wide(name_).c_str());
                RegDeleteKeyExW(software.get(), win::Wide(name_).c_str(), view, 0);
            }
        }
    }

    // Writes a string value into a key of this test, created in the given view (0: the default).
    void Write(uint32_t view, const std::string& value, const std::string& data) {
        unique_registry_key key;
        ASSERT_EQ(Registry().CreateKey(RootKey::LocalMachine, SubKey(), KEY_WRITE_ | view, *key.put()), 0);
        EXPECT_EQ(Registry().SetValue(key.get(), value, REG_SZ_, Utf16(data)), 0);
    }

    // The string value as seen through subKey in the given view; "<missing>" when absent.
    std::string Read(const std::string& subKey, uint32_t view, const std::string& value) {
        unique_registry_key key;
        if (Registry().OpenKey(RootKey::LocalMachine, subKey, KEY_QUERY_VALUE_ | view, *key.put()) != 0)
            return "<missing>";
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (Registry().QueryValue(key.get(), value, type, data) != 0)
            return "<missing>";
        EXPECT_EQ(type, REG_SZ_);
        std::string value8 = text::Utf16LeBytesToUtf8(data.data(), data.size());
        return value8.substr(0, value8.find('\0'));
    }

    std::string SubKey() const { return "SOFTWARE\\" + name_; }
    std::string Wow6432Node() const { return "SOFTWARE\\Wow6432Node\\" + name_; }

    std::string name_ = winetest::UniqueName("TkWineTest");
};

TEST_F(RegistryViews, DefaultViewIsTheProcessesOwnAndTheOtherViewIsSeparate) {
    Write(0, "Where", "default");
    Write(kOtherView, "Where", "other");

    EXPECT_EQ(Read(SubKey(), 0, "Where"), "default");
    EXPECT_EQ(Read(SubKey(), kOwnView, "Where"), "default");
    EXPECT_EQ(Read(SubKey(), kOtherView, "Where"), "other");
}

TEST_F(RegistryViews, ThirtyTwoBitViewIsWow6432NodeOfTheSixtyFourBitView) {
    Write(KEY_WOW64_32KEY_, "Bits", "32");
    Write(KEY_WOW64_64KEY_, "Bits", "64");

    EXPECT_EQ(Read(Wow6432Node(), KEY_WOW64_64KEY_, "Bits"), "32");
    EXPECT_EQ(Read(SubKey(), KEY_WOW64_64KEY_, "Bits"), "64");
}

TEST_F(RegistryViews, ValuesKeepTheirTypeAndBytesAndMissingOnesReportNotFound) {
    unique_registry_key owner;
    ASSERT_EQ(Registry().CreateKey(RootKey::LocalMachine, SubKey(), KEY_ALL_ACCESS_, *owner.put()), 0);
    const Handle key = owner.get();
    const std::vector<uint8_t> dword{0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(Registry().SetValue(key, "Number", REG_DWORD_, dword), 0);
    const std::vector<uint8_t> multi = Utf16(std::string("a\0bc\0", 5));
    EXPECT_EQ(Registry().SetValue(key, "List", REG_MULTI_SZ_, multi), 0);

    uint32_t type = 0;
    std::vector<uint8_t> data;
    EXPECT_EQ(Registry().QueryValue(key, "Number", type, data), 0);
    EXPECT_EQ(type, REG_DWORD_);
    EXPECT_EQ(data, dword);
    EXPECT_EQ(Registry().QueryValue(key, "List", type, data), 0);
    EXPECT_EQ(type, REG_MULTI_SZ_);
    EXPECT_EQ(data, multi);

    EXPECT_EQ(Registry().DeleteValue(key, "Number"), 0);
    EXPECT_EQ(Registry().QueryValue(key, "Number", type, data), static_cast<long>(ERROR_FILE_NOT_FOUND_));
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);
    owner.reset();

    Handle missing = 0;
    EXPECT_EQ(Registry().OpenKey(RootKey::LocalMachine, SubKey() + "\\Nope", KEY_READ_, missing),
              static_cast<long>(ERROR_FILE_NOT_FOUND_));
    EXPECT_EQ(missing, 0u);
}

TEST_F(RegistryViews, ManagerHelpersReachTheSixtyFourBitViewOnlyWhenAsked) {
    Write(KEY_WOW64_64KEY_, "Autostart", "");
    Write(KEY_WOW64_32KEY_, "Autostart", "");
    RegWriteString(SubKey() + "\\Autostart", "from 64", RootKey::LocalMachine, true);
    EXPECT_EQ(Read(SubKey(), KEY_WOW64_64KEY_, "Autostart"), "from 64");

    RegWriteString(SubKey() + "\\Autostart", "from default", RootKey::LocalMachine, false);
    EXPECT_EQ(Read(SubKey(), kOwnView, "Autostart"), "from default");

    std::string value = "unchanged";
    RegReadString(SubKey() + "\\Missing\\Value", RootKey::LocalMachine, value, true);
    EXPECT_EQ(value, "unchanged");
}

TEST_F(RegistryViews, ManagerHelpersRefuseExpandableStringsAndWritesUnderMissingKeys) {
    {
        unique_registry_key key;
        ASSERT_EQ(Registry().CreateKey(RootKey::LocalMachine, SubKey(), KEY_ALL_ACCESS_, *key.put()), 0);
        Registry().SetValue(key.get(), "Expand", REG_EXPAND_SZ_, Utf16("%SystemRoot%"));
    }

    std::string value;
    try {
        RegReadString(SubKey() + "\\Expand", RootKey::LocalMachine, value);
        ADD_FAILURE() << "REG_EXPAND_SZ was read as a string";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Expand'");
    }
    try {
        RegWriteString(SubKey() + "\\Missing\\Value", "x", RootKey::LocalMachine);
        ADD_FAILURE() << "a string was written under a missing key";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Value'");
    }
    RegWriteInteger(SubKey() + "\\Created\\Interval", 42, RootKey::LocalMachine);
    EXPECT_EQ(RegReadInteger(SubKey() + "\\Created\\Interval", RootKey::LocalMachine), 42);
}

} // namespace
