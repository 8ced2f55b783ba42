#include "SettingsUnit.h"

#include "LoggerUtilsUnit.h"
#include "MUISupportUnit.h"
#include "ResourceStrings.h"
#include "UACUtilsUnit.h"
#include "ui/Keyboard.h"

#include <functional>

using namespace std::placeholders;

namespace {

constexpr const char* kRestartNote = "Changes will take effect after restarting Tallyfix Server";

template <class T>
T* Place(T* AControl, ui::TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight,
         const std::string& ACaption = "") {
    AControl->SetParent(AParent);
    AControl->SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!ACaption.empty())
        AControl->SetCaption(ACaption);
    return AControl;
}

ui::TFont NotInstalledFont() {
    ui::TFont font;
    font.Color = ui::clRed;
    font.Style.Include(ui::TFontStyle::fsBold);
    return font;
}

} // namespace

TSettingsForm::TSettingsForm(ui::TComponent* AOwner, std::string AName)
    : ui::TForm(AOwner, std::move(AName)) {
    SetCaption("Settings");
    SetBorderStyle(ui::TFormBorderStyle::bsDialog);
    SetClientSize(540, 330);
    SetPosition(ui::TPosition::poScreenCenter);

    TreeMenu = Make<ui::TTreeView>("TreeMenu");
    TreeMenu->SetBounds(8, 8, 170, 280);
    TreeMenu->SetTabStop(true);
    for (const char* node : {"Tallyfix", "PostgreSQL", "Java Machine", "Tallyfix Server Manager"})
        TreeMenu->AddNode(node);
    TreeMenu->OnChange = std::bind(&TSettingsForm::TreeMenuChange, this, _1, _2);
    TreeMenu->OnClick = std::bind(&TSettingsForm::TreeMenuClick, this, _1);
    CaptionPanel = Make<ui::TPanel>("CaptionPanel");
    CaptionPanel->SetBounds(186, 8, 346, 24);
    CaptionPanel->SetColor(ui::RGBColor(0, 0, 128));
    ui::TFont captionFont;
    captionFont.Color = ui::clWhite;
    captionFont.Style.Include(ui::TFontStyle::fsBold);
    CaptionPanel->SetFont(captionFont);
    PageControl = Make<ui::TPageControl>("PageControl");
    PageControl->SetBounds(186, 36, 346, 252);
    auto sheet = [this](const char* AName) {
        auto* page = Make<ui::TTabSheet>(AName);
        page->SetPageControl(PageControl);
        page->SetParent(PageControl);
        page->SetBounds(0, 0, 346, 252);
        return page;
    };
    TntTabSheet1 = sheet("TntTabSheet1");
    TntTabSheet2 = sheet("TntTabSheet2");
    TntTabSheet3 = sheet("TntTabSheet3");
    TntTabSheet4 = sheet("TntTabSheet4");
    CreatePageWebServer();
    CreatePageDatabase();
    CreatePageJava();
    CreatePageManager();

    OkButton = Make<ui::TButton>("OkButton");
    OkButton->SetBounds(376, 298, 75, 25);
    OkButton->SetCaption("OK");
    OkButton->SetDefault(true);
    OkButton->SetTabStop(true);
    OkButton->OnClick = std::bind(&TSettingsForm::OkButtonClick, this, _1);
    CancelButton = Make<ui::TButton>("CancelButton");
    CancelButton->SetBounds(457, 298, 75, 25);
    CancelButton->SetCaption("Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetTabStop(true);
    CancelButton->OnClick = std::bind(&TSettingsForm::CancelButtonClick, this, _1);

    OnCreate = std::bind(&TSettingsForm::TntFormCreate, this, _1);
    OnShow = std::bind(&TSettingsForm::TntFormShow, this, _1);
}

void TSettingsForm::CreatePageWebServer() {
    ui::TTabSheet* page = TntTabSheet1;
    CheckWebServiceAutostart =
        Place(Make<ui::TCheckBox>("CheckWebServiceAutostart"), page, 12, 12, 200, 17, "Automatic Startup");
    CheckWebServiceAutostart->SetTabStop(true);
    LabelWebServicenotInstalled = Place(Make<ui::TLabel>("LabelWebServicenotInstalled"), page, 12, 34, 300,
                                        13, "Tallyfix service is not installed");
    LabelWebServicenotInstalled->SetFont(NotInstalledFont());
    LabelWebServicenotInstalled->Hide();
    LabelWebServerPort =
        Place(Make<ui::TLabel>("LabelWebServerPort"), page, 12, 60, 130, 13, "Web-server port:");
    EditWebServerPort = Place(Make<ui::TEdit>("EditWebServerPort"), page, 150, 56, 80, 21);
    EditWebServerPort->SetTabStop(true);
    CheckHttpsEnabled =
        Place(Make<ui::TCheckBox>("CheckHttpsEnabled"), page, 12, 86, 200, 17, "Enable Secure HTTP");
    CheckHttpsEnabled->SetTabStop(true);
    CheckHttpsEnabled->OnClick = std::bind(&TSettingsForm::CheckHttpsEnabledClick, this, _1);
    LabelHttpsPort = Place(Make<ui::TLabel>("LabelHttpsPort"), page, 12, 112, 130, 13, "Secure HTTP port");
    EditHttpsPort = Place(Make<ui::TEdit>("EditHttpsPort"), page, 150, 108, 80, 21);
    EditHttpsPort->SetTabStop(true);
    ButtonCreateHeapDump =
        Place(Make<ui::TButton>("ButtonCreateHeapDump"), page, 12, 142, 120, 25, "Create Heap Dump");
    ButtonCreateHeapDump->SetTabStop(true);
    ButtonCreateHeapDump->OnClick = std::bind(&TSettingsForm::ButtonCreateHeapDumpClick, this, _1);
    CheckDebugMode = Place(Make<ui::TCheckBox>("CheckDebugMode"), page, 12, 178, 200, 17, "Debug Mode");
    CheckDebugMode->SetTabStop(true);
    CheckDebugMode->SetHint("Warning: Generates large logs. Enable only if instructed by Tallyfix Support.");
    CheckDebugMode->SetShowHint(true);
    CheckDebugMode->Hide();
    TntLabel1 = Place(Make<ui::TLabel>("TntLabel1"), page, 12, 220, 320, 13, kRestartNote);
}

void TSettingsForm::CreatePageDatabase() {
    ui::TTabSheet* page = TntTabSheet2;
    CheckMySQLAutoStart =
        Place(Make<ui::TCheckBox>("CheckMySQLAutoStart"), page, 12, 12, 200, 17, "Automatic Startup");
    CheckMySQLAutoStart->SetTabStop(true);
    LabelMySqlNotInstalled = Place(Make<ui::TLabel>("LabelMySqlNotInstalled"), page, 12, 34, 300, 13,
                                   "PostgreSQL service is not installed");
    LabelMySqlNotInstalled->SetFont(NotInstalledFont());
    LabelMySqlNotInstalled->Hide();
}

void TSettingsForm::CreatePageJava() {
    ui::TTabSheet* page = TntTabSheet3;
    LabelJavaMaxMem =
        Place(Make<ui::TLabel>("LabelJavaMaxMem"), page, 12, 16, 170, 13, "Maximum memory size (MB):");
    EditJavaMaxMem = Place(Make<ui::TEdit>("EditJavaMaxMem"), page, 190, 12, 80, 21);
    EditJavaMaxMem->SetTabStop(true);
    GroupBox = Place(Make<ui::TGroupBox>("GroupBox"), page, 8, 44, 330, 170, "JRE/JDK");
    TntLabel4 = Place(Make<ui::TLabel>("TntLabel4"), GroupBox, 8, 20, 40, 13, "Path:");
    LabelJDKPath = Place(Make<ui::TLabel>("LabelJDKPath"), GroupBox, 56, 20, 266, 13);
    TntLabel3 = Place(Make<ui::TLabel>("TntLabel3"), GroupBox, 8, 40, 40, 13, "Version");
    MemoJDKInfo = Place(Make<ui::TMemo>("MemoJDKInfo"), GroupBox, 56, 40, 266, 90);
    MemoJDKInfo->SetReadOnly(true);
    ChangeJDKButton =
        Place(Make<ui::TButton>("ChangeJDKButton"), GroupBox, 56, 136, 110, 25, "Change JRE/JDK");
    ChangeJDKButton->SetTabStop(true);
    ChangeJDKButton->OnClick = std::bind(&TSettingsForm::ChangeJDKButtonClick, this, _1);
    TntLabel2 = Place(Make<ui::TLabel>("TntLabel2"), page, 12, 222, 320, 13, kRestartNote);
}

void TSettingsForm::CreatePageManager() {
    ui::TTabSheet* page = TntTabSheet4;
    CheckManagerAutostart =
        Place(Make<ui::TCheckBox>("CheckManagerAutostart"), page, 12, 12, 200, 17, "Automatic Startup");
    CheckManagerAutostart->SetTabStop(true);
    LabelCheckInterval = Place(Make<ui::TLabel>("LabelCheckInterval"), page, 12, 44, 200, 13,
                               "Service status check interval (sec.):");
    EditCheckInterval = Place(Make<ui::TEdit>("EditCheckInterval"), page, 220, 40, 60, 21);
    EditCheckInterval->SetTabStop(true);
    // Nothing shows the language panel: the interface language stays the one the registry names.
    LanguagePanel = Place(Make<ui::TPanel>("LanguagePanel"), page, 8, 72, 330, 30);
    LanguagePanel->SetBevelOuter(ui::TBevelCut::bvNone);
    LanguagePanel->Hide();
    LabelManagerLanguage =
        Place(Make<ui::TLabel>("LabelManagerLanguage"), LanguagePanel, 4, 8, 120, 13, "Interface language:");
    ComboManagerLanguage = Place(Make<ui::TComboBox>("ComboManagerLanguage"), LanguagePanel, 130, 4, 190, 21);
    ComboManagerLanguage->SetTabStop(true);
}

void TSettingsForm::TntFormCreate(ui::TComponent*) {
    FJDKInfoLoaded = false;
    mui::TranslateForm(*this);
}

void TSettingsForm::TntFormShow(ui::TComponent*) {
    for (ui::TTabSheet* page : PageControl->Pages())
        page->SetTabVisible(false);
    TreeMenu->Select(0);
    TreeMenuClick(TreeMenu);
    LoadSettings();
    FillFields();
    TUACUtils::SetButtonElevated(*OkButton);
    if (!TUACUtils::IsElevated()) {
        DisableEditing();
        OkButton->SetCaption(LanguageTable().GetString("res_settings_change_settings", "Change Settings"));
    }
}

void TSettingsForm::ShowServiceRow(bool AInstalled, bool AAutomatic, ui::TCheckBox& ABox,
                                   ui::TLabel& ANotInstalled) {
    ANotInstalled.SetVisible(!AInstalled);
    ABox.SetEnabled(AInstalled);
    ABox.SetChecked(AInstalled && AAutomatic);
}

void TSettingsForm::FillFields() {
    const TLoadedSettings& loaded = LoadedSettings();
    EditJavaMaxMem->SetText(std::to_string(loaded.JavaMaxMem));
    ShowServiceRow(loaded.WebServiceInstalled, loaded.WebServiceAutomatic, *CheckWebServiceAutostart,
                   *LabelWebServicenotInstalled);
    EditWebServerPort->SetText(std::to_string(loaded.JavaPort.HttpPort));
    EditHttpsPort->SetText(std::to_string(loaded.JavaPort.HttpsPort));
    CheckHttpsEnabled->SetChecked(loaded.JavaPort.HttpsEnabled);
    CheckHttpsEnabledClick(CheckHttpsEnabled);
    EditCheckInterval->SetText(std::to_string(loaded.CheckInterval));
    ShowServiceRow(loaded.DbServiceInstalled, loaded.DbServiceAutomatic, *CheckMySQLAutoStart,
                   *LabelMySqlNotInstalled);
    CheckManagerAutostart->SetChecked(loaded.ManagerAutostart);
}

void TSettingsForm::DisableEditing() {
    for (ui::TControl* control : std::initializer_list<ui::TControl*>{
             CheckWebServiceAutostart, LabelWebServerPort, EditWebServerPort, CheckHttpsEnabled,
             LabelHttpsPort, EditHttpsPort, ButtonCreateHeapDump, CheckDebugMode, CheckMySQLAutoStart,
             EditJavaMaxMem, LabelJavaMaxMem, ChangeJDKButton, CheckManagerAutostart, LabelCheckInterval,
             EditCheckInterval})
        control->SetEnabled(false);
}

void TSettingsForm::TreeMenuChange(ui::TComponent* Sender, int) {
    TreeMenuClick(Sender);
}

void TSettingsForm::TreeMenuClick(ui::TComponent*) {
    const int node = TreeMenu->Selected();
    if (node < 0)
        return;
    CaptionPanel->SetCaption(TreeMenu->NodeText(node));
    ui::Application().ProcessMessages();
    while (PageControl->ActivePageIndex() != node)
        PageControl->SetActivePageIndex(node);
    ui::Application().ProcessMessages();
    if (node == 0 && ui::ControlKeyDown()) {
        CheckDebugMode->Show();
        CheckDebugMode->SetChecked(IsDebugLoggingOn());
        ButtonCreateHeapDump->Show();
    }
    // The Java page is laid out when it is first shown: that is when its runtime is probed.
    if (node == 2)
        TntTabSheet3Show(TntTabSheet3);
}

void TSettingsForm::CheckHttpsEnabledClick(ui::TComponent*) {
    LabelHttpsPort->SetEnabled(CheckHttpsEnabled->Checked());
    EditHttpsPort->SetEnabled(CheckHttpsEnabled->Checked());
}

void TSettingsForm::OkButtonClick(ui::TComponent*) {
    if (TUACUtils::IsElevated())
        ApplySettings();
    else
        RequestElevatedSettings();
}

void TSettingsForm::CancelButtonClick(ui::TComponent*) {
    Close();
}

void TSettingsForm::RequestElevatedSettings() {
    TUACUtils::RunElevated("/settings");
}
