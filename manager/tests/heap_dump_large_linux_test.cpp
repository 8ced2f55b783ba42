// A dump over 4 GiB is archived with ZIP64 records that every reader accepts. A sparse file stands in
// for the dump, so the test needs no real data on disk; the readers still inflate every byte (slow).
#include "../../common/tests/zip_test_support.h"
#include "HeapDumpCommand.h"
#include "heap_dump_support.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr uint64_t kDumpSize = (uint64_t{1} << 32) + 4096;

// A jcmd whose dump is a header and then holes up to the size given.
const std::string SparseJCmd = R"sh(#!/bin/sh
dump=$(printf '%s' "$3" | tr '\\' '/')
printf 'JAVA PROFILE 1.0.2' >"$dump"
truncate -s )sh" + std::to_string(kDumpSize) +
                               R"sh( "$dump"
cp --sparse=always "$dump" "$(dirname "$0")/../../kept.hprof"
)sh";

using HeapDumpOver4GiB = heaptest::HeapDumpTest;

TEST_F(HeapDumpOver4GiB, IsArchivedWithZip64RecordsThatEveryReaderAcceptsAndIsTheDumpAgain) {
    SetWebServer(4);
    InstallRuntime(SparseJCmd);
    fs::permissions(JCmdFile(), fs::perms::owner_all, fs::perm_options::add);
    std::ostringstream out, err;
    ASSERT_EQ(0, RunHeapDumpCommand({}, out, err)) << err.str();

    const std::string archive = dir.Path("temp/heapdump.zip");
    EXPECT_LT(fs::file_size(archive), uint64_t{64} << 20) << "holes deflate to almost nothing";
    const ziptest::CommandResult listing = ziptest::ExpectAcceptedByPeers(archive);
    EXPECT_THAT(listing.Output, HasSubstr("heapdump.hprof|" + std::to_string(kDumpSize) + "|"));
    EXPECT_THAT(listing.Output, HasSubstr(ziptest::Sha1OfFile(dir.Path("kept.hprof"))));
    const ziptest::CommandResult records = ziptest::RunCommand("zipinfo -v " + ziptest::Quoted(archive));
    EXPECT_THAT(records.Output, HasSubstr("ID 0x0001 (PKWARE 64-bit sizes)")) << records.Output;
}

} // namespace
