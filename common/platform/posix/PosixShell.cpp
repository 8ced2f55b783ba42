#include "platform/posix/Backends.h"
#include "platform/posix/Children.h"

#include <fcntl.h>
#include <filesystem>
#include <spawn.h>

extern char** environ;

namespace plat::posix {

namespace {

namespace fs = std::filesystem;

bool Fail(uint32_t code) {
    SetLastError(code);
    return false;
}

std::string Trimmed(const std::string& windowsPath) {
    std::string p = NativePath(windowsPath);
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    return p;
}

// Starts the desktop's opener for a file, folder or address and does not wait for it.
bool StartOpener(const std::string& target) {
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string program = "xdg-open";
    std::string argument = target;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return Fail(Win32ErrorFromErrno(rc));
    ForgetChild(pid);
    ReapInBackground(pid);
    return true;
}

bool IsInside(const fs::path& inner, const fs::path& outer) {
    std::error_code ec;
    const fs::path a = fs::weakly_canonical(inner, ec);
    const fs::path b = fs::weakly_canonical(outer, ec);
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai)
        if (ai == a.end() || *ai != *bi)
            return false;
    return true;
}

class PosixShell final : public IShell {
public:
    bool DeleteTree(const std::string& path) override {
        const std::string p = Trimmed(path);
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(p, ec)))
            return Fail(ERROR_FILE_NOT_FOUND_);
        fs::remove_all(p, ec);
        return !ec || Fail(Win32ErrorFromErrno(ec.value()));
    }

    // Copying into an existing folder puts the copy inside it; otherwise the target is the copy.
    bool CopyTree(const std::string& from, const std::string& to) override {
        const fs::path src = Trimmed(from);
        fs::path dst = Trimmed(to);
        std::error_code ec;
        if (!fs::exists(src, ec))
            return Fail(ERROR_FILE_NOT_FOUND_);
        if (fs::is_directory(dst, ec))
            dst /= src.filename();
        // A folder copied into itself would never end.
        if (fs::is_directory(src, ec) && IsInside(dst, src))
            return Fail(ERROR_INVALID_PARAMETER_);
        if (dst.has_parent_path())
            fs::create_directories(dst.parent_path(), ec);
        if (fs::is_directory(src, ec)) {
            fs::create_directories(dst, ec);
            fs::copy(src, dst, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        } else {
            fs::copy_file(src, dst, fs::copy_options::overwrite_existing, ec);
        }
        return !ec || Fail(Win32ErrorFromErrno(ec.value()));
    }

    bool OpenDocument(const std::string& fileOrUrl, Handle) override {
        const bool isAddress =
            fileOrUrl.find("://") != std::string::npos || fileOrUrl.rfind("mailto:", 0) == 0;
        return StartOpener(isAddress ? fileOrUrl : NativePath(fileOrUrl));
    }

    bool OpenFolderAndSelectFile(const std::string& fileName) override {
        const fs::path file = fs::path(NativePath(fileName)).lexically_normal();
        std::error_code ec;
        if (!fs::exists(file, ec))
            return Fail(ERROR_FILE_NOT_FOUND_);
        // The desktop's opener cannot select an item; showing its folder is the nearest thing.
        const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
        return StartOpener(folder.string());
    }

    // No consent prompt and no change of rights here: the program just starts again, so that runs on
    // Linux can relaunch themselves as the Windows build does. The child is reaped once it ends.
    bool RunElevated(const std::string& exe, const std::string& params, Handle) override {
        ProcessStartInfo info;
        info.CommandLine = "\"" + exe + "\"" + (params.empty() ? "" : " " + params);
        return Processes().CreateProcess(info) != nullptr;
    }
};

} // namespace

std::shared_ptr<IShell> MakeShell() {
    return std::make_shared<PosixShell>();
}

} // namespace plat::posix
