#include "platform/win32/Backends.h"
#include "platform/win32/WinApi.h"
#include "text/PathText.h"

#include <utility>
#include <vector>

namespace plat::win {
namespace {

FileTime LocalFileTime(const FILETIME& utc) {
    FILETIME local{};
    SYSTEMTIME st{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

uint64_t Join(DWORD high, DWORD low) {
    return (static_cast<uint64_t>(high) << 32) | low;
}

class Win32File final : public IFile {
public:
    explicit Win32File(unique_handle h) : h_(std::move(h)) {}

    bool Read(void* buffer, size_t size, size_t& got) override {
        DWORD n = 0;
        got = 0;
        if (!ReadFile(h_.get(), buffer, static_cast<DWORD>(size), &n, nullptr))
            return Fail();
        got = n;
        return true;
    }

    bool Write(const void* data, size_t size) override {
        const auto* p = static_cast<const char*>(data);
        while (size > 0) {
            DWORD n = 0;
            if (!WriteFile(h_.get(), p, static_cast<DWORD>(size), &n, nullptr) || n == 0)
                return Fail();
            p += n;
            size -= n;
        }
        return true;
    }

    bool Seek(uint64_t position) override {
        LARGE_INTEGER to{};
        to.QuadPart = static_cast<LONGLONG>(position);
        return SetFilePointerEx(h_.get(), to, nullptr, FILE_BEGIN) || Fail();
    }

    uint64_t Position() override {
        LARGE_INTEGER zero{}, at{};
        return SetFilePointerEx(h_.get(), zero, &at, FILE_CURRENT) ? static_cast<uint64_t>(at.QuadPart) : 0;
    }

    uint64_t Size() override {
        LARGE_INTEGER size{};
        return GetFileSizeEx(h_.get(), &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    }

    bool Truncate() override { return SetEndOfFile(h_.get()) || Fail(); }
    bool Flush() override { return FlushFileBuffers(h_.get()) || Fail(); }

private:
    unique_handle h_;
};

struct OpenArgs {
    DWORD access;
    DWORD share;
    DWORD disposition;
};

OpenArgs ArgsFor(OpenMode mode) {
    constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
    switch (mode) {
    case OpenMode::Read:
        return {GENERIC_READ, shareAll, OPEN_EXISTING};
    case OpenMode::CreateAlways:
        return {GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS};
    case OpenMode::OpenExisting:
        return {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING};
    case OpenMode::OpenOrCreate:
        return {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS};
    case OpenMode::Append:
        return {GENERIC_WRITE, FILE_SHARE_READ, OPEN_ALWAYS};
    case OpenMode::ReadDenyWrite:
        return {GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING};
    }
    return {GENERIC_READ, shareAll, OPEN_EXISTING};
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesW(Wide(path).c_str());
}

bool IsDriveOrRoot(const std::string& path) {
    return path.empty() || (path.size() == 2 && path[1] == ':') || path == "\\" || path == "\\\\";
}

bool IsDotEntry(const wchar_t* name) {
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

class Win32FileSystem final : public IFileSystem {
public:
    std::unique_ptr<IFile> Open(const std::string& path, OpenMode mode) override {
        OpenArgs a = ArgsFor(mode);
        unique_handle h(CreateFileW(Wide(path).c_str(), a.access, a.share, nullptr, a.disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h) {
            Fail();
            return nullptr;
        }
        auto file = std::make_unique<Win32File>(std::move(h));
        if (mode == OpenMode::Append && !file->Seek(file->Size()))
            return nullptr;
        return file;
    }

    bool FileExists(const std::string& path) override {
        DWORD a = Attributes(path);
        return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool DirectoryExists(const std::string& path) override {
        DWORD a = Attributes(path);
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
    }

    bool CreateDir(const std::string& path) override {
        return CreateDirectoryW(Wide(path).c_str(), nullptr) || Fail();
    }

    bool ForceDirectories(const std::string& path) override {
        std::string trimmed = path;
        while (trimmed.size() > 1 && (trimmed.back() == '\\' || trimmed.back() == '/'))
            trimmed.pop_back();
        if (IsDriveOrRoot(trimmed) || DirectoryExists(trimmed))
            return true;
        std::string parent = text::FolderOf(trimmed);
        if (!parent.empty() && !ForceDirectories(parent))
            return false;
        return CreateDir(trimmed) || DirectoryExists(trimmed);
    }

    bool RemoveDir(const std::string& path) override {
        return RemoveDirectoryW(Wide(path).c_str()) || Fail();
    }

    bool DeleteFile(const std::string& path) override { return DeleteFileW(Wide(path).c_str()) || Fail(); }

    bool MoveFile(const std::string& from, const std::string& to, bool replaceExisting) override {
        DWORD flags = replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0;
        return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), flags) || Fail();
    }

    // No merge flags: a target whose security descriptor cannot be carried over stays in place.
    bool ReplaceFile(const std::string& replacement, const std::string& target) override {
        return ReplaceFileW(Wide(target).c_str(), Wide(replacement).c_str(), nullptr, 0, nullptr, nullptr) ||
               Fail();
    }

    bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), failIfExists) || Fail();
    }

    bool FindFiles(const std::string& mask, std::vector<FindEntry>& entries) override {
        WIN32_FIND_DATAW data{};
        unique_find find(FindFirstFileW(Wide(mask).c_str(), &data));
        if (!find)
            return Fail();
        do {
            if (IsDotEntry(data.cFileName))
                continue;
            entries.push_back({Narrow(data.cFileName), data.dwFileAttributes,
                               Join(data.nFileSizeHigh, data.nFileSizeLow),
                               LocalFileTime(data.ftLastWriteTime)});
        } while (FindNextFileW(find.get(), &data));
        return GetLastError() == ERROR_NO_MORE_FILES || Fail();
    }

    bool GetAttributes(const std::string& path, FindEntry& entry) override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data))
            return Fail();
        size_t cut = path.find_last_of("\\/");
        entry.Name = cut == std::string::npos ? path : path.substr(cut + 1);
        entry.Attributes = data.dwFileAttributes;
        entry.Size = Join(data.nFileSizeHigh, data.nFileSizeLow);
        entry.Modified = LocalFileTime(data.ftLastWriteTime);
        return true;
    }

    bool GetFileVersion(const std::string& path, uint32_t& ms, uint32_t& ls) override {
        std::wstring file = Wide(path);
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
        if (size == 0)
            return Fail();
        std::vector<BYTE> data(size);
        if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data()))
            return Fail();
        VS_FIXEDFILEINFO* info = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
            length < sizeof(VS_FIXEDFILEINFO)) {
            plat::SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
            return false;
        }
        ms = info->dwFileVersionMS;
        ls = info->dwFileVersionLS;
        return true;
    }

    std::string CurrentDir() override {
        DWORD n = GetCurrentDirectoryW(0, nullptr);
        std::wstring dir(n, L'\0');
        n = GetCurrentDirectoryW(n, dir.data());
        dir.resize(n);
        return Narrow(dir);
    }

    bool SetCurrentDir(const std::string& path) override {
        return SetCurrentDirectoryW(Wide(path).c_str()) || Fail();
    }

    std::string ModuleFileName() override {
        std::wstring path(MAX_PATH, L'\0');
        for (;;) {
            DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
            if (n == 0)
                return {};
            if (n < path.size()) {
                path.resize(n);
                return Narrow(path);
            }
            path.resize(path.size() * 2);
        }
    }
};

} // namespace

std::shared_ptr<IFileSystem> MakeFileSystem() {
    return std::make_shared<Win32FileSystem>();
}

} // namespace plat::win
