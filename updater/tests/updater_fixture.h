#pragma once
// Shared set-up of the Updater's tests: a temporary folder tree, the simulated service manager and
// registry, a clock that never sleeps, scripted dialogs, and helpers to read the log.
#include "LoggerUnit.h"
#include "SimWindows.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

namespace fs = std::filesystem;

using TempTree = testsupport::TempDir;

// Lines of a log file without their time-stamp prefix.
inline std::vector<std::string> LogMessages(const std::string& logText) {
    std::vector<std::string> messages;
    size_t start = 0;
    while (start < logText.size()) {
        size_t end = logText.find("\r\n[", start);
        std::string line = logText.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
            line.resize(line.size() - 2);
        }
        messages.push_back(line.size() >= 26 ? line.substr(26) : line);
        start = end == std::string::npos ? logText.size() : end + 2;
    }
    return messages;
}

// Every log line written while it lives, without the time-stamp prefix; lines may come from the
// worker thread.
class CapturedLog : public TLoggerHandler {
public:
    CapturedLog() : TLoggerHandler(logFinest) { SetActive(true); }
    void Notify(const std::string& line) override {
        std::lock_guard<std::mutex> guard(lock_);
        lines_.push_back(line.substr(line.find("] ") + 2));
    }
    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> guard(lock_);
        return lines_;
    }

protected:
    void DoSetActive(bool value) override { FActive = value; }

private:
    std::mutex lock_;
    std::vector<std::string> lines_;
};

using SimWindows = testsupport::SimWindows;

} // namespace testing_support
