// TFManager.exe as its administrator meets it under Wine: an installation laid out in the prefix, the
// tests' own service registered as "Tomcat9" and "pgsql", and the program judged only by what another
// process sees of it: its windows and their texts, its tray icon, its exit codes and its files.
#include "ManagerInstallation.h"
#include "WinUtilsUnit.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <vector>

namespace {

namespace win = plat::win;
using namespace winetest;

// The program polls every second here (RefreshTime 1): a change must show within one poll, a pause of
// 150 ms and a hand-off. The limit stays below the 5 seconds of the default interval, so a program
// that ignored the registry value would miss it.
constexpr uint32_t FollowLimitMs = 4000;

constexpr const wchar_t* Caption = L"Tallyfix Server Manager";
const std::string SettingsKey = "SOFTWARE\\Pendrow\\ServiceManager";
const std::string CloseEventName = "Global\\BrackwellEventStopSvcMgr";
const std::wstring RunningText = L"Tallyfix is running on ports: 8080 (HTTP), 8443 (HTTPS)";

bool TrayIconPresent(HWND tray) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = tray;
    data.uID = 1;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

std::vector<std::wstring> Lines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void SetRefreshTime(DWORD seconds) {
    win::unique_hkey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, win::Wide(SettingsKey).c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key.get(), L"RefreshTime", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seconds),
                             sizeof seconds),
              ERROR_SUCCESS);
}

// The file version as the system's own reader finds it in the program's US English block.
std::wstring SystemFileVersion(const std::string& exe) {
    const std::wstring file = win::Wide(exe);
    DWORD ignored = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(file.c_str(), &ignored));
    wchar_t* text = nullptr;
    UINT length = 0;
    if (data.empty() || !GetFileVersionInfoW(file.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
        !VerQueryValueW(data.data(), L"\\StringFileInfo\\040904E4\\FileVersion",
                        reinterpret_cast<void**>(&text), &length) ||
        !text)
        return L"";
    return text;
}

// The buttons of the selected service, left to right: start, stop, restart.
std::vector<HWND> ServiceButtons(HWND main) {
    HWND startLabel = InsideWithText(main, L"Static", L"Start");
    if (!startLabel)
        return {};
    std::vector<HWND> buttons = Inside(GetParent(startLabel), L"Button");
    auto leftOf = [](HWND w) {
        RECT r{};
        GetWindowRect(w, &r);
        return r.left;
    };
    std::sort(buttons.begin(), buttons.end(), [&](HWND a, HWND b) { return leftOf(a) < leftOf(b); });
    return buttons;
}

// A message box of the process is showing (the dialog class).
bool AnyMessageBox(DWORD pid) {
    return VisibleTopLevel(pid, L"#32770") != nullptr;
}

// The installation with both services running and a poll every second.
class ManagerOnWine : public ManagerInstallation {
protected:
    ManagerOnWine()
        : ManagerInstallation(
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<Server port=\"8005\" shutdown=\"SHUTDOWN\">\r\n"
              "  <Service name=\"Catalina\">\r\n"
              "    <Connector port=\"8080\" protocol=\"HTTP/1.1\" redirectPort=\"8443\"/>\r\n"
              "    <Connector port=\"8443\" scheme=\"https\" secure=\"true\" SSLEnabled=\"true\"/>\r\n"
              "    <Connector port=\"8009\" protocol=\"AJP/1.3\" redirectPort=\"8443\"/>\r\n"
              "  </Service>\r\n"
              "</Server>\r\n") {}

    void SetUp() override {
        ManagerInstallation::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_NO_FATAL_FAILURE(SetRefreshTime(1));
        tomcat_ = std::make_unique<NamedService>("Tomcat9", dir_.Windows("tomcat9.log"));
        pgsql_ = std::make_unique<NamedService>("pgsql", dir_.Windows("pgsql.log"));
        ASSERT_TRUE(tomcat_->Ready());
        ASSERT_TRUE(pgsql_->Ready());
    }

    void TearDown() override {
        win::unique_hkey key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, win::Wide(SettingsKey).c_str(), 0, KEY_SET_VALUE, key.put()) ==
            ERROR_SUCCESS)
            RegDeleteValueW(key.get(), L"RefreshTime");
    }

    std::string Template() const { return dir_.Windows("manager\\temp.lng"); }

    std::unique_ptr<NamedService> tomcat_;
    std::unique_ptr<NamedService> pgsql_;
};

TEST_F(ManagerOnWine, ItShowsTheHostAndBothServicesAndItsStatusBarFollowsTheWebServer) {
    ManagerProcess manager(Exe());
    ASSERT_TRUE(manager.Started());
    HWND main = manager.MainWindow();
    ASSERT_NE(main, nullptr) << "no main window; the program " << (manager.Running() ? "runs" : "ended");
    EXPECT_EQ(TextOf(main), Caption);
    EXPECT_EQ(GetWindowLongPtrW(main, GWL_STYLE) &
                  (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              WS_SYSMENU)
        << "a fixed border with only the close box";

    HWND tray = manager.TrayWindow();
    ASSERT_NE(tray, nullptr) << "the tray icon's window";
    EXPECT_TRUE(WaitUntil([&] { return TrayIconPresent(tray); }, StartLimitMs)) << "the icon is registered";

    // The host: its name and its addresses other than the loopback one.
    wchar_t computer[256] = {};
    DWORD size = 256;
    ASSERT_TRUE(GetComputerNameW(computer, &size));
    HWND host = nullptr, addresses = nullptr;
    for (HWND edit : Inside(main, L"Edit"))
        ((GetWindowLongPtrW(edit, GWL_STYLE) & ES_MULTILINE) ? addresses : host) = edit;
    ASSERT_NE(host, nullptr);
    ASSERT_NE(addresses, nullptr);
    EXPECT_EQ(TextOf(host), computer);
    std::string hostAddresses;
    TWinUtils::EnumIP(hostAddresses);
    EXPECT_EQ(Lines(TextOf(addresses)), Lines(win::Wide(hostAddresses)));
    EXPECT_FALSE(Lines(TextOf(addresses)).empty()) << "this machine has an address besides the loopback";
    EXPECT_EQ(GetWindowLongPtrW(addresses, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL), 0)
        << "the addresses are plain text, without scroll bars beside them";

    // Both services in the list, read as a screen reader reads them.
    const std::vector<HWND> lists = Inside(main, L"ListBox");
    ASSERT_EQ(lists.size(), 1u);
    HWND list = lists[0];
    ASSERT_EQ(Ask(list, LB_GETCOUNT), 2);
    for (const auto& [index, name] : {std::pair{0, L"Tallyfix Server"}, std::pair{1, L"PostgreSQL Server"}}) {
        wchar_t item[128] = {};
        Ask(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(item));
        EXPECT_STREQ(item, name);
    }
    EXPECT_EQ(Ask(list, LB_GETCURSEL), 0) << "the web server is selected";
    EXPECT_NE(InsideWithText(main, L"Button", L"Backup Data"), nullptr)
        << "Wine's programs are elevated: the backup command, not Admin Mode";

    const std::vector<HWND> buttons = ServiceButtons(main);
    ASSERT_EQ(buttons.size(), 3u);
    auto enabled = [&] {
        return std::vector<bool>{IsWindowEnabled(buttons[0]) != FALSE, IsWindowEnabled(buttons[1]) != FALSE,
                                 IsWindowEnabled(buttons[2]) != FALSE};
    };

    EXPECT_EQ(manager.StatusBarShows(main, RunningText, StartLimitMs), RunningText);
    EXPECT_EQ(enabled(), (std::vector<bool>{false, true, true}));
    Screenshot(SCREENSHOT_DIR, "manager-window-running.png");

    // The database's entry, chosen as a click chooses it.
    Ask(list, LB_SETCURSEL, 1);
    Ask(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
        reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(manager.StatusBarShows(main, L"PostgreSQL Server is running", FollowLimitMs),
              L"PostgreSQL Server is running");
    Ask(list, LB_SETCURSEL, 0);
    Ask(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
        reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(manager.StatusBarShows(main, RunningText, FollowLimitMs), RunningText);

    // Stopped with sc, as an administrator would in a console.
    EXPECT_EQ(TWinUtils::WinExec32AndWait("sc.exe stop Tomcat9", SW_HIDE), 0u);
    ASSERT_TRUE(WaitUntil([&] { return tomcat_->State() == SERVICE_STOPPED; }));
    EXPECT_EQ(manager.StatusBarShows(main, L"Tallyfix Server is stopped", FollowLimitMs),
              L"Tallyfix Server is stopped");
    EXPECT_EQ(enabled(), (std::vector<bool>{true, false, false}));
    Screenshot(SCREENSHOT_DIR, "manager-window-stopped.png");

    // Started again through the service manager's interface.
    ASSERT_TRUE(tomcat_->Start());
    EXPECT_EQ(manager.StatusBarShows(main, RunningText, FollowLimitMs), RunningText);
    EXPECT_TRUE(manager.Running());
}

TEST_F(ManagerOnWine, ASecondStartEndsAtOnceAndTheFirstKeepsRunning) {
    ManagerProcess first(Exe());
    HWND main = first.MainWindow();
    ASSERT_NE(main, nullptr);

    for (const char* arguments : {"", "/tpl_export"}) {
        ManagerProcess second(Exe(), arguments);
        ASSERT_TRUE(second.Started());
        bool shown = false;
        EXPECT_EQ(second.EndsWithin(EndLimitMs, shown), std::optional<DWORD>(0))
            << "arguments: " << arguments;
        EXPECT_FALSE(shown) << "arguments: " << arguments;
    }
    EXPECT_FALSE(plat::Files().FileExists(Template())) << "a refused instance writes no template";
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_NE(first.TrayWindow(), nullptr);
}

TEST_F(ManagerOnWine, TheTemplateSwitchWritesTempLngBesideTheProgramAndShowsNothing) {
    ManagerProcess manager(Exe(), "/tpl_export");
    ASSERT_TRUE(manager.Started());
    bool shown = false;
    EXPECT_EQ(manager.EndsWithin(StartLimitMs, shown), std::optional<DWORD>(0));
    EXPECT_FALSE(shown);

    const std::string lines = ReadFile(Template());
    for (const char* line :
         {"TMainForm=Tallyfix Server Manager\r\n", "TMainFormListServices0=Tallyfix Server\r\n",
          "TMainFormListServices1=PostgreSQL Server\r\n", "TMainFormCloseAction=Exit\r\n"})
        EXPECT_NE(lines.find(line), std::string::npos) << line << "in:\n" << lines;
}

TEST_F(ManagerOnWine, TheCloseRequestEndsEveryInstanceAndOneStartedWhileItIsSet) {
    ManagerProcess first(Exe());
    ASSERT_NE(first.MainWindow(), nullptr);
    HWND tray = first.TrayWindow();
    ASSERT_TRUE(WaitUntil([&] { return TrayIconPresent(tray); }, StartLimitMs));
    ManagerProcess elevated(Exe(), "-ELEVATE");
    ASSERT_NE(elevated.MainWindow(), nullptr) << "the elevate switch lets a second instance run";

    // Created by the programs; a process of any user may open and set it.
    win::unique_handle event;
    ASSERT_TRUE(WaitUntil([&] {
        event.reset(OpenEventW(EVENT_MODIFY_STATE, FALSE, win::Wide(CloseEventName).c_str()));
        return static_cast<bool>(event);
    }));
    ASSERT_TRUE(SetEvent(event.get()));
    EXPECT_EQ(first.EndsWithin(EndLimitMs), std::optional<DWORD>(0));
    EXPECT_EQ(elevated.EndsWithin(EndLimitMs), std::optional<DWORD>(0));
    EXPECT_FALSE(TrayIconPresent(tray)) << "the icon is removed before the program ends";

    ManagerProcess late(Exe());
    EXPECT_EQ(late.EndsWithin(StartLimitMs), std::optional<DWORD>(0)) << "the request still stands";
    event.reset();
    EXPECT_FALSE(win::unique_handle(OpenEventW(SYNCHRONIZE, FALSE, win::Wide(CloseEventName).c_str())))
        << "every instance let go of the event once it was set";
}

TEST_F(ManagerOnWine, TheTrayIconOpensTheWindowAndItsMenuEndsTheProgram) {
    ManagerProcess manager(Exe());
    HWND main = manager.MainWindow();
    ASSERT_NE(main, nullptr);
    HWND tray = manager.TrayWindow();
    ASSERT_NE(tray, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return TrayIconPresent(tray); }, StartLimitMs));

    // Closing the window puts the program back in the tray; a double click brings the window back.
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, EndLimitMs));
    EXPECT_TRUE(manager.Running());
    EXPECT_TRUE(TrayIconPresent(tray));
    PostMessageW(tray, ui::win32::WM_TK_TRAY, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, EndLimitMs));

    // The menu's first entry is Open.
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, EndLimitMs));
    ASSERT_TRUE(manager.ChooseFromTrayMenu({VK_DOWN, VK_RETURN}));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, EndLimitMs)) << "Open";

    // Its last entry is Exit: the program ends and takes its icon along.
    ASSERT_TRUE(manager.ChooseFromTrayMenu({VK_UP, VK_RETURN}));
    EXPECT_EQ(manager.EndsWithin(EndLimitMs), std::optional<DWORD>(0)) << "Exit";
    // Asked at once: Wine's shell drops the icons of a window that is gone about two seconds later, the
    // shell of Windows keeps them until the mouse passes over them.
    EXPECT_FALSE(TrayIconPresent(tray)) << "the icon is removed before the program ends";
}

TEST_F(ManagerOnWine, TheAboutBoxShowsTheProgramsVersion) {
    const std::wstring version = SystemFileVersion(Exe());
    ASSERT_FALSE(version.empty()) << "the program carries its US English version block";
    ManagerProcess manager(Exe());
    HWND main = manager.MainWindow();
    ASSERT_NE(main, nullptr);

    // The tray menu ends with About, a separator and Exit.
    ASSERT_TRUE(manager.ChooseFromTrayMenu({VK_UP, VK_UP, VK_RETURN}));
    HWND about = manager.FormCalled(L"About");
    ASSERT_NE(about, nullptr) << "no About box";
    EXPECT_EQ(GetWindow(about, GW_OWNER), main) << "the main window owns the box";
    EXPECT_NE(InsideWithText(about, L"Static", L"Tallyfix Server Manager"), nullptr);
    EXPECT_NE(InsideWithText(about, L"Static", L"Version:"), nullptr);
    EXPECT_NE(InsideWithText(about, L"Static", version), nullptr) << "the version " << win::Narrow(version);
    Screenshot(SCREENSHOT_DIR, "manager-about.png");
}

} // namespace

namespace {

const std::wstring TryToStart =
    L"Server Manager is attempting to start the following service on Local Computer";
const std::wstring TryToStop =
    L"Server Manager is attempting to stop the following service on Local Computer";

TEST_F(ManagerOnWine, TheButtonsStopStartAndRestartTheRealWebServerWithTheProgressWindow) {
    // Each transition of the web server is pending for two seconds, long enough to see the window.
    tomcat_.reset();
    tomcat_ = std::make_unique<NamedService>("Tomcat9", dir_.Windows("tomcat9.log"), true, 40);
    ASSERT_TRUE(tomcat_->Ready());
    ManagerProcess manager(Exe());
    HWND main = manager.MainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(manager.StatusBarShows(main, RunningText, StartLimitMs), RunningText);
    const std::vector<HWND> buttons = ServiceButtons(main);
    ASSERT_EQ(buttons.size(), 3u);
    const HWND start = buttons[0], stop = buttons[1], restart = buttons[2];

    // Clicks a button once the polls have enabled it, and returns the progress window it brings.
    auto click = [&](HWND button) -> HWND {
        if (!WaitUntil([&] { return IsWindowEnabled(button) != FALSE; }, FollowLimitMs * 3))
            return nullptr;
        PostMessageW(button, BM_CLICK, 0, 0);
        return manager.FormCalled(L"Service Control");
    };
    auto shows = [](HWND window, const std::wstring& text) {
        return IsWindowVisible(window) && InsideWithText(window, L"Static", text) != nullptr;
    };

    HWND progress = click(stop);
    ASSERT_NE(progress, nullptr) << "no progress window for the stop";
    EXPECT_EQ(GetWindow(progress, GW_OWNER), main) << "the main window owns it";
    EXPECT_TRUE(shows(progress, TryToStop));
    EXPECT_TRUE(shows(progress, L"Tallyfix Server"));
    EXPECT_EQ(tomcat_->State(), static_cast<DWORD>(SERVICE_STOP_PENDING));
    Screenshot(SCREENSHOT_DIR, "manager-progress-stop.png");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(progress); }, EndLimitMs)) << "closes after the stop";
    EXPECT_EQ(tomcat_->State(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_EQ(manager.StatusBarShows(main, L"Tallyfix Server is stopped", FollowLimitMs),
              L"Tallyfix Server is stopped");

    ASSERT_EQ(click(start), progress) << "the same window serves every operation";
    EXPECT_TRUE(shows(progress, TryToStart));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(progress); }, EndLimitMs))
        << "closes after the start";
    EXPECT_EQ(tomcat_->State(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(manager.StatusBarShows(main, RunningText, FollowLimitMs), RunningText);

    // A restart shows the stop, then the start, in the one window.
    ASSERT_EQ(click(restart), progress);
    EXPECT_TRUE(shows(progress, TryToStop));
    EXPECT_TRUE(WaitUntil([&] { return shows(progress, TryToStart); }, EndLimitMs)) << "the start phase";
    Screenshot(SCREENSHOT_DIR, "manager-progress-restart.png");
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(progress); }, EndLimitMs));
    EXPECT_EQ(tomcat_->State(), static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_TRUE(manager.Running());
    EXPECT_FALSE(AnyMessageBox(manager.Pid())) << "no failure was reported";
}

} // namespace
