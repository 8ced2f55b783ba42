#include "platform/posix/Backends.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace plat::posix {

namespace {

class PosixClock final : public IClock {
public:
    LocalTime Now() override {
        timespec ts{};
        ::clock_gettime(CLOCK_REALTIME, &ts);
        tm local{};
        ::localtime_r(&ts.tv_sec, &local);
        return LocalTime{local.tm_year + 1900,
                         local.tm_mon + 1,
                         local.tm_mday,
                         local.tm_hour,
                         local.tm_min,
                         local.tm_sec,
                         static_cast<int>(ts.tv_nsec / 1000000)};
    }

    uint64_t TickCount() override {
        using namespace std::chrono;
        return static_cast<uint64_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }

    void Sleep(uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

} // namespace

std::shared_ptr<IClock> MakeClock() {
    return std::make_shared<PosixClock>();
}

} // namespace plat::posix
