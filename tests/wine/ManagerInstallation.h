#pragma once
// A Server Manager installation laid out in the Wine prefix, as the Wine tests of TFManager.exe use it:
// <root>\manager\TFManager.exe beside <root>\tomcat\conf\server.xml (the program forms its paths with
// ".."), and the program started as its user starts it.
#include "NamedService.h"
#include "WineTestSupport.h"
#include "WineWindows.h"
#include "platform/Platform.h"
#include "platform/win32/WinApi.h"
#include "ui/win32/Win32Common.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace winetest {

// Start-up of a GUI program under Wine takes seconds on a loaded machine; these limits are generous.
constexpr uint32_t StartLimitMs = 60000;
constexpr uint32_t EndLimitMs = 30000;

// A Server Manager started as a user starts it, in its own folder; one still running at the end is
// ended.
class ManagerProcess {
public:
    explicit ManagerProcess(const std::string& exe, const std::string& arguments = "") {
        std::wstring command =
            plat::win::Wide("\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments));
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const std::wstring folder = plat::win::Wide(exe.substr(0, exe.rfind('\\')));
        if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                           &pi)) {
            process_.reset(pi.hProcess);
            plat::win::unique_handle thread(pi.hThread);
            pid_ = pi.dwProcessId;
        }
    }
    ~ManagerProcess() {
        if (Running()) {
            TerminateProcess(process_.get(), 3);
            WaitForSingleObject(process_.get(), EndLimitMs);
        }
    }
    ManagerProcess(const ManagerProcess&) = delete;
    ManagerProcess& operator=(const ManagerProcess&) = delete;

    bool Started() const { return static_cast<bool>(process_); }
    bool Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }
    DWORD Pid() const { return pid_; }

    // The exit code once the process has ended within the limit.
    std::optional<DWORD> EndsWithin(uint32_t limitMs) const {
        if (!process_ || WaitForSingleObject(process_.get(), limitMs) != WAIT_OBJECT_0)
            return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

    // Waits for the end while watching whether any window of the process shows meanwhile.
    std::optional<DWORD> EndsWithin(uint32_t limitMs, bool& shown) const {
        shown = false;
        WaitUntil(
            [&] {
                shown = shown || AnyVisibleWindow(pid_);
                return !Running();
            },
            limitMs);
        return EndsWithin(0);
    }

    // The main window once it shows.
    HWND MainWindow() const {
        HWND window = nullptr;
        WaitUntil(
            [&] {
                window = VisibleTopLevel(pid_, L"TkForm");
                return window != nullptr || !Running();
            },
            StartLimitMs);
        return window;
    }

    // A form of the program with the caption given, once it shows.
    HWND FormCalled(const std::wstring& caption) const {
        return ShownWindow(pid_, L"TkForm", caption, StartLimitMs);
    }

    // A message box of the program, once it shows.
    HWND MessageBoxShown() const { return ShownWindow(pid_, L"#32770", L"", StartLimitMs); }

    // The hidden window that receives the tray icon's messages.
    HWND TrayWindow() const {
        const std::vector<HWND> found = TopLevelWindows(pid_, L"TkTrayIcon");
        return found.size() == 1 ? found[0] : nullptr;
    }

    std::wstring StatusBarText(HWND main) const {
        const std::vector<HWND> bars = Inside(main, STATUSCLASSNAMEW);
        if (bars.size() != 1)
            return L"<no status bar>";
        RemoteBuffer buffer(process_.get());
        Ask(bars[0], SB_GETTEXTW, 0, buffer.Address());
        return buffer.Text();
    }

    // Waits until the status bar shows the text; the last text seen otherwise.
    std::wstring StatusBarShows(HWND main, const std::wstring& expected, uint32_t limitMs) const {
        std::wstring seen;
        WaitUntil(
            [&] {
                seen = StatusBarText(main);
                return seen == expected;
            },
            limitMs);
        return seen;
    }

    // Opens the tray menu as a right click does and presses keys in it.
    bool ChooseFromTrayMenu(std::initializer_list<WPARAM> keys) const {
        HWND tray = TrayWindow();
        if (!tray)
            return false;
        PostMessageW(tray, ui::win32::WM_TK_TRAY, 1, WM_RBUTTONUP);
        HWND menu = nullptr;
        if (!WaitUntil([&] { return (menu = VisibleTopLevel(pid_, L"#32768")) != nullptr; }, StartLimitMs))
            return false;
        for (WPARAM key : keys)
            PostMessageW(menu, WM_KEYDOWN, key, 0);
        return true;
    }

private:
    plat::win::unique_handle process_;
    DWORD pid_ = 0;
};

// The installation with the server.xml given, in a scratch folder of the prefix; no other Server
// Manager may run in the prefix meanwhile.
class ManagerInstallation : public ::testing::Test {
protected:
    explicit ManagerInstallation(std::string serverXml) : serverXml_(std::move(serverXml)) {}

    void SetUp() override {
        if (WithoutDisplay())
            GTEST_SKIP() << "no X display: run the window tests under xvfb-run";
        plat::win::unique_handle other(OpenMutexW(SYNCHRONIZE, FALSE, L"Brackwell Server Manager"));
        ASSERT_FALSE(other) << "a Server Manager already runs in this prefix";
        ASSERT_TRUE(plat::Files().ForceDirectories(dir_.Windows("manager")));
        ASSERT_TRUE(plat::Files().CopyFile(WinePath(TFMANAGER_EXE), Exe(), false)) << TFMANAGER_EXE;
        WriteFile(ServerXml(), serverXml_);
    }

    std::string Exe() const { return dir_.Windows("manager\\TFManager.exe"); }
    std::string ServerXml() const { return dir_.Windows("tomcat\\conf\\server.xml"); }

    TempDir dir_;
    const std::string serverXml_;
};

} // namespace winetest
