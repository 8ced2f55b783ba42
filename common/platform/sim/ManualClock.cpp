#include "platform/sim/SimServices.h"

namespace plat::sim {

namespace {

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

constexpr int64_t kMsPerDay = 86400000;

} // namespace

ManualClock::ManualClock(LocalTime start) : start_(start) {}

LocalTime ManualClock::Now() {
    std::lock_guard<std::mutex> guard(mutex_);
    const int64_t startMs = DaysFromCivil(start_.Year, start_.Month, start_.Day) * kMsPerDay +
                            ((start_.Hour * 60 + start_.Minute) * 60 + start_.Second) * 1000LL +
                            start_.Millisecond;
    const int64_t nowMs = startMs + static_cast<int64_t>(elapsed_);
    const int64_t days = nowMs / kMsPerDay;
    int64_t rest = nowMs % kMsPerDay;
    LocalTime t;
    CivilFromDays(days, t.Year, t.Month, t.Day);
    t.Hour = static_cast<int>(rest / 3600000);
    rest %= 3600000;
    t.Minute = static_cast<int>(rest / 60000);
    rest %= 60000;
    t.Second = static_cast<int>(rest / 1000);
    t.Millisecond = static_cast<int>(rest % 1000);
    return t;
}

uint64_t ManualClock::TickCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return elapsed_;
}

void ManualClock::Sleep(uint32_t milliseconds) {
    std::lock_guard<std::mutex> guard(mutex_);
    sleeps_.push_back(milliseconds);
    elapsed_ += milliseconds;
}

std::vector<uint32_t> ManualClock::Sleeps() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return sleeps_;
}

void ManualClock::Advance(uint32_t milliseconds) {
    std::lock_guard<std::mutex> guard(mutex_);
    elapsed_ += milliseconds;
}

} // namespace plat::sim
