// Files, folder trees and named kernel objects through the Windows backends under Wine.
#include "WineTestSupport.h"
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace {

using namespace plat;
using winetest::ReadFile;
using winetest::TempDir;
using winetest::WriteFile;

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
    const std::string path = dir.Windows("data.txt");
    EXPECT_FALSE(Files().Open(path, OpenMode::Read));
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);

    WriteFile(path, "first version");
    WriteFile(path, "second");
    EXPECT_EQ(ReadFile(path), "second");
    Append(path, " + more");
    EXPECT_EQ(ReadFile(path), "second + more");

    auto f = Files().Open(path, OpenMode::OpenOrCreate);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Size(), 13u);
    ASSERT_TRUE(f->Seek(6));
    EXPECT_EQ(f->Position(), 6u);
    ASSERT_TRUE(f->Truncate());
    f.reset();
    EXPECT_EQ(ReadFile(path), "second");
}

TEST(FileBackend, ReadDenyWriteExcludesWriters) {
    TempDir dir;
    const std::string path = dir.Windows("locked.txt");
    WriteFile(path, "x");
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
    WriteFile(dir.Windows("a.log"), "12345");
    WriteFile(dir.Windows("b.txt"), "");
    ASSERT_TRUE(Files().CreateDir(dir.Windows("sub")));

    EXPECT_EQ(Names(dir.Windows("*")), (std::vector<std::string>{"a.log", "b.txt", "sub"}));
    EXPECT_EQ(Names(dir.Windows("*.log")), std::vector<std::string>{"a.log"});
    std::vector<FindEntry> entries;
    ASSERT_TRUE(Files().FindFiles(dir.Windows("a.log"), entries));
    EXPECT_EQ(entries.at(0).Size, 5u);
    EXPECT_FALSE(entries.at(0).Attributes & FILE_ATTRIBUTE_DIRECTORY_);
    entries.clear();
    EXPECT_FALSE(Files().FindFiles(dir.Windows("missing\\*"), entries));
    EXPECT_TRUE(entries.empty());

    FindEntry attributes;
    ASSERT_TRUE(Files().GetAttributes(dir.Windows("sub"), attributes));
    EXPECT_TRUE(attributes.Attributes & FILE_ATTRIBUTE_DIRECTORY_);
    EXPECT_EQ(attributes.Name, "sub");
}

TEST(FileBackend, MoveAndCopyRefuseToOverwriteUnlessAsked) {
    TempDir dir;
    WriteFile(dir.Windows("from"), "new");
    WriteFile(dir.Windows("to"), "old");
    EXPECT_FALSE(Files().MoveFile(dir.Windows("from"), dir.Windows("to"), false));
    EXPECT_EQ(ReadFile(dir.Windows("to")), "old");
    EXPECT_FALSE(Files().CopyFile(dir.Windows("from"), dir.Windows("to"), true));
    EXPECT_EQ(ReadFile(dir.Windows("to")), "old");
    EXPECT_TRUE(Files().CopyFile(dir.Windows("from"), dir.Windows("copy"), true));
    EXPECT_TRUE(Files().MoveFile(dir.Windows("from"), dir.Windows("to"), true));
    EXPECT_EQ(ReadFile(dir.Windows("to")), "new");
    EXPECT_FALSE(Files().FileExists(dir.Windows("from")));
    EXPECT_EQ(ReadFile(dir.Windows("copy")), "new");
}

TEST(FolderTrees, NestedFoldersAreCreatedMovedCopiedAndDeletedWhole) {
    TempDir dir;
    const std::string deep = dir.Windows("a\\b\\c");
    ASSERT_TRUE(Files().ForceDirectories(deep + "\\"));
    EXPECT_TRUE(Files().DirectoryExists(deep));
    WriteFile(deep + "\\leaf.txt", "leaf");
    EXPECT_FALSE(Files().RemoveDir(dir.Windows("a"))) << "not empty";

    ASSERT_TRUE(Files().MoveFile(dir.Windows("a"), dir.Windows("moved"), false));
    EXPECT_EQ(ReadFile(dir.Windows("moved\\b\\c\\leaf.txt")), "leaf");

    ASSERT_TRUE(Shell().CopyTree(dir.Windows("moved"), dir.Windows("copy")));
    EXPECT_EQ(ReadFile(dir.Windows("copy\\b\\c\\leaf.txt")), "leaf");
    ASSERT_TRUE(Shell().DeleteTree(dir.Windows("moved")));
    EXPECT_FALSE(Files().DirectoryExists(dir.Windows("moved")));
    EXPECT_TRUE(Files().DirectoryExists(dir.Windows("copy\\b\\c")));
    EXPECT_FALSE(Shell().DeleteTree(dir.Windows("moved"))) << "nothing left to delete";
}

// The answer of a wait made on a thread of its own (mutex ownership belongs to a thread).
WaitResult WaitOnAnotherThread(INamedObject& object) {
    WaitResult result = WaitResult::Failed;
    std::thread([&] { result = object.Wait(0); }).join();
    return result;
}

TEST(NamedObjects, TheCreatorOfAMutexOwnsItAndASecondCreationOnlyOpensIt) {
    const std::string name = winetest::UniqueName("tk_mutex_");
    bool exists = true;
    auto first = Sync().CreateMutex(name, exists);
    ASSERT_TRUE(first);
    EXPECT_FALSE(exists);
    EXPECT_EQ(WaitOnAnotherThread(*first), WaitResult::Timeout) << "owned by the creating thread";
    auto second = Sync().CreateMutex(name, exists);
    ASSERT_TRUE(second);
    EXPECT_TRUE(exists);
    first.reset();
    second.reset();
    auto again = Sync().CreateMutex(name, exists);
    EXPECT_FALSE(exists) << "the name is free once every holder has closed it";
}

// The Server Manager's close request: every running instance holds its own handle of the event.
TEST(NamedObjects, OneSignalOfAnEventEndsEveryWaiterAndStaysForLaterOpeners) {
    const std::string name = "Global\\" + winetest::UniqueName("tk_event_");
    EXPECT_FALSE(Sync().OpenEvent(name));
    EXPECT_EQ(LastError(), ERROR_FILE_NOT_FOUND_);

    auto first = Sync().CreateEvent(name);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Wait(0), WaitResult::Timeout) << "created not signalled";
    auto second = Sync().CreateEvent(name);
    ASSERT_TRUE(second);
    auto requester = Sync().OpenEvent(name);
    ASSERT_TRUE(requester);
    ASSERT_TRUE(requester->Set());
    EXPECT_EQ(first->Wait(10000), WaitResult::Signaled);
    EXPECT_EQ(second->Wait(10000), WaitResult::Signaled);
    EXPECT_EQ(first->Wait(0), WaitResult::Signaled) << "nothing resets the event";
    auto late = Sync().CreateEvent(name);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->Wait(0), WaitResult::Signaled) << "an instance started after the signal";
}

} // namespace
