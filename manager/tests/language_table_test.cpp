#include "Errors.h"
#include "MUISupportUnit.h"
#include "MegaUtils.h"
#include "RelocatedFiles.h"
#include "ResourceStrings.h"
#include "TempDir.h"
#include "platform/Platform.h"
#include "platform/Resources.h"
#include "platform/sim/SimRegistry.h"
#include "text/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>

using namespace std::literals;
using Pairs = std::vector<std::pair<std::string, std::string>>;

namespace {

Pairs Entries(const TResourceStrings& table) {
    Pairs pairs;
    const std::vector<std::string> keys = table.Keys();
    const std::vector<std::string> texts = table.Texts();
    for (size_t i = 0; i < keys.size(); ++i)
        pairs.emplace_back(keys[i], texts[i]);
    return pairs;
}

Pairs Parse(const std::string& bytes) {
    TResourceStrings table;
    EXPECT_TRUE(table.LoadFromStream(bytes));
    return Entries(table);
}

std::string Utf16(const std::string& utf8, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    const std::string le = text::Utf8ToUtf16LeBytes(utf8, false);
    for (size_t i = 0; i < le.size(); i += 2) {
        bytes += le[i + (bigEndian ? 1 : 0)];
        bytes += le[i + (bigEndian ? 0 : 1)];
    }
    return bytes;
}

TEST(LanguageFile, LinesFollowTheFileRules) {
    const struct {
        const char* name;
        std::string bytes;
        Pairs expected;
    } cases[] = {
        {"comment only at the very start", "#note=1\r\n  #key = v\r\n", {{"#key", "v"}}},
        {"blank and bare lines skipped", "\r\n   \r\nno separator\r\nk=v", {{"k", "v"}}},
        {"key and text trimmed", " \tk  =  some text \t\r\n", {{"k", "some text"}}},
        {"second equals belongs to the text", "a=b=c", {{"a", "b=c"}}},
        {"leading equals gives an empty key", "= text", {{"", "text"}}},
        {"empty text", "k=", {{"k", ""}}},
        {"backslash-n is LF CR", "m=one\\ntwo\\n", {{"m", "one\n\rtwo\n\r"}}},
        {"no other escape", "m=a\\tb\\\\c", {{"m", "a\\tb\\\\c"}}},
        {"CR, LF and CR LF end lines",
         "a=1\rb=2\nc=3\r\nd=4",
         {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}}},
        {"repeated keys kept in order", "K=1\r\nk=2", {{"K", "1"}, {"k", "2"}}},
        {"UTF-8 mark",
         "\xEF\xBB\xBFk=Gr\xC3\xB6\xC3\x9F"
         "e",
         {{"k", "Größe"}}},
        {"comment after a UTF-8 mark", "\xEF\xBB\xBF#k=1\r\nj=2", {{"j", "2"}}},
        {"UTF-16 LE mark", Utf16("k=Größe\r\nл=ж", false), {{"k", "Größe"}, {"л", "ж"}}},
        {"UTF-16 BE mark", Utf16("k=Größe\r\nл=ж", true), {{"k", "Größe"}, {"л", "ж"}}},
        {"ANSI without a mark",
         "k=Gr\xF6\xDF"
         "e \x80",
         {{"k", "Größe €"}}},
        {"invalid UTF-8 behind the mark",
         "\xEF\xBB\xBFk=a\xFF"
         "b",
         {{"k", "a\xEF\xBF\xBD"
                "b"}}},
        {"odd UTF-16 length", Utf16("k=v", false) + "x", {{"k", "v"}}},
        {"a NUL ends the text", "a=1\r\nb=2\0c=3"s, {{"a", "1"}, {"b", "2"}}},
        {"empty input", "", {}},
        {"only a mark", "\xFF\xFE", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Parse(c.bytes)) << c.name;
}

TEST(LanguageTable, LookupsIgnoreCaseAndTakeTheFirstEntry) {
    TResourceStrings table;
    table.LoadFromStream("Res_Error=First\r\nres_error=Second\r\n#x=comment\r\n=empty key"sv);
    EXPECT_EQ("First", table.GetString("res_error", "fallback"));
    EXPECT_EQ("First", table.GetString("RES_ERROR", "fallback"));
    EXPECT_EQ("empty key", table.GetString("", "fallback"));
    EXPECT_EQ("fallback", table.GetString("res_errors", "fallback"));
    EXPECT_EQ("fallback", table.GetString("#x", "fallback"));
    EXPECT_TRUE(table.StringExists("RES_error"));
    EXPECT_FALSE(table.StringExists("res_na"));

    table.SetString("RES_ERROR", "Replaced");
    table.SetString("res_na", "<n/a>");
    EXPECT_EQ(
        (Pairs{{"Res_Error", "Replaced"}, {"res_error", "Second"}, {"", "empty key"}, {"res_na", "<n/a>"}}),
        Entries(table));
    EXPECT_EQ("Replaced", table.GetString("res_error", ""));

    table.Clear();
    EXPECT_FALSE(table.StringExists("res_na"));
    EXPECT_EQ("fallback", table.GetString("res_error", "fallback"));
}

TEST(LanguageTable, AFileThatCannotBeReadLeavesTheFallbacks) {
    testsupport::TempDir dir;
    TResourceStrings table;
    for (const std::string& unreadable : {dir.Windows("missing.lng"), dir.Path()}) {
        table.LoadFromStream("res_error=Error"sv);
        EXPECT_FALSE(table.LoadFromFile(unreadable)) << unreadable;
        EXPECT_EQ("fallback", table.GetString("res_error", "fallback")) << unreadable;
    }

    dir.Write("de.lng", "\xEF\xBB\xBFres_error = Fehler\r\n");
    EXPECT_TRUE(table.LoadFromFile(dir.Windows("de.lng")));
    EXPECT_EQ("Fehler", table.GetString("res_error", "fallback"));
}

TEST(LanguageTable, HugeAndBinaryInputLoadsWithoutHarm) {
    std::mt19937 random(7);
    std::string binary(10u << 20, '\0');
    for (char& c : binary)
        c = static_cast<char>(random() % 255 + 1); // a NUL would end the text
    binary[0] = 'k';
    binary[1] = '=';
    binary[2] = '\n';
    TResourceStrings table;
    EXPECT_TRUE(table.LoadFromStream(binary));
    EXPECT_TRUE(table.StringExists("k"));

    for (const std::string& mark : {"\xFF\xFE"s, "\xFE\xFF"s, "\xEF\xBB\xBF"s}) {
        EXPECT_TRUE(table.LoadFromStream(mark + binary.substr(3, 1u << 20)));
        for (const std::string& key : table.Keys())
            EXPECT_TRUE(text::IsValidUtf8(key)) << "the table holds UTF-8 whatever the input";
    }

    std::string many;
    for (int i = 0; many.size() < (10u << 20); ++i)
        many += "key" + std::to_string(i) + "=text \\n " + std::to_string(i) + "\r\n";
    EXPECT_TRUE(table.LoadFromStream(many));
    EXPECT_EQ("text \n\r 123456", table.GetString("KEY123456", ""));

    const std::string oneLine = "k=" + std::string(10u << 20, 'x');
    EXPECT_TRUE(table.LoadFromStream(oneLine));
    EXPECT_EQ(10u << 20, table.GetString("k", "").size());
}

TEST(LanguageTable, SavedTableLoadsBackInTheAnsiCodePage) {
    testsupport::TempDir dir;
    TResourceStrings table;
    table.LoadFromStream("\xEF\xBB\xBFname=Gr\xC3\xB6\xC3\x9F"
                         "e\r\nmsg=one\\ntwo\r\n=empty key\r\n #k=v"sv);
    ASSERT_TRUE(table.SaveToFileAsANSI(dir.Windows("out.lng")));
    EXPECT_EQ("name = Gr\xF6\xDF"
              "e\r\nmsg = one\\ntwo\r\n = empty key\r\n #k = v\r\n",
              dir.Read("out.lng"));

    TResourceStrings again;
    ASSERT_TRUE(again.LoadFromFile(dir.Windows("out.lng")));
    EXPECT_EQ(Entries(table), Entries(again));
    EXPECT_FALSE(table.SaveToFileAsANSI(dir.Windows("no such folder\\out.lng")));
}

TEST(BuiltInLanguage, IsPlainAsciiWithOneKeyPerLineInFileOrder) {
    const std::string_view embedded = plat::FindResourceData("LANGFILE");
    const std::string file = testsupport::ReadFile(TK_SOURCE_DIR "/manager/res/English.lng");
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file, embedded) << "the program carries the file as it is";

    std::vector<std::string> keysInFile;
    size_t start = 0;
    for (size_t end; (end = file.find("\r\n", start)) != std::string::npos; start = end + 2) {
        const std::string line = file.substr(start, end - start);
        EXPECT_EQ(std::string::npos, line.find_first_of("\r\n")) << line;
        for (char c : line)
            EXPECT_TRUE(c >= ' ' && c < 0x7F) << line;
        keysInFile.push_back(line.substr(0, line.find('=')));
    }
    EXPECT_EQ(file.size(), start) << "every line ends with CR LF";

    mui::LoadDefaultLanguage();
    EXPECT_EQ(keysInFile, LanguageTable().Keys());
    std::vector<std::string> distinct = keysInFile;
    std::sort(distinct.begin(), distinct.end());
    EXPECT_EQ(distinct.end(), std::adjacent_find(distinct.begin(), distinct.end())) << "no key twice";
}

TEST(BuiltInLanguage, AnswersTheLookupsOfTheProgram) {
    mui::LoadDefaultLanguage();
    const TResourceStrings& table = LanguageTable();
    EXPECT_EQ("English", table.GetString("language_name", ""));
    EXPECT_EQ("SOFTWARE\\Pendrow\\ServiceManager\\Language", mui::LanguageRegistryPath());
    EXPECT_EQ("http%s://127.0.0.1:%d/server", table.GetString("setting_start_page_template", ""));
    EXPECT_EQ("\\..\\tomcat\\webapps\\server\\WEB-INF\\classes\\logging.properties",
              table.GetString("res_log_file_path", ""));
    EXPECT_EQ("Heap Dump was successfully created and archived under %s. Send archived file to Tallyfix "
              "Support (support@tallyfix-server.example).",
              table.GetString("res_heap_dump_completed", ""));
    EXPECT_EQ("PostgreSQL Server", table.GetString("tmainformlistservices1", ""));
    EXPECT_NE("", table.GetString("TAboutFormTntLabel3", ""));
}

class LanguageFileChoice : public ::testing::Test {
protected:
    void SetUp() override {
        mui::LoadDefaultLanguage();
        dir.Write("bin/TFManager.exe", "");
        dir.Write("chosen/fr.lng", "language_name=Fran\xE7"
                                   "ais\r\n");
        dir.Write("bin/lang/manager.lng", "language_name=Deutsch\r\n");
    }
    void TearDown() override { mui::LoadDefaultLanguage(); }

    void CreateKey() {
        plat::Handle key = 0;
        ASSERT_EQ(0, registry->CreateKey(plat::RootKey::LocalMachine, kKey, plat::KEY_ALL_ACCESS_, key));
        registry->CloseKey(key);
    }
    std::string Stored() {
        std::string value = "<none>";
        RegReadString(kValue, plat::RootKey::LocalMachine, value);
        return value;
    }

    const std::string kKey = "SOFTWARE\\Pendrow\\ServiceManager";
    const std::string kValue = kKey + "\\Language";
    testsupport::TempDir dir;
    std::shared_ptr<plat::sim::SimRegistry> registry = std::make_shared<plat::sim::SimRegistry>();
    plat::ScopedOverride platform{[this] {
        plat::Platform parts;
        parts.Registry = registry;
        parts.Files = std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files,
                                                                    dir.Windows("bin\\TFManager.exe"));
        return parts;
    }()};
};

TEST_F(LanguageFileChoice, TheRegisteredFileWins) {
    CreateKey();
    RegWriteString(kValue, dir.Windows("chosen\\fr.lng"), plat::RootKey::LocalMachine);
    mui::LoadLanguageFile();
    EXPECT_EQ("Français", LanguageTable().GetString("language_name", ""));
    EXPECT_EQ("fallback", LanguageTable().GetString("res_error", "fallback")) << "the whole table replaced";
    EXPECT_EQ(dir.Windows("chosen\\fr.lng"), Stored());
}

TEST_F(LanguageFileChoice, WithoutARegisteredFileTheShippedOneIsTakenAndRemembered) {
    CreateKey();
    for (const std::string& registered : {""s, dir.Windows("chosen\\gone.lng")}) {
        mui::LoadDefaultLanguage();
        if (!registered.empty())
            RegWriteString(kValue, registered, plat::RootKey::LocalMachine);
        mui::LoadLanguageFile();
        EXPECT_EQ("Deutsch", LanguageTable().GetString("language_name", "")) << registered;
        EXPECT_EQ(dir.Windows("bin\\lang\\manager.lng"), Stored()) << registered;
    }
}

TEST_F(LanguageFileChoice, WithoutTheRegistryKeyTheShippedFileIsStillTaken) {
    mui::LoadLanguageFile();
    EXPECT_EQ("Deutsch", LanguageTable().GetString("language_name", ""));
    EXPECT_EQ("<none>", Stored());
}

TEST_F(LanguageFileChoice, WithNoFileAtAllTheTableStays) {
    std::filesystem::remove(dir.Path("bin/lang/manager.lng"));
    mui::LoadLanguageFile();
    EXPECT_EQ("English", LanguageTable().GetString("language_name", ""));
    EXPECT_EQ("<none>", Stored());
}

TEST_F(LanguageFileChoice, AValueOfAnotherTypeReachesTheCaller) {
    plat::Handle key = 0;
    ASSERT_EQ(0, registry->CreateKey(plat::RootKey::LocalMachine, kKey, plat::KEY_ALL_ACCESS_, key));
    const std::string data = text::Utf8ToUtf16LeBytes(dir.Windows("chosen\\fr.lng"));
    registry->SetValue(key, "Language", plat::REG_EXPAND_SZ_, {data.begin(), data.end()});
    registry->CloseKey(key);
    EXPECT_THROW(mui::LoadLanguageFile(), ERegistryException);
    EXPECT_EQ("English", LanguageTable().GetString("language_name", ""));
}

} // namespace
