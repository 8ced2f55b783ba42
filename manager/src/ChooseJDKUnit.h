#pragma once
// The Java runtime the web server's service runs on, as the service wrapper's Jvm value names it, the
// probe that tells what a runtime is, and the chooser that stores another one into Jvm.
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"

#include <string>
#include <vector>

// The runtime's root, the folder whose bin holds java.exe, from the jvm.dll the wrapper loads:
// C:\J\bin\server\jvm.dll gives C:\J. A runtime in the jre folder of a JDK gives the JDK's folder, whose
// bin also holds the development tools. Empty when Jvm is not set.
std::string GetJDKRoot();

// The probe archive "vmtest.jar" in the program's folder, in double quotes for a command line.
std::string QuotedProbeArchive();

// Runs the command line with no working folder and at most 10 seconds; AOutput gets what it wrote to
// standard output, lines joined by CR LF. False when it could not start or did not end in time.
bool RunJavaProbe(const std::string& ACommandLine, std::string& AOutput);

// The shell's folder browser with ATitle, starting at AFolder when that folder exists (else AFolder is
// cleared first). True when the user chose a folder, which then replaces AFolder.
bool SelectFolder(const std::string& ATitle, std::string& AFolder);

// Appends AFolder + name for every subfolder of AFolder ("." and ".." aside), in the file system's order.
void ListSubfolders(const std::string& AFolder, std::vector<std::string>& AList);

// The dialog that picks a runtime folder and a VM type. Every change of the path probes it on the window
// thread; OK stores the chosen type's jvm.dll into Jvm.
class TChooseJDKForm : public ui::TForm {
public:
    explicit TChooseJDKForm(ui::TComponent* AOwner, std::string AName = "ChooseJDKForm");
    std::string ClassName() const override { return "TChooseJDKForm"; }

    ui::TLabel* TntLabel1;
    ui::TEdit* EditJDKPath;
    ui::TButton* ButtonChooseDir;
    ui::TLabel* TntLabel2;
    ui::TComboBox* ComboJVM;
    ui::TLabel* TntLabel3;
    ui::TMemo* MemoJDKInfo;
    ui::TButton* DefaultButton;
    ui::TButton* OkButton;
    ui::TButton* CancelButton;
    ui::TTimer* Timer1;

    // The folders of the VM types, parallel to ComboJVM's entries (lower-cased once accepted).
    const std::vector<std::string>& DllPaths() const { return _dllPath; }
    // The last probe of the typed path worked.
    bool JDKFound() const { return _JDKFound; }

    void TntFormCreate(ui::TComponent* Sender);
    void Timer1Timer(ui::TComponent* Sender);
    void EditJDKPathChange(ui::TComponent* Sender);
    void ButtonChooseDirClick(ui::TComponent* Sender);
    void DefaultButtonClick(ui::TComponent* Sender);
    void OkButtonClick(ui::TComponent* Sender);
    void EnableControls(bool AValue);

private:
    void FillVmTypes(const std::string& ARoot);

    std::vector<std::string> _dllPath;
    bool _JDKFound = false;
};
