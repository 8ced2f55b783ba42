// Files, folder trees and named kernel objects through the Windows backends under Wine.
#include "WineTestSupport.h"
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace plat;
using winetest::ReadFileText;
using winetest::TempDir;
using winetest::WriteFileText;

void Append(const std::string& path, const std::string& text) {
    auto f = Files().Open(path, OpenMode::Append);
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->Write(text.data(), text.size()));
}

std::vector<std::string> Names(const std::string& mask) {
    std::vector<FindEntry> entries;
    Files().FindFiles(mask, entries);
    std::vector<std::string> names;
    for (const FindEntry& e : entries)
        names.push_back(e.Name);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileBackend, OpenModesCreateTruncateAppendAndKeepAsTheySay) {
    TempDir dir;
    const std::string path = dir.File("data.txt");
    EXPECT_FALSE(Files().Open(path, OpenMode::Read));
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);

    WriteFileText(path, "first version");
    WriteFileText(path, "second");
    EXPECT_EQ(ReadFileText(path), "second");
    Append(path, " + more");
    EXPECT_EQ(ReadFileText(path), "second + more");

    auto f = Files().Open(path, OpenMode::OpenOrCreate);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Size(), 13u);
    ASSERT_TRUE(f->Seek(6));
    EXPECT_EQ(f->Position(), 6u);
    ASSERT_TRUE(f->Truncate());
    f.reset();
    EXPECT_EQ(ReadFileText(path), "second");
}

TEST(FileBackend, ReadDenyWriteExcludesWriters) {
    TempDir dir;
    const std::string path = dir.File("locked.txt");
    WriteFileText(path, "x");
    {
        auto writer = Files().Open(path, OpenMode::OpenExisting);
        ASSERT_TRUE(writer);
        EXPECT_FALSE(Files().Open(path, OpenMode::ReadDenyWrite)) << "someone is writing";
    }
    auto reader = Files().Open(path, OpenMode::ReadDenyWrite);
    ASSERT_TRUE(reader);
    EXPECT_FALSE(Files().Open(path, OpenMode::Append)) << "nobody may write meanwhile";
    EXPECT_TRUE(Files().Open(path, OpenMode::Read));
}

TEST(FileBackend, SearchListsEntriesWithoutDotFoldersAndMissingMasksFail) {
    TempDir dir;
    WriteFileText(dir.File("a.log"), "12345");
    WriteFileText(dir.File("b.txt"), "");
    ASSERT_TRUE(Files().CreateDir(dir.File("sub")));

    EXPECT_EQ(Names(dir.File("*")), (std::vector<std::string>{"a.log", "b.txt", "sub"}));
    EXPECT_EQ(Names(dir.File("*.log")), std::vector<std::string>{"a.log"});
    std::vector<FindEntry> entries;
    ASSERT_TRUE(Files().FindFiles(dir.File("a.log"), entries));
    EXPECT_EQ(entries.at(0).Size, 5u);
    EXPECT_FALSE(entries.at(0).Attributes & FILE_ATTRIBUTE_DIRECTORY_);
    entries.clear();
    EXPECT_FALSE(Files().FindFiles(dir.File("missing\\*"), entries));
    EXPECT_TRUE(entries.empty());

    FindEntry attributes;
    ASSERT_TRUE(Files().GetAttributes(dir.File("sub"), attributes));
    EXPECT_TRUE(attributes.Attributes & FILE_ATTRIBUTE_DIRECTORY_);
    EXPECT_EQ(attributes.Name, "sub");
}

TEST(FileBackend, MoveAndCopyRefuseToOverwriteUnlessAsked) {
    TempDir dir;
    WriteFileText(dir.File("from"), "new");
    WriteFileText(dir.File("to"), "old");
    EXPECT_FALSE(Files().MoveFile(dir.File("from"), dir.File("to"), false));
    EXPECT_EQ(ReadFileText(dir.File("to")), "old");
    EXPECT_FALSE(Files().CopyFile(dir.File("from"), dir.File("to"), true));
    EXPECT_EQ(ReadFileText(dir.File("to")), "old");
    EXPECT_TRUE(Files().CopyFile(dir.File("from"), dir.File("copy"), true));
    EXPECT_TRUE(Files().MoveFile(dir.File("from"), dir.File("to"), true));
    EXPECT_EQ(ReadFileText(dir.File("to")), "new");
    EXPECT_FALSE(Files().FileExists(dir.File("from")));
    EXPECT_EQ(ReadFileText(dir.File("copy")), "new");
}

TEST(FolderTrees, NestedFoldersAreCreatedMovedCopiedAndDeletedWhole) {
    TempDir dir;
    const std::string deep = dir.File("a\\b\\c");
    ASSERT_TRUE(Files().ForceDirectories(deep + "\\"));
    EXPECT_TRUE(Files().DirectoryExists(deep));
    WriteFileText(deep + "\\leaf.txt", "leaf");
    EXPECT_FALSE(Files().RemoveDir(dir.File("a"))) << "not empty";

    ASSERT_TRUE(Files().MoveFile(dir.File("a"), dir.File("moved"), false));
    EXPECT_EQ(ReadFileText(dir.File("moved\\b\\c\\leaf.txt")), "leaf");

    ASSERT_TRUE(Shell().CopyTree(dir.File("moved"), dir.File("copy")));
    EXPECT_EQ(ReadFileText(dir.File("copy\\b\\c\\leaf.txt")), "leaf");
    ASSERT_TRUE(Shell().DeleteTree(dir.File("moved")));
    EXPECT_FALSE(Files().DirectoryExists(dir.File("moved")));
    EXPECT_TRUE(Files().DirectoryExists(dir.File("copy\\b\\c")));
    EXPECT_FALSE(Shell().DeleteTree(dir.File("moved"))) << "nothing left to delete";
}

TEST(NamedObjects, SecondMutexOfTheSameNameIsReportedAsExisting) {
    const std::string name = winetest::UniqueName("tk_mutex_");
    bool exists = true;
    auto first = Sync().CreateMutex(name, exists);
    ASSERT_TRUE(first);
    EXPECT_FALSE(exists);
    auto second = Sync().CreateMutex(name, exists);
    ASSERT_TRUE(second);
    EXPECT_TRUE(exists);
    first.reset();
    second.reset();
    auto again = Sync().CreateMutex(name, exists);
    EXPECT_FALSE(exists) << "the name is free once every holder has closed it";
}

TEST(NamedObjects, EventOpenedByNameSignalsItsCreatorOnce) {
    const std::string name = "Global\\" + winetest::UniqueName("tk_event_");
    EXPECT_FALSE(Sync().OpenEvent(name));
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);

    auto created = Sync().CreateEvent(name);
    ASSERT_TRUE(created);
    EXPECT_EQ(created->Wait(0), WaitResult::Timeout);
    auto opened = Sync().OpenEvent(name);
    ASSERT_TRUE(opened);
    ASSERT_TRUE(opened->Set());
    EXPECT_EQ(created->Wait(10000), WaitResult::Signaled);
    EXPECT_EQ(created->Wait(0), WaitResult::Timeout) << "the event resets itself";
}

} // namespace
