#pragma once
// Helpers of the archive tests on Linux: the real archive readers installed on the
// machine (unzip, 7z, Python's zipfile), and a file system that fails on purpose.
#include "ForwardingFiles.h"
#include "TempDir.h"
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/wait.h>

namespace ziptest {

namespace fs = std::filesystem;

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

struct CommandResult {
    int ExitCode = -1;
    std::string Output;
};

inline CommandResult RunCommand(const std::string& command) {
    CommandResult r;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> buffer;
    size_t got;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        r.Output.append(buffer.data(), got);
    const int status = pclose(pipe);
    r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

inline std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\"'\"'") : std::string(1, c);
    return q + "'";
}

enum class Check { CrcAndHash, Crc, Nothing };

// Python's zipfile prints one line per entry:
// name|size|compressed size|method|flags|external attributes|y-m-d h:m:s|sha1 of the content or "-"
// and fails when a CRC is wrong, if asked to check them.
inline CommandResult PythonListing(const std::string& archive, Check check = Check::CrcAndHash) {
    const char* script = R"(
import sys, zipfile, hashlib
z = zipfile.ZipFile(sys.argv[1])
if sys.argv[2] != 'none':
    bad = z.testzip()
    if bad is not None:
        sys.exit('bad entry ' + bad)
def sha1(info):
    if sys.argv[2] != 'hash':
        return '-'
    h = hashlib.sha1()
    with z.open(info) as f:
        for block in iter(lambda: f.read(1 << 20), b''):
            h.update(block)
    return h.hexdigest()
for i in z.infolist():
    d = '%04d-%02d-%02d %02d:%02d:%02d' % i.date_time
    print('%s|%d|%d|%d|%d|%d|%s|%s' % (i.filename, i.file_size, i.compress_size, i.compress_type,
          i.flag_bits, i.external_attr, d, sha1(i)))
)";
    const char* mode = check == Check::CrcAndHash ? " hash" : check == Check::Crc ? " crc" : " none";
    // The system's interpreter, when there is one, starts much faster than a version manager's shim.
    const std::string python = fs::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    return RunCommand(python + " -c " + Quoted(script) + " " + Quoted(archive) + mode);
}

// Every reader must find the archive sound. unzip answers 1 for the backslash separators, which
// it only warns about; errors show in its text.
// Returns Python's listing.
inline CommandResult ExpectAcceptedByPeers(const std::string& archive, Check check = Check::CrcAndHash) {
    const CommandResult unzip = RunCommand("unzip -t " + Quoted(archive));
    EXPECT_TRUE(unzip.ExitCode == 0 || unzip.ExitCode == 1) << unzip.Output;
    EXPECT_NE(unzip.Output.find("No errors detected"), std::string::npos) << unzip.Output;
    const CommandResult sevenZip = RunCommand("7z t " + Quoted(archive));
    EXPECT_EQ(sevenZip.ExitCode, 0) << sevenZip.Output;
    EXPECT_NE(sevenZip.Output.find("Everything is Ok"), std::string::npos) << sevenZip.Output;
    EXPECT_EQ(sevenZip.Output.find("Warnings"), std::string::npos) << sevenZip.Output;
    const CommandResult python = PythonListing(archive, check);
    EXPECT_EQ(python.ExitCode, 0) << python.Output;
    return python;
}

inline std::string Sha1OfFile(const std::string& path) {
    return RunCommand("sha1sum " + Quoted(path)).Output.substr(0, 40);
}

// Wraps the real file system; reads of one file or writes of every file fail after a budget of
// bytes, as a disk error or a full disk would make them.
class FaultyFiles : public testsupport::ForwardingFiles {
public:
    using ForwardingFiles::ForwardingFiles;

    std::string FailReadsOf;
    uint64_t ReadBudget = 0;
    bool LimitWrites = false;
    uint64_t WriteBudget = 0;
    bool FailTruncate = false;

    std::unique_ptr<plat::IFile> Open(const std::string& path, plat::OpenMode mode) override;
};

class FaultyFile : public plat::IFile {
public:
    FaultyFile(std::unique_ptr<plat::IFile> real, FaultyFiles& owner, bool failReads)
        : real_(std::move(real)), owner_(owner), failReads_(failReads) {}

    bool Read(void* buffer, size_t size, size_t& got) override {
        if (!failReads_)
            return real_->Read(buffer, size, got);
        if (owner_.ReadBudget == 0) {
            got = 0;
            return false;
        }
        const bool ok = real_->Read(buffer, std::min<uint64_t>(size, owner_.ReadBudget), got);
        owner_.ReadBudget -= got;
        return ok;
    }
    bool Write(const void* data, size_t size) override {
        if (!owner_.LimitWrites)
            return real_->Write(data, size);
        const size_t n = std::min<uint64_t>(size, owner_.WriteBudget);
        owner_.WriteBudget -= n;
        return real_->Write(data, n) && n == size;
    }
    bool Seek(uint64_t position) override { return real_->Seek(position); }
    uint64_t Position() override { return real_->Position(); }
    uint64_t Size() override { return real_->Size(); }
    bool Truncate() override { return !owner_.FailTruncate && real_->Truncate(); }
    bool Flush() override { return real_->Flush(); }

private:
    std::unique_ptr<plat::IFile> real_;
    FaultyFiles& owner_;
    bool failReads_;
};

inline std::unique_ptr<plat::IFile> FaultyFiles::Open(const std::string& path, plat::OpenMode mode) {
    auto file = Real().Open(path, mode);
    if (!file)
        return file;
    return std::make_unique<FaultyFile>(std::move(file), *this, path == FailReadsOf);
}

} // namespace ziptest
