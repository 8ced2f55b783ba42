// The native peers on a real screen: every kind of control becomes a window of the system's class
// inside its container's window, what a user does reaches the components through the same methods a
// headless test calls, a modal form disables the others while it serves a worker, the tray icon and its
// menu work, and the application's window carries (or hides) the taskbar button.
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"
#include "ui/Threads.h"
#include "ui/win32/Win32Pictures.h"
#include "ui/win32/Win32WindowPeer.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace ui;

// Wine draws windows on an X display; without one (outside xvfb-run) there is nothing to look at.
bool WineWithoutDisplay() {
    bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine && GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// A 16 x 16 picture of one colour with a transparent corner.
TPicture Square(uint32_t AColor) {
    TPicture picture{16, 16, std::vector<uint32_t>(256, 0xFF000000u | AColor)};
    picture.Pixels[0] = 0;
    return picture;
}

// Sends a control's notification to its parent as the control itself would.
void Notify(HWND control, WORD code) {
    SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
                 reinterpret_cast<LPARAM>(control));
}

class AllControlsForm : public TForm {
public:
    AllControlsForm() : TForm(nullptr, "AllControlsForm") {
        SetCaption("All controls");
        SetBorderStyle(TFormBorderStyle::bsSingle);
        SetMaximizeBox(false);
        SetClientSize(420, 330);
        SetPosition(TPosition::poScreenCenter);

        Band = Make<TShape>("Band");
        Band->SetBounds(0, 0, 420, 36);
        Band->SetBrushColor(RGBColor(31, 83, 146));
        Band->SetPenStyle(TPenStyle::psClear);
        Title = Make<TLabel>("Title");
        Title->SetBounds(8, 8, 300, 22);
        Title->SetCaption("Every control & its window");
        TFont titleFont = Title->Font();
        titleFont.Size = 12;
        titleFont.Color = clSilver;
        Title->SetFont(titleFont);

        Panel = Make<TPanel>("Panel");
        Panel->SetBounds(8, 44, 200, 60);
        Panel->SetBevelOuter(TBevelCut::bvLowered);
        HostLabel = Make<TLabel>("HostLabel");
        HostLabel->SetParent(Panel);
        HostLabel->SetBounds(6, 8, 40, 16);
        HostLabel->SetCaption("Host");
        Host = Make<TEdit>("Host");
        Host->SetParent(Panel);
        Host->SetBounds(50, 6, 140, 20);
        Host->SetText("<Unknown>");
        Addresses = Make<TMemo>("Addresses");
        Addresses->SetParent(Panel);
        Addresses->SetBounds(50, 30, 140, 24);
        Addresses->SetLines({"10.0.0.1", "192.168.1.2"});
        Addresses->SetReadOnly(true);
        Addresses->SetBorderStyle(TBorderStyle::bsNone);
        Addresses->SetColor(clWindow);

        Services = Make<TListBox>("Services");
        Services->SetBounds(8, 112, 200, 56);
        Services->SetStyle(TListBoxStyle::lbOwnerDrawFixed);
        Services->SetItemHeight(24);
        Services->SetItems({"Web Server", "Database"});
        Services->OnDrawItem = [this](TListBox* list, int index, const TRect& rect, TOwnerDrawState,
                                      TCanvas& canvas) {
            ++Drawn;
            canvas.FillRect(rect);
            canvas.Draw(rect.Left + 4, rect.Top + (rect.Height() - 16) / 2,
                        Square(index == 0 ? 0x00C000 : 0xC00000));
            canvas.DrawText(list->Items()[index], {rect.Left + 29, rect.Top, rect.Right, rect.Bottom},
                            DT_SINGLELINE_ | DT_VCENTER_ | DT_NOPREFIX_);
        };

        Start = Make<TButton>("Start");
        Start->SetBounds(216, 44, 90, 25);
        Start->SetCaption("Start");
        Start->SetDefault(true);
        Shielded = Make<TButton>("Shielded");
        Shielded->SetBounds(316, 44, 96, 25);
        Shielded->SetCaption("Admin Mode");
        Shielded->SetElevationShield(true);
        Restart = Make<TBitBtn>("Restart");
        Restart->SetBounds(216, 76, 90, 28);
        Restart->SetCaption("Restart");
        TPicture strip{32, 16, std::vector<uint32_t>(512, 0xFF2080E0u)};
        Restart->SetGlyph(strip);
        Restart->SetNumGlyphs(2);
        Autostart = Make<TCheckBox>("Autostart");
        Autostart->SetBounds(316, 80, 96, 20);
        Autostart->SetCaption("Autostart");
        Language = Make<TComboBox>("Language");
        Language->SetBounds(216, 112, 196, 21);
        Language->SetItems({"English", "Deutsch", "Français"});
        Language->SetItemIndex(0);

        Menu = Make<TTreeView>("Menu");
        Menu->SetBounds(8, 176, 120, 120);
        Menu->AddNode("Server");
        Menu->AddNode("Ports", 0);
        Menu->AddNode("Database");
        Pages = Make<TPageControl>("Pages");
        Pages->SetBounds(136, 176, 140, 120);
        for (int i = 0; i < 2; ++i) {
            Sheets[i] = Make<TTabSheet>(std::string("Sheet").append(std::to_string(i)));
            Sheets[i]->SetPageControl(Pages);
            Sheets[i]->SetTabVisible(false);
            auto* label = Make<TLabel>(std::string("SheetLabel").append(std::to_string(i)));
            label->SetParent(Sheets[i]);
            label->SetBounds(4, 4, 120, 16);
            label->SetCaption(i == 0 ? "First page" : "Second page");
        }
        Group = Make<TGroupBox>("Group");
        Group->SetBounds(284, 140, 128, 156);
        Group->SetCaption("JRE/JDK");
        Debug = Make<TCheckBox>("Debug");
        Debug->SetParent(Group);
        Debug->SetBounds(8, 20, 110, 20);
        Debug->SetCaption("Debug mode");
        Change = Make<TButton>("Change");
        Change->SetParent(Group);
        Change->SetBounds(8, 48, 110, 25);
        Change->SetCaption("Change...");
        Change->SetHint("Choose another runtime");
        Change->SetShowHint(true);

        Status = Make<TStatusBar>("Status");
        Status->SetSimpleText("Web Server is running");
    }
    std::string ClassName() const override { return "TAllControlsForm"; }

    TShape* Band;
    TLabel* Title;
    TPanel* Panel;
    TLabel* HostLabel;
    TEdit* Host;
    TMemo* Addresses;
    TListBox* Services;
    TButton* Start;
    TButton* Shielded;
    TBitBtn* Restart;
    TCheckBox* Autostart;
    TComboBox* Language;
    TTreeView* Menu;
    TPageControl* Pages;
    TTabSheet* Sheets[2];
    TGroupBox* Group;
    TCheckBox* Debug;
    TButton* Change;
    TStatusBar* Status;
    int Drawn = 0;
};

class OwnerForm : public TForm {
public:
    OwnerForm() : TForm(nullptr, "OwnerForm") {
        SetCaption("Owner");
        SetClientSize(300, 200);
    }
    std::string ClassName() const override { return "TOwnerForm"; }
};

class NativeWindowsTest : public testing::Test {
protected:
    void SetUp() override {
        if (WineWithoutDisplay()) {
            GTEST_SKIP() << "no X display: run the window tests under xvfb-run";
        }
        Application().Reset();
        Application().Initialize();
    }
    void TearDown() override { Application().Reset(); }
};

TEST_F(NativeWindowsTest, EveryControlIsAWindowOfItsClassInsideItsContainer) {
    AllControlsForm form;
    form.Show();
    Application().ProcessMessages();

    HWND window = win32::WindowOf(&form);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ClassOf(window), L"TkForm");
    EXPECT_EQ(TextOf(window), L"All controls");
    EXPECT_TRUE(IsWindowVisible(window));
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0);
    EXPECT_EQ(style & WS_THICKFRAME, 0) << "a single border";
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, win32::Scale(420)) << "sizes are 96-dpi pixels, scaled to the screen";
    EXPECT_EQ(client.bottom, win32::Scale(330));

    struct Expected {
        TControl* Control;
        const wchar_t* Class;
    };
    const Expected table[] = {
        {form.Title, L"Static"},      {form.Panel, L"TkPanel"},     {form.HostLabel, L"Static"},
        {form.Host, L"Edit"},         {form.Addresses, L"Edit"},    {form.Services, L"ListBox"},
        {form.Start, L"Button"},      {form.Shielded, L"Button"},   {form.Restart, L"Button"},
        {form.Autostart, L"Button"},  {form.Language, L"ComboBox"}, {form.Menu, WC_TREEVIEWW},
        {form.Pages, WC_TABCONTROLW}, {form.Sheets[0], L"TkPanel"}, {form.Group, L"Button"},
        {form.Debug, L"Button"},      {form.Change, L"Button"},     {form.Status, STATUSCLASSNAMEW},
    };
    for (const Expected& e : table) {
        HWND control = win32::WindowOf(e.Control);
        ASSERT_NE(control, nullptr) << e.Control->Name();
        EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), e.Class), 0) << e.Control->Name() << ": " << e.Class;
        EXPECT_EQ(GetParent(control), win32::WindowOf(e.Control->Parent())) << e.Control->Name();
    }
    EXPECT_EQ(GetParent(win32::WindowOf(form.Host)), win32::WindowOf(form.Panel));
    // The band is painted by the form under the title, which takes the band's colour as its background.
    EXPECT_EQ(win32::WindowOf(form.Band), nullptr);
    UpdateWindow(window);
    HDC dc = GetDC(window);
    COLORREF band = GetPixel(dc, win32::Scale(416), win32::Scale(2));
    COLORREF besideTitle = GetPixel(dc, win32::Scale(305), win32::Scale(12));
    ReleaseDC(window, dc);
    EXPECT_EQ(band, RGB(31, 83, 146));
    EXPECT_EQ(besideTitle, RGB(31, 83, 146));
    EXPECT_EQ(GetParent(win32::WindowOf(form.Debug)), win32::WindowOf(form.Group));

    // What screen readers read: window texts, the owner-drawn list's own strings, the status text.
    EXPECT_EQ(TextOf(win32::WindowOf(form.Title)), L"Every control & its window");
    EXPECT_EQ(TextOf(win32::WindowOf(form.Host)), L"<Unknown>");
    EXPECT_EQ(TextOf(win32::WindowOf(form.Addresses)), L"10.0.0.1\r\n192.168.1.2");
    HWND services = win32::WindowOf(form.Services);
    EXPECT_NE(GetWindowLongPtrW(services, GWL_STYLE) & LBS_OWNERDRAWFIXED, 0);
    EXPECT_NE(GetWindowLongPtrW(services, GWL_STYLE) & LBS_HASSTRINGS, 0);
    wchar_t item[64] = {};
    SendMessageW(services, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, L"Database");
    EXPECT_EQ(SendMessageW(services, LB_GETITEMHEIGHT, 0, 0), win32::Scale(24));
    UpdateWindow(window);
    RedrawWindow(services, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_GE(form.Drawn, 2) << "the component draws each item";
    // A simple status bar answers for any part with its one text.
    HWND statusBar = win32::WindowOf(form.Status);
    EXPECT_NE(SendMessageW(statusBar, SB_ISSIMPLE, 0, 0), 0);
    wchar_t status[64] = {};
    SendMessageW(statusBar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status));
    EXPECT_STREQ(status, L"Web Server is running");
    EXPECT_EQ(SendMessageW(win32::WindowOf(form.Language), CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(win32::WindowOf(form.Menu), TVM_GETCOUNT, 0, 0), 3);
    EXPECT_NE(GetWindowLongPtrW(win32::WindowOf(form.Start), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
    HWND tooltip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr);
    while (tooltip != nullptr && GetWindow(tooltip, GW_OWNER) != window) {
        tooltip = FindWindowExW(nullptr, tooltip, TOOLTIPS_CLASSW, nullptr);
    }
    ASSERT_NE(tooltip, nullptr) << "the form's hints";
    EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1) << "one control shows a hint";

    // Hidden tabs: only the active sheet shows, and switching pages switches windows.
    EXPECT_TRUE(IsWindowVisible(win32::WindowOf(form.Sheets[0])));
    EXPECT_FALSE(IsWindowVisible(win32::WindowOf(form.Sheets[1])));
    form.Pages->SetActivePageIndex(1);
    EXPECT_FALSE(IsWindowVisible(win32::WindowOf(form.Sheets[0])));
    EXPECT_TRUE(IsWindowVisible(win32::WindowOf(form.Sheets[1])));

    // Visible tabs: one per sheet that shows it, and choosing a tab switches the page.
    HWND tabs = win32::WindowOf(form.Pages);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 0);
    form.Sheets[0]->SetCaption("One");
    form.Sheets[0]->SetTabVisible(true);
    form.Sheets[1]->SetCaption("Two");
    form.Sheets[1]->SetTabVisible(true);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 1);
    SendMessageW(tabs, TCM_SETCURSEL, 0, 0);
    NMHDR change{tabs, static_cast<UINT_PTR>(GetDlgCtrlID(tabs)), TCN_SELCHANGE};
    SendMessageW(GetParent(tabs), WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
    EXPECT_EQ(form.Pages->ActivePageIndex(), 0);
    EXPECT_TRUE(IsWindowVisible(win32::WindowOf(form.Sheets[0])));
    RECT sheet{};
    GetWindowRect(win32::WindowOf(form.Sheets[0]), &sheet);
    MapWindowPoints(nullptr, tabs, reinterpret_cast<POINT*>(&sheet), 2);
    EXPECT_GT(sheet.top, 0) << "below the tabs";
    // Without tabs again the active sheet covers the whole control, also when another sheet's tab
    // went last.
    form.Sheets[0]->SetTabVisible(false);
    form.Sheets[1]->SetTabVisible(false);
    GetWindowRect(win32::WindowOf(form.Sheets[0]), &sheet);
    MapWindowPoints(nullptr, tabs, reinterpret_cast<POINT*>(&sheet), 2);
    EXPECT_EQ(sheet.top, 0) << "no room is kept for tabs";

    // Hiding a container hides what it holds; disabling a picture button shows its second picture.
    form.Panel->Hide();
    EXPECT_FALSE(IsWindowVisible(win32::WindowOf(form.Host)));
    form.Panel->Show();
    EXPECT_TRUE(IsWindowVisible(win32::WindowOf(form.Host)));
    form.Restart->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(win32::WindowOf(form.Restart)));

    // Set TK_UI_HOLD_SECONDS to keep the form on the screen for a screenshot.
    if (const char* hold = std::getenv("TK_UI_HOLD_SECONDS")) {
        DWORD until = GetTickCount() + static_cast<DWORD>(std::atoi(hold)) * 1000;
        while (GetTickCount() < until) {
            Application().ProcessMessages();
            Sleep(50);
        }
    }
}

TEST_F(NativeWindowsTest, WhatTheUserDoesReachesTheComponents) {
    AllControlsForm form;
    int startClicks = 0, changeClicks = 0, autostartClicks = 0, hostChanges = 0, serviceClicks = 0,
        languageChanges = 0;
    std::vector<int> treeChanges;
    form.Start->OnClick = [&](TComponent*) { ++startClicks; };
    form.Change->OnClick = [&](TComponent*) { ++changeClicks; };
    form.Autostart->OnClick = [&](TComponent*) { ++autostartClicks; };
    form.Host->OnChange = [&](TComponent*) { ++hostChanges; };
    form.Services->OnClick = [&](TComponent*) { ++serviceClicks; };
    form.Language->OnChange = [&](TComponent*) { ++languageChanges; };
    form.Menu->OnChange = [&](TComponent*, int node) { treeChanges.push_back(node); };
    form.Show();
    Application().ProcessMessages();

    SendMessageW(win32::WindowOf(form.Start), BM_CLICK, 0, 0);
    EXPECT_EQ(startClicks, 1);
    PostMessageW(win32::WindowOf(&form), WM_COMMAND,
                 MAKEWPARAM(GetDlgCtrlID(win32::WindowOf(form.Start)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(win32::WindowOf(form.Start)));
    Application().ProcessMessages();
    EXPECT_EQ(startClicks, 2) << "a posted command takes the same way";
    SendMessageW(win32::WindowOf(form.Change), BM_CLICK, 0, 0);
    EXPECT_EQ(changeClicks, 1) << "a button inside a group box";

    HWND autostart = win32::WindowOf(form.Autostart);
    SendMessageW(autostart, BM_CLICK, 0, 0);
    EXPECT_TRUE(form.Autostart->Checked());
    EXPECT_EQ(autostartClicks, 1);
    SendMessageW(autostart, BM_CLICK, 0, 0);
    EXPECT_FALSE(form.Autostart->Checked());
    EXPECT_EQ(autostartClicks, 2);
    form.Autostart->SetChecked(true);
    EXPECT_EQ(SendMessageW(autostart, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(autostartClicks, 3) << "the program's change runs OnClick once, without an echo";
    SendMessageW(win32::WindowOf(form.Debug), BM_CLICK, 0, 0);
    EXPECT_TRUE(form.Debug->Checked()) << "a check box inside a group box";

    HWND host = win32::WindowOf(form.Host);
    SetWindowTextW(host, L"server01");
    EXPECT_EQ(form.Host->Text(), "server01");
    EXPECT_EQ(hostChanges, 1);
    form.Host->SetText("server02");
    EXPECT_EQ(TextOf(host), L"server02");
    EXPECT_EQ(hostChanges, 2) << "the program's change is not typed back";

    HWND services = win32::WindowOf(form.Services);
    SendMessageW(services, LB_SETCURSEL, 1, 0);
    Notify(services, LBN_SELCHANGE);
    EXPECT_EQ(form.Services->ItemIndex(), 1);
    EXPECT_EQ(serviceClicks, 1);
    form.Services->SetItemIndex(0);
    EXPECT_EQ(SendMessageW(services, LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(serviceClicks, 1) << "the program's choice is no click";

    HWND language = win32::WindowOf(form.Language);
    SendMessageW(language, CB_SETCURSEL, 2, 0);
    Notify(language, CBN_SELCHANGE);
    EXPECT_EQ(form.Language->Text(), "Français");
    EXPECT_EQ(languageChanges, 1);

    HWND tree = win32::WindowOf(form.Menu);
    auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    auto second = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(root)));
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(second));
    EXPECT_EQ(form.Menu->Selected(), 2) << "nodes count in tree order";
    form.Menu->Select(1);
    auto caret = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    EXPECT_EQ(caret, reinterpret_cast<HTREEITEM>(
                         SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(root))));
    EXPECT_EQ(treeChanges, (std::vector<int>{2, 1})) << "each change once, the program's included";

    // Enter in a text field presses the default button, as in a dialog box.
    form.Host->SetFocus();
    EXPECT_EQ(GetFocus(), host);
    PostMessageW(host, WM_KEYDOWN, VK_RETURN, 0);
    Application().ProcessMessages();
    EXPECT_EQ(startClicks, 3);

    // A handler's error comes out of the loop that dispatched the click, not out of the system's code.
    form.Change->OnClick = [](TComponent*) { throw EBaseError("handler failed"); };
    PostMessageW(win32::WindowOf(form.Change), BM_CLICK, 0, 0);
    try {
        Application().ProcessMessages();
        FAIL() << "the error was lost";
    } catch (const EBaseError& e) {
        EXPECT_STREQ(e.what(), "handler failed");
    }
    Application().ProcessMessages();
}

TEST_F(NativeWindowsTest, ATimerTicksOnTheWindowThread) {
    OwnerForm form;
    int ticks = 0;
    TTimer* timer = form.Make<TTimer>("Timer");
    timer->OnTimer = [&](TComponent*) {
        EXPECT_TRUE(InMainThread());
        if (++ticks == 2) {
            timer->SetEnabled(false);
        }
    };
    timer->SetInterval(10);
    while (ticks < 2) {
        Backend().HandleMessage();
    }
    EXPECT_FALSE(timer->HandleAllocated()) << "a stopped timer keeps no window";
}

class ProgressForm : public TForm {
public:
    ProgressForm() : TForm(nullptr, "ProgressForm") {
        SetCaption("Progress");
        SetBorderStyle(TFormBorderStyle::bsToolWindow);
        SetClientSize(200, 60);
        SetPosition(TPosition::poOwnerFormCenter);
    }
    std::string ClassName() const override { return "TProgressForm"; }
};

// Closes the modal form from a worker, through the hand-off, and notes what the window thread saw then.
class Closer : public TThread {
public:
    Closer(ProgressForm& AForm, HWND AOwner) : FForm(AForm), FOwner(AOwner) {}
    bool OwnerDisabled = false;
    bool OwnedByOwner = false;
    bool CentredOnOwner = false;

protected:
    void Execute() override {
        Synchronize([this] {
            HWND window = win32::WindowOf(&FForm);
            OwnerDisabled = !IsWindowEnabled(FOwner) && IsWindowVisible(window);
            OwnedByOwner = GetWindow(window, GW_OWNER) == FOwner;
            RECT form{}, owner{};
            GetWindowRect(window, &form);
            GetWindowRect(FOwner, &owner);
            CentredOnOwner = std::abs((form.left + form.right) - (owner.left + owner.right)) <= 2 &&
                             std::abs((form.top + form.bottom) - (owner.top + owner.bottom)) <= 2;
            FForm.SetModalResult(mrOk);
        });
    }

private:
    ProgressForm& FForm;
    HWND FOwner;
};

TEST_F(NativeWindowsTest, AModalFormDisablesTheOthersAndServesAWorker) {
    OwnerForm owner;
    owner.Show();
    ProgressForm progress;
    progress.SetPopupParent(&owner);
    HWND ownerWindow = win32::WindowOf(&owner);
    Closer closer(progress, ownerWindow);
    closer.Start();
    EXPECT_EQ(progress.ShowModal(), mrOk);
    closer.WaitFor();
    EXPECT_TRUE(closer.OwnerDisabled);
    EXPECT_TRUE(closer.OwnedByOwner);
    EXPECT_TRUE(closer.CentredOnOwner);
    EXPECT_NE(GetWindowLongPtrW(win32::WindowOf(&progress), GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    EXPECT_TRUE(IsWindowEnabled(ownerWindow));
    EXPECT_FALSE(IsWindowVisible(win32::WindowOf(&progress)));
}

TEST_F(NativeWindowsTest, TheApplicationWindowCarriesTheTaskbarButtonUntilHidden) {
    OwnerForm form;
    form.Show();
    HWND application = GetWindow(win32::WindowOf(&form), GW_OWNER);
    ASSERT_NE(application, nullptr);
    EXPECT_EQ(ClassOf(application), L"TkApplication");
    EXPECT_TRUE(IsWindowVisible(application));
    Application().SetTaskbarButtonVisible(false);
    EXPECT_FALSE(IsWindowVisible(application));
    EXPECT_TRUE(IsWindowVisible(win32::WindowOf(&form))) << "the form stays";
    form.Hide();
    form.Show();
    EXPECT_FALSE(IsWindowVisible(application)) << "hidden until the program wants it back";
    Application().SetTaskbarButtonVisible(true);
    EXPECT_TRUE(IsWindowVisible(application));
    form.Hide();
    EXPECT_FALSE(IsWindowVisible(application)) << "no button without a form to show";
}

// What the test saw of the menu while it was open, and the keys that chose its first entry.
struct OpenMenu {
    int Items = -1;
    bool FirstIsDefault = false;
    bool FirstHasPicture = false;
    std::wstring FirstText;
    bool SecondGrayed = false;
    bool ThirdIsSeparator = false;
};
OpenMenu gOpenMenu;

void CALLBACK InspectOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (popup == nullptr || !IsWindowVisible(popup)) {
        return;
    }
    KillTimer(nullptr, timer);
    auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    gOpenMenu.Items = GetMenuItemCount(menu);
    wchar_t text[64] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_BITMAP | MIIM_STRING | MIIM_FTYPE;
    info.dwTypeData = text;
    info.cch = 64;
    GetMenuItemInfoW(menu, 0, TRUE, &info);
    gOpenMenu.FirstIsDefault = (info.fState & MFS_DEFAULT) != 0;
    gOpenMenu.FirstHasPicture = info.hbmpItem != nullptr;
    gOpenMenu.FirstText = text;
    gOpenMenu.SecondGrayed = (GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED) != 0;
    gOpenMenu.ThirdIsSeparator = (GetMenuState(menu, 2, MF_BYPOSITION) & MF_SEPARATOR) != 0;
    PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
}

class TrayForm : public TForm {
public:
    TrayForm() : TForm(nullptr, "TrayForm") {
        Icons = Make<TImageList>("Icons");
        Icons->Add(Square(0x00C000));
        Icons->Add(Square(0xC00000));
        Menu = Make<TPopupMenu>("Menu");
        Menu->SetImages(Icons);
        for (const char* name : {"Open", "Start", "Hidden", "Line", "Exit"}) {
            auto* item = Make<TMenuItem>(name);
            item->SetCaption(name);
            Menu->Add(item);
        }
        Item("Open")->SetDefault(true);
        Item("Open")->SetImageIndex(1);
        Item("Start")->SetEnabled(false);
        Item("Hidden")->SetVisible(false);
        Item("Line")->SetCaption("-");
        Tray = Make<TTrayIcon>("Tray");
        Tray->SetIcons(Icons);
        Tray->SetHint("Server Manager");
        Tray->SetPopupMenu(Menu);
    }
    std::string ClassName() const override { return "TTrayForm"; }
    TMenuItem* Item(const std::string& name) { return static_cast<TMenuItem*>(FindComponent(name)); }

    TImageList* Icons;
    TPopupMenu* Menu;
    TTrayIcon* Tray;
};

TEST_F(NativeWindowsTest, TheTrayIconAnswersWithItsMenuAndItsDefaultCommand) {
    TrayForm form;
    int opened = 0, doubleClicks = 0;
    form.Item("Open")->OnClick = [&](TComponent*) { ++opened; };
    form.Tray->OnDblClick = [&](TComponent*) { ++doubleClicks; };
    form.Tray->SetVisible(true);
    HWND tray = win32::WindowOf(form.Tray);
    ASSERT_NE(tray, nullptr);

    // Wine's shell keeps notification icons whether or not the X display has a tray of its own.
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = tray;
    data.uID = 1;
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data)) << "the icon was added";

    PostMessageW(tray, win32::WM_TK_TRAY, 1, WM_LBUTTONDBLCLK);
    Application().ProcessMessages();
    EXPECT_EQ(doubleClicks, 1);

    gOpenMenu = {};
    SetTimer(nullptr, 0, 50, InspectOpenMenu);
    PostMessageW(tray, win32::WM_TK_TRAY, 1, WM_RBUTTONUP);
    Application().ProcessMessages();
    EXPECT_EQ(form.Menu->PopupCount(), 1);
    EXPECT_EQ(gOpenMenu.Items, 4) << "the hidden entry is left out";
    EXPECT_EQ(gOpenMenu.FirstText, L"Open");
    EXPECT_TRUE(gOpenMenu.FirstIsDefault);
    EXPECT_TRUE(gOpenMenu.FirstHasPicture);
    EXPECT_TRUE(gOpenMenu.SecondGrayed);
    EXPECT_TRUE(gOpenMenu.ThirdIsSeparator);
    EXPECT_EQ(opened, 1) << "the chosen entry runs";

    form.Tray->SetVisible(false);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data)) << "the icon was removed";
}

} // namespace

namespace {

TEST(NativePictures, AnIconKeepsThePicturesPixelsAndTransparency) {
    ui::TPicture picture{16, 16, std::vector<uint32_t>(256, 0xFF2080E0u)};
    for (int i = 0; i < 16; ++i) {
        picture.Pixels[static_cast<size_t>(i) * 16 + i] = 0x00000000u;
        picture.Pixels[static_cast<size_t>(i) * 16 + 15 - i] = 0xFFFF0000u;
    }
    plat::win::unique_hicon icon = ui::win32::MakeIcon(picture);
    ASSERT_TRUE(icon);
    std::optional<ui::TPicture> back = ui::win32::PictureOfIcon(icon.get());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Width, 16);
    EXPECT_EQ(back->Height, 16);
    EXPECT_EQ(back->Pixels, picture.Pixels);
}

TEST(NativePictures, TheStockShieldIsASmallPictureWithItsTransparency) {
    std::optional<ui::TPicture> shield = ui::StockShieldIcon();
    if (!shield.has_value()) {
        GTEST_SKIP() << "the system has no stock shield (Wine's SHGetStockIconInfo gives no icon)";
    }
    EXPECT_EQ(shield->Width, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(shield->Height, GetSystemMetrics(SM_CYSMICON));
    int opaque = 0, clear = 0;
    for (uint32_t pixel : shield->Pixels) {
        opaque += (pixel >> 24) == 0xFF;
        clear += (pixel >> 24) == 0;
    }
    EXPECT_GT(opaque, 0);
    EXPECT_GT(clear, 0) << "a shield, not a square";
}

} // namespace
