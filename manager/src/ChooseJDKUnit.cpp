#include "ChooseJDKUnit.h"

#include "MUISupportUnit.h"
#include "MegaUtils.h"
#include "ProcrunKeys.h"
#include "ResourceStrings.h"
#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "text/PathText.h"
#include "text/SameText.h"
#include "ui/Dialogs.h"

#include <algorithm>
#include <cctype>
#include <functional>

using namespace std::placeholders;

namespace {

constexpr uint32_t kProbeLimitMs = 10000;

std::string LowerCase(std::string AText) {
    std::transform(AText.begin(), AText.end(), AText.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return AText;
}

std::string LastFolderName(const std::string& APath) {
    return APath.substr(APath.find_last_of('\\') + 1);
}

} // namespace

std::string GetJDKRoot() {
    std::string jvm;
    RegReadString(ProcrunJvmPath, plat::RootKey::LocalMachine, jvm);
    if (jvm.empty())
        return "";
    // The DLL lies two levels below the root: bin\server\jvm.dll.
    std::string root = CanonicalizePath(jvm.substr(0, jvm.find_last_of('\\') + 1) + "..\\..");
    plat::IFileSystem& files = plat::Files();
    if (files.FileExists(root + "\\..\\bin\\java.exe") && files.FileExists(root + "\\..\\bin\\javac.exe"))
        root = CanonicalizePath(root + "\\..");
    return root;
}

std::string QuotedProbeArchive() {
    std::string quoted = "\"";
    quoted += text::FolderOf(plat::Files().ModuleFileName());
    quoted += "\\vmtest.jar\"";
    return quoted;
}

bool RunJavaProbe(const std::string& ACommandLine, std::string& AOutput) {
    std::vector<std::string> output, errors;
    const bool ran = TWinUtils::ExecConsoleApp(ACommandLine, output, errors, std::nullopt, kProbeLimitMs);
    AOutput.clear();
    for (const std::string& line : output)
        AOutput += (AOutput.empty() ? "" : "\r\n") + line;
    return ran;
}

bool SelectFolder(const std::string& ATitle, std::string& AFolder) {
    if (!plat::Files().DirectoryExists(AFolder))
        AFolder.clear();
    const std::optional<std::string> chosen = ui::Dialogs().BrowseForFolder(ATitle, AFolder);
    if (!chosen)
        return false;
    AFolder = *chosen;
    return true;
}

void ListSubfolders(const std::string& AFolder, std::vector<std::string>& AList) {
    const std::string folder = AFolder.ends_with('\\') ? AFolder : AFolder + "\\";
    std::vector<plat::FindEntry> entries;
    plat::Files().FindFiles(folder + "*", entries);
    for (const plat::FindEntry& entry : entries)
        if ((entry.Attributes & plat::FILE_ATTRIBUTE_DIRECTORY_) && entry.Name != "." && entry.Name != "..")
            AList.push_back(folder + entry.Name);
}

TChooseJDKForm::TChooseJDKForm(ui::TComponent* AOwner, std::string AName)
    : ui::TForm(AOwner, std::move(AName)) {
    SetCaption("Choose JRE/JDK");
    SetBorderStyle(ui::TFormBorderStyle::bsDialog);
    SetClientSize(402, 256);
    SetPosition(ui::TPosition::poOwnerFormCenter);

    TntLabel1 = Make<ui::TLabel>("TntLabel1");
    TntLabel1->SetBounds(8, 12, 60, 13);
    TntLabel1->SetCaption("Path");
    EditJDKPath = Make<ui::TEdit>("EditJDKPath");
    EditJDKPath->SetBounds(72, 8, 290, 21);
    EditJDKPath->SetTabStop(true);
    EditJDKPath->OnChange = std::bind(&TChooseJDKForm::EditJDKPathChange, this, _1);
    ButtonChooseDir = Make<ui::TButton>("ButtonChooseDir");
    ButtonChooseDir->SetBounds(368, 7, 26, 23);
    ButtonChooseDir->SetCaption("...");
    ButtonChooseDir->SetTabStop(true);
    ButtonChooseDir->OnClick = std::bind(&TChooseJDKForm::ButtonChooseDirClick, this, _1);
    TntLabel2 = Make<ui::TLabel>("TntLabel2");
    TntLabel2->SetBounds(8, 42, 60, 13);
    TntLabel2->SetCaption("VM Type");
    ComboJVM = Make<ui::TComboBox>("ComboJVM");
    ComboJVM->SetBounds(72, 38, 145, 21);
    ComboJVM->SetTabStop(true);
    TntLabel3 = Make<ui::TLabel>("TntLabel3");
    TntLabel3->SetBounds(8, 72, 60, 13);
    TntLabel3->SetCaption("Version");
    MemoJDKInfo = Make<ui::TMemo>("MemoJDKInfo");
    MemoJDKInfo->SetBounds(72, 68, 322, 140);
    MemoJDKInfo->SetReadOnly(true);
    MemoJDKInfo->SetScrollBars(ui::TScrollStyle::ssVertical);
    DefaultButton = Make<ui::TButton>("DefaultButton");
    DefaultButton->SetBounds(8, 222, 90, 25);
    DefaultButton->SetCaption("Use default");
    DefaultButton->SetTabStop(true);
    DefaultButton->OnClick = std::bind(&TChooseJDKForm::DefaultButtonClick, this, _1);
    OkButton = Make<ui::TButton>("OkButton");
    OkButton->SetBounds(238, 222, 75, 25);
    OkButton->SetCaption("OK");
    OkButton->SetDefault(true);
    OkButton->SetTabStop(true);
    OkButton->OnClick = std::bind(&TChooseJDKForm::OkButtonClick, this, _1);
    CancelButton = Make<ui::TButton>("CancelButton");
    CancelButton->SetBounds(319, 222, 75, 25);
    CancelButton->SetCaption("Cancel");
    CancelButton->SetCancel(true);
    CancelButton->SetTabStop(true);
    CancelButton->SetModalResult(ui::mrCancel);
    Timer1 = Make<ui::TTimer>("Timer1");
    Timer1->SetInterval(15);
    Timer1->OnTimer = std::bind(&TChooseJDKForm::Timer1Timer, this, _1);

    OnCreate = std::bind(&TChooseJDKForm::TntFormCreate, this, _1);
}

void TChooseJDKForm::TntFormCreate(ui::TComponent*) {
    _dllPath.clear();
    _JDKFound = false;
    mui::TranslateForm(*this);
}

void TChooseJDKForm::Timer1Timer(ui::TComponent*) {
    Timer1->SetEnabled(false);
    auto onChange = std::move(EditJDKPath->OnChange);
    EditJDKPath->OnChange = nullptr;
    EditJDKPath->SetText(GetJDKRoot());
    EditJDKPath->OnChange = onChange;
    EditJDKPathChange(EditJDKPath);

    std::string jvm;
    RegReadString(ProcrunJvmPath, plat::RootKey::LocalMachine, jvm);
    const std::string folder = LowerCase(CanonicalizePath(jvm.substr(0, jvm.find_last_of('\\'))));
    const auto found = std::find_if(_dllPath.begin(), _dllPath.end(),
                                    [&](const std::string& p) { return text::SameText(p, folder); });
    ComboJVM->SetItemIndex(found == _dllPath.end() ? -1 : static_cast<int>(found - _dllPath.begin()));
}

void TChooseJDKForm::EditJDKPathChange(ui::TComponent*) {
    ui::TControl* focused = ActiveControl();
    MemoJDKInfo->SetText(LanguageTable().GetString("res_please_wait", "Please wait..."));
    EnableControls(false);
    try {
        ui::Application().ProcessMessages();
        _dllPath.clear();
        const std::string root = EditJDKPath->Text();
        std::string output;
        if (RunJavaProbe("\"" + root + "\\bin\\java.exe\" -jar " + QuotedProbeArchive(), output)) {
            MemoJDKInfo->SetText(output);
            ui::Application().ProcessMessages();
            FillVmTypes(root);
            _JDKFound = true;
        } else {
            MemoJDKInfo->SetText(
                LanguageTable().GetString("res_can_not_find_jdk", "Can not find JDK or JRE in this folder"));
            _JDKFound = false;
            ComboJVM->SetItems({});
        }
    } catch (...) {
        EnableControls(true);
        throw;
    }
    EnableControls(true);
    if (focused && focused->CanFocus())
        focused->SetFocus();
}

void TChooseJDKForm::FillVmTypes(const std::string& ARoot) {
    plat::IFileSystem& files = plat::Files();
    ListSubfolders(files.DirectoryExists(ARoot + "\\jre") ? ARoot + "\\jre\\bin" : ARoot + "\\bin", _dllPath);
    std::vector<std::string> types;
    for (auto it = _dllPath.begin(); it != _dllPath.end();) {
        if (!files.FileExists(*it + "\\jvm.dll")) {
            it = _dllPath.erase(it);
            continue;
        }
        types.push_back(LastFolderName(*it));
        *it = LowerCase(*it);
        ++it;
    }
    ComboJVM->SetItems(types);
    if (types.size() == 1) {
        ComboJVM->SetItemIndex(0);
        return;
    }
    const auto server = std::find_if(types.begin(), types.end(),
                                     [](const std::string& t) { return text::SameText(t, "server"); });
    ComboJVM->SetItemIndex(server == types.end() ? -1 : static_cast<int>(server - types.begin()));
}

void TChooseJDKForm::EnableControls(bool AValue) {
    for (ui::TControl* control : std::initializer_list<ui::TControl*>{OkButton, CancelButton, DefaultButton,
                                                                      ComboJVM, EditJDKPath, ButtonChooseDir})
        control->SetEnabled(AValue);
}

void TChooseJDKForm::ButtonChooseDirClick(ui::TComponent*) {
    std::string folder = EditJDKPath->Text();
    const std::string title = LanguageTable().GetString(
        "res_select_folder", "Select the root directory of the JRE or JDK installation:");
    SelectFolder(title, folder);
    EditJDKPath->SetText(folder);
}

void TChooseJDKForm::DefaultButtonClick(ui::TComponent*) {
    EditJDKPath->SetText(CanonicalizePath(text::FolderOf(plat::Files().ModuleFileName()) + "\\..\\jre"));
    if (!ComboJVM->Items().empty())
        ComboJVM->SetItemIndex(0);
}

void TChooseJDKForm::OkButtonClick(ui::TComponent*) {
    const int selected = ComboJVM->ItemIndex();
    if (_JDKFound && selected >= 0 && selected < static_cast<int>(_dllPath.size())) {
        RegWriteString(ProcrunJvmPath, _dllPath[selected] + "\\jvm.dll", plat::RootKey::LocalMachine);
        SetModalResult(ui::mrOk);
        return;
    }
    const TResourceStrings& table = LanguageTable();
    ui::Dialogs().ShowMessageBox(
        table.GetString("res_failed_folder", "Path is not a JDK Root. Java executable was not found"),
        table.GetString("res_error", "Error"), ui::MB_OK_ | ui::MB_ICONWARNING_);
}
