#include "LoggerUnit.h"

#include "Errors.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

// Handlers may log from Notify (or a caller may log while formatting), so the lock is re-entrant,
// as a critical section is.
struct LoggerState {
    std::recursive_mutex Lock;
    std::vector<TLoggerHandler*> Handlers;
    int MainLevel = logFinest + 1;
};

// Created before any window or thread exists and kept until the very end of the process, so that
// handlers destroyed during static destruction still find it.
LoggerState& State() {
    static LoggerState* state = new LoggerState;
    return *state;
}

void Dispatch(TLogLevel ALevel, const std::string& line) {
    for (TLoggerHandler* handler : State().Handlers) {
        if (handler->Level() >= static_cast<int>(ALevel) && handler->Active()) {
            handler->Notify(line);
        }
    }
}

} // namespace

TLoggerHandler::TLoggerHandler(int ALevel) : _level(ALevel) {
    TLogger::RegisterHandler(this);
}

TLoggerHandler::~TLoggerHandler() {
    TLogger::UnregisterHandler(this);
}

void TLogger::LogMessage(TLogLevel ALevel, const std::string& AMessage) {
    std::lock_guard<std::recursive_mutex> guard(State().Lock);
    try {
        std::string line = TimeStampPrefix() + AMessage;
        if (static_cast<int>(ALevel) > State().MainLevel) {
            return;
        }
        Dispatch(ALevel, line);
    } catch (...) {
        // Logging never fails its caller.
    }
}

void TLogger::RegisterHandler(TLoggerHandler* AHandler) {
    std::lock_guard<std::recursive_mutex> guard(State().Lock);
    State().Handlers.push_back(AHandler);
}

void TLogger::UnregisterHandler(TLoggerHandler* AHandler) {
    std::lock_guard<std::recursive_mutex> guard(State().Lock);
    auto& handlers = State().Handlers;
    handlers.erase(std::remove(handlers.begin(), handlers.end(), AHandler), handlers.end());
}

void TLogger::SetMainLevel(int ALevel) {
    std::lock_guard<std::recursive_mutex> guard(State().Lock);
    State().MainLevel = ALevel;
}

int TLogger::GetMainLevel() {
    std::lock_guard<std::recursive_mutex> guard(State().Lock);
    return State().MainLevel;
}

std::string TLogger::FormatLine(std::string_view AFormat, std::initializer_list<std::string_view> AArgs) {
    std::string out;
    out.reserve(AFormat.size() + 64);
    auto arg = AArgs.begin();
    for (size_t i = 0; i < AFormat.size(); ++i) {
        char c = AFormat[i];
        char next = i + 1 < AFormat.size() ? AFormat[i + 1] : '\0';
        if (c == '%' && next == '%') {
            out += '%';
            ++i;
        } else if (c == '%' && (next == 's' || next == 'd') && arg != AArgs.end()) {
            out += *arg++;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

std::string TLogger::TimeStampPrefix() {
    plat::LocalTime t = plat::Clock().Now();
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "[%02d.%02d.%04d %02d:%02d:%02d.%03d] ", t.Day, t.Month, t.Year,
                  t.Hour, t.Minute, t.Second, t.Millisecond);
    return buffer;
}

std::string DescribeException(const std::exception& AError) {
    if (auto* own = dynamic_cast<const EBaseError*>(&AError)) {
        return own->Describe();
    }
    return std::string("Exception: ") + AError.what();
}
