#pragma once
// The settings dialog: the services' start types, the web server's ports, the Java machine's memory and
// runtime, the Server Manager's own autostart, polling interval and language, and the hidden debug
// logging switch. Every showing reads the values afresh; OK saves what changed when the process is
// elevated and otherwise hands over to an elevated instance that opens the dialog again.
#include "JavaPortUnit.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What the last showing read, kept for the whole run so that a value that cannot be read on a later
// showing stays as it was. Saving compares the boxes with it.
struct TLoadedSettings {
    int32_t JavaMaxMem = 256;
    bool WebServiceInstalled = false;
    bool WebServiceAutomatic = false;
    TJavaPortInfo JavaPort;
    bool DbServiceInstalled = false;
    bool DbServiceAutomatic = false;
    int32_t CheckInterval = 5; // seconds
    bool ManagerAutostart = false;
    std::string LanguagePath;
    std::vector<std::string> LanguageFiles; // parallel to ComboManagerLanguage's entries
};
TLoadedSettings& LoadedSettings();

// REG_DWORD, the Java machine's maximum memory in megabytes.
constexpr const char* JvmMxPath =
    "SOFTWARE\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java\\JvmMx";

// The Run value that starts the Server Manager with Windows, and the command line it holds for the
// program at AExePath: the quoted path, a blank and "/background".
constexpr const char* ManagerRunValuePath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\ServiceManager";
std::string AutostartCommandLine(const std::string& AExePath);

// The standard text-to-integer conversion of the dialog's number fields: an optional sign and decimal
// digits that fit 32 bits.
std::optional<int32_t> FieldInteger(const std::string& AText);

class TSettingsForm : public ui::TForm {
public:
    explicit TSettingsForm(ui::TComponent* AOwner, std::string AName = "SettingsForm");
    std::string ClassName() const override { return "TSettingsForm"; }

    ui::TTreeView* TreeMenu;
    ui::TPanel* CaptionPanel;
    ui::TPageControl* PageControl;
    ui::TTabSheet* TntTabSheet1;
    ui::TTabSheet* TntTabSheet2;
    ui::TTabSheet* TntTabSheet3;
    ui::TTabSheet* TntTabSheet4;
    // Page 0, web server.
    ui::TCheckBox* CheckWebServiceAutostart;
    ui::TLabel* LabelWebServicenotInstalled;
    ui::TLabel* LabelWebServerPort;
    ui::TEdit* EditWebServerPort;
    ui::TCheckBox* CheckHttpsEnabled;
    ui::TLabel* LabelHttpsPort;
    ui::TEdit* EditHttpsPort;
    ui::TButton* ButtonCreateHeapDump;
    ui::TCheckBox* CheckDebugMode;
    ui::TLabel* TntLabel1;
    // Page 1, database.
    ui::TCheckBox* CheckMySQLAutoStart;
    ui::TLabel* LabelMySqlNotInstalled;
    // Page 2, Java.
    ui::TLabel* LabelJavaMaxMem;
    ui::TEdit* EditJavaMaxMem;
    ui::TGroupBox* GroupBox;
    ui::TLabel* TntLabel4;
    ui::TLabel* LabelJDKPath;
    ui::TLabel* TntLabel3;
    ui::TMemo* MemoJDKInfo;
    ui::TButton* ChangeJDKButton;
    ui::TLabel* TntLabel2;
    // Page 3, Server Manager.
    ui::TCheckBox* CheckManagerAutostart;
    ui::TLabel* LabelCheckInterval;
    ui::TEdit* EditCheckInterval;
    ui::TPanel* LanguagePanel;
    ui::TLabel* LabelManagerLanguage;
    ui::TComboBox* ComboManagerLanguage;

    ui::TButton* OkButton;
    ui::TButton* CancelButton;

    // What the main window does after a save: take the new polling interval (milliseconds) and refresh
    // itself when it is visible.
    std::function<void(int32_t AMilliseconds)> OnCheckIntervalChanged;
    std::function<void()> OnSaved;

    // The Java page's runtime text has been produced for this showing.
    bool JDKInfoLoaded() const { return FJDKInfoLoaded; }

    void TntFormCreate(ui::TComponent* Sender);
    void TntFormShow(ui::TComponent* Sender);
    void TreeMenuClick(ui::TComponent* Sender);
    void TreeMenuChange(ui::TComponent* Sender, int ANode);
    void CheckHttpsEnabledClick(ui::TComponent* Sender);
    void OkButtonClick(ui::TComponent* Sender);
    void CancelButtonClick(ui::TComponent* Sender);
    void ButtonCreateHeapDumpClick(ui::TComponent* Sender);
    void ChangeJDKButtonClick(ui::TComponent* Sender);
    void TntTabSheet3Show(ui::TComponent* Sender);

    void LoadSettings();
    bool ValidateSettings();
    bool SaveSettings();
    void ApplySettings();
    void RequestElevatedSettings();
    void DisableEditing();

private:
    void CreatePageWebServer();
    void CreatePageDatabase();
    void CreatePageJava();
    void CreatePageManager();
    void FillFields();
    void LoadLanguageList();
    void ShowServiceRow(bool AInstalled, bool AAutomatic, ui::TCheckBox& ABox, ui::TLabel& ANotInstalled);
    bool Refuse(const std::string& AText, int ANode, ui::TControl& AFocus);
    void SaveJavaSettings(bool& AResult);
    void SaveAutostart();
    void SaveConnectors(bool& AResult);
    void SaveStartType(const char* AService, bool AInstalled, bool ALoaded, const ui::TCheckBox& ABox,
                       bool& AResult);
    void SaveDebugMode(bool& AResult);

    bool FJDKInfoLoaded = false;
    // A probe of the Java page is on its way; another one would only repeat it.
    bool FProbing = false;
};
