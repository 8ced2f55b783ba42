#include "platform/posix/Children.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <sys/wait.h>
#include <thread>

namespace plat::posix {

namespace {

struct Table {
    std::mutex Mutex;
    std::map<pid_t, uint32_t> Exited;
    std::map<pid_t, uint32_t> Terminated;
};

// Never destroyed: background reapers may still report while the process exits.
Table& Children() {
    static Table* table = new Table;
    return *table;
}

uint32_t DecodeStatus(int status) {
    if (WIFEXITED(status))
        return static_cast<uint32_t>(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return 128u + static_cast<uint32_t>(WTERMSIG(status));
    return 0;
}

void Record(Table& t, pid_t pid, int status) {
    const auto term = t.Terminated.find(pid);
    t.Exited[pid] = term != t.Terminated.end() ? term->second : DecodeStatus(status);
}

} // namespace

bool ChildEnded(pid_t pid, uint32_t& code) {
    Table& t = Children();
    std::lock_guard<std::mutex> guard(t.Mutex);
    auto it = t.Exited.find(pid);
    if (it == t.Exited.end()) {
        int status = 0;
        pid_t r;
        while ((r = waitpid(pid, &status, WNOHANG)) == -1 && errno == EINTR) {
        }
        if (r != pid)
            return false;
        Record(t, pid, status);
        it = t.Exited.find(pid);
    }
    code = it->second;
    return true;
}

void ReapInBackground(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        pid_t r;
        while ((r = waitpid(pid, &status, 0)) == -1 && errno == EINTR) {
        }
        if (r != pid)
            return;
        Table& t = Children();
        std::lock_guard<std::mutex> guard(t.Mutex);
        Record(t, pid, status);
    }).detach();
}

void ForgetChild(pid_t pid) {
    Table& t = Children();
    std::lock_guard<std::mutex> guard(t.Mutex);
    t.Exited.erase(pid);
    t.Terminated.erase(pid);
}

void SetTerminationCode(pid_t pid, uint32_t code) {
    Table& t = Children();
    std::lock_guard<std::mutex> guard(t.Mutex);
    t.Terminated[pid] = code;
}

} // namespace plat::posix
