#include "platform/posix/Backends.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace plat::posix {

namespace {

// Named objects are files in one folder: a process holds an object while it holds a shared lock
// on the object's file, so "already exists" means another holder's lock is there.
std::string SyncDir() {
    const char* dir = std::getenv("TK_SIM_SYNC_DIR");
    std::string path = dir && *dir ? dir : "/tmp/tk-sim-sync";
    if (::mkdir(path.c_str(), 0777) == 0)
        ::chmod(path.c_str(), 01777); // shared by every user
    return path;
}

// "Global\Name" and "Local\Name" share one namespace here.
std::string ObjectPath(const std::string& name, const char* suffix) {
    std::string base = name;
    for (const char* prefix : {"Global\\", "Local\\"})
        if (base.rfind(prefix, 0) == 0)
            base = base.substr(std::char_traits<char>::length(prefix));
    for (char& c : base)
        if (c == '/' || c == '\\')
            c = '_';
    return SyncDir() + "/" + base + suffix;
}

class LockedFile {
public:
    LockedFile(const std::string& path, int flags) : fd_(::open(path.c_str(), flags | O_CLOEXEC, 0666)) {}
    ~LockedFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    int Get() const { return fd_; }
    bool Lock(int op) const {
        int rc;
        while ((rc = ::flock(fd_, op)) != 0 && errno == EINTR) {
        }
        return rc == 0;
    }

private:
    int fd_;
};

// Serialises the "does it exist yet?" checks of every process.
class GuardLock {
public:
    GuardLock() : file_(SyncDir() + "/.guard", O_RDWR | O_CREAT) { file_.Lock(LOCK_EX); }

private:
    LockedFile file_;
};

bool WaitUntil(uint32_t milliseconds, const std::function<bool()>& ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!ready()) {
        if (milliseconds != INFINITE_ && std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

class NamedMutex final : public INamedObject {
public:
    NamedMutex(std::unique_ptr<LockedFile> presence, std::string ownerPath)
        : presence_(std::move(presence)), ownerPath_(std::move(ownerPath)) {}

    bool Set() override {
        SetLastError(ERROR_INVALID_HANDLE_);
        return false;
    }

    // Ownership lasts until the object is destroyed, and a second wait by the owner succeeds at once.
    WaitResult Wait(uint32_t milliseconds) override {
        if (owner_)
            return WaitResult::Signaled;
        auto file = std::make_unique<LockedFile>(ownerPath_, O_RDWR | O_CREAT);
        if (file->Get() < 0)
            return WaitResult::Failed;
        if (!WaitUntil(milliseconds, [&] { return file->Lock(LOCK_EX | LOCK_NB); }))
            return WaitResult::Timeout;
        owner_ = std::move(file);
        return WaitResult::Signaled;
    }

private:
    std::unique_ptr<LockedFile> presence_;
    std::string ownerPath_;
    std::unique_ptr<LockedFile> owner_;
};

// Manual reset without a reset: the signal is a file that Set creates and every Wait sees. It lasts
// until the last holder is gone; the next creation of the event then removes it.
class NamedEvent final : public INamedObject {
public:
    NamedEvent(std::unique_ptr<LockedFile> presence, std::string signalPath)
        : presence_(std::move(presence)), signalPath_(std::move(signalPath)) {}

    bool Set() override {
        const int fd = ::open(signalPath_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return FailWithErrno();
        ::close(fd);
        return true;
    }

    WaitResult Wait(uint32_t milliseconds) override {
        return WaitUntil(milliseconds, [&] { return ::access(signalPath_.c_str(), F_OK) == 0; })
                   ? WaitResult::Signaled
                   : WaitResult::Timeout;
    }

private:
    std::unique_ptr<LockedFile> presence_;
    std::string signalPath_;
};

// Takes a holder's place on the object's file; existed tells whether another holder was there.
std::unique_ptr<LockedFile> Hold(const std::string& path, bool create, bool& existed) {
    auto file = std::make_unique<LockedFile>(path, O_RDWR | (create ? O_CREAT : 0));
    if (file->Get() < 0)
        return nullptr;
    existed = !file->Lock(LOCK_EX | LOCK_NB);
    file->Lock(LOCK_SH);
    return file;
}

class PosixSync final : public ISync {
public:
    std::unique_ptr<INamedObject> CreateMutex(const std::string& name, bool& alreadyExists) override {
        GuardLock guard;
        const std::string path = ObjectPath(name, ".mutex");
        auto presence = Hold(path, true, alreadyExists);
        if (!presence) {
            FailWithErrno();
            return nullptr;
        }
        SetLastError(alreadyExists ? 183 : 0);
        auto mutex = std::make_unique<NamedMutex>(std::move(presence), path + ".owner");
        if (!alreadyExists)
            mutex->Wait(0); // the creator owns a new mutex, as CreateMutexW with initial ownership
        return mutex;
    }

    std::unique_ptr<INamedObject> CreateEvent(const std::string& name) override {
        GuardLock guard;
        const std::string path = ObjectPath(name, ".event");
        bool existed = false;
        auto presence = Hold(path, true, existed);
        if (!presence) {
            FailWithErrno();
            return nullptr;
        }
        if (!existed)
            ::unlink((path + ".signal").c_str()); // left over from an event that has ended
        SetLastError(existed ? 183 : 0);
        return std::make_unique<NamedEvent>(std::move(presence), path + ".signal");
    }

    std::unique_ptr<INamedObject> OpenEvent(const std::string& name) override {
        GuardLock guard;
        const std::string path = ObjectPath(name, ".event");
        bool existed = false;
        auto presence = Hold(path, false, existed);
        if (!presence || !existed) { // no file, or a file that nobody holds: no such event
            SetLastError(ERROR_FILE_NOT_FOUND_);
            return nullptr;
        }
        return std::make_unique<NamedEvent>(std::move(presence), path + ".signal");
    }
};

} // namespace

std::shared_ptr<ISync> MakeSync() {
    return std::make_shared<PosixSync>();
}

} // namespace plat::posix
