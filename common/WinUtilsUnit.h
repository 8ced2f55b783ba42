#pragma once
// Service control, process and host operations shared by both programs. Nothing here raises: failures
// fold into the results (false, the stopped state, a process id of 0, the exit code 4294967295).
// The programs differ only in the TServiceUtilsSettings they choose at start-up.
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A service's dwCurrentState (1 stopped ... 7 paused) and dwStartType (2 automatic, 3 manual).
using ServiceState = uint32_t;
using ServiceStartType = uint32_t;
// Kept by the Server Manager in its status snapshot for a service that is not installed; no
// operation of TServiceUtils returns it.
constexpr ServiceState ServiceNotInstalled = static_cast<ServiceState>(-1);

// Shows a message to the user (a plain box with an OK button in the Server Manager).
using TMessageProc = std::function<void(const std::string& text)>;

struct TServiceUtilsSettings {
    // The longest single sleep while a start or stop is pending.
    uint32_t MaxPollInterval = 10000;
    // Whether a service that cannot be opened by ServiceStart or ServiceGetStartType is reported to the
    // user with the system's text for the error.
    bool ReportOpenServiceFailure = false;

    static TServiceUtilsSettings Updater() { return {10000, false}; }
    static TServiceUtilsSettings ServerManager() { return {2000, true}; }
};

// The signature ServiceStart and ServiceStop share, so a worker can be handed either one.
using TServiceFunc = bool (*)(const std::string& aServiceName, const std::string& aMachine);

class TServiceUtils {
public:
    TServiceUtils() = delete;

    // Process-wide; the Updater's rules apply until a program chooses otherwise.
    static void Configure(const TServiceUtilsSettings& settings);
    static TServiceUtilsSettings Settings();
    // Where reported failures go; empty (the default) shows nothing. It runs on the thread of the failing
    // call, often a worker, so it must hand the message to the window thread itself.
    static void SetMessageProc(TMessageProc proc);

    static bool IsServiceInstalled(const std::string& sServiceName, const std::string& sMachine = "");
    // SERVICE_STOPPED also when the state cannot be read.
    static ServiceState ServiceGetStatus(const std::string& sServiceName, const std::string& sMachine = "");
    // 0 when there is no process or it cannot be read.
    static uint32_t ServiceGetPid(const std::string& sServiceName, const std::string& sMachine = "");
    // 0 when the configuration cannot be read; callers only compare with SERVICE_AUTO_START.
    static ServiceStartType ServiceGetStartType(const std::string& sServiceName,
                                                const std::string& sMachine = "");
    static bool ServiceSetStartType(const std::string& sServiceName, uint32_t dwNewStartType,
                                    const std::string& sMachine = "");
    // True when the service was last seen running (false also when it was running already).
    static bool ServiceStart(const std::string& aServiceName, const std::string& aMachine = "");
    // True when the service was last seen stopped (true also when it was stopped already); false
    // when the service cannot be opened.
    static bool ServiceStop(const std::string& aServiceName, const std::string& aMachine = "");
};

// A callable taking one argument, used for output streamed from a child.
template <typename T> using TArg = std::function<void(T)>;

class TWinUtils {
public:
    TWinUtils() = delete;

    // Largest piece of output handed to the callback of ExecConsoleAppWithCaptureOutput at once.
    static constexpr uint32_t CaptureChunkSize = 2400;

    // Runs a console program with standard output and standard error captured into the two lists
    // (their content replaced). False when it could not be started or ran longer than WaitingTime, and
    // then the lists keep their content and a child still running is terminated.
    static bool ExecConsoleApp(const std::string& CommandLine, std::vector<std::string>& Output,
                               std::vector<std::string>& Errors,
                               const std::optional<std::string>& WorkingDir = std::nullopt,
                               uint32_t WaitingTime = plat::INFINITE_);
    // Runs a command and hands its combined output, converted from the OEM to the ANSI code page, to
    // CallBackProc in NUL-terminated chunks as it arrives. Returns when the command has ended; a command
    // that cannot be started produces no callback. An empty currentdir keeps the caller's.
    static void ExecConsoleAppWithCaptureOutput(const std::string& cmd, const std::string& currentdir,
                                                const TArg<const char*>& CallBackProc);
    // The program's exit code; 4294967295 when it could not be started or the code could not be read.
    static uint32_t WinExec32AndWait(const std::string& Cmd, int CmdShow,
                                     const std::optional<std::string>& CurrentDir = std::nullopt);
    static bool ProcessTerminate(uint32_t dwPID);
    // Every IPv4 address but 127.0.0.1, each followed by CR LF.
    static bool EnumIP(std::string& sInt);
    static std::string GetComputerNetName();
    static std::string GetSystemDir();
    static bool OpenFolderAndSelectFile(const std::string& FileName);
};

// Resolves "." and ".." parts of a Windows path, as the shell does before showing a file.
std::string CanonicalizePath(const std::string& path);

// Decodes captured bytes into lines: a UTF-8 or UTF-16 byte-order mark picks that encoding, otherwise
// the ANSI code page; a NUL ends the text; lines end at CR LF, CR or LF.
std::vector<std::string> LoadTextLines(std::string_view bytes);

// ---------------------------------------------------------------- Windows version
enum TWinVersion { wvUnknown = 0, wvNT4 = 1, wv2000 = 2, wvXP = 3, wv2003 = 4, wvVista = 5 };

// Reads the version once from the system and keeps it for the whole run; raises EOSError when the
// system refuses. Taken on first use if the program has not done so at start-up.
void TakeWinVersionSnapshot();
plat::OsVersion WinVersionSnapshot();

// The class of the snapshot, as the Updater sees it: 10.x and every version not listed is wvUnknown.
TWinVersion GetWinVersion();
