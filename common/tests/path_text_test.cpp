#include "text/PathText.h"

#include <gtest/gtest.h>

namespace {

TEST(FolderOf, CutsAtTheLastSeparatorOfEitherKind) {
    EXPECT_EQ(text::FolderOf("C:\\Corvane\\bin\\Updater.exe"), "C:\\Corvane\\bin");
    EXPECT_EQ(text::FolderOf("C:\\Updater.exe"), "C:");
    EXPECT_EQ(text::FolderOf("/tmp/old\\pgsql\\bin/initdb.exe"), "/tmp/old\\pgsql\\bin");
    EXPECT_EQ(text::FolderOf("C:\\old\\sql\\"), "C:\\old\\sql") << "a folder given with its separator";
    EXPECT_EQ(text::FolderOf("\\\\server\\share"), "\\\\server");
}

TEST(FolderOf, ABareNameHasNoFolder) {
    EXPECT_EQ(text::FolderOf("Updater.exe"), "");
    EXPECT_EQ(text::FolderOf(""), "");
    EXPECT_EQ(text::FolderOf("\\Updater.exe"), "") << "the root is not a folder name";
}

} // namespace
