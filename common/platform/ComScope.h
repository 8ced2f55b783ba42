#pragma once
// COM for the calling thread, as a single-threaded apartment, for the scope's lifetime. The owner of a
// thread holds one at the thread's entry (the program's entry, TThread::Run), so that initialisation and
// uninitialisation come in pairs on the thread that uses COM; nothing below initialises COM on its own
// (a DOM on a thread without COM fails and says so). Without COM (Linux) it does nothing.
#include <cstdint>

namespace plat {

class ComScope {
public:
    ComScope();
    ~ComScope();
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

    // False when the thread could not enter the apartment, e.g. because it is already a multi-threaded
    // one (COM stays usable then, in that model); only a successful initialisation is undone.
    bool Initialized() const { return initialized_; }
    // The HRESULT of the initialisation (0 on Linux).
    int32_t Result() const { return result_; }

private:
    int32_t result_ = 0;
    bool initialized_ = false;
};

} // namespace plat
