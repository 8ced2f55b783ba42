#include "MainUnit.h"

#include "BackupOperations.h"
#include "CommandLine.h"
#include "FormatText.h"
#include "MegaUtils.h"
#include "OperationCode.h"
#include "ResourceStrings.h"
#include "ServiceControlUnit.h"
#include "ServiceThreads.h"
#include "ServiceWatcherUnit.h"
#include "SettingsUnit.h"
#include "StopWaitingUnit.h"
#include "UACUtilsUnit.h"
#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "text/PathText.h"
#include "ui/Dialogs.h"
#include "ui/Graphics.h"
#include "xAbout.h"

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::placeholders;

// Replacement pictures are small; anything larger is not one and is not read into memory.
constexpr uint64_t MaxPictureFileSize = 16 * 1024 * 1024;

std::string ProgramFolder() {
    return text::FolderOf(plat::Files().ModuleFileName());
}

std::optional<std::string> ReadPictureFile(const std::string& APath) {
    auto file = plat::Files().Open(APath, plat::OpenMode::Read);
    if (!file)
        return std::nullopt;
    const uint64_t size = file->Size();
    if (size == 0 || size > MaxPictureFileSize)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    size_t got = 0;
    if (!file->Read(bytes.data(), bytes.size(), got) || got != bytes.size())
        return std::nullopt;
    return bytes;
}

// The picture of a replacement file below "images", or nothing when it cannot be read as one.
std::optional<ui::TPicture> ReplacementPicture(const std::string& AName) {
    const auto bytes = ReadPictureFile(ProgramFolder() + "\\images\\" + AName);
    if (!bytes)
        return std::nullopt;
    return ui::DecodePicture(*bytes, 16, ui::TTransparency::BottomLeft);
}

ui::TPicture GlyphStrip(const char* AResource) {
    auto picture = ui::DecodeBitmap(BuiltInResource(AResource), ui::TTransparency::BottomLeft);
    if (!picture)
        throw EResNotFound(std::string("Resource ") + AResource + " is no bitmap");
    return *picture;
}

std::vector<std::string> TextLines(const std::string& AText) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < AText.size()) {
        size_t end = AText.find("\r\n", start);
        if (end == std::string::npos)
            end = AText.size();
        lines.push_back(AText.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

ui::TFont BoldTahoma(ui::TColor AColor = ui::clDefault) {
    ui::TFont font;
    font.Style.Include(ui::TFontStyle::fsBold);
    font.Color = AColor;
    return font;
}

} // namespace

TMainForm::TMainForm(ui::TComponent* AOwner, TAppDataModule& ADataModule)
    : ui::TForm(AOwner, "MainForm"), FDataModule(ADataModule) {
    SetCaption("Tallyfix Server Manager");
    SetBorderStyle(ui::TFormBorderStyle::bsSingle);
    SetMinimizeBox(false);
    SetMaximizeBox(false);
    SetClientSize(417, 294);
    SetPosition(ui::TPosition::poScreenCenter);
    CreateControls();
    CreateCommands();
    CreateTrayMenu();
    LoadBuiltInPictures();

    OnCreate = std::bind(&TMainForm::TntFormCreate, this, _1);
    OnShow = std::bind(&TMainForm::TntFormShow, this, _1);
    OnClose = std::bind(&TMainForm::TntFormClose, this, _1, _2);
    OnActivate = std::bind(&TMainForm::FormActivate, this, _1);
    OnSysCommand = std::bind(&TMainForm::WinMsgsHandler, this, _1, _2);
}

void TMainForm::CreateControls() {
    Shape = Make<ui::TShape>("Shape");
    Shape->SetBounds(0, 0, 417, 41);
    Shape->SetBrushColor(ui::RGBColor(31, 83, 146));
    Shape->SetPenStyle(ui::TPenStyle::psClear);

    TntLabel4 = Make<ui::TLabel>("TntLabel4");
    TntLabel4->SetBounds(12, 9, 393, 24);
    TntLabel4->SetCaption("Tallyfix Server Manager");
    ui::TFont titleFont;
    titleFont.Size = 16; // 21 px at 96 dpi
    titleFont.Color = ui::clSilver;
    TntLabel4->SetFont(titleFont);
    TntLabel4->SetTransparent(true);

    PanelServiceInstall = Make<ui::TPanel>("PanelServiceInstall");
    PanelServiceInstall->SetBounds(216, 121, 193, 98);
    PanelServiceInstall->SetBevelOuter(ui::TBevelCut::bvNone);
    PanelServiceInstall->Hide();
    LabelNoService = Make<ui::TLabel>("LabelNoService");
    LabelNoService->SetParent(PanelServiceInstall);
    LabelNoService->SetBounds(4, 8, 185, 40);
    LabelNoService->SetWordWrap(true);
    LabelNoService->SetFont(BoldTahoma(ui::clRed));
    InstallButton = Make<ui::TButton>("InstallButton");
    InstallButton->SetParent(PanelServiceInstall);
    InstallButton->SetBounds(4, 60, 120, 25);
    InstallButton->SetCaption("Install Service");
    InstallButton->SetTabStop(true);
    InstallButton->OnClick = std::bind(&TMainForm::InstallButtonClick, this, _1);

    SettingsButton = Make<ui::TButton>("SettingsButton");
    SettingsButton->SetBounds(289, 232, 120, 25);
    SettingsButton->SetCaption("Settings");
    SettingsButton->SetTabStop(true);
    BackupButton = Make<ui::TButton>("BackupButton");
    BackupButton->SetBounds(161, 232, 120, 25);
    BackupButton->SetCaption("Backup Data");
    BackupButton->SetTabStop(true);

    Panel1 = Make<ui::TPanel>("Panel1");
    Panel1->SetBounds(8, 49, 401, 64);
    Panel1->SetBevelOuter(ui::TBevelCut::bvLowered);
    TntLabel8 = Make<ui::TLabel>("TntLabel8");
    TntLabel8->SetParent(Panel1);
    TntLabel8->SetBounds(8, 8, 24, 13);
    TntLabel8->SetCaption("IP:");
    TntLabel8->SetFont(BoldTahoma());
    MemoIPAddresses = Make<ui::TMemo>("MemoIPAddresses");
    MemoIPAddresses->SetParent(Panel1);
    MemoIPAddresses->SetBounds(36, 8, 150, 50);
    MemoIPAddresses->SetBorderStyle(ui::TBorderStyle::bsNone);
    MemoIPAddresses->SetReadOnly(true);
    MemoIPAddresses->SetColor(ui::clBtnFace);
    MemoIPAddresses->SetText("<Unknown>");
    TntLabel7 = Make<ui::TLabel>("TntLabel7");
    TntLabel7->SetParent(Panel1);
    TntLabel7->SetBounds(200, 8, 32, 13);
    TntLabel7->SetCaption("Host");
    TntLabel7->SetFont(BoldTahoma());
    EditHost = Make<ui::TEdit>("EditHost");
    EditHost->SetParent(Panel1);
    EditHost->SetBounds(240, 8, 150, 16);
    EditHost->SetBorderStyle(ui::TBorderStyle::bsNone);
    EditHost->SetReadOnly(true);
    EditHost->SetColor(ui::clBtnFace);
    EditHost->SetText("<Unknown>");

    ListServices = Make<ui::TListBox>("ListServices");
    ListServices->SetBounds(8, 121, 200, 52);
    ListServices->SetStyle(ui::TListBoxStyle::lbOwnerDrawFixed);
    ListServices->SetItemHeight(24);
    ListServices->SetItems({"Tallyfix Server", "PostgreSQL Server"});
    ListServices->SetTabStop(true);
    ListServices->OnClick = std::bind(&TMainForm::ComboServicesChange, this, _1);
    ListServices->OnDrawItem = std::bind(&TMainForm::ListServicesDrawItem, this, _1, _2, _3, _4, _5);

    PanelServiceControls = Make<ui::TPanel>("PanelServiceControls");
    PanelServiceControls->SetBounds(216, 121, 193, 98);
    PanelServiceControls->SetBevelOuter(ui::TBevelCut::bvNone);
    auto button = [this](const char* AName, int ALeft, void (TMainForm::*AHandler)(ui::TComponent*)) {
        auto* b = Make<ui::TBitBtn>(AName);
        b->SetParent(PanelServiceControls);
        b->SetBounds(ALeft, 4, 48, 40);
        b->SetNumGlyphs(2);
        b->SetTabStop(true);
        b->OnClick = std::bind(AHandler, this, _1);
        return b;
    };
    StartButton = button("StartButton", 8, &TMainForm::StartButtonClick);
    StopButton = button("StopButton", 72, &TMainForm::StopButtonClick);
    RestartButton = button("RestartButton", 136, &TMainForm::RestartButtonClick);
    auto label = [this](const char* AName, int ALeft, const char* ACaption) {
        auto* l = Make<ui::TLabel>(AName);
        l->SetParent(PanelServiceControls);
        l->SetBounds(ALeft, 48, 48, 13);
        l->SetAlignment(ui::TAlignment::taCenter);
        l->SetCaption(ACaption);
        return l;
    };
    StartLabel = label("StartLabel", 8, "Start");
    StopLabel = label("StopLabel", 72, "Stop");
    RestartLabel = label("RestartLabel", 136, "Restart");

    StatusBar = Make<ui::TStatusBar>("StatusBar");
    StatusBar->SetBounds(0, 275, 417, 19);
    StatusBar->SetSimplePanel(true);

    ImageBalls = Make<ui::TImageList>("ImageBalls", 16, 16);
    UACImageList = Make<ui::TImageList>("UACImageList", 16, 16);
}

void TMainForm::CreateCommands() {
    auto action = [this](const char* AName, const char* ACaption,
                         void (TMainForm::*AHandler)(ui::TComponent*)) {
        auto* a = Make<ui::TAction>(AName);
        a->SetCaption(ACaption);
        a->OnExecute = std::bind(AHandler, this, _1);
        return a;
    };
    OpenAction = action("OpenAction", "Open Server Manager", &TMainForm::OpenActionExecute);
    StartPageAction = action("StartPageAction", "Start Page", &TMainForm::StartPageActionExecute);
    StartAction = action("StartAction", "Start Tallyfix Server", &TMainForm::StartActionExecute);
    StopAction = action("StopAction", "Stop Tallyfix Server", &TMainForm::StopActionExecute);
    RestartAction = action("RestartAction", "Restart Tallyfix Server", &TMainForm::RestartActionExecute);
    CloseAction = action("CloseAction", "Exit", &TMainForm::CloseActionExecute);
    SettingsAction = action("SettingsAction", "Settings...", &TMainForm::SettingsActionExecute);
    AboutAction = action("AboutAction", "About", &TMainForm::AboutActionExecute);
    FullControlAction = action("FullControlAction", "Admin Mode", &TMainForm::FullControlActionExecute);
    BackupAction = action("BackupAction", "Backup Data", &TMainForm::BackupActionExecute);

    BackupButton->SetAction(BackupAction);
    // Runs the command without taking its caption: the button reads "Settings", the menu "Settings...".
    SettingsButton->OnClick = [this](ui::TComponent*) { SettingsAction->Execute(); };
}

void TMainForm::CreateTrayMenu() {
    PopupMenu = Make<ui::TPopupMenu>("PopupMenu");
    PopupMenu->SetImages(UACImageList);
    PopupMenu->OnPopup = std::bind(&TMainForm::PopupMenuPopup, this, _1);
    auto item = [this](const char* AName, ui::TAction* AAction) {
        auto* i = Make<ui::TMenuItem>(AName);
        if (AAction)
            i->SetAction(AAction);
        else
            i->SetCaption("-");
        PopupMenu->Add(i);
        return i;
    };
    OpenMI = item("OpenMI", OpenAction);
    OpenMI->SetDefault(true);
    StartPageMI = item("StartPageMI", StartPageAction);
    N1 = item("N1", nullptr);
    StartMI = item("StartMI", StartAction);
    StopMI = item("StopMI", StopAction);
    RestartMI = item("RestartMI", RestartAction);
    SettingsMI = item("SettingsMI", SettingsAction);
    FullControlMI = item("FullControlMI", FullControlAction);
    BackupMI = item("BackupMI", BackupAction);
    AboutMI = item("AboutMI", AboutAction);
    N2 = item("N2", nullptr);
    CloseMI = item("CloseMI", CloseAction);

    TrayIcon = Make<ui::TTrayIcon>("TrayIcon");
    TrayIcon->SetPopupMenu(PopupMenu);
    TrayIcon->OnDblClick = [this](ui::TComponent*) { OpenAction->Execute(); };
}

void TMainForm::LoadBuiltInPictures() {
    StartButton->SetGlyph(GlyphStrip("GLYPH_START"));
    StopButton->SetGlyph(GlyphStrip("GLYPH_STOP"));
    RestartButton->SetGlyph(GlyphStrip("GLYPH_RESTART"));
    for (const char* ball : {"BALL0", "BALL1", "BALL2"})
        if (ImageBalls->AddMasked(BuiltInResource(ball)) < 0)
            throw EResNotFound(std::string("Resource ") + ball + " is no bitmap");
}

// Each file that can be read as a picture replaces its built-in picture; the others are skipped.
void TMainForm::LoadImageReplacements() {
    const std::pair<const char*, ui::TBitBtn*> glyphs[] = {
        {"start.bmp", StartButton}, {"stop.bmp", StopButton}, {"restart.bmp", RestartButton}};
    for (const auto& [file, target] : glyphs)
        if (auto picture = ReplacementPicture(file))
            target->SetGlyph(*picture);
    const std::pair<ui::TImageList*, std::vector<const char*>> lists[] = {
        {FDataModule.ImageTrayIcons,
         {"stopped.ico", "check_stopped.ico", "running.ico", "check_running.ico"}},
        {FDataModule.ImageTrayIcons16,
         {"stopped4.ico", "check_stopped4.ico", "running4.ico", "check_running4.ico"}},
        {ImageBalls, {"na_ball.bmp", "stop_ball.bmp", "run_ball.bmp"}}};
    for (const auto& [list, files] : lists)
        for (size_t i = 0; i < files.size(); ++i)
            if (auto picture = ReplacementPicture(files[i]))
                list->Replace(static_cast<int>(i), *picture);
}

void TMainForm::TntFormCreate(ui::TComponent*) {
    TrayIcon->SetIcons(IsWinXPOrLater() ? FDataModule.ImageTrayIcons : FDataModule.ImageTrayIcons16);
    LoadImageReplacements();
    TrayIcon->SetHint(ui::Application().Title());
    TrayIcon->SetIconIndex(TrayIconStopped);
    TrayIcon->SetVisible(true);

    CheckInterval = ReadCheckInterval();
    ReadJavaPort(JavaPort);
    FWatcher = TServiceWatcherThread::Create(*this);
    if (FindCmdLineSwitch("background"))
        ui::Application().SetShowMainForm(false);
    ListServices->SetItemIndex(0);

    ApplicationElevated = TUACUtils::IsElevated();
    NeedToShowSettingsForm = FindCmdLineSwitch("settings");
    if (ApplicationElevated) {
        HideFullControl();
    } else {
        DisableServiceActions();
        SetShieldImage();
    }
    TStopWaitingThread::Create();
}

void TMainForm::TntFormShow(ui::TComponent*) {
    ui::Application().SetTaskbarButtonVisible(false);
    UpdateServiceStatus();
    EditHost->SetText(TWinUtils::GetComputerNetName());
    std::string addresses;
    TWinUtils::EnumIP(addresses);
    MemoIPAddresses->SetLines(TextLines(addresses));
    if (ApplicationElevated) {
        HideFullControl();
    } else {
        DisableServiceActions();
        BackupButton->SetAction(FullControlAction);
        TUACUtils::SetButtonElevated(*BackupButton);
        SetShieldImage();
    }
}

void TMainForm::TntFormClose(ui::TComponent*, ui::TCloseAction& Action) {
    if (ui::Application().Terminated())
        return;
    // Closing only puts the program back in the tray.
    ui::Application().SetTaskbarButtonVisible(false);
    Hide();
    Action = ui::TCloseAction::caNone;
}

void TMainForm::FormActivate(ui::TComponent*) {
    if (NeedToShowSettingsForm) {
        NeedToShowSettingsForm = false;
        SettingsActionExecute(this);
    }
}

void TMainForm::WinMsgsHandler(ui::TComponent*, uint32_t ACommand) {
    switch (ACommand & 0xFFF0) {
    case ui::SC_MINIMIZE_:
        Hide();
        ui::Application().SetShowMainForm(false);
        break;
    case ui::SC_RESTORE_:
        Show();
        ui::Application().SetShowMainForm(true);
        break;
    default:
        break;
    }
}

int TMainForm::SelectedSlot() const {
    return ListServices->ItemIndex() == DatabaseSlot ? DatabaseSlot : WebServerSlot;
}

std::string TMainForm::GetPortsText() const {
    return PortsText(JavaPort);
}

void TMainForm::UpdateServiceStatus() {
    const int slot = SelectedSlot();
    const int32_t web = Snapshot.CurrentStates[WebServerSlot];
    if (web != Snapshot.PreviousStates[WebServerSlot])
        TrayIcon->SetHint(TrayHintText(web, JavaPort));
    if (!Visible())
        return;

    const int32_t state = Snapshot.CurrentStates[slot];
    StatusBar->SetSimpleText(StatusText(slot, state, ListServices->Items().at(slot), JavaPort));
    for (int i = 0; i < ServiceSlotCount; ++i)
        Snapshot.BallStates[i] = BallState(Snapshot.CurrentStates[i]);

    if (state == StateNotInstalled) {
        PanelServiceControls->Hide();
        PanelServiceInstall->Show();
        LabelNoService->SetCaption(
            FormatText(LanguageTable().GetString("res_service_notinstalled", "Service %s is not installed"),
                       {std::string(ServiceNames[slot])}));
        const char* installer =
            slot == WebServerSlot ? "\\..\\bin\\install_tomcat_service.bat" : "\\..\\pgsql\\bin\\psql.exe";
        InstallButton->SetVisible(plat::Files().FileExists(ProgramFolder() + installer));
    } else {
        PanelServiceControls->Show();
        PanelServiceInstall->Hide();
        StartButton->SetEnabled(ApplicationElevated && state == 1);
        StopButton->SetEnabled(ApplicationElevated && state == 4);
        RestartButton->SetEnabled(StopButton->Enabled());
        StartLabel->SetEnabled(StartButton->Enabled());
        StopLabel->SetEnabled(StopButton->Enabled());
        RestartLabel->SetEnabled(RestartButton->Enabled());
    }
    ListServices->Invalidate();
}

void TMainForm::DisableServiceActions() {
    for (ui::TControl* control :
         {static_cast<ui::TControl*>(StartButton), static_cast<ui::TControl*>(StopButton),
          static_cast<ui::TControl*>(RestartButton), static_cast<ui::TControl*>(InstallButton)})
        control->SetEnabled(false);
    for (ui::TAction* action : {StartAction, StopAction, RestartAction, BackupAction})
        action->SetEnabled(false);
}

// Hides the Admin Mode entry through its command: the entry takes the command's state whenever the
// command changes (a translated caption), so hiding the entry alone would not last.
void TMainForm::HideFullControl() {
    FullControlAction->SetVisible(false);
}

void TMainForm::SetShieldImage() {
    std::optional<ui::TPicture> shield = ui::StockShieldIcon();
    if (!shield)
        shield = ui::DecodeIcon(BuiltInResource("SHIELD"), 16);
    UACImageList->Clear();
    if (shield)
        UACImageList->Add(*shield);
    FullControlAction->SetImageIndex(UACImageList->Count() > 0 ? 0 : -1);
}

void TMainForm::ListServicesDrawItem(ui::TListBox* Control, int Index, const ui::TRect& Rect,
                                     ui::TOwnerDrawState State, ui::TCanvas& Canvas) {
    if (Index < 0 || Index >= ServiceSlotCount || Index >= static_cast<int>(Control->Items().size()))
        return;
    Canvas.FontName = Control->Font().Name;
    if (State.Selected) {
        Canvas.BrushColor = ui::clHighlight;
        Canvas.FontColor = ui::clHighlightText;
    } else {
        Canvas.BrushColor = Control->Color() == ui::clDefault ? ui::clWindow : Control->Color();
        Canvas.FontColor = ui::clWindowText;
    }
    Canvas.FillRect(Rect);
    const int ball = Snapshot.BallStates[Index] + 1;
    const ui::TPicture& picture = ImageBalls->Picture(ball >= 0 && ball < ImageBalls->Count() ? ball : 0);
    const int left = Rect.Left + 4;
    Canvas.Draw(left, Rect.Top + (Rect.Height() - picture.Height) / 2, picture);
    const ui::TRect textRect{left + picture.Width + 9, Rect.Top, Rect.Right, Rect.Bottom};
    Canvas.DrawText(Control->Items()[Index], textRect,
                    ui::DT_SINGLELINE_ | ui::DT_VCENTER_ | ui::DT_NOPREFIX_);
}

void TMainForm::ComboServicesChange(ui::TComponent*) {
    UpdateServiceStatus();
}

void TMainForm::PopupMenuPopup(ui::TComponent*) {
    const int32_t web = Snapshot.CurrentStates[WebServerSlot];
    StartAction->SetEnabled(ApplicationElevated && web == 1);
    StopAction->SetEnabled(ApplicationElevated && web == 4);
    RestartAction->SetEnabled(StopAction->Enabled());
}

void TMainForm::OpenActionExecute(ui::TComponent*) {
    Show();
    ui::Application().BringToFront();
}

void TMainForm::FullControlActionExecute(ui::TComponent*) {
    TUACUtils::RunElevated("");
}

void TMainForm::CloseActionExecute(ui::TComponent*) {
    ui::Application().Terminate();
}

void TMainForm::StartActionExecute(ui::TComponent*) {
    DoStartService(WebServerSlot);
}

void TMainForm::StopActionExecute(ui::TComponent*) {
    DoStopService(WebServerSlot);
}

void TMainForm::RestartActionExecute(ui::TComponent*) {
    DoRestartService(WebServerSlot);
}

void TMainForm::StartButtonClick(ui::TComponent*) {
    DoStartService(SelectedSlot());
}

void TMainForm::StopButtonClick(ui::TComponent*) {
    DoStopService(SelectedSlot());
}

void TMainForm::RestartButtonClick(ui::TComponent*) {
    DoRestartService(SelectedSlot());
}

std::string TMainForm::StartPageAddress() const {
    const std::string pageTemplate =
        LanguageTable().GetString("setting_start_page_template", "http%s://127.0.0.1:%d/corvane");
    if (JavaPort.HttpsEnabled)
        return FormatText(pageTemplate, {std::string("s"), int64_t{JavaPort.HttpsPort}});
    return FormatText(pageTemplate, {std::string(), int64_t{JavaPort.HttpPort}});
}

void TMainForm::StartPageActionExecute(ui::TComponent*) {
    plat::Shell().OpenDocument(StartPageAddress(), WindowHandle());
}

// The window thread waits for the script: while it runs the window neither repaints nor reacts, and
// the poller waits at its next hand-off.
void TMainForm::InstallButtonClick(ui::TComponent*) {
    const int slot = ListServices->ItemIndex();
    if (slot != WebServerSlot && slot != DatabaseSlot)
        return;
    InstallButton->SetEnabled(false);
    ui::Application().ProcessMessages();
    const std::string script =
        ProgramFolder() + (slot == WebServerSlot ? "\\..\\bin\\install_tomcat_service.bat"
                                                 : "\\..\\bin\\install_pgsql_service.bat");
    // The script finds its files beside it; its folder stays the current folder afterwards. Without
    // that folder the button stays disabled: there is nothing to install from.
    if (!plat::Files().SetCurrentDir(text::FolderOf(script))) {
        ui::Dialogs().ShowMessageBox(plat::Host().SysErrorMessage(plat::LastError()),
                                     ui::Application().Title(), ui::MB_OK_ | ui::MB_ICONERROR_);
        return;
    }
    TWinUtils::WinExec32AndWait("\"" + script + "\"", plat::SW_HIDE_);
    InstallButton->SetEnabled(true);
    UpdateServiceStatus();
}

void TMainForm::DoStartService(int ASlot) {
    if (ASlot == WebServerSlot)
        ReadJavaPort(JavaPort);
    DoStartStopService(ASlot, TServiceUtils::ServiceStart, TryToStartText(),
                       CannotStartText(ListServices->Items().at(ASlot)));
}

void TMainForm::DoStopService(int ASlot) {
    DoStartStopService(ASlot, TServiceUtils::ServiceStop, TryToStopText(),
                       CannotStopText(ListServices->Items().at(ASlot)));
}

void TMainForm::DoStartStopService(int ASlot, TServiceFunc ASvcProc, const std::string& AAction,
                                   const std::string& AErrorMessage) {
    const std::string code = NewOperationCode();
    ServiceControlForm->Prepare(code, AAction, ListServices->Items().at(ASlot));
    auto* worker = new TStartStopServiceThread(ServiceNames[ASlot], code, *ServiceControlForm);
    worker->SvcProc = ASvcProc;
    worker->ErrorMessage = AErrorMessage;
    worker->Start();
    ServiceControlForm->ShowModal();
}

void TMainForm::DoRestartService(int ASlot) {
    const std::string code = NewOperationCode();
    ServiceControlForm->Prepare(code, TryToStopText(), ListServices->Items().at(ASlot));
    auto* worker = new TReStartServiceThread(ServiceNames[ASlot], code, *ServiceControlForm,
                                             [this] { ReadJavaPort(JavaPort); });
    worker->Start();
    ServiceControlForm->ShowModal();
}

void TMainForm::SettingsActionExecute(ui::TComponent*) {
    if (!SettingsForm) {
        SettingsForm = Make<TSettingsForm>("SettingsForm");
        SettingsForm->OnCheckIntervalChanged = [this](int32_t AMilliseconds) {
            CheckInterval = AMilliseconds;
        };
        SettingsForm->OnSaved = [this] {
            if (Visible())
                TntFormShow(this);
        };
        SettingsForm->DoCreate();
    }
    if (SettingsForm->Visible())
        SettingsForm->BringToFront();
    else
        SettingsForm->Show();
}
void TMainForm::BackupActionExecute(ui::TComponent*) {
    ExecuteBackupAction(*this);
}

void TMainForm::AboutActionExecute(ui::TComponent*) {
    if (!AboutForm) {
        AboutForm = Make<TAboutForm>("AboutForm");
        AboutForm->SetPopupParent(this);
        AboutForm->DoCreate();
    }
    if (AboutForm->Visible())
        AboutForm->BringToFront();
    else
        AboutForm->Show();
}
