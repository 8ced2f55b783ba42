#include "MainUnit.h"

#include "CommandLine.h"
#include "InspectionUnit.h"
#include "LoggerUnit.h"
#include "MegaUtils.h"
#include "WorkingThreadUnit.h"

namespace {

constexpr const char* UninstallKeyBase = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr int FirstFastMinor = 12;

ui::TLabel* MakeLabel(TMainForm& form, const std::string& name, int top, const std::string& caption) {
    auto* label = form.Make<ui::TLabel>(name);
    label->SetBounds(82, top, 180, 13);
    label->SetCaption(caption);
    return label;
}

// The 64-bit registry view first, the program's own view when that gives nothing.
std::string ReadOldProductName() {
    std::string path = GetUninstallKey() + "\\DisplayName";
    auto value = ReadRegistryString(plat::RootKey::LocalMachine, path, true);
    if (!value || value->empty()) {
        value = ReadRegistryString(plat::RootKey::LocalMachine, path, false);
    }
    return value.value_or(std::string());
}

} // namespace

std::string GetProductName() {
    return FindCmdLineSwitch("tf") ? "Tallyfix" : "Corvane";
}

std::string GetUninstallKey() {
    return std::string(UninstallKeyBase) + (FindCmdLineSwitch("tf") ? "Tallyfix_is1" : "Corvane Server_is1");
}

TMainForm::TMainForm(ui::TComponent* AOwner) : ui::TForm(AOwner, "MainForm") {
    SetCaption("Uninstall previous version progress");
    SetBorderStyle(ui::TFormBorderStyle::bsToolWindow);
    SetSystemMenu(false);
    SetPosition(ui::TPosition::poScreenCenter);
    SetClientSize(267, 89);
    Video = Make<ui::TAnimate>("Video");
    Video->SetBounds(16, 16, 48, 48);
    // Until the inspection has chosen the scenario, the window shows the steps of the dump upgrade.
    const TUpgradeSteps& steps = UpgradeSteps(TUpgradeScenario::PostgresDump);
    Label1 = MakeLabel(*this, "Label1", 8, steps[0].Caption);
    Label2 = MakeLabel(*this, "Label2", 27, steps[1].Caption);
    Label3 = MakeLabel(*this, "Label3", 46, steps[2].Caption);
    Label4 = MakeLabel(*this, "Label4", 65, steps[3].Caption);
    ArrowImage = Make<ui::TImage>("ArrowImage");
    ArrowImage->SetBounds(72, Label1->Top(), 6, 13);
    ArrowImage->LoadFromResourceName("ARROW");
    ArrowImage->SetTransparent(true);
    ArrowImage->SetVisible(false);
    FailureLabel = MakeLabel(*this, "FailureLabel", 8, "");
    FailureLabel->SetBounds(82, 8, 180, 70);
    FailureLabel->SetVisible(false);
    OnCreate = [this](ui::TComponent* sender) { FormCreate(sender); };
    OnShow = [this](ui::TComponent* sender) { FormShow(sender); };
    // There is no cancel: the window goes only when the worker is done with it.
    OnCloseQuery = [](ui::TComponent*) { return false; };
}

void TMainForm::FormCreate(ui::TComponent*) {
    Video->SetResName("MOVIE");
    SourceDir = ParamStr(1);
    DestDir = ParamStr(2);
    FLogHandler = OpenUpdaterLog(DestDir);
    TLogger::Fine("Start %s upgrade", {GetProductName()});
    TLogger::Fine("Previous installation directory - %s", {SourceDir});
    TLogger::Fine("New installation directory - %s", {DestDir});
    TLogger::Fine("Old product - %s", {ReadOldProductName()});
    IsPostgresInstallation = DetectPostgresInstallation(SourceDir);
    std::string databaseName = "MySQL";
    if (IsPostgresInstallation) {
        databaseName = "PostgreSQL";
        std::string initdb = SourceDir + "\\pgsql\\bin\\initdb.exe";
        TFileVersionNumbers version = GetFileVersionNumbers(initdb);
        TLogger::Fine("Version for %s is %s",
                      {initdb, std::to_string(version.Major) + "." + std::to_string(version.Minor)});
        EnableFastPostgresUpdate = version.Major == 14 && version.Minor >= FirstFastMinor;
        TLogger::Fine(EnableFastPostgresUpdate ? "Will use fast Postgres update"
                                               : "Will extract database dump");
    }
    TLogger::Fine("Previous version uses %s database", {databaseName});
    SetScenarioCaptions();
}

TUpgradeScenario TMainForm::Scenario() const {
    return ScenarioOf(IsPostgresInstallation, EnableFastPostgresUpdate);
}

void TMainForm::SetScenarioCaptions() {
    const TUpgradeSteps& steps = UpgradeSteps(Scenario());
    ui::TLabel* labels[] = {Label1, Label2, Label3, Label4};
    for (size_t i = 0; i < steps.size(); ++i) {
        labels[i]->SetCaption(steps[i].Caption);
    }
}

void TMainForm::FormShow(ui::TComponent*) {
    Video->SetActive(true);
    ui::Application().ProcessMessages();
    auto* worker = new TWorkingThread(IsPostgresInstallation, EnableFastPostgresUpdate);
    worker->SourceDir = SourceDir;
    worker->DestDir = DestDir;
    worker->Form = this;
    worker->Start();
}

void TMainForm::NextStep(ui::TLabel* ALabel) {
    ui::TFontStyles style = ALabel->Font().Style;
    style.Include(ui::TFontStyle::fsBold);
    ALabel->SetFontStyle(style);
    ArrowImage->SetTop(ALabel->Top());
    ArrowImage->SetVisible(true);
    ui::Application().Announce(ALabel->Caption());
    ui::Application().ProcessMessages();
}

void TMainForm::HideArrow() {
    ArrowImage->SetVisible(false);
}

void TMainForm::ShowFailure(const std::string& ALogPath) {
    for (ui::TControl* step : {static_cast<ui::TControl*>(Label1), static_cast<ui::TControl*>(Label2),
                               static_cast<ui::TControl*>(Label3), static_cast<ui::TControl*>(Label4),
                               static_cast<ui::TControl*>(ArrowImage)}) {
        step->SetVisible(false);
    }
    FailureLabel->SetCaption("The upgrade stopped. The log is " + ALogPath);
    FailureLabel->SetVisible(true);
    ui::Application().Announce(FailureLabel->Caption());
    ui::Application().ProcessMessages();
}

void TMainForm::Finish(int AExitCode) {
    FExitCode = AExitCode;
    Close();
}
