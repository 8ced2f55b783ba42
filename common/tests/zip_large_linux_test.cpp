// Archives past the limits of the original format: an entry over 4 GiB (from a sparse file, so the
// test needs no real data), entries beyond 4 GiB into the archive, and more than 65535 entries.
// Slow: every reader checks every byte.
#include "zip/ZipWriter.h"
#include "zip_test_support.h"

#include <gmock/gmock.h>

#include <unistd.h>

using namespace ziptest;
using ::testing::HasSubstr;

namespace {
const plat::FileTime kTime{2024, 5, 6, 7, 8, 9};
constexpr uint64_t k4GiB = uint64_t{1} << 32;

// The archive is real data, not sparse; memory takes it many times faster than a disk.
fs::path FastFolder() {
    std::error_code ec;
    const fs::space_info shm = fs::space("/dev/shm", ec);
    return !ec && shm.available > 3 * k4GiB ? fs::path("/dev/shm") : fs::temp_directory_path();
}
} // namespace

TEST(ZipLargeArchive, EntryOver4GiBAndEntriesAfterItAreReadBackByEveryPeer) {
    TempDir dir;
    TempDir fast("ziptest-", FastFolder());
    const std::string sparse = dir.Path("heap.hprof");
    WriteFile(sparse, "JAVA PROFILE 1.0.2");
    ASSERT_EQ(truncate(sparse.c_str(), k4GiB + 4096), 0);
    const std::string archive = fast.Path("large.zip");
    {
        TZipWriter zip(archive, TZipOpenMode::zoCreate);
        zip.AddBuffer("\\before.txt", "before", 6, TZipMethod::zmStored, kTime);
        zip.AddFile(sparse, "\\heap.hprof", TZipMethod::zmStored);
        zip.AddBuffer("\\after.txt", "after", 5, TZipMethod::zmDeflated, kTime);
        zip.AddFolder("\\logs\\", kTime);
        zip.Close();
    }
    const CommandResult listing = ExpectAcceptedByPeers(archive, Check::Crc);
    EXPECT_THAT(listing.Output, HasSubstr("\\heap.hprof|4294971392|4294971392|0|"));
    EXPECT_THAT(listing.Output, HasSubstr("\\after.txt|5|"));
    EXPECT_THAT(listing.Output, HasSubstr("\\logs\\|0|0|0|"));

    // Extending it reads its ZIP64 end records back.
    {
        TZipWriter zip(archive, TZipOpenMode::zoAppend);
        EXPECT_EQ(zip.EntryCount(), 4u);
        zip.AddBuffer("\\extended.txt", "again", 5, TZipMethod::zmStored, kTime);
    }
    EXPECT_THAT(PythonListing(archive, Check::Nothing).Output, HasSubstr("\\extended.txt|5|5|0|"));
}

TEST(ZipLargeArchive, MoreThan65535EntriesAreCountedInZip64Records) {
    constexpr int kEntries = 70000;
    TempDir dir;
    const std::string archive = dir.Path("many.zip");
    {
        TZipWriter zip(archive, TZipOpenMode::zoCreate);
        for (int i = 0; i < kEntries; ++i) {
            const std::string content = std::to_string(i);
            zip.AddBuffer("\\f\\" + content + ".txt", content.data(), content.size(), TZipMethod::zmStored,
                          kTime);
        }
    }
    const CommandResult listing = ExpectAcceptedByPeers(archive, Check::Crc);
    EXPECT_EQ(std::count(listing.Output.begin(), listing.Output.end(), '\n'), kEntries);
    EXPECT_THAT(listing.Output, HasSubstr("\\f\\69999.txt|5|"));

    TZipWriter zip(archive, TZipOpenMode::zoAppend);
    EXPECT_EQ(zip.EntryCount(), uint64_t{kEntries});
}
