#include "WinUtilsUnit.h"

#include "Errors.h"
#include "platform/PlatformHandles.h"
#include "text/TextCodec.h"

#include <algorithm>
#include <mutex>

using namespace plat;

// ================================================================ TServiceUtils
namespace {

std::mutex gSettingsMutex;
TServiceUtilsSettings gSettings = TServiceUtilsSettings::Updater();
TMessageProc gMessageProc;

Handle OpenManager(const std::string& machine, uint32_t access) {
    return Services().OpenSCManager(machine, access);
}

// Called right after a failed OpenService, while LastError() still holds its code.
void ReportOpenServiceFailure() {
    TServiceUtilsSettings settings;
    TMessageProc proc;
    {
        std::lock_guard lock(gSettingsMutex);
        settings = gSettings;
        proc = gMessageProc;
    }
    if (!settings.ReportOpenServiceFailure || !proc)
        return;
    proc(Host().SysErrorMessage(LastError()));
}

uint32_t MaxPollInterval() {
    return TServiceUtils::Settings().MaxPollInterval;
}

// Leaves status as it was when the query fails.
bool Query(Handle service, ServiceStatus& status) {
    ServiceStatus fresh;
    if (!Services().QueryServiceStatus(service, fresh))
        return false;
    status = fresh;
    return true;
}

// Queries again after the sleep; false ends the wait (failed query or a checkpoint going down), and
// then status holds the state the result is judged on.
bool QueryAfterSleep(Handle service, uint32_t sleepMs, ServiceStatus& status) {
    uint32_t checkPoint = status.CheckPoint;
    Clock().Sleep(sleepMs);
    return Query(service, status) && status.CheckPoint >= checkPoint;
}

bool IsStartPending(uint32_t state) {
    return state == SERVICE_START_PENDING_;
}

bool IsNotStopped(uint32_t state) {
    return state != SERVICE_STOPPED_;
}

// A stopping service is asked again after at least this long, even when it gives no wait hint.
constexpr uint32_t kShortestStopSleepMs = 200;

// The wait of a start or a stop: while the state is still on its way, sleep for the service's wait
// hint (within the shortest sleep and the longest poll interval) and query again. It ends early on a
// failed query or a checkpoint going down; status then holds the state the result is judged on.
void WaitWhile(Handle service, ServiceStatus& status, bool (*onItsWay)(uint32_t state),
               uint32_t shortestSleep) {
    const uint32_t longestSleep = MaxPollInterval();
    while (onItsWay(status.CurrentState)) {
        const uint32_t sleep = std::min(std::max(status.WaitHint, shortestSleep), longestSleep);
        if (!QueryAfterSleep(service, sleep, status))
            return;
    }
}

uint32_t StatusOf(const std::string& name, const std::string& machine, bool extended,
                  uint32_t ServiceStatus::*field, uint32_t fallback) {
    unique_service_handle scm(OpenManager(machine, SC_MANAGER_CONNECT_));
    if (!scm)
        return fallback;
    unique_service_handle service(Services().OpenService(scm.get(), name, SERVICE_QUERY_STATUS_));
    if (!service)
        return fallback;
    ServiceStatus status;
    bool ok = extended ? Services().QueryServiceStatusEx(service.get(), status)
                       : Services().QueryServiceStatus(service.get(), status);
    return ok ? status.*field : fallback;
}

} // namespace

void TServiceUtils::Configure(const TServiceUtilsSettings& settings) {
    std::lock_guard lock(gSettingsMutex);
    gSettings = settings;
}

TServiceUtilsSettings TServiceUtils::Settings() {
    std::lock_guard lock(gSettingsMutex);
    return gSettings;
}

void TServiceUtils::SetMessageProc(TMessageProc proc) {
    std::lock_guard lock(gSettingsMutex);
    gMessageProc = std::move(proc);
}

bool TServiceUtils::IsServiceInstalled(const std::string& sServiceName, const std::string& sMachine) {
    unique_service_handle scm(OpenManager(sMachine, SC_MANAGER_CONNECT_));
    if (!scm)
        return false;
    unique_service_handle service(Services().OpenService(scm.get(), sServiceName, SERVICE_QUERY_STATUS_));
    return static_cast<bool>(service);
}

ServiceState TServiceUtils::ServiceGetStatus(const std::string& sServiceName, const std::string& sMachine) {
    return StatusOf(sServiceName, sMachine, false, &ServiceStatus::CurrentState, SERVICE_STOPPED_);
}

uint32_t TServiceUtils::ServiceGetPid(const std::string& sServiceName, const std::string& sMachine) {
    return StatusOf(sServiceName, sMachine, true, &ServiceStatus::ProcessId, 0);
}

ServiceStartType TServiceUtils::ServiceGetStartType(const std::string& sServiceName,
                                                    const std::string& sMachine) {
    unique_service_handle scm(OpenManager(sMachine, SC_MANAGER_CONNECT_));
    if (!scm)
        return 0;
    unique_service_handle service(Services().OpenService(scm.get(), sServiceName, SERVICE_QUERY_CONFIG_));
    if (!service) {
        ReportOpenServiceFailure();
        return 0;
    }
    ServiceConfig config;
    return Services().QueryServiceConfig(service.get(), config) ? config.StartType : 0;
}

bool TServiceUtils::ServiceSetStartType(const std::string& sServiceName, uint32_t dwNewStartType,
                                        const std::string& sMachine) {
    try {
        unique_service_handle scm(OpenManager(sMachine, SC_MANAGER_CONNECT_ | SC_MANAGER_LOCK_));
        if (!scm)
            return false;
        unique_service_lock lock(Services().LockServiceDatabase(scm.get()));
        if (!lock)
            return false;
        unique_service_handle service(
            Services().OpenService(scm.get(), sServiceName, SERVICE_CHANGE_CONFIG_));
        return service && Services().ChangeServiceStartType(service.get(), dwNewStartType);
    } catch (...) {
        return false;
    }
}

bool TServiceUtils::ServiceStart(const std::string& aServiceName, const std::string& aMachine) {
    ServiceStatus status;
    status.CurrentState = SERVICE_STOPPED_;
    unique_service_handle scm(OpenManager(aMachine, SC_MANAGER_CONNECT_));
    if (!scm)
        return false;
    unique_service_handle service(
        Services().OpenService(scm.get(), aServiceName, SERVICE_START_ | SERVICE_QUERY_STATUS_));
    if (!service) {
        ReportOpenServiceFailure();
        return false;
    }
    // A refused start (the service runs already) is not followed by a query: the result stays false.
    if (Services().StartService(service.get()) && Query(service.get(), status)) {
        WaitWhile(service.get(), status, IsStartPending, 0);
    }
    return status.CurrentState == SERVICE_RUNNING_;
}

bool TServiceUtils::ServiceStop(const std::string& aServiceName, const std::string& aMachine) {
    unique_service_handle scm(OpenManager(aMachine, SC_MANAGER_CONNECT_));
    if (!scm)
        return false;
    unique_service_handle service(
        Services().OpenService(scm.get(), aServiceName, SERVICE_STOP_ | SERVICE_QUERY_STATUS_));
    if (!service)
        return false;
    // The manager fills the status also when it refuses the control, so a service that was stopped
    // already counts as stopped.
    ServiceStatus status;
    if (Services().ControlService(service.get(), SERVICE_CONTROL_STOP_, status) &&
        Query(service.get(), status)) {
        WaitWhile(service.get(), status, IsNotStopped, kShortestStopSleepMs);
    }
    return status.CurrentState == SERVICE_STOPPED_;
}

// ================================================================ TWinUtils
namespace {

constexpr uint32_t kNoExitCode = 0xFFFFFFFF;
constexpr uint32_t kPipeReadSize = 256;
// How long ExecConsoleApp waits for the child between two drains of its pipes: short enough that a
// chatty child rarely blocks on a full pipe.
constexpr uint32_t kDrainSliceMs = 20;
constexpr uint32_t kCapturePollMs = 100;
constexpr uint32_t kCaptureTailMs = 500;
constexpr uint32_t kCaptureTailPollMs = 20;
constexpr uint32_t kCaptureTailLimitMs = 10000;
constexpr uint32_t kTerminateWaitMs = 30000;

// The bytes of one of the child's output pipes, gathered while it runs and after it has ended.
class CapturedPipe {
public:
    explicit CapturedPipe(IPipeReader* reader) : reader_(reader) {}

    // Takes what is waiting without blocking.
    void Drain() {
        uint32_t available = 0;
        while (reader_ && reader_->Peek(available) && available > 0) {
            if (!ReadOnce(std::min(available, kPipeReadSize)))
                return;
        }
    }
    // Blocks until every writer has closed the pipe.
    void ReadToEnd() {
        while (reader_ && ReadOnce(kPipeReadSize)) {
        }
    }
    const std::string& Bytes() const { return bytes_; }

private:
    bool ReadOnce(uint32_t size) {
        char buffer[kPipeReadSize];
        uint32_t got = 0;
        if (!reader_->Read(buffer, size, got) || got == 0) {
            reader_ = nullptr;
            return false;
        }
        bytes_.append(buffer, got);
        return true;
    }

    IPipeReader* reader_;
    std::string bytes_;
};

// Waits for the child up to limitMs while keeping both pipes drained. The limit counts the time spent in
// the child's waits, so it holds with any clock the platform runs on.
WaitResult WaitWhileDraining(IProcess& process, uint32_t limitMs, CapturedPipe& out, CapturedPipe& err) {
    uint32_t waited = 0;
    for (;;) {
        out.Drain();
        err.Drain();
        uint32_t slice = limitMs == INFINITE_ ? kDrainSliceMs : std::min(kDrainSliceMs, limitMs - waited);
        WaitResult result = process.Wait(slice);
        if (result != WaitResult::Timeout)
            return result;
        waited += slice;
        if (limitMs != INFINITE_ && waited >= limitMs)
            return WaitResult::Timeout;
    }
}

std::string OemToAnsi(std::string_view oem) {
    std::string utf8, ansi;
    if (!text::DecodeCodePage(text::OemCodePage(), oem, utf8) ||
        !text::EncodeCodePage(text::AnsiCodePage(), utf8, ansi)) {
        return std::string(oem);
    }
    return ansi;
}

// Hands over everything waiting in the pipe, never blocking on an empty one.
void DeliverWaitingOutput(IPipeReader& pipe, const TArg<const char*>& callBack) {
    char buffer[TWinUtils::CaptureChunkSize];
    uint32_t available = 0;
    while (pipe.Peek(available) && available > 0) {
        uint32_t got = 0;
        if (!pipe.Read(buffer, std::min(available, TWinUtils::CaptureChunkSize), got) || got == 0)
            return;
        // A code page of several bytes per character may lengthen the text; the bound still holds.
        std::string converted = OemToAnsi(std::string_view(buffer, got));
        for (size_t pos = 0; pos < converted.size(); pos += TWinUtils::CaptureChunkSize) {
            std::string piece = converted.substr(pos, TWinUtils::CaptureChunkSize);
            callBack(piece.c_str());
        }
    }
}

// Captured or stored text ends at its first NUL; invalid UTF-8 behind a UTF-8 mark becomes U+FFFD
// instead of passing on.
std::string DecodeCaptured(std::string_view bytes) {
    std::string text = text::DecodeWithByteOrderMark(bytes);
    text.resize(std::min(text.size(), text.find('\0')));
    return text::IsValidUtf8(text) ? text : text::Utf16ToUtf8(text::Utf8ToUtf16(text));
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

} // namespace

std::vector<std::string> LoadTextLines(std::string_view bytes) {
    return SplitLines(DecodeCaptured(bytes));
}

bool TWinUtils::ExecConsoleApp(const std::string& CommandLine, std::vector<std::string>& Output,
                               std::vector<std::string>& Errors, const std::optional<std::string>& WorkingDir,
                               uint32_t WaitingTime) {
    ProcessStartInfo info;
    info.CommandLine = CommandLine;
    info.CurrentDir = WorkingDir;
    info.UseShowWindow = true;
    info.ShowWindow = SW_HIDE_;
    info.NewConsole = true;
    info.InheritHandles = true;
    info.Stdio = StdioMode::SeparatePipes;
    std::unique_ptr<IProcess> process = Processes().CreateProcess(info);
    if (!process)
        return false;

    CapturedPipe out(process->Output());
    CapturedPipe err(process->Errors());
    if (WaitWhileDraining(*process, WaitingTime, out, err) != WaitResult::Signaled) {
        ProcessTerminate(process->Pid());
        return false;
    }
    out.ReadToEnd();
    err.ReadToEnd();
    Output = LoadTextLines(out.Bytes());
    Errors = LoadTextLines(err.Bytes());
    return true;
}

void TWinUtils::ExecConsoleAppWithCaptureOutput(const std::string& cmd, const std::string& currentdir,
                                                const TArg<const char*>& CallBackProc) {
    ProcessStartInfo info;
    info.CommandLine = cmd;
    if (!currentdir.empty())
        info.CurrentDir = currentdir;
    info.UseShowWindow = true;
    info.ShowWindow = SW_HIDE_;
    info.InheritHandles = true;
    info.Stdio = StdioMode::CombinedPipe;
    std::unique_ptr<IProcess> process = Processes().CreateProcess(info);
    if (!process || !process->Output())
        return;

    WaitResult result;
    do {
        result = process->Wait(kCapturePollMs);
        DeliverWaitingOutput(*process->Output(), CallBackProc);
    } while (result == WaitResult::Timeout);

    // After the end, output written just before it may still be on its way: read on until every writer
    // has closed the pipe. A program the script left running may hold it open, so a short quiet spell
    // ends the wait too, and one that keeps writing is not followed for long.
    const uint64_t ended = Clock().TickCount();
    uint64_t quietSince = ended;
    uint32_t available = 0;
    while (process->Output()->Peek(available) && Clock().TickCount() - ended < kCaptureTailLimitMs) {
        if (available > 0) {
            DeliverWaitingOutput(*process->Output(), CallBackProc);
            quietSince = Clock().TickCount();
        } else if (Clock().TickCount() - quietSince >= kCaptureTailMs) {
            break;
        } else {
            Clock().Sleep(kCaptureTailPollMs);
        }
    }
}

uint32_t TWinUtils::WinExec32AndWait(const std::string& Cmd, int CmdShow,
                                     const std::optional<std::string>& CurrentDir) {
    ProcessStartInfo info;
    info.CommandLine = Cmd;
    info.CurrentDir = CurrentDir;
    info.UseShowWindow = true;
    info.ShowWindow = static_cast<uint16_t>(CmdShow);
    std::unique_ptr<IProcess> process = Processes().CreateProcess(info);
    if (!process)
        return kNoExitCode;

    process->WaitForInputIdle();
    uint32_t code = kNoExitCode;
    if (process->Wait(INFINITE_) == WaitResult::Signaled && !process->GetExitCode(code))
        code = kNoExitCode;
    return code;
}

// The debug privilege is needed only for other users' processes; a process without it can still end
// its own children, so its absence does not stop the attempt.
bool TWinUtils::ProcessTerminate(uint32_t dwPID) {
    bool privileged = Processes().SetDebugPrivilege(true);
    bool terminated = Processes().TerminateProcessById(dwPID, kNoExitCode, kTerminateWaitMs);
    if (privileged)
        Processes().SetDebugPrivilege(false);
    return terminated;
}

bool TWinUtils::EnumIP(std::string& sInt) {
    sInt.clear();
    std::vector<std::string> addresses;
    bool listed = Host().Ipv4Interfaces(addresses);
    for (const std::string& address : addresses) {
        if (address != "127.0.0.1")
            sInt += address + "\r\n";
    }
    return listed;
}

std::string TWinUtils::GetComputerNetName() {
    return Host().ComputerName();
}

std::string TWinUtils::GetSystemDir() {
    return Host().SystemDir();
}

bool TWinUtils::OpenFolderAndSelectFile(const std::string& FileName) {
    return Shell().OpenFolderAndSelectFile(CanonicalizePath(FileName));
}

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// "\\server", "C:\", "C:" or a leading separator: the part ".." never climbs above.
size_t RootLength(const std::string& path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]))
        return 2;
    if (path.size() >= 2 && path[1] == ':')
        return path.size() > 2 && IsSeparator(path[2]) ? 3 : 2;
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

} // namespace

std::string CanonicalizePath(const std::string& path) {
    const size_t rootLength = RootLength(path);
    std::vector<std::string> parts;
    size_t start = rootLength;
    for (size_t i = rootLength; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i]))
            continue;
        std::string part = path.substr(start, i - start);
        start = i + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(std::move(part));
    }
    std::string result = path.substr(0, rootLength);
    for (size_t i = 0; i < parts.size(); ++i)
        result += (i ? "\\" : "") + parts[i];
    if (!parts.empty() && IsSeparator(path.back()))
        result += '\\';
    return result;
}

// ================================================================ Windows version
namespace {
std::mutex gVersionMutex;
std::optional<OsVersion> gVersion;
} // namespace

void TakeWinVersionSnapshot() {
    OsVersion version;
    if (!Host().GetVersion(version)) {
        uint32_t code = LastError();
        throw EOSError(code,
                       "System Error. Code: " + std::to_string(code) + ". " + Host().SysErrorMessage(code));
    }
    std::lock_guard lock(gVersionMutex);
    gVersion = version;
}

OsVersion WinVersionSnapshot() {
    {
        std::lock_guard lock(gVersionMutex);
        if (gVersion)
            return *gVersion;
    }
    TakeWinVersionSnapshot();
    std::lock_guard lock(gVersionMutex);
    return *gVersion;
}

TWinVersion GetWinVersion() {
    OsVersion version = WinVersionSnapshot();
    switch (version.Major) {
    case 4:
        return wvNT4;
    case 5:
        switch (version.Minor) {
        case 0:
            return wv2000;
        case 1:
            return wvXP;
        case 2:
            return wv2003;
        default:
            return wvUnknown;
        }
    case 6:
        return wvVista;
    default:
        return wvUnknown;
    }
}
