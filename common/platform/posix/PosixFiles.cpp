#include "platform/posix/Backends.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::posix {

namespace {

constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr uint64_t kLargestImage = 256ull << 20;

bool Fail(uint32_t code) {
    SetLastError(code);
    return false;
}

bool StatPath(const std::string& nativePath, struct stat& st) {
    return ::stat(nativePath.c_str(), &st) == 0;
}

bool IsDir(const std::string& nativePath) {
    struct stat st {};
    return StatPath(nativePath, st) && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& nativePath) {
    struct stat st {};
    return StatPath(nativePath, st);
}

std::string Parent(const std::string& nativePath) {
    const size_t slash = nativePath.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : nativePath.substr(0, slash);
}

// ENOENT means "file not found" when the folder exists and "path not found" when it does not.
bool FailMissing(const std::string& nativePath) {
    const int err = errno;
    if (err == ENOENT && !IsDir(Parent(nativePath)))
        return Fail(kErrorPathNotFound);
    return Fail(Win32ErrorFromErrno(err));
}

FileTime ToFileTime(time_t t) {
    tm local{};
    ::localtime_r(&t, &local);
    return FileTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     local.tm_sec};
}

FindEntry EntryFor(const std::string& name, const struct stat& st) {
    FindEntry e;
    e.Name = name;
    if (S_ISDIR(st.st_mode)) {
        e.Attributes = FILE_ATTRIBUTE_DIRECTORY_;
    } else {
        e.Attributes = FILE_ATTRIBUTE_ARCHIVE_;
        e.Size = static_cast<uint64_t>(st.st_size);
    }
    if (!(st.st_mode & S_IWUSR))
        e.Attributes |= FILE_ATTRIBUTE_READONLY_;
    e.Modified = ToFileTime(st.st_mtime);
    return e;
}

class PosixFile final : public IFile {
public:
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile() override { ::close(fd_); }

    bool Read(void* buffer, size_t size, size_t& got) override {
        ssize_t r;
        while ((r = ::read(fd_, buffer, size)) < 0 && errno == EINTR) {
        }
        got = r > 0 ? static_cast<size_t>(r) : 0;
        return r >= 0 || FailWithErrno();
    }

    bool Write(const void* data, size_t size) override {
        const auto* p = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t w = ::write(fd_, p, size);
            if (w < 0 && errno == EINTR)
                continue;
            if (w < 0)
                return FailWithErrno();
            p += w;
            size -= static_cast<size_t>(w);
        }
        return true;
    }

    bool Seek(uint64_t position) override {
        return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) >= 0 || FailWithErrno();
    }

    uint64_t Position() override {
        const off_t at = ::lseek(fd_, 0, SEEK_CUR);
        return at < 0 ? 0 : static_cast<uint64_t>(at);
    }

    uint64_t Size() override {
        struct stat st {};
        return ::fstat(fd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }

    bool Truncate() override {
        return ::ftruncate(fd_, static_cast<off_t>(Position())) == 0 || FailWithErrno();
    }
    bool Flush() override { return ::fsync(fd_) == 0 || FailWithErrno(); }

private:
    int fd_;
};

int OpenFlags(OpenMode mode) {
    switch (mode) {
    case OpenMode::Read:
        return O_RDONLY;
    case OpenMode::CreateAlways:
        return O_RDWR | O_CREAT; // truncated once the lock is held
    case OpenMode::OpenExisting:
        return O_RDWR;
    case OpenMode::OpenOrCreate:
        return O_RDWR | O_CREAT;
    case OpenMode::Append:
        return O_WRONLY | O_CREAT | O_APPEND;
    case OpenMode::ReadDenyWrite:
        return O_RDONLY;
    }
    return O_RDONLY;
}

// The Windows share modes of the modes, as advisory locks: a writer shares with plain readers only,
// a deny-write reader with other readers only; plain readers take no lock.
int ShareLock(OpenMode mode) {
    switch (mode) {
    case OpenMode::Read:
        return 0;
    case OpenMode::ReadDenyWrite:
        return LOCK_SH;
    default:
        return LOCK_EX;
    }
}

bool CopyOneFile(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (ec)
        return Fail(Win32ErrorFromErrno(ec.value()));
    // Windows keeps the last-write time of a copied file.
    struct stat st {};
    if (StatPath(from, st)) {
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ::utimensat(AT_FDCWD, to.c_str(), times, 0);
    }
    return true;
}

// Makes a rename inside the folder durable; a folder that cannot be synced costs durability only.
void SyncFolder(const std::string& nativeFolder) {
    const int fd = ::open(nativeFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

class PosixFileSystem final : public IFileSystem {
public:
    std::unique_ptr<IFile> Open(const std::string& path, OpenMode mode) override {
        const std::string p = NativePath(path);
        if (IsDir(p)) {
            SetLastError(ERROR_ACCESS_DENIED_);
            return nullptr;
        }
        const int fd = ::open(p.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
        if (fd < 0) {
            FailMissing(p);
            return nullptr;
        }
        auto file = std::make_unique<PosixFile>(fd);
        const int lock = ShareLock(mode);
        if (lock != 0 && ::flock(fd, lock | LOCK_NB) != 0) {
            SetLastError(kErrorSharingViolation);
            return nullptr;
        }
        if (mode == OpenMode::CreateAlways && ::ftruncate(fd, 0) != 0) {
            FailWithErrno();
            return nullptr;
        }
        return file;
    }

    bool FileExists(const std::string& path) override {
        const std::string p = NativePath(path);
        return Exists(p) && !IsDir(p);
    }

    bool DirectoryExists(const std::string& path) override { return IsDir(NativePath(path)); }

    bool CreateDir(const std::string& path) override {
        const std::string p = NativePath(path);
        if (::mkdir(p.c_str(), 0777) == 0)
            return true;
        return errno == EEXIST ? Fail(kErrorAlreadyExists) : FailMissing(p);
    }

    bool ForceDirectories(const std::string& path) override {
        std::error_code ec;
        const std::string p = NativePath(path);
        std::filesystem::create_directories(p, ec);
        return IsDir(p) || Fail(ec ? Win32ErrorFromErrno(ec.value()) : kErrorAlreadyExists);
    }

    bool RemoveDir(const std::string& path) override {
        const std::string p = NativePath(path);
        return ::rmdir(p.c_str()) == 0 || FailMissing(p);
    }

    bool DeleteFile(const std::string& path) override {
        const std::string p = NativePath(path);
        if (IsDir(p))
            return Fail(ERROR_ACCESS_DENIED_);
        return ::unlink(p.c_str()) == 0 || FailMissing(p);
    }

    bool MoveFile(const std::string& from, const std::string& to, bool replaceExisting) override {
        const std::string src = NativePath(from);
        const std::string dst = NativePath(to);
        if (!Exists(src)) {
            errno = ENOENT;
            return FailMissing(src);
        }
        if (Exists(dst)) {
            // Only a file replaces a file; rename() would also silently replace an empty folder.
            if (!replaceExisting)
                return Fail(kErrorAlreadyExists);
            if (IsDir(dst) || IsDir(src))
                return Fail(ERROR_ACCESS_DENIED_);
        }
        return ::rename(src.c_str(), dst.c_str()) == 0 || FailMissing(dst);
    }

    // Owner before mode: changing the owner clears the set-id bits that the mode may carry.
    bool ReplaceFile(const std::string& replacement, const std::string& target) override {
        const std::string src = NativePath(replacement);
        const std::string dst = NativePath(target);
        struct stat kept {
        }, now{};
        if (!StatPath(dst, kept))
            return FailMissing(dst);
        if (!StatPath(src, now))
            return FailMissing(src);
        if (S_ISDIR(kept.st_mode) || S_ISDIR(now.st_mode))
            return Fail(ERROR_ACCESS_DENIED_);
        if ((now.st_uid != kept.st_uid || now.st_gid != kept.st_gid) &&
            ::chown(src.c_str(), kept.st_uid, kept.st_gid) != 0)
            return FailWithErrno();
        if (::chmod(src.c_str(), kept.st_mode & 07777) != 0 || ::rename(src.c_str(), dst.c_str()) != 0)
            return FailWithErrno();
        SyncFolder(Parent(dst));
        return true;
    }

    bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        const std::string src = NativePath(from);
        const std::string dst = NativePath(to);
        if (!Exists(src)) {
            errno = ENOENT;
            return FailMissing(src);
        }
        if (IsDir(src) || IsDir(dst))
            return Fail(ERROR_ACCESS_DENIED_);
        if (failIfExists && Exists(dst))
            return Fail(kErrorFileExists);
        return CopyOneFile(src, dst);
    }

    bool FindFiles(const std::string& mask, std::vector<FindEntry>& entries) override {
        const std::string native = NativePath(mask);
        const size_t slash = native.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
        const std::string pattern = slash == std::string::npos ? native : native.substr(slash + 1);
        DIR* d = ::opendir(dir.c_str());
        if (!d)
            return Fail(errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound
                                                            : Win32ErrorFromErrno(errno));
        std::vector<FindEntry> found;
        bool dotsMatch = false;
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (!MatchesWildcard(pattern, name))
                continue;
            if (name == "." || name == "..") {
                dotsMatch = true; // Windows lists them (callers skip them), so the search succeeds
                continue;
            }
            struct stat st {};
            if (StatPath(dir + "/" + name, st))
                found.push_back(EntryFor(name, st));
        }
        ::closedir(d);
        // NTFS returns names in order; readdir does not, so sort as NTFS would.
        std::sort(found.begin(), found.end(), [](const FindEntry& a, const FindEntry& b) {
            return std::lexicographical_compare(
                a.Name.begin(), a.Name.end(), b.Name.begin(), b.Name.end(),
                [](unsigned char x, unsigned char y) { return std::tolower(x) < std::tolower(y); });
        });
        entries.insert(entries.end(), found.begin(), found.end());
        if (found.empty() && !dotsMatch)
            return Fail(ERROR_FILE_NOT_FOUND_);
        return true;
    }

    bool GetAttributes(const std::string& path, FindEntry& entry) override {
        std::string p = NativePath(path);
        while (p.size() > 1 && p.back() == '/')
            p.pop_back();
        struct stat st {};
        if (!StatPath(p, st))
            return FailMissing(p);
        entry = EntryFor(p.substr(p.find_last_of('/') + 1), st);
        return true;
    }

    bool GetFileVersion(const std::string& path, uint32_t& ms, uint32_t& ls) override {
        auto file = Open(path, OpenMode::Read);
        if (!file)
            return false;
        const uint64_t size = file->Size();
        if (size > kLargestImage)
            return Fail(11); // ERROR_BAD_FORMAT: no program is this large
        std::vector<uint8_t> image(size);
        size_t got = 0;
        for (size_t at = 0; at < image.size(); at += got) {
            if (!file->Read(image.data() + at, image.size() - at, got))
                return false;
            if (got == 0) {
                image.resize(at);
                break;
            }
        }
        uint32_t code = 0;
        return ReadPeFileVersion(image, ms, ls, code) || Fail(code);
    }

    std::string CurrentDir() override {
        char buffer[PATH_MAX];
        return ::getcwd(buffer, sizeof buffer) ? buffer : "";
    }

    bool SetCurrentDir(const std::string& path) override {
        return ::chdir(NativePath(path).c_str()) == 0 || Fail(Win32ErrorFromErrno(errno));
    }

    std::string ModuleFileName() override {
        std::error_code ec;
        const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        return ec ? "" : exe.string();
    }
};

} // namespace

std::shared_ptr<IFileSystem> MakeFileSystem() {
    return std::make_shared<PosixFileSystem>();
}

} // namespace plat::posix
