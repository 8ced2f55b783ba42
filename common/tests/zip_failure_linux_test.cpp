// What an archive looks like after something went wrong half-way: a source that cannot be read, a
// full disk, a writer that can neither write nor cut the file any more. Whatever happens, the readers
// must find a valid archive, or the bytes of the old one must be there unchanged.
#include "zip/ZipError.h"
#include "zip/ZipWriter.h"
#include "zip_test_support.h"

#include <gmock/gmock.h>

#include <random>

using namespace ziptest;
using ::testing::HasSubstr;

namespace {

const plat::FileTime kTime{2024, 5, 6, 7, 8, 9};

std::string RandomBytes(size_t size) {
    std::mt19937 gen(7);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(gen());
    return s;
}

std::string EntryNames(const std::string& archive) {
    std::string names;
    const CommandResult listing = PythonListing(archive);
    EXPECT_EQ(listing.ExitCode, 0) << listing.Output;
    for (size_t at = 0; at < listing.Output.size();) {
        const size_t end = listing.Output.find('\n', at);
        names += listing.Output.substr(at, listing.Output.find('|', at) - at) + " ";
        at = end == std::string::npos ? listing.Output.size() : end + 1;
    }
    return names;
}

class ZipFailureTest : public ::testing::Test {
protected:
    ZipFailureTest() : files_(std::make_shared<FaultyFiles>(plat::Current().Files)) {
        WriteFile(small_, "small");
        WriteFile(big_, RandomBytes(9 << 20));
    }

    static plat::Platform Parts(std::shared_ptr<FaultyFiles> files) {
        plat::Platform parts;
        parts.Files = std::move(files);
        return parts;
    }

    std::string MakeOldArchive() {
        TZipWriter zip(archive_, TZipOpenMode::zoCreate);
        zip.AddFile(small_, "\\old.txt", TZipMethod::zmStored);
        zip.AddFolder("\\conf\\", kTime);
        zip.Close();
        return ReadFile(archive_);
    }

    TempDir dir_;
    const std::string small_ = dir_.Path("small.txt");
    const std::string big_ = dir_.Path("big.bin");
    const std::string archive_ = dir_.Path("backup.zip");
    std::shared_ptr<FaultyFiles> files_;
    plat::ScopedOverride override_{Parts(files_)};
};

} // namespace

TEST_F(ZipFailureTest, SourceThatFailsHalfWayIsLeftOutAndLaterEntriesFollow) {
    for (TZipMethod method : {TZipMethod::zmStored, TZipMethod::zmDeflated}) {
        files_->FailReadsOf = big_;
        files_->ReadBudget = 6 << 20; // past the first flush, so part of it is already on disk
        {
            TZipWriter zip(archive_, TZipOpenMode::zoCreate);
            zip.AddFile(small_, "\\before.txt", method);
            try {
                zip.AddFile(big_, "\\big.bin", method);
                ADD_FAILURE() << "a failing read must fail the add";
            } catch (const EZipError& e) {
                EXPECT_THAT(e.what(), HasSubstr("Error reading file \"" + big_ + "\""));
            }
            zip.AddFile(small_, "\\after.txt", method);
        }
        ExpectAcceptedByPeers(archive_);
        EXPECT_EQ(EntryNames(archive_), "\\before.txt \\after.txt ");
        EXPECT_LT(fs::file_size(archive_), 1000u) << "the partial entry must not stay in the file";
    }
}

TEST_F(ZipFailureTest, FileHeldOpenForWritingOrMissingIsRefusedWithItsName) {
    auto writer = plat::Files().Open(big_, plat::OpenMode::OpenExisting);
    ASSERT_TRUE(writer);
    {
        TZipWriter zip(archive_, TZipOpenMode::zoCreate);
        for (const std::string& source : {big_, dir_.Path("missing.txt"), dir_.Path()}) {
            try {
                zip.AddFile(source, "\\x", TZipMethod::zmStored);
                ADD_FAILURE() << source << " must be refused";
            } catch (const EZipError& e) {
                EXPECT_THAT(e.what(), HasSubstr("Cannot open file \"" + source + "\""));
                EXPECT_STREQ(e.ClassName(), "EZipError");
            }
        }
        zip.AddFile(small_, "\\small.txt", TZipMethod::zmStored);
    }
    ExpectAcceptedByPeers(archive_);
    EXPECT_EQ(EntryNames(archive_), "\\small.txt ");
}

TEST_F(ZipFailureTest, ErrorThatEndsTheRunStillLeavesTheEntriesBeforeIt) {
    files_->FailReadsOf = big_;
    files_->ReadBudget = 6 << 20;
    try {
        TZipWriter zip(archive_, TZipOpenMode::zoCreate);
        zip.AddFile(small_, "\\one.txt", TZipMethod::zmDeflated);
        zip.AddFile(big_, "\\big.bin", TZipMethod::zmStored);
        ADD_FAILURE() << "a failing read must fail the add";
    } catch (const EZipError&) {
    }
    ExpectAcceptedByPeers(archive_);
    EXPECT_EQ(EntryNames(archive_), "\\one.txt ");
    EXPECT_LT(fs::file_size(archive_), 1000u) << "the partial entry must not stay in the file";
}

TEST_F(ZipFailureTest, FullDiskKeepsTheEntriesCompletedBeforeIt) {
    files_->LimitWrites = true;
    files_->WriteBudget = 100 << 10;
    {
        TZipWriter zip(archive_, TZipOpenMode::zoCreate);
        zip.AddFile(small_, "\\first.txt", TZipMethod::zmStored);
        EXPECT_THROW(zip.AddFile(big_, "\\big.bin", TZipMethod::zmStored), EZipError);
        files_->LimitWrites = false; // space was freed
        zip.AddFile(small_, "\\second.txt", TZipMethod::zmStored);
        zip.Close();
    }
    ExpectAcceptedByPeers(archive_);
    EXPECT_EQ(EntryNames(archive_), "\\first.txt \\second.txt ");
}

TEST_F(ZipFailureTest, FullDiskWhileBlocksAreDeflatedOnEveryProcessorLeavesOnlyThatEntryOut) {
    files_->LimitWrites = true;
    files_->WriteBudget = 100 << 10;
    std::vector<uint64_t> progress;
    {
        TZipWriter zip(archive_, TZipOpenMode::zoCreate);
        zip.AddFile(small_, "\\first.txt", TZipMethod::zmDeflated);
        EXPECT_THROW(zip.AddFile(big_, "\\big.bin", TZipMethod::zmDeflated,
                                 [&](uint64_t consumed) { progress.push_back(consumed); }),
                     EZipError);
        files_->LimitWrites = false;
        zip.AddFile(big_, "\\again.bin", TZipMethod::zmDeflated);
        zip.Close();
    }
    ExpectAcceptedByPeers(archive_);
    EXPECT_EQ(EntryNames(archive_), "\\first.txt \\again.bin ");
    ASSERT_FALSE(progress.empty()) << "blocks were written before the disk was full";
    EXPECT_LT(progress.back(), uint64_t{9} << 20);
}

TEST_F(ZipFailureTest, FullDiskWhileExtendingGivesBackTheOldArchive) {
    const std::string before = MakeOldArchive();
    files_->LimitWrites = true;
    files_->WriteBudget = 100 << 10;
    {
        TZipWriter zip(archive_, TZipOpenMode::zoAppend);
        EXPECT_THROW(zip.AddFile(big_, "\\big.bin", TZipMethod::zmStored), EZipError);
        EXPECT_THROW(zip.Close(), EZipError);
    }
    EXPECT_EQ(ReadFile(archive_), before);
}

TEST_F(ZipFailureTest, ExtensionCutOffHalfWayLeavesTheOldArchiveRecoverable) {
    const std::string before = MakeOldArchive();
    files_->LimitWrites = true;
    files_->WriteBudget = 1 << 20;
    files_->FailTruncate = true; // as if the process died: nothing can be repaired any more
    {
        TZipWriter zip(archive_, TZipOpenMode::zoAppend);
        zip.AddFile(small_, "\\new.txt", TZipMethod::zmStored);
        EXPECT_THROW(zip.AddFile(big_, "\\big.bin", TZipMethod::zmStored), EZipError);
    }
    const std::string after = ReadFile(archive_);
    ASSERT_GT(after.size(), before.size());
    EXPECT_EQ(after.substr(0, before.size()), before) << "the old entries and directory must be untouched";
    WriteFile(dir_.Path("recovered.zip"), after.substr(0, before.size()));
    EXPECT_EQ(EntryNames(dir_.Path("recovered.zip")), "\\old.txt \\conf\\ ");
}
