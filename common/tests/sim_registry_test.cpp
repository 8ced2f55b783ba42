#include "TempDir.h"
#include "platform/sim/SimRegistry.h"
#include "text/TextCodec.h"

#include <gtest/gtest.h>

using namespace plat;
using plat::sim::SimRegistry;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}
std::vector<uint8_t> Sz(const std::string& utf8) {
    return Bytes(text::Utf8ToUtf16LeBytes(utf8, true));
}

class SimRegistryTest : public ::testing::Test {
protected:
    Handle Create(const std::string& subKey, uint32_t access) {
        Handle h = 0;
        EXPECT_EQ(reg_.CreateKey(RootKey::LocalMachine, subKey, access, h), 0);
        handles_.push_back(h);
        return h;
    }
    long Open(const std::string& subKey, uint32_t access, Handle& h) {
        const long rc = reg_.OpenKey(RootKey::LocalMachine, subKey, access, h);
        if (rc == 0)
            handles_.push_back(h);
        return rc;
    }
    std::string ReadSz(const std::string& subKey, const std::string& name, uint32_t view) {
        Handle h = 0;
        if (Open(subKey, KEY_READ_ | view, h) != 0)
            return "<no key>";
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (reg_.QueryValue(h, name, type, data) != 0)
            return "<no value>";
        return text::Utf16LeBytesToUtf8(data.data(), data.size() - 2);
    }
    void TearDown() override {
        for (Handle h : handles_)
            reg_.CloseKey(h);
    }

    SimRegistry reg_;
    std::vector<Handle> handles_;
};

TEST_F(SimRegistryTest, ThirtyTwoBitViewOfSoftwareLivesUnderWow6432Node) {
    const Handle h = Create("SOFTWARE\\Pendrow\\ServiceManager", KEY_WRITE_);
    ASSERT_EQ(reg_.SetValue(h, "Language", REG_SZ_, Sz("English")), 0);

    EXPECT_EQ(ReadSz("SOFTWARE\\Pendrow\\ServiceManager", "Language", 0), "English");
    EXPECT_EQ(ReadSz("Software\\pendrow\\servicemanager", "LANGUAGE", KEY_WOW64_32KEY_), "English");
    EXPECT_EQ(ReadSz("SOFTWARE\\Wow6432Node\\Pendrow\\ServiceManager", "Language", KEY_WOW64_64KEY_),
              "English");
    EXPECT_EQ(ReadSz("SOFTWARE\\Wow6432Node\\Pendrow\\ServiceManager", "Language", 0),
              "English"); // not doubled
    Handle real = 0;
    EXPECT_EQ(Open("SOFTWARE\\Pendrow\\ServiceManager", KEY_READ_ | KEY_WOW64_64KEY_, real),
              ERROR_FILE_NOT_FOUND_);
    EXPECT_NE(reg_.Export().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Pendrow\\ServiceManager]"),
              std::string::npos);
}

TEST_F(SimRegistryTest, SixtyFourBitViewAndKeysOutsideSoftwareAreNotRedirected) {
    const Handle run =
        Create("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", KEY_WRITE_ | KEY_WOW64_64KEY_);
    ASSERT_EQ(reg_.SetValue(run, "TFManager", REG_SZ_, Sz("C:\\tf\\bin\\TFManager.exe")), 0);
    const Handle sys = Create("SYSTEM\\CurrentControlSet\\Services\\pgsql", KEY_WRITE_);
    ASSERT_EQ(reg_.SetValue(sys, "Start", REG_DWORD_, {2, 0, 0, 0}), 0);
    Handle cu = 0;
    ASSERT_EQ(reg_.CreateKey(RootKey::CurrentUser, "Software\\Pendrow", KEY_WRITE_, cu), 0);
    reg_.CloseKey(cu);

    const std::string exported = reg_.Export();
    EXPECT_NE(exported.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]"),
              std::string::npos);
    EXPECT_NE(exported.find("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\pgsql]"),
              std::string::npos);
    EXPECT_NE(exported.find("[HKEY_CURRENT_USER\\Software\\Pendrow]"), std::string::npos);
    EXPECT_EQ(ReadSz("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "TFManager", 0), "<no key>");
    Handle both = 0;
    EXPECT_EQ(Open("SYSTEM", KEY_READ_ | KEY_WOW64_32KEY_ | KEY_WOW64_64KEY_, both),
              ERROR_INVALID_PARAMETER_);
}

TEST_F(SimRegistryTest, ReportsWindowsErrorCodes) {
    Handle h = 0;
    EXPECT_EQ(Open("SOFTWARE\\Missing", KEY_READ_, h), ERROR_FILE_NOT_FOUND_);
    const Handle w = Create("SOFTWARE\\Pendrow", KEY_WRITE_);
    uint32_t type;
    std::vector<uint8_t> data;
    EXPECT_EQ(reg_.QueryValue(w, "Anything", type, data), ERROR_ACCESS_DENIED_); // no query right
    ASSERT_EQ(Open("SOFTWARE\\Pendrow", KEY_READ_, h), 0);
    EXPECT_EQ(reg_.QueryValue(h, "Missing", type, data), ERROR_FILE_NOT_FOUND_);
    EXPECT_EQ(reg_.SetValue(h, "X", REG_SZ_, Sz("x")), ERROR_ACCESS_DENIED_);
    EXPECT_EQ(reg_.DeleteValue(h, "X"), ERROR_ACCESS_DENIED_);
    EXPECT_EQ(reg_.DeleteValue(w, "Missing"), ERROR_FILE_NOT_FOUND_);
    EXPECT_EQ(reg_.QueryValue(0xBAD, "X", type, data), ERROR_INVALID_HANDLE_);
    Handle temp = 0;
    ASSERT_EQ(reg_.OpenKey(RootKey::LocalMachine, "SOFTWARE\\Pendrow", KEY_ALL_ACCESS_, temp), 0);
    EXPECT_EQ(reg_.CloseKey(temp), 0);
    EXPECT_EQ(reg_.CloseKey(temp), ERROR_INVALID_HANDLE_);
    EXPECT_EQ(reg_.SetValue(temp, "X", REG_SZ_, Sz("x")), ERROR_INVALID_HANDLE_);
}

const char* kAllTypes = R"(Windows Registry Editor Version 5.00

; written by hand, as an administrator would
[HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Apache Software Foundation\Procrun 2.0\Tomcat9\Parameters\Java]
"Jvm"="C:\\Program Files\\Java\\jre\\bin\\server\\jvm.dll"
"Quoted"="say \"hi\" \\ bye"
@="default"
"JvmMx"=dword:00000400
"Path"=hex(2):25,00,50,00,41,00,54,00,48,00,25,00,00,00
"Options"=hex(7):2d,00,58,00,73,00,31,00,00,00,2d,00,44,00,3d,00,31,00,00,00,00,\
  00
"Blob"=hex:00,ff,10
"Big"=hex(b):01,02,03,04,05,06,07,08
"Empty"=hex:
)";

TEST_F(SimRegistryTest, RegTextRoundTripsEveryValueType) {
    ASSERT_TRUE(reg_.Import(kAllTypes));
    Handle h = 0;
    ASSERT_EQ(
        Open("SOFTWARE\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java", KEY_READ_, h),
        0);
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_EQ(reg_.QueryValue(h, "Quoted", type, data), 0);
    EXPECT_EQ(data, Sz("say \"hi\" \\ bye"));
    ASSERT_EQ(reg_.QueryValue(h, "", type, data), 0);
    EXPECT_EQ(data, Sz("default"));
    ASSERT_EQ(reg_.QueryValue(h, "JvmMx", type, data), 0);
    EXPECT_EQ(type, REG_DWORD_);
    EXPECT_EQ(data, (std::vector<uint8_t>{0x00, 0x04, 0, 0}));
    ASSERT_EQ(reg_.QueryValue(h, "Path", type, data), 0);
    EXPECT_EQ(type, REG_EXPAND_SZ_);
    EXPECT_EQ(data, Sz("%PATH%"));
    ASSERT_EQ(reg_.QueryValue(h, "Options", type, data), 0);
    EXPECT_EQ(type, REG_MULTI_SZ_);
    EXPECT_EQ(data.size(), 22u); // the continuation line joined
    ASSERT_EQ(reg_.QueryValue(h, "Big", type, data), 0);
    EXPECT_EQ(type, REG_QWORD_);
    ASSERT_EQ(reg_.QueryValue(h, "Empty", type, data), 0);
    EXPECT_TRUE(data.empty());

    // Data the quoted form cannot hold (no terminating NUL, a line break) must survive as well.
    const Handle w = Create("SOFTWARE\\Odd", KEY_WRITE_);
    reg_.SetValue(w, "NoNul", REG_SZ_, Bytes(std::string("a\0b", 3)));
    reg_.SetValue(w, "Lines", REG_SZ_, Sz("one\r\ntwo"));
    reg_.SetValue(w, "Long", REG_BINARY_, std::vector<uint8_t>(300, 0xAB));
    reg_.SetValue(w, "Short", REG_DWORD_, {1, 2});

    const std::string first = reg_.Export();
    SimRegistry copy;
    ASSERT_TRUE(copy.Import(first));
    EXPECT_EQ(copy.Export(), first);
    Handle c = 0;
    ASSERT_EQ(copy.OpenKey(RootKey::LocalMachine, "SOFTWARE\\Odd", KEY_READ_, c), 0);
    for (const auto& [name, expected] :
         std::vector<std::pair<std::string, std::vector<uint8_t>>>{{"NoNul", Bytes(std::string("a\0b", 3))},
                                                                   {"Lines", Sz("one\r\ntwo")},
                                                                   {"Long", std::vector<uint8_t>(300, 0xAB)},
                                                                   {"Short", {1, 2}}}) {
        ASSERT_EQ(copy.QueryValue(c, name, type, data), 0) << name;
        EXPECT_EQ(data, expected) << name;
    }
    copy.CloseKey(c);
}

TEST_F(SimRegistryTest, ImportDeletesMarkedEntriesAndRejectsMalformedTextWhole) {
    ASSERT_TRUE(reg_.Import(kAllTypes));
    ASSERT_TRUE(reg_.Import(
        "Windows Registry Editor Version 5.00\n\n"
        "[HKLM\\SOFTWARE\\Wow6432Node\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java]\n"
        "\"Jvm\"=-\n"
        "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Apache Software Foundation\\Procrun "
        "2.0\\Tomcat9\\Parameters]\n"));
    const std::string before = reg_.Export();
    EXPECT_EQ(before.find("Jvm"), std::string::npos);
    EXPECT_EQ(before.find("Parameters"), std::string::npos);
    EXPECT_NE(before.find("Procrun 2.0\\Tomcat9]"), std::string::npos);

    for (const char* bad : {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n\"X\"=dword:123456789\n",
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n\"X\"=hex:zz\n", "[HKEY_NOWHERE\\X]\n",
                            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\n\"Unterminated=\"x\"\n"}) {
        EXPECT_FALSE(reg_.Import(std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Partial]\n") + bad)) << bad;
    }
    EXPECT_FALSE(reg_.Import("\"Orphan\"=\"value before any key\"\n"));
    EXPECT_EQ(reg_.Export(), before);
}

TEST_F(SimRegistryTest, ImportsTheUtf16FilesRegeditWrites) {
    const std::string body =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ünï]\r\n"
        "\"Name\"=\"Grüße\"\r\n";
    ASSERT_TRUE(reg_.Import("\xFF\xFE" + text::Utf8ToUtf16LeBytes(body, false)));
    EXPECT_EQ(ReadSz("SOFTWARE\\Ünï", "Name", KEY_WOW64_64KEY_), "Grüße");
}

TEST(SimRegistryFile, EveryChangeIsSavedAndSeenByAnotherInstance) {
    const testsupport::TempDir dir;
    const std::string file = dir.Path("registry.reg");
    testsupport::WriteFile(file, "Windows Registry Editor Version "
                                 "5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Seed]\n\"A\"=dword:00000001\n");
    SimRegistry first(file);
    SimRegistry second(file);
    Handle h = 0;
    ASSERT_EQ(first.OpenKey(RootKey::LocalMachine, "SOFTWARE\\Seed", KEY_ALL_ACCESS_ | KEY_WOW64_64KEY_, h),
              0);
    ASSERT_EQ(first.SetValue(h, "B", REG_SZ_, Sz("two")), 0);
    first.CloseKey(h);

    Handle g = 0;
    ASSERT_EQ(second.OpenKey(RootKey::LocalMachine, "SOFTWARE\\Seed", KEY_ALL_ACCESS_ | KEY_WOW64_64KEY_, g),
              0);
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_EQ(second.QueryValue(g, "B", type, data), 0);
    EXPECT_EQ(data, Sz("two"));
    ASSERT_EQ(second.DeleteValue(g, "A"), 0);
    second.CloseKey(g);

    const std::string saved = testsupport::ReadFile(file);
    EXPECT_EQ(saved.find("\"A\""), std::string::npos);
    EXPECT_NE(saved.find("\"B\"=\"two\""), std::string::npos);
}

} // namespace
