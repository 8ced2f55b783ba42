// Archives written by TZipWriter, read back by the real readers of the machine.
#include "zip/ZipError.h"
#include "zip/ZipWriter.h"
#include "zip_test_support.h"

#include <gmock/gmock.h>

#include <map>
#include <random>
#include <sstream>
#include <vector>

using namespace ziptest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;

namespace {

struct Listed {
    std::string Name;
    uint64_t Size = 0;
    uint64_t CompressedSize = 0;
    int Method = 0;
    int Flags = 0;
    uint32_t Attributes = 0;
    std::string Time;
    std::string Sha1;
};

std::vector<Listed> List(const std::string& archive) {
    const CommandResult r = PythonListing(archive);
    EXPECT_EQ(r.ExitCode, 0) << r.Output;
    std::vector<Listed> entries;
    std::istringstream lines(r.Output);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string s; std::getline(fields, s, '|');)
            f.push_back(s);
        if (f.size() != 8)
            continue;
        entries.push_back({f[0], std::stoull(f[1]), std::stoull(f[2]), std::stoi(f[3]), std::stoi(f[4]),
                           static_cast<uint32_t>(std::stoul(f[5])), f[6], f[7]});
    }
    return entries;
}

std::vector<std::string> Names(const std::vector<Listed>& entries) {
    std::vector<std::string> names;
    for (const Listed& e : entries)
        names.push_back(e.Name);
    return names;
}

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(gen());
    return s;
}

std::string Repeated(size_t size) {
    std::string s;
    while (s.size() < size)
        s += "<tr><td>property</td><td>value " + std::to_string(s.size() % 97) + "</td></tr>\n";
    s.resize(size);
    return s;
}

const plat::FileTime kArchivingTime{2024, 5, 6, 7, 8, 9};

class ZipWriterTest : public ::testing::Test {
protected:
    std::string Source(const std::string& name, const std::string& content) {
        WriteFile(dir_.Path(name), content);
        return dir_.Path(name);
    }
    std::string Archive() const { return dir_.Path("2024-05-06 07.08.09.zip"); }

    TempDir dir_;
};

} // namespace

TEST_F(ZipWriterTest, StoredAndDeflatedEntriesReadBackByEveryPeer) {
    const std::string small = Source("tree/server.xml", "<Server port=\"8005\"/>\n");
    const std::string empty = Source("tree/empty.log", "");
    const std::string binary = Source("tree/rt.jar", RandomBytes(9 << 20, 1));
    const std::string text = Source("tree/index.html", Repeated(6 << 20));
    {
        TZipWriter zip(Archive(), TZipOpenMode::zoCreate);
        zip.AddFile(small, "\\tomcat\\conf\\server.xml", TZipMethod::zmStored);
        zip.AddFile(empty, "\\logs\\empty.log", TZipMethod::zmStored);
        zip.AddFile(binary, "\\jre\\lib\\rt.jar", TZipMethod::zmStored);
        zip.AddFile(text, "\\docs\\index.html", TZipMethod::zmDeflated);
        zip.AddFile(binary, "\\jre\\lib\\rt-deflated.jar", TZipMethod::zmDeflated);
        zip.AddBuffer("\\notes.txt", "kept in memory", 14, TZipMethod::zmDeflated, kArchivingTime);
        zip.Close();
        EXPECT_EQ(zip.EntryCount(), 6u);
    }
    ExpectAcceptedByPeers(Archive());

    const auto entries = List(Archive());
    ASSERT_EQ(entries.size(), 6u);
    const std::map<std::string, std::string> sources{{"\\tomcat\\conf\\server.xml", small},
                                                     {"\\logs\\empty.log", empty},
                                                     {"\\jre\\lib\\rt.jar", binary},
                                                     {"\\docs\\index.html", text},
                                                     {"\\jre\\lib\\rt-deflated.jar", binary}};
    for (const Listed& e : entries) {
        if (sources.count(e.Name)) {
            EXPECT_EQ(e.Sha1, Sha1OfFile(sources.at(e.Name))) << e.Name;
        }
    }
    EXPECT_EQ(entries[0].Method, 0);
    EXPECT_EQ(entries[0].CompressedSize, entries[0].Size);
    EXPECT_EQ(entries[3].Method, 8);
    EXPECT_LT(entries[3].CompressedSize, entries[3].Size / 4);
    EXPECT_EQ(entries[5].Size, 14u);
    EXPECT_EQ(entries[5].Time, "2024-05-06 07:08:08"); // the format keeps seconds in steps of two
}

TEST_F(ZipWriterTest, EveryNameIsUtf8FlaggedPlainAsciiToo) {
    const std::string name = "\\docs\\\xC3\x9C"
                             "bersicht \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC.txt";
    const std::string file = Source("u.txt", "umlaut");
    {
        TZipWriter zip(Archive(), TZipOpenMode::zoCreate);
        zip.AddFile(file, name, TZipMethod::zmStored);
        zip.AddFile(file, "\\plain.txt", TZipMethod::zmStored);
        zip.AddFolder("\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0\\", kArchivingTime);
    }
    ExpectAcceptedByPeers(Archive());
    const auto entries = List(Archive());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].Name, name);
    EXPECT_EQ(entries[0].Flags & 0x800, 0x800);
    EXPECT_EQ(entries[1].Name, "\\plain.txt");
    EXPECT_EQ(entries[1].Flags & 0x800, 0x800);
    EXPECT_EQ(entries[2].Name, "\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0\\");
    EXPECT_EQ(entries[2].Flags & 0x800, 0x800);
    const CommandResult sevenZip = RunCommand("LC_ALL=C.UTF-8 7z l -slt " + Quoted(Archive()));
    EXPECT_THAT(sevenZip.Output, HasSubstr("\xC3\x9C"
                                           "bersicht \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC.txt"));
}

TEST_F(ZipWriterTest, FoldersAreEmptyEntriesEndingWithABackslash) {
    {
        TZipWriter zip(Archive(), TZipOpenMode::zoCreate);
        zip.AddFolder("\\tomcat\\conf\\", kArchivingTime);
        zip.AddFolder("\\logs", kArchivingTime);
    }
    ExpectAcceptedByPeers(Archive());
    const auto entries = List(Archive());
    EXPECT_THAT(Names(entries), ElementsAre("\\tomcat\\conf\\", "\\logs\\"));
    for (const Listed& e : entries) {
        EXPECT_EQ(e.Size, 0u);
        EXPECT_EQ(e.Method, 0);
        EXPECT_EQ(e.Attributes & 0x10, 0x10u);
        EXPECT_EQ(e.Time, "2024-05-06 07:08:08");
    }
}

TEST_F(ZipWriterTest, FilesCarryTheirModificationTime) {
    const std::string file = Source("old.properties", "a=1");
    ASSERT_EQ(RunCommand("touch -d '2021-03-04 05:06:07' " + Quoted(file)).ExitCode, 0);
    const std::string ancient = Source("ancient.txt", "x");
    ASSERT_EQ(RunCommand("touch -d '1975-01-01 12:00:00' " + Quoted(ancient)).ExitCode, 0);
    {
        TZipWriter zip(Archive(), TZipOpenMode::zoCreate);
        zip.AddFile(file, "\\old.properties", TZipMethod::zmStored);
        zip.AddFile(ancient, "\\ancient.txt", TZipMethod::zmDeflated);
    }
    const auto entries = List(Archive());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Time, "2021-03-04 05:06:06");
    EXPECT_EQ(entries[1].Time, "1980-01-01 00:00:00"); // before the format's first day
}

TEST_F(ZipWriterTest, ExtendingAnArchiveKeepsItsEntries) {
    const std::string a = Source("a.txt", "first run");
    const std::string b = Source("b.bin", RandomBytes(5 << 20, 2));
    {
        TZipWriter zip(Archive(), TZipOpenMode::zoCreateOrAppend);
        zip.AddFile(a, "\\a.txt", TZipMethod::zmStored);
        zip.AddFolder("\\conf\\", kArchivingTime);
    }
    {
        TZipWriter zip(Archive(), TZipOpenMode::zoCreateOrAppend);
        EXPECT_EQ(zip.EntryCount(), 2u);
        zip.AddFile(b, "\\b.bin", TZipMethod::zmStored);
        zip.AddFile(a, "\\a.txt", TZipMethod::zmDeflated);
        zip.Close();
    }
    ExpectAcceptedByPeers(Archive());
    const auto entries = List(Archive());
    EXPECT_THAT(Names(entries), ElementsAre("\\a.txt", "\\conf\\", "\\b.bin", "\\a.txt"));
    EXPECT_EQ(entries[0].Sha1, Sha1OfFile(a));
    EXPECT_EQ(entries[2].Sha1, Sha1OfFile(b));
    EXPECT_EQ(entries[3].Sha1, Sha1OfFile(a));
}

TEST_F(ZipWriterTest, ExtendingAnArchiveOfAnotherWriterKeepsItsEntries) {
    Source("foreign/readme.txt", Repeated(100000));
    Source("foreign/lib/x.so", RandomBytes(70000, 3));
    const std::string foreign = dir_.Path("foreign.zip");
    const std::string command = "cd " + Quoted(dir_.Path("foreign")) + " && echo comment | zip -q -r -z ";
    ASSERT_EQ(RunCommand(command + Quoted(foreign) + " .").ExitCode, 0);
    {
        TZipWriter zip(foreign, TZipOpenMode::zoAppend);
        zip.AddBuffer("added.txt", "new", 3, TZipMethod::zmStored, kArchivingTime);
    }
    ExpectAcceptedByPeers(foreign);
    const auto entries = List(foreign);
    EXPECT_THAT(Names(entries), UnorderedElementsAre("lib/", "lib/x.so", "readme.txt", "added.txt"));
    EXPECT_EQ(entries.back().Name, "added.txt");
    for (const Listed& e : entries) {
        if (e.Name == "readme.txt") {
            EXPECT_EQ(e.Sha1, Sha1OfFile(dir_.Path("foreign/readme.txt")));
        }
    }
}

TEST_F(ZipWriterTest, SomethingThatIsNotAnArchiveIsNeitherExtendedNorChanged) {
    const std::string junk = RandomBytes(100000, 4) + "PK\x05\x06 broken end";
    for (const std::string& content : {junk, std::string("short"), std::string()}) {
        const std::string path = Source("not.zip", content);
        EXPECT_THROW(TZipWriter(path, TZipOpenMode::zoAppend), EZipError);
        EXPECT_EQ(ReadFile(path), content);
    }
    EXPECT_THROW(TZipWriter(dir_.Path("missing.zip"), TZipOpenMode::zoAppend), EZipError);
}
