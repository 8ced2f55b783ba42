// The progress window as the native peers build it: a real top-level window with its controls, the
// clip playing from the program's resources. Windows builds only; Linux has no native peers.
#ifdef _WIN32
#include "CommandLine.h"
#include "Errors.h"
#include "MainUnit.h"
#include "updater_fixture.h"

// After the fixture: the Windows headers rename what the simulated platform declares.
#include "platform/win32/UniqueAny.h"
#include "ui/win32/Win32Common.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testing_support::TempTree;

struct Child {
    std::wstring Class;
    std::wstring Text;
    HWND Handle;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lp) {
    wchar_t cls[64] = {}, text[128] = {};
    GetClassNameW(hwnd, cls, 64);
    GetWindowTextW(hwnd, text, 128);
    reinterpret_cast<std::vector<Child>*>(lp)->push_back({cls, text, hwnd});
    return TRUE;
}

std::vector<Child> Children(HWND parent) {
    std::vector<Child> children;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

// The pixels the control shows now, read back from the screen.
std::vector<uint32_t> Pixels(HWND control) {
    RECT r{};
    GetClientRect(control, &r);
    HDC screen = GetDC(control);
    plat::win::unique_hdc memory(CreateCompatibleDC(screen));
    plat::win::unique_gdi<HBITMAP> bitmap(CreateCompatibleBitmap(screen, r.right, r.bottom));
    {
        plat::win::select_object_guard selected(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
    }
    ReleaseDC(control, screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint32_t> pixels(static_cast<size_t>(r.right) * r.bottom);
    GetDIBits(memory.get(), bitmap.get(), 0, r.bottom, pixels.data(), &info, DIB_RGB_COLORS);
    return pixels;
}

// Serves the window until the control shows something other than the given picture.
bool ShowsAnotherFrame(HWND control, const std::vector<uint32_t>& before) {
    for (int i = 0; i < 200; ++i) {
        ui::Application().ProcessMessages();
        Sleep(20);
        if (Pixels(control) != before) {
            return true;
        }
    }
    return false;
}

// Serves the window until the control shows a picture that is not of one colour: on a loaded machine
// the first frame may take a moment to arrive.
std::vector<uint32_t> FirstFrame(HWND control) {
    std::vector<uint32_t> pixels = Pixels(control);
    for (int i = 0; i < 250 && std::count(pixels.begin(), pixels.end(), pixels.front()) ==
                                   static_cast<long>(pixels.size());
         ++i) {
        ui::Application().ProcessMessages();
        Sleep(20);
        pixels = Pixels(control);
    }
    return pixels;
}

// Wine draws windows on an X display; without one (outside xvfb-run) there is nothing to look at.
bool WineWithoutDisplay() {
    bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine && GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0;
}

TEST(NativeProgressWindow, ShowsCaptionLabelsAndPlaysTheClip) {
    if (WineWithoutDisplay()) {
        GTEST_SKIP() << "no X display: run the window tests under xvfb-run";
    }
    TempTree tree;
    tree.Write("old/tomcat/webapps/corvane/WEB-INF/db.properties",
               "torque.database.maindb.adapter=postgresql\r\n");
    SetCommandLineParams({"Updater", tree.Path("old"), tree.Path("new")});
    ui::Application().Reset();
    ui::Application().Initialize();
    ui::Application().SetMainFormOnTaskBar(true);
    TMainForm form(nullptr);
    ui::Application().SetMainForm(&form);
    form.DoCreate();
    form.OnShow = nullptr; // the window alone, without a worker acting on this machine's services
    form.Show();
    form.Video->SetActive(true);
    form.NextStep(form.Label1);
    ui::Application().ProcessMessages();

    HWND window = FindWindowW(L"TkForm", L"Uninstall previous version progress");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    LONG style = GetWindowLongW(window, GWL_STYLE);
    LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_EQ(style & WS_SYSMENU, 0) << "no close button";
    EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0);
    EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0) << "on the task bar";

    std::vector<std::wstring> labels;
    HWND clip = nullptr;
    for (const Child& c : Children(window)) {
        if (_wcsicmp(c.Class.c_str(), L"Static") == 0 && !c.Text.empty()) {
            labels.push_back(c.Text);
        } else if (c.Class == ANIMATE_CLASSW) {
            clip = c.Handle;
        }
    }
    EXPECT_EQ(labels,
              (std::vector<std::wstring>{L"Checking services", L"Extracting database",
                                         L"Backing up old installation", L"Uninstalling previous version"}));
    ASSERT_NE(clip, nullptr);
    std::vector<uint32_t> first = FirstFrame(clip);
    EXPECT_NE(std::count(first.begin(), first.end(), first.front()), static_cast<long>(first.size()))
        << "a frame of the clip is drawn";
    EXPECT_TRUE(ShowsAnotherFrame(clip, first)) << "the clip plays";

    EXPECT_NE(GetClassLongPtrW(window, GCLP_HICON), 0) << "the program's own icon";
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindowVisible(window)) << "the close request reaches the form, which keeps the window";

    form.Close();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(tree.Exists("new/backup/Updater.log"));
    ui::Application().SetMainForm(nullptr);
    ui::Application().Reset();
}

// A control type the native build has no rendering for.
class TGauge : public ui::TControl {
public:
    using ui::TControl::TControl;
};

class GaugeForm : public ui::TForm {
public:
    GaugeForm() : ui::TForm(nullptr, "GaugeForm") { Gauge = Make<TGauge>("Gauge"); }
    std::string ClassName() const override { return "TGaugeForm"; }
    TGauge* Gauge;
};

TEST(NativeWindows, AComponentWithoutANativeRenderingFailsWhenItsFormIsShown) {
    if (WineWithoutDisplay()) {
        GTEST_SKIP() << "no X display: run the window tests under xvfb-run";
    }
    GaugeForm form;
    try {
        form.Show();
        FAIL() << "shown without a window for its gauge";
    } catch (const ui::EPeerError& e) {
        EXPECT_EQ(std::string(e.what()), "No native rendering for (anonymous namespace)::TGauge \"Gauge\"");
    }
    EXPECT_FALSE(form.Gauge->HandleAllocated());
}

TEST(NativeWindows, AClassOrAWindowTheSystemRefusesIsAnErrorWithItsReason) {
    WNDCLASSEXW broken{}; // no size, no procedure
    broken.lpszClassName = L"TkBrokenClass";
    try {
        ui::win32::RegisterWindowClass(broken);
        FAIL() << "registered";
    } catch (const EOSError& e) {
        EXPECT_NE(e.ErrorCode(), 0u);
        EXPECT_EQ(std::string(e.what()).rfind("Cannot register the window class TkBrokenClass: ", 0), 0u)
            << e.what();
    }
    try {
        ui::win32::CreateWindowChecked(0, L"TkNoSuchClass", 0, 0, 0, 10, 10, HWND_MESSAGE);
        FAIL() << "created";
    } catch (const EOSError& e) {
        EXPECT_NE(e.ErrorCode(), 0u);
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create a window of the class TkNoSuchClass: ", 0), 0u)
            << e.what();
    }
}

} // namespace
#endif
