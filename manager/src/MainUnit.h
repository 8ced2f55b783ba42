#pragma once
// The Server Manager's main window and tray: the host's name and addresses, the two services with a
// ball each, the start, stop and restart buttons of the selected service (or the installation panel
// when it is not installed), the commands of the tray menu with their enabling rules, and the status
// texts the poller keeps current through UpdateServiceStatus.
#include "AppDataModule.h"
#include "JavaPortUnit.h"
#include "ServiceStatusUnit.h"
#include "WinUtilsUnit.h"
#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/ImgList.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <atomic>
#include <cstdint>

class TAboutForm;
class TServiceControlForm;
class TServiceWatcherThread;
class TSettingsForm;

class TMainForm : public ui::TForm {
public:
    TMainForm(ui::TComponent* AOwner, TAppDataModule& ADataModule);
    std::string ClassName() const override { return "TMainForm"; }

    // Controls, top to bottom.
    ui::TShape* Shape;
    ui::TLabel* TntLabel4;
    ui::TPanel* PanelServiceInstall;
    ui::TLabel* LabelNoService;
    ui::TButton* InstallButton;
    ui::TButton* SettingsButton;
    ui::TButton* BackupButton;
    ui::TPanel* Panel1;
    ui::TLabel* TntLabel8;
    ui::TMemo* MemoIPAddresses;
    ui::TLabel* TntLabel7;
    ui::TEdit* EditHost;
    ui::TListBox* ListServices;
    ui::TPanel* PanelServiceControls;
    ui::TBitBtn* StartButton;
    ui::TBitBtn* StopButton;
    ui::TBitBtn* RestartButton;
    ui::TLabel* StartLabel;
    ui::TLabel* StopLabel;
    ui::TLabel* RestartLabel;
    ui::TStatusBar* StatusBar;

    // Pictures: the balls (0 not available, 1 stopped, 2 running) and the shield of Admin Mode.
    ui::TImageList* ImageBalls;
    ui::TImageList* UACImageList;

    // Commands.
    ui::TAction* OpenAction;
    ui::TAction* StartPageAction;
    ui::TAction* StartAction;
    ui::TAction* StopAction;
    ui::TAction* RestartAction;
    ui::TAction* CloseAction;
    ui::TAction* SettingsAction;
    ui::TAction* AboutAction;
    ui::TAction* FullControlAction;
    ui::TAction* BackupAction;

    // The tray menu, in menu order.
    ui::TPopupMenu* PopupMenu;
    ui::TMenuItem* OpenMI;
    ui::TMenuItem* StartPageMI;
    ui::TMenuItem* N1;
    ui::TMenuItem* StartMI;
    ui::TMenuItem* StopMI;
    ui::TMenuItem* RestartMI;
    ui::TMenuItem* SettingsMI;
    ui::TMenuItem* FullControlMI;
    ui::TMenuItem* BackupMI;
    ui::TMenuItem* AboutMI;
    ui::TMenuItem* N2;
    ui::TMenuItem* CloseMI;
    ui::TTrayIcon* TrayIcon;

    // State.
    TServiceSnapshot Snapshot;
    // The pause between two polls in milliseconds; the poller reads it afresh before each pause.
    std::atomic<int32_t> CheckInterval{DefaultCheckInterval};
    // The web server's ports as last read (window thread only).
    TJavaPortInfo JavaPort;
    bool ApplicationElevated = false;
    bool NeedToShowSettingsForm = false;
    // The progress window of the service operations and the backup, made once at start-up.
    TServiceControlForm* ServiceControlForm = nullptr;
    // Made at their first use and kept until the program ends.
    TAboutForm* AboutForm = nullptr;
    TSettingsForm* SettingsForm = nullptr;

    // Derives every state-dependent text, picture and control state from the snapshot (window thread).
    void UpdateServiceStatus();
    std::string GetPortsText() const;
    // The slot the service list has selected.
    int SelectedSlot() const;
    // The poller this window started; it runs until the process ends.
    TServiceWatcherThread* Watcher() const { return FWatcher; }

    void DisableServiceActions();
    void SetShieldImage();

    // The operations on a slot's service; each returns when the progress window closes.
    void DoStartService(int ASlot);
    void DoStopService(int ASlot);
    void DoRestartService(int ASlot);
    // The start page's address for the ports as last read.
    std::string StartPageAddress() const;

    // Handlers.
    void TntFormCreate(ui::TComponent* Sender);
    void TntFormShow(ui::TComponent* Sender);
    void TntFormClose(ui::TComponent* Sender, ui::TCloseAction& Action);
    void FormActivate(ui::TComponent* Sender);
    void WinMsgsHandler(ui::TComponent* Sender, uint32_t ACommand);
    void ListServicesDrawItem(ui::TListBox* Control, int Index, const ui::TRect& Rect,
                              ui::TOwnerDrawState State, ui::TCanvas& Canvas);
    void ComboServicesChange(ui::TComponent* Sender);
    void PopupMenuPopup(ui::TComponent* Sender);
    void OpenActionExecute(ui::TComponent* Sender);
    void StartPageActionExecute(ui::TComponent* Sender);
    void StartActionExecute(ui::TComponent* Sender);
    void StopActionExecute(ui::TComponent* Sender);
    void RestartActionExecute(ui::TComponent* Sender);
    void SettingsActionExecute(ui::TComponent* Sender);
    void FullControlActionExecute(ui::TComponent* Sender);
    void BackupActionExecute(ui::TComponent* Sender);
    void AboutActionExecute(ui::TComponent* Sender);
    void CloseActionExecute(ui::TComponent* Sender);
    void StartButtonClick(ui::TComponent* Sender);
    void StopButtonClick(ui::TComponent* Sender);
    void RestartButtonClick(ui::TComponent* Sender);
    void InstallButtonClick(ui::TComponent* Sender);

private:
    void CreateControls();
    void CreateCommands();
    void CreateTrayMenu();
    void LoadBuiltInPictures();
    void LoadImageReplacements();
    void HideFullControl();
    void DoStartStopService(int ASlot, TServiceFunc ASvcProc, const std::string& AAction,
                            const std::string& AErrorMessage);

    TAppDataModule& FDataModule;
    TServiceWatcherThread* FWatcher = nullptr;
};
