// The settings dialog of TFManager.exe under Wine, opened from the main window and used as its
// administrator uses it: pages chosen in the tree, fields typed into, OK pressed; judged by what another
// process sees (windows, texts, message boxes) and by the files and registry values the program wrote.
#include "WinUtilsUnit.h"
#include "WineTestSupport.h"
#include "WineWindows.h"
#include "platform/Platform.h"
#include "platform/win32/WinApi.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

namespace win = plat::win;
using namespace winetest;

constexpr uint32_t StartLimitMs = 60000;
constexpr uint32_t EndLimitMs = 30000;
const std::string JavaKey = "SOFTWARE\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java";
const char* const ServerXml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                              "<Server port=\"8005\" shutdown=\"SHUTDOWN\">\r\n"
                              "  <Service name=\"Catalina\">\r\n"
                              "    <Connector port=\"8080\" protocol=\"HTTP/1.1\" redirectPort=\"8443\"/>\r\n"
                              "  </Service>\r\n"
                              "</Server>\r\n";

void Type(HWND edit, const std::wstring& text) {
    Ask(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// The field once the dialog has filled it: it becomes visible before its show handler has run.
HWND FieldShowing(HWND parent, const std::wstring& text) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = InsideWithText(parent, L"Edit", text)) != nullptr; }, StartLimitMs);
    return found;
}

// A visible top-level window of the process with the class and caption given, once it shows.
HWND ShownWindow(DWORD pid, const wchar_t* className, const std::wstring& caption) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const WindowVisitor visit = [&](HWND window) {
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == pid && IsWindowVisible(window) && ClassOf(window) == className &&
                    (caption.empty() || TextOf(window) == caption))
                    found = window;
            };
            EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visit));
            return found != nullptr;
        },
        StartLimitMs);
    return found;
}

void Click(HWND button) {
    PostMessageW(button, BM_CLICK, 0, 0);
}

// Selects the tree's node as a click on it does.
void SelectNode(HWND tree, int index) {
    auto item = static_cast<LPARAM>(Ask(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    for (int i = 0; i < index && item; ++i)
        item = static_cast<LPARAM>(Ask(tree, TVM_GETNEXTITEM, TVGN_NEXT, item));
    Ask(tree, TVM_SELECTITEM, TVGN_CARET, item);
}

// What `reg query` prints for a value of the Java key.
std::string RegQuery(const std::string& value) {
    std::vector<std::string> out, err;
    TWinUtils::ExecConsoleApp("reg query \"HKLM\\" + JavaKey + "\" /v " + value, out, err, std::nullopt,
                              60000);
    std::string text;
    for (const std::string& line : out)
        text += line + "\n";
    return text;
}

// TFManager.exe in an installation laid out in the prefix, started, and its settings dialog opened with
// the main window's Settings button.
class SettingsOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        if (WithoutDisplay())
            GTEST_SKIP() << "no X display: run the window tests under xvfb-run";
        win::unique_handle other(OpenMutexW(SYNCHRONIZE, FALSE, L"Brackwell Server Manager"));
        ASSERT_FALSE(other) << "a Server Manager already runs in this prefix";
        ASSERT_TRUE(plat::Files().ForceDirectories(dir_.Windows("manager")));
        ASSERT_TRUE(plat::Files().CopyFile(WinePath(TFMANAGER_EXE), Exe(), false)) << TFMANAGER_EXE;
        WriteFile(dir_.Windows("tomcat\\conf\\server.xml"), ServerXml);
        DeleteJavaValues();
    }
    void TearDown() override {
        if (process_) {
            TerminateProcess(process_.get(), 3);
            WaitForSingleObject(process_.get(), EndLimitMs);
        }
        DeleteJavaValues();
    }
    void DeleteJavaValues() {
        for (const wchar_t* value : {L"JvmMx", L"Jvm"})
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, win::Wide(JavaKey).c_str(), value);
    }
    std::string Exe() const { return dir_.Windows("manager\\TFManager.exe"); }

    // Starts the program, waits for its main window and presses its Settings button.
    HWND OpenSettings() {
        std::wstring command = L"\"" + win::Wide(Exe()) + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return nullptr;
        process_.reset(pi.hProcess);
        win::unique_handle thread(pi.hThread);
        pid_ = pi.dwProcessId;
        HWND main = ShownWindow(pid_, L"TkForm", L"Tallyfix Server Manager");
        if (!main)
            return nullptr;
        HWND button = InsideWithText(main, L"Button", L"Settings");
        if (!button)
            return nullptr;
        Click(button);
        return ShownWindow(pid_, L"TkForm", L"Settings");
    }
    HWND MessageBoxShown() { return ShownWindow(pid_, L"#32770", L""); }

    winetest::TempDir dir_;
    win::unique_handle process_;
    DWORD pid_ = 0;
};

TEST_F(SettingsOnWine, ANewPortAndMemoryPressedWithOkLandInServerXmlAndTheRegistry) {
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr) << "no settings dialog";
    HWND port = FieldShowing(settings, L"8080");
    HWND memory = FieldShowing(settings, L"256");
    ASSERT_NE(port, nullptr);
    ASSERT_NE(memory, nullptr) << "the memory field shows the default when nothing is stored";
    const std::vector<HWND> trees = Inside(settings, WC_TREEVIEWW);
    ASSERT_EQ(1u, trees.size());
    const char* const pages[] = {"settings-tallyfix.png", "settings-postgresql.png", "settings-java.png",
                                 "settings-manager.png"};
    for (int page = 3; page >= 0; --page) {
        SelectNode(trees[0], page); // the page has switched when the selection returns
        Screenshot(SCREENSHOT_DIR, pages[page]);
    }
    Type(port, L"8090");
    Type(memory, L"1024");
    HWND ok = InsideWithText(settings, L"Button", L"OK");
    ASSERT_NE(ok, nullptr) << "Wine's programs are elevated: OK saves";
    Click(ok);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(settings); }, StartLimitMs)) << "saved and closed";

    const std::string xml = winetest::ReadFile(dir_.Windows("tomcat\\conf\\server.xml"));
    EXPECT_NE(std::string::npos, xml.find("port=\"8090\"")) << xml;
    EXPECT_EQ(std::string::npos, xml.find("port=\"8080\"")) << xml;
    EXPECT_NE(std::string::npos, RegQuery("JvmMx").find("0x400")) << RegQuery("JvmMx");
}

TEST_F(SettingsOnWine, AnInvalidPortShowsItsMessageOnItsPageAndNothingIsWritten) {
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    HWND port = FieldShowing(settings, L"8080");
    SelectNode(Inside(settings, WC_TREEVIEWW).at(0), 3);
    ASSERT_NE(port, nullptr);
    Type(port, L"65536");
    Click(InsideWithText(settings, L"Button", L"OK"));
    HWND box = MessageBoxShown();
    ASSERT_NE(box, nullptr) << "no message";
    EXPECT_EQ(L"Error", TextOf(box));
    EXPECT_NE(InsideWithText(box, L"Static", L"Web server port must be an integer between 1 and 65536"),
              nullptr);
    Screenshot(SCREENSHOT_DIR, "settings-invalid-port.png");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(port) != FALSE; }, StartLimitMs))
        << "the web server's page is shown again";
    EXPECT_EQ(ServerXml, winetest::ReadFile(dir_.Windows("tomcat\\conf\\server.xml")));
    EXPECT_EQ(std::string::npos, RegQuery("JvmMx").find("0x")) << "nothing written";
}

TEST_F(SettingsOnWine, TheJavaChooserOnAFolderWithoutARuntimeSaysSo) {
    ASSERT_TRUE(plat::Files().ForceDirectories(dir_.Windows("empty")));
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    SelectNode(Inside(settings, WC_TREEVIEWW).at(0), 2);
    EXPECT_TRUE(WaitUntil([&] { return InsideWithText(settings, L"Static", L"JDK not found") != nullptr; },
                          StartLimitMs))
        << "Jvm is not set";
    HWND change = InsideWithText(settings, L"Button", L"Change JRE/JDK");
    ASSERT_NE(change, nullptr);
    Click(change);
    HWND chooser = ShownWindow(pid_, L"TkForm", L"Choose JRE/JDK");
    ASSERT_NE(chooser, nullptr) << "no chooser";
    const std::wstring missing = L"Can not find JDK or JRE in this folder";
    auto memoSays = [&] {
        for (HWND edit : Inside(chooser, L"Edit"))
            if ((GetWindowLongPtrW(edit, GWL_STYLE) & ES_MULTILINE) && TextOf(edit) == missing)
                return true;
        return false;
    };
    EXPECT_TRUE(WaitUntil(memoSays, StartLimitMs)) << "the empty path of an unset Jvm";
    HWND path = nullptr;
    for (HWND edit : Inside(chooser, L"Edit"))
        if (!(GetWindowLongPtrW(edit, GWL_STYLE) & ES_MULTILINE))
            path = edit;
    ASSERT_NE(path, nullptr);
    Type(path, win::Wide(dir_.Windows("empty")));
    EXPECT_TRUE(WaitUntil(memoSays, StartLimitMs));
    Screenshot(SCREENSHOT_DIR, "settings-java-chooser.png");
    Click(InsideWithText(chooser, L"Button", L"OK"));
    HWND box = MessageBoxShown();
    ASSERT_NE(box, nullptr);
    EXPECT_NE(InsideWithText(box, L"Static", L"Path is not a JDK Root. Java executable was not found"),
              nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(std::string::npos, RegQuery("Jvm ").find("REG_SZ")) << "Jvm stays unset";
}

} // namespace
