#pragma once
// The platform layer: the small interfaces through which core code reaches the operating system.
// One process-wide Platform object holds the active backends; tests swap single parts with a
// ScopedOverride. Backends: win32/ (the real Windows API), posix/ (real Linux facilities) and sim/
// (stand-ins for what Linux lacks: the service manager and the registry).
//
// Conventions: paths are Windows-style UTF-8 texts as the programs form them; the posix backends map
// backslashes to slashes at the boundary. Operations that fail return false / 0 / nullptr and leave
// the Win32 error code of the failure in plat::LastError() of the calling thread.
#include "platform/Types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace plat {

// Thread-local last error of the platform layer (the Win32 GetLastError value of the last failure).
uint32_t LastError();
void SetLastError(uint32_t code);

// ---------------------------------------------------------------- services
struct ServiceStatus {
    uint32_t ServiceType = 0;
    uint32_t CurrentState = 0;
    uint32_t ControlsAccepted = 0;
    uint32_t Win32ExitCode = 0;
    uint32_t ServiceSpecificExitCode = 0;
    uint32_t CheckPoint = 0;
    uint32_t WaitHint = 0;
    uint32_t ProcessId = 0; // filled by QueryServiceStatusEx only
};

struct ServiceConfig {
    uint32_t ServiceType = 0;
    uint32_t StartType = 0;
    uint32_t ErrorControl = 0;
    std::string BinaryPathName;
    std::string LoadOrderGroup;
    std::string Dependencies;
    std::string ServiceStartName;
    std::string DisplayName;
};

// Mirrors the Service Control Manager calls one to one. Every handle returned must be closed with
// CloseServiceHandle (locks with UnlockServiceDatabase) by the function that opened it.
class IServiceManager {
public:
    virtual ~IServiceManager() = default;
    virtual Handle OpenSCManager(const std::string& machine, uint32_t access) = 0;
    virtual Handle OpenService(Handle scm, const std::string& name, uint32_t access) = 0;
    virtual bool CloseServiceHandle(Handle h) = 0;
    virtual bool QueryServiceStatus(Handle service, ServiceStatus& status) = 0;
    virtual bool QueryServiceStatusEx(Handle service, ServiceStatus& status) = 0;
    virtual bool QueryServiceConfig(Handle service, ServiceConfig& config) = 0;
    // ChangeServiceConfigW with SERVICE_NO_CHANGE for the service type and error control and null for
    // every text: only the start type changes.
    virtual bool ChangeServiceStartType(Handle service, uint32_t startType) = 0;
    virtual Handle LockServiceDatabase(Handle scm) = 0;
    virtual bool UnlockServiceDatabase(Handle lock) = 0;
    virtual bool StartService(Handle service) = 0;
    // Fills status also when the control is refused (as the service manager does).
    virtual bool ControlService(Handle service, uint32_t control, ServiceStatus& status) = 0;
};

// ---------------------------------------------------------------- registry
// Registry calls return the Win32 error code (0 = success). Value data is raw as Windows stores it:
// strings in UTF-16LE with their terminating NUL, DWORDs as four little-endian bytes.
class IRegistry {
public:
    virtual ~IRegistry() = default;
    virtual long OpenKey(RootKey root, const std::string& subKey, uint32_t access, Handle& key) = 0;
    virtual long CreateKey(RootKey root, const std::string& subKey, uint32_t access, Handle& key) = 0;
    virtual long QueryValue(Handle key, const std::string& name, uint32_t& type,
                            std::vector<uint8_t>& data) = 0;
    virtual long SetValue(Handle key, const std::string& name, uint32_t type,
                          const std::vector<uint8_t>& data) = 0;
    virtual long DeleteValue(Handle key, const std::string& name) = 0;
    virtual long CloseKey(Handle key) = 0;
};

// ---------------------------------------------------------------- processes
enum class StdioMode {
    None,          // nothing redirected
    SeparatePipes, // standard output and standard error each into a pipe of its own, no standard input
    CombinedPipe,  // standard output and error into one pipe; standard input is that pipe's read end
};

struct ProcessStartInfo {
    std::string CommandLine;               // Windows command line, parsed by the Windows rules
    std::optional<std::string> CurrentDir; // unset: the caller's current directory
    bool UseShowWindow = false;
    uint16_t ShowWindow = SW_SHOWNORMAL_;
    bool NewConsole = false;
    bool InheritHandles = false;
    StdioMode Stdio = StdioMode::None;
};

enum class WaitResult { Signaled, Timeout, Failed };

class IPipeReader {
public:
    virtual ~IPipeReader() = default;
    // Bytes waiting in the pipe, without removing them. False when the pipe is broken and empty.
    virtual bool Peek(uint32_t& available) = 0;
    // Blocks until at least one byte is there or the writers are gone; got == 0 at the end.
    virtual bool Read(void* buffer, uint32_t size, uint32_t& got) = 0;
};

// A started child. Destruction closes the process handle and the pipe ends.
class IProcess {
public:
    virtual ~IProcess() = default;
    virtual uint32_t Pid() const = 0;
    virtual WaitResult Wait(uint32_t milliseconds) = 0;
    virtual bool WaitForInputIdle() = 0;
    virtual bool GetExitCode(uint32_t& code) = 0;
    virtual IPipeReader* Output() = 0; // SeparatePipes: standard output; CombinedPipe: both
    virtual IPipeReader* Errors() = 0; // SeparatePipes only, else nullptr
};

class IProcesses {
public:
    virtual ~IProcesses() = default;
    virtual std::unique_ptr<IProcess> CreateProcess(const ProcessStartInfo& info) = 0;
    // Enables or disables SeDebugPrivilege on the process token; true when the last error is 0 after.
    virtual bool SetDebugPrivilege(bool enable) = 0;
    // OpenProcess(PROCESS_TERMINATE) + TerminateProcess(exitCode) + wait up to waitMs for the end.
    virtual bool TerminateProcessById(uint32_t pid, uint32_t exitCode, uint32_t waitMs) = 0;
    // The token of the calling thread (or, without one, of the process) is elevated. False when the
    // system cannot tell. The posix backend reads TK_SIM_ELEVATED: "0" is not elevated, anything else
    // (or nothing) is.
    virtual bool IsElevated() = 0;
};

// ---------------------------------------------------------------- host
struct OsVersion {
    uint32_t Major = 0;
    uint32_t Minor = 0;
    uint32_t Build = 0;
    uint32_t PlatformId = 2; // VER_PLATFORM_WIN32_NT
};

class IHost {
public:
    virtual ~IHost() = default;
    virtual std::string ComputerName() = 0;                               // "" on failure
    virtual bool Ipv4Interfaces(std::vector<std::string>& addresses) = 0; // dotted texts, system order
    virtual std::string SystemDir() = 0;                                  // no trailing backslash
    virtual bool GetVersion(OsVersion& version) = 0;                      // GetVersionExW
    virtual std::string SysErrorMessage(uint32_t code) = 0;               // the system's text for an error
    // WOW64 file-system redirection of the calling thread; a no-op where there is none.
    virtual bool DisableWow64Redirection(void*& oldValue) = 0;
    virtual bool RevertWow64Redirection(void* oldValue) = 0;
    // ExpandEnvironmentStringsW into a buffer of bufferChars characters: each %NAME% replaced by the
    // variable's value, unknown names left as written. "" when the result does not fit (the error
    // ERROR_INSUFFICIENT_BUFFER). The posix backend reads the process's environment.
    virtual std::string ExpandEnvironment(const std::string& text, uint32_t bufferChars) = 0;
    // The user's decimal separator (GetLocaleInfoW, LOCALE_SDECIMAL); "." when it cannot be read. The
    // posix backend takes the numeric locale the environment names.
    virtual std::string DecimalSeparator() = 0;
};

// ---------------------------------------------------------------- shell
class IShell {
public:
    virtual ~IShell() = default;
    virtual bool DeleteTree(const std::string& path) = 0;                      // silent, no recycle bin
    virtual bool CopyTree(const std::string& from, const std::string& to) = 0; // silent, folders created
    // ShellExecute "open", owner owning any window the shell shows (0: none).
    virtual bool OpenDocument(const std::string& fileOrUrl, Handle owner) = 0;
    virtual bool OpenFolderAndSelectFile(const std::string& fileName) = 0;
    // ShellExecuteExW "runas": the system asks for consent, owner (0: none) owns its prompt. True once
    // the new process exists. The posix backend has no prompt and starts exe with params as a child
    // that nobody waits for.
    virtual bool RunElevated(const std::string& exe, const std::string& params, Handle owner) = 0;
    // PathIsNetworkPathW: a UNC path or a mapped network drive. The default knows UNC paths only;
    // backends that can ask the system about drive letters override it.
    virtual bool IsNetworkPath(const std::string& path) {
        return path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && path[0] == path[1];
    }
};

// ---------------------------------------------------------------- files
struct FileTime { // local time
    int Year = 1980, Month = 1, Day = 1, Hour = 0, Minute = 0, Second = 0;
};

struct FindEntry {
    std::string Name; // file name only
    uint32_t Attributes = 0;
    uint64_t Size = 0;
    FileTime Modified;
};

enum class OpenMode {
    Read,          // existing file, read only; others may read and write
    CreateAlways,  // create or truncate, write
    OpenExisting,  // existing file, read and write
    OpenOrCreate,  // read and write, created when missing, not truncated
    Append,        // write at the end, created when missing
    ReadDenyWrite, // existing file, read only; fails while another holds it open for writing, and
                   // nobody may open it for writing meanwhile (FILE_SHARE_READ only)
};

class IFile {
public:
    virtual ~IFile() = default;
    virtual bool Read(void* buffer, size_t size, size_t& got) = 0;
    virtual bool Write(const void* data, size_t size) = 0;
    virtual bool Seek(uint64_t position) = 0;
    virtual uint64_t Position() = 0;
    virtual uint64_t Size() = 0;
    virtual bool Truncate() = 0; // cut the file at the current position
    virtual bool Flush() = 0;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    virtual std::unique_ptr<IFile> Open(const std::string& path, OpenMode mode) = 0;
    virtual bool FileExists(const std::string& path) = 0; // a file, not a folder
    virtual bool DirectoryExists(const std::string& path) = 0;
    virtual bool CreateDir(const std::string& path) = 0; // one level
    virtual bool ForceDirectories(const std::string& path) = 0;
    virtual bool RemoveDir(const std::string& path) = 0; // empty folder
    virtual bool DeleteFile(const std::string& path) = 0;
    // MoveFileExW: a file or a whole folder; replace only when asked; fails when the target exists.
    virtual bool MoveFile(const std::string& from, const std::string& to, bool replaceExisting) = 0;
    // ReplaceFileW: the replacement takes the place of the existing target and keeps the target's
    // permissions (its security descriptor on Windows, its mode and owner elsewhere), since the file
    // may belong to a service running as another user. A failure leaves both files as they were. The
    // default, for file systems without permissions, moves the replacement over the target.
    virtual bool ReplaceFile(const std::string& replacement, const std::string& target) {
        if (!FileExists(target)) {
            SetLastError(ERROR_FILE_NOT_FOUND_);
            return false;
        }
        return MoveFile(replacement, target, true);
    }
    virtual bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) = 0;
    // FindFirstFile/FindNextFile over a mask (folder plus wildcard); "." and ".." are not listed.
    virtual bool FindFiles(const std::string& mask, std::vector<FindEntry>& entries) = 0;
    virtual bool GetAttributes(const std::string& path, FindEntry& entry) = 0;
    // Version resource of an executable: dwFileVersionMS and dwFileVersionLS.
    virtual bool GetFileVersion(const std::string& path, uint32_t& ms, uint32_t& ls) = 0;
    virtual std::string CurrentDir() = 0;
    virtual bool SetCurrentDir(const std::string& path) = 0; // the process's current folder
    virtual std::string ModuleFileName() = 0;                // the running program's own path
};

// ---------------------------------------------------------------- named kernel objects
class INamedObject {
public:
    virtual ~INamedObject() = default;
    virtual bool Set() = 0; // events only
    virtual WaitResult Wait(uint32_t milliseconds) = 0;
};

class ISync {
public:
    virtual ~ISync() = default;
    // CreateMutexW requesting initial ownership: a new mutex is owned by its creator until the object
    // is destroyed. alreadyExists reports ERROR_ALREADY_EXISTS; the mutex is then opened, not owned.
    virtual std::unique_ptr<INamedObject> CreateMutex(const std::string& name, bool& alreadyExists) = 0;
    // CreateEventW (manual reset, created not signalled) with a null DACL so every process may signal
    // it. An existing event is opened in whatever state it has; nothing resets it, so one Set ends
    // every wait, present and later, for as long as some object holds the event.
    virtual std::unique_ptr<INamedObject> CreateEvent(const std::string& name) = 0;
    virtual std::unique_ptr<INamedObject> OpenEvent(const std::string& name) = 0;
};

// ---------------------------------------------------------------- clock
struct LocalTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

class IClock {
public:
    virtual ~IClock() = default;
    virtual LocalTime Now() = 0;
    virtual uint64_t TickCount() = 0; // milliseconds, monotonic
    virtual void Sleep(uint32_t milliseconds) = 0;
};

// ---------------------------------------------------------------- the process-wide object
struct Platform {
    std::shared_ptr<IServiceManager> Services;
    std::shared_ptr<IRegistry> Registry;
    std::shared_ptr<IProcesses> Processes;
    std::shared_ptr<IHost> Host;
    std::shared_ptr<IShell> Shell;
    std::shared_ptr<IFileSystem> Files;
    std::shared_ptr<ISync> Sync;
    std::shared_ptr<IClock> Clock;
};

// The active backends. Created on first use with the build's defaults: the win32 backends on
// Windows; on Linux the posix backends with the simulated service manager and registry.
Platform& Current();

inline IServiceManager& Services() {
    return *Current().Services;
}
inline IRegistry& Registry() {
    return *Current().Registry;
}
inline IProcesses& Processes() {
    return *Current().Processes;
}
inline IHost& Host() {
    return *Current().Host;
}
inline IShell& Shell() {
    return *Current().Shell;
}
inline IFileSystem& Files() {
    return *Current().Files;
}
inline ISync& Sync() {
    return *Current().Sync;
}
inline IClock& Clock() {
    return *Current().Clock;
}

// Replaces the given parts for the lifetime of the object (tests).
class ScopedOverride {
public:
    explicit ScopedOverride(const Platform& parts);
    ~ScopedOverride();
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    Platform saved_;
};

} // namespace plat
