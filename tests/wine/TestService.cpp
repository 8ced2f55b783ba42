// A real Windows service for the Wine tests. It reports its start and its stop through pending states
// with rising checkpoints, as slow services do, and appends every status it reports to a log file so
// that a test can check the sequence afterwards.
//
// Command line (the service's binary path):
//   wine_test_service.exe NAME LOGFILE STEPS STEP_MS WAIT_HINT [GATE]
// STEPS checkpoints of STEP_MS each are reported with the wait hint WAIT_HINT, before RUNNING and
// before STOPPED. With GATE, the pending states go on (checkpoints still rising) until the named event
// GATE has been signalled, so that a test can look at them without racing the service.
#include "platform/win32/UniqueAny.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

struct Options {
    std::wstring Name;
    std::wstring Log;
    DWORD Steps = 3;
    DWORD StepMs = 200;
    DWORD WaitHint = 1000;
    std::wstring Gate;
};

Options gOptions;
SERVICE_STATUS_HANDLE gStatusHandle = nullptr;
plat::win::unique_handle gStopRequested;
SERVICE_STATUS gStatus{};

constexpr DWORD kGateLimitMs = 120000;

void AppendLog(const SERVICE_STATUS& s) {
    plat::win::unique_handle f(CreateFileW(gOptions.Log.c_str(), FILE_APPEND_DATA,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!f)
        return;
    char line[64];
    int n = std::snprintf(line, sizeof line, "%lu %lu %lu\n", s.dwCurrentState, s.dwCheckPoint, s.dwWaitHint);
    DWORD written = 0;
    WriteFile(f.get(), line, static_cast<DWORD>(n), &written, nullptr);
}

void Report(DWORD state, DWORD checkPoint, DWORD waitHint) {
    gStatus.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    gStatus.dwCurrentState = state;
    gStatus.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    gStatus.dwWin32ExitCode = NO_ERROR;
    gStatus.dwCheckPoint = checkPoint;
    gStatus.dwWaitHint = waitHint;
    AppendLog(gStatus);
    SetServiceStatus(gStatusHandle, &gStatus);
}

// The gate is a manual-reset event: passing it shuts it again, so each Set opens one pending phase.
bool GateOpen(HANDLE gate) {
    return !gate || (WaitForSingleObject(gate, 0) == WAIT_OBJECT_0 && ResetEvent(gate));
}

// Reports the pending state with rising checkpoints for STEPS steps, and longer while the gate is shut.
void RunPending(DWORD state) {
    plat::win::unique_handle gate(
        gOptions.Gate.empty() ? nullptr
                              : OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, gOptions.Gate.c_str()));
    DWORD checkPoint = 1;
    DWORD waited = 0;
    for (; checkPoint <= gOptions.Steps || (!GateOpen(gate.get()) && waited < kGateLimitMs); ++checkPoint) {
        Report(state, checkPoint, gOptions.WaitHint);
        Sleep(gOptions.StepMs);
        waited += gOptions.StepMs;
    }
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        // Answered at once, as a slow service must, so that the stop request already sees the pending state.
        Report(SERVICE_STOP_PENDING, 0, gOptions.WaitHint);
        SetEvent(gStopRequested.get());
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
    gStatusHandle = RegisterServiceCtrlHandlerExW(gOptions.Name.c_str(), Handler, nullptr);
    if (!gStatusHandle)
        return;
    gStopRequested.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    RunPending(SERVICE_START_PENDING);
    Report(SERVICE_RUNNING, 0, 0);
    WaitForSingleObject(gStopRequested.get(), INFINITE);
    RunPending(SERVICE_STOP_PENDING);
    gStopRequested.reset();
    Report(SERVICE_STOPPED, 0, 0);
}

DWORD Number(const wchar_t* text) {
    return static_cast<DWORD>(std::wcstoul(text, nullptr, 10));
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 6)
        return 2;
    gOptions = {argv[1],         argv[2],         Number(argv[3]),
                Number(argv[4]), Number(argv[5]), argc > 6 ? argv[6] : L""};
    SERVICE_TABLE_ENTRYW table[] = {{gOptions.Name.data(), ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}
