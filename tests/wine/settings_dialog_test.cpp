// The settings dialog of TFManager.exe under Wine, opened from the main window and used as its
// administrator uses it: pages chosen in the tree, fields typed into, OK pressed, a heap dump taken;
// judged by what another process sees (windows, texts, message boxes) and by the files and registry
// values the program wrote.
#include "ManagerInstallation.h"
#include "WinUtilsUnit.h"
#include "text/SameText.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace {

namespace win = plat::win;
using namespace winetest;

const std::string JavaKey = "SOFTWARE\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java";
const char* const PlainServerXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
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
class SettingsOnWine : public ManagerInstallation {
protected:
    SettingsOnWine() : ManagerInstallation(PlainServerXml) {}

    void SetUp() override {
        ManagerInstallation::SetUp();
        DeleteJavaValues();
    }
    void TearDown() override { DeleteJavaValues(); }
    void DeleteJavaValues() {
        for (const wchar_t* value : {L"JvmMx", L"Jvm"})
            RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, win::Wide(JavaKey).c_str(), value);
    }

    // Starts the program, waits for its main window and presses its Settings button.
    HWND OpenSettings() {
        manager_.emplace(Exe());
        HWND main = manager_->MainWindow();
        if (!main)
            return nullptr;
        HWND button = InsideWithText(main, L"Button", L"Settings");
        if (!button)
            return nullptr;
        Click(button);
        return manager_->FormCalled(L"Settings");
    }
    HWND MessageBoxShown() { return manager_->MessageBoxShown(); }
    DWORD Pid() const { return manager_->Pid(); }

    std::optional<ManagerProcess> manager_;
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

    const std::string xml = ReadFile(ServerXml());
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
    EXPECT_EQ(GetWindow(box, GW_OWNER), settings) << "the dialog owns its messages";
    EXPECT_NE(InsideWithText(box, L"Static", L"Web server port must be an integer between 1 and 65536"),
              nullptr);
    Screenshot(SCREENSHOT_DIR, "settings-invalid-port.png");
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(port) != FALSE; }, StartLimitMs))
        << "the web server's page is shown again";
    EXPECT_EQ(PlainServerXml, ReadFile(ServerXml()));
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
    HWND chooser = manager_->FormCalled(L"Choose JRE/JDK");
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

// Holds Ctrl down and clicks the first node of the tree with the mouse, as support asks an administrator
// to do. The key and the click are made on the X display, as a keyboard and a mouse make them: keys
// injected into Wine alone are released again when Wine compares its key state with the display's.
void CtrlClickFirstNode(HWND tree) {
    RECT box{};
    GetWindowRect(tree, &box);
    // The first node's text, a few pixels in from the tree's top left corner.
    const std::string where = std::to_string(box.left + 40) + " " + std::to_string(box.top + 10);
    TWinUtils::WinExec32AndWait("start.exe /wait /unix /usr/bin/xdotool keydown ctrl mousemove " + where +
                                    " click 1 keyup ctrl",
                                SW_HIDE);
}

// The settings dialog with a running web server and a runtime whose jcmd.exe is the tests' stand-in.
class HeapDumpOnWine : public SettingsOnWine {
protected:
    void SetUp() override {
        SettingsOnWine::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        tomcat_ = std::make_unique<NamedService>("Tomcat9", dir_.Windows("tomcat9.log"));
        ASSERT_TRUE(tomcat_->Ready());
        ASSERT_TRUE(plat::Files().ForceDirectories(dir_.Windows("jdk\\bin\\server")));
        WriteFile(dir_.Windows("jdk\\bin\\server\\jvm.dll"), "");
        ASSERT_TRUE(plat::Files().CopyFile(HelperPath("wine_test_jcmd.exe"),
                                           dir_.Windows("jdk\\bin\\jcmd.exe"), false));
        const std::wstring jvm = win::Wide(dir_.Windows("jdk\\bin\\server\\jvm.dll"));
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, win::Wide(JavaKey).c_str(), L"Jvm", REG_SZ, jvm.c_str(),
                                  static_cast<DWORD>((jvm.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        manager_.reset();
        tomcat_.reset();
        SettingsOnWine::TearDown();
    }

    // The lines jcmd.exe noted: its arguments, then its current folder.
    std::vector<std::string> JcmdCall() const {
        std::vector<std::string> lines;
        std::string text = ReadFile(dir_.Windows("jdk\\bin\\jcmd-call.txt"));
        for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    std::unique_ptr<NamedService> tomcat_;
};

TEST_F(SettingsOnWine, ACtrlClickOnTheFirstNodeRevealsTheDebugBox) {
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    ASSERT_NE(FieldShowing(settings, L"8080"), nullptr) << "the web server's page";
    HWND debug = InsideWithText(settings, L"Button", L"Debug Mode");
    ASSERT_NE(debug, nullptr);
    EXPECT_FALSE(IsWindowVisible(debug)) << "hidden until support asks for it";
    CtrlClickFirstNode(Inside(settings, WC_TREEVIEWW).at(0));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(debug) != FALSE; }, StartLimitMs))
        << "revealed by Ctrl held down while the node is clicked";
    Screenshot(SCREENSHOT_DIR, "settings-debug-revealed.png");
}

TEST_F(HeapDumpOnWine, TheButtonsDumpOfTheWebServerIsArchivedInPlaceOfTheOldOneAndTheDumpDeleted) {
    ASSERT_TRUE(plat::Files().ForceDirectories(dir_.Windows("temp")));
    WriteFile(dir_.Windows("temp\\heapdump.zip"), "an archive of an earlier dump");
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    HWND button = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            button = InsideWithText(settings, L"Button", L"Create Heap Dump");
            return button && IsWindowVisible(button);
        },
        StartLimitMs))
        << "on the web server's page from the start";
    Click(button);

    HWND box = MessageBoxShown();
    ASSERT_NE(box, nullptr) << "no message at the end";
    EXPECT_EQ(TextOf(box), L"Create Heap Dump");
    const std::wstring folder = win::Wide(dir_.Windows("temp")) + L"\\";
    EXPECT_NE(
        InsideWithText(box, L"Static",
                       L"Heap Dump was successfully created and archived under " + folder +
                           L". Send archived file to Tallyfix Support (support@tallyfix-server.example)."),
        nullptr)
        << "the folder, without \"..\", in the completion message";
    Screenshot(SCREENSHOT_DIR, "settings-heap-dump-done.png");
    PostMessageW(box, WM_COMMAND, IDOK, 0);

    const std::vector<std::string> call = JcmdCall();
    ASSERT_EQ(call.size(), 4u);
    EXPECT_EQ(call[0], std::to_string(tomcat_->Pid())) << "the web server's process";
    EXPECT_EQ(call[1], "GC.heap_dump");
    EXPECT_TRUE(text::SameText(call[2], dir_.Windows("manager\\..\\temp\\heapdump.hprof"))) << call[2];
    EXPECT_TRUE(text::SameText(call[3], dir_.Windows("temp"))) << "run in the dump folder: " << call[3];

    std::vector<plat::FindEntry> left;
    plat::Files().FindFiles(dir_.Windows("temp\\*"), left);
    std::vector<std::string> names;
    for (const plat::FindEntry& entry : left)
        if (entry.Name != "." && entry.Name != "..")
            names.push_back(entry.Name);
    EXPECT_EQ(names, std::vector<std::string>{"heapdump.zip"}) << "the dump itself is deleted once archived";
    const std::string tested = UnzipTest(dir_.Windows("temp\\heapdump.zip"));
    EXPECT_NE(tested.find("testing: heapdump.hprof"), std::string::npos) << tested;
    EXPECT_NE(tested.find("No errors detected"), std::string::npos) << tested;
}

} // namespace
