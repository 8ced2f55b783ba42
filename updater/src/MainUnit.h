#pragma once
// TMainForm, the Updater's progress window: the animation, four step labels and the arrow at the
// current step. Its creation opens the log, inspects the previous installation and fixes the scenario.
#include "LoggerHandlersUnit.h"
#include "UpgradeSteps.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

#include <atomic>
#include <memory>
#include <string>

class TMainForm : public ui::TForm {
public:
    explicit TMainForm(ui::TComponent* AOwner);
    std::string ClassName() const override { return "TMainForm"; }

    ui::TAnimate* Video;
    ui::TLabel* Label1;
    ui::TLabel* Label2;
    ui::TLabel* Label3;
    ui::TLabel* Label4;
    ui::TImage* ArrowImage;
    ui::TLabel* FailureLabel;

    std::string SourceDir;
    std::string DestDir;
    bool IsPostgresInstallation = false;
    bool EnableFastPostgresUpdate = false;

    void FormCreate(ui::TComponent* Sender);
    void FormShow(ui::TComponent* Sender);
    // Marks the step of ALabel as the current one: bold, with the arrow beside it.
    void NextStep(ui::TLabel* ALabel);
    // The end of the run, on the window thread: the arrow goes, and the window closes with the
    // program's exit code (0: the upgrade ran to its end, 1: it stopped on an error).
    void HideArrow();
    // A stopped upgrade: the steps give way to one line that says so and where the log is.
    void ShowFailure(const std::string& ALogPath);
    void Finish(int AExitCode);

    TUpgradeScenario Scenario() const;
    int ExitCode() const { return FExitCode; }
    // True once the log is open, so set-up errors can still be written to it.
    bool LogOpen() const { return FLogHandler != nullptr; }

private:
    void SetScenarioCaptions();

    std::unique_ptr<TFileLoggerHandler> FLogHandler;
    std::atomic<int> FExitCode{0};
};

// Product name written in the log: "Tallyfix" with the switch "tf", otherwise "Corvane".
std::string GetProductName();
// The uninstall key of the previous version of the product.
std::string GetUninstallKey();
