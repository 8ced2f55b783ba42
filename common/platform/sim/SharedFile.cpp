#include "platform/sim/SharedFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace plat::sim {

namespace {
// Paths are UTF-8 on every build; a plain std::string would mean the ANSI code page on Windows.
std::filesystem::path FsPath(const std::string& s) {
    return std::u8string(s.begin(), s.end());
}
} // namespace

#ifndef _WIN32
SharedFileLock::SharedFileLock(const std::string& path) {
    fd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
        while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
}

SharedFileLock::~SharedFileLock() {
    if (fd_ >= 0)
        ::close(fd_); // closing releases the lock
}
#else
// The Windows build runs against the real service manager and registry; its simulated parts serve
// single-process tests only, where the caller's own mutex is enough.
SharedFileLock::SharedFileLock(const std::string&) {}
SharedFileLock::~SharedFileLock() = default;
#endif

bool ReadSharedFile(const std::string& path, std::string& content) {
    std::ifstream in(FsPath(path), std::ios::binary);
    if (!in)
        return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    content = buffer.str();
    return true;
}

bool WriteSharedFile(const std::string& path, const std::string& content) {
    const auto target = FsPath(path);
    auto temp = target;
    temp += ".new";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << content;
        if (!out.flush())
            return false;
    }
    std::error_code ec;
    std::filesystem::rename(temp, target, ec);
    return !ec;
}

} // namespace plat::sim
