// Reading the directory of an archive back before adding to it. Runs in every build, on archives
// held in memory.
#include "zip/ZipDirectory.h"
#include "zip/ZipError.h"
#include "zip/ZipRecords.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zip;

namespace {

class MemoryFile : public plat::IFile {
public:
    explicit MemoryFile(Bytes data) : data_(std::move(data)) {}
    bool Read(void* buffer, size_t size, size_t& got) override {
        got = std::min<size_t>(size, data_.size() - std::min<size_t>(pos_, data_.size()));
        if (got)
            std::memcpy(buffer, data_.data() + pos_, got);
        pos_ += got;
        return true;
    }
    bool Write(const void*, size_t) override { return false; }
    bool Seek(uint64_t position) override {
        pos_ = position;
        return true;
    }
    uint64_t Position() override { return pos_; }
    uint64_t Size() override { return data_.size(); }
    bool Truncate() override { return false; }
    bool Flush() override { return true; }

private:
    Bytes data_;
    uint64_t pos_ = 0;
};

Entry MakeEntry(const std::string& name, uint64_t offset) {
    Entry e;
    e.Name = name;
    e.Size = e.CompressedSize = 10;
    e.Offset = offset;
    return e;
}

// Filler standing for the entries' data, then the directory and its end records.
Bytes Archive(const std::vector<Entry>& entries, uint64_t declared, const std::string& comment = "") {
    Bytes out(100, 'x');
    const uint64_t start = out.size();
    for (const Entry& e : entries)
        AppendCentralHeader(out, e);
    const DirectoryEnd end{declared, out.size() - start, start};
    AppendDirectoryEnd(out, end, out.size());
    out[out.size() - 2] = static_cast<uint8_t>(comment.size());
    out.insert(out.end(), comment.begin(), comment.end());
    return out;
}

ExistingDirectory Read(const Bytes& bytes) {
    MemoryFile file(bytes);
    return ReadDirectory(file, "test.zip");
}

} // namespace

TEST(ZipDirectory, ReadsBackWhatWasWrittenWithOrWithoutZip64EndRecords) {
    for (size_t count : {size_t{3}, size_t{65536}}) {
        std::vector<Entry> entries;
        for (size_t i = 0; i < count; ++i)
            entries.push_back(MakeEntry(std::to_string(i) + ".txt", i * 10));
        const Bytes bytes = Archive(entries, count, "a comment");
        const ExistingDirectory dir = Read(bytes);
        EXPECT_EQ(dir.Entries, count);
        Bytes expected;
        for (const Entry& e : entries)
            AppendCentralHeader(expected, e);
        EXPECT_EQ(dir.Records, expected);
    }
}

TEST(ZipDirectory, RefusesArchivesThatDoNotAddUp) {
    const std::vector<Entry> two{MakeEntry("a", 0), MakeEntry("b", 10)};
    EXPECT_THROW(Read(Archive(two, 3)), EZipError); // more entries declared than recorded
    EXPECT_THROW(Read(Archive(two, 1)), EZipError); // fewer

    Bytes split = Archive(two, 2);
    split[split.size() - kEndSize + 4] = 1; // another disk
    EXPECT_THROW(Read(split), EZipError);

    Bytes overlapping = Archive(two, 2);
    overlapping[overlapping.size() - kEndSize + 16] = 0xF0; // directory would run into its end record
    EXPECT_THROW(Read(overlapping), EZipError);

    Bytes truncated = Archive(two, 2);
    truncated.erase(truncated.begin() + 100, truncated.begin() + 140);
    EXPECT_THROW(Read(truncated), EZipError);

    EXPECT_THROW(Read(Bytes(10, 0)), EZipError);
}
