#pragma once
// The Updater's process-wide logger. Every part of the Updater writes through TLogger; handlers
// decide where the lines go. The lock serialises whole lines, so the window thread and the worker
// never interleave.
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

// Lower ordinal means more important; filters compare ordinals only.
enum TLogLevel { logThrowing, logWarning, logSevere, logInfo, logFine, logFiner, logFinest };

class TLoggerHandler {
public:
    // Registers the handler with TLogger; it receives lines once it is active.
    explicit TLoggerHandler(int ALevel);
    // A destroyed handler leaves the list, so the logger never calls into freed memory.
    virtual ~TLoggerHandler();
    TLoggerHandler(const TLoggerHandler&) = delete;
    TLoggerHandler& operator=(const TLoggerHandler&) = delete;

    int Level() const { return _level; }
    void SetLevel(int ALevel) { _level = ALevel; }
    bool Active() const { return FActive; }
    void SetActive(bool AValue) { DoSetActive(AValue); }

    virtual void Notify(const std::string& AMessage) = 0;

protected:
    virtual void DoSetActive(bool AValue) = 0;

    int _level;
    bool FActive = false;
};

class TLogger {
public:
    TLogger() = delete;

    static void LogMessage(TLogLevel ALevel, const std::string& AMessage);
    static void Throwing(const std::string& AMessage) { LogMessage(logThrowing, AMessage); }
    static void Warning(const std::string& AMessage) { LogMessage(logWarning, AMessage); }
    static void Severe(const std::string& AMessage) { LogMessage(logSevere, AMessage); }
    static void Info(const std::string& AMessage) { LogMessage(logInfo, AMessage); }
    static void Fine(const std::string& AMessage) { LogMessage(logFine, AMessage); }
    static void Finer(const std::string& AMessage) { LogMessage(logFiner, AMessage); }
    static void Finest(const std::string& AMessage) { LogMessage(logFinest, AMessage); }
    // The common "fixed text with arguments" form: Fine("Old product - %s", {name}).
    static void Fine(std::string_view AFormat, std::initializer_list<std::string_view> AArgs) {
        Fine(FormatLine(AFormat, AArgs));
    }

    static void RegisterHandler(TLoggerHandler* AHandler);
    static void UnregisterHandler(TLoggerHandler* AHandler);
    static void SetMainLevel(int ALevel);
    static int GetMainLevel();

    // Replaces each "%s" or "%d" in turn by the next argument; "%%" gives "%". Missing arguments
    // leave the placeholder as it is, so a wrong call shows in the log instead of failing.
    static std::string FormatLine(std::string_view AFormat, std::initializer_list<std::string_view> AArgs);
    // "[dd.mm.yyyy hh:nn:ss.zzz] " of the current local time.
    static std::string TimeStampPrefix();
};

// "class name: message" of an error, the form in which the Updater logs and reports errors.
std::string DescribeException(const std::exception& AError);
