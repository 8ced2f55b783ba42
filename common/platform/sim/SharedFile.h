#pragma once
// A small text file that several processes of the simulated platform read and rewrite: each
// transaction holds an exclusive lock on a companion ".lock" file, and writes replace the file in one
// rename so that a reader never sees half of it.
#include <string>

namespace plat::sim {

class SharedFileLock {
public:
    explicit SharedFileLock(const std::string& path);
    ~SharedFileLock();
    SharedFileLock(const SharedFileLock&) = delete;
    SharedFileLock& operator=(const SharedFileLock&) = delete;

private:
    int fd_ = -1;
};

// False when the file does not exist or cannot be read.
bool ReadSharedFile(const std::string& path, std::string& content);
bool WriteSharedFile(const std::string& path, const std::string& content);

} // namespace plat::sim
