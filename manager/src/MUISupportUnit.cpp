#include "MUISupportUnit.h"

#include "Errors.h"
#include "MegaUtils.h"
#include "ResourceStrings.h"
#include "platform/Platform.h"
#include "platform/Resources.h"
#include "text/PathText.h"
#include "ui/ActnList.h"
#include "ui/ComCtrls.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace mui {

namespace {

constexpr const char* kLanguageRegKeyFallback = "SOFTWARE\\Ostwick software\\ServiceManager\\Language";

// The controls whose caption is translated: labels, push and bitmap buttons, check boxes, group boxes.
// Edits, panels and the like also keep a caption, but it is content, not design text.
ui::TControl* CaptionedControl(ui::TComponent* AComponent) {
    if (dynamic_cast<ui::TLabel*>(AComponent) || dynamic_cast<ui::TButton*>(AComponent) ||
        dynamic_cast<ui::TCheckBox*>(AComponent) || dynamic_cast<ui::TGroupBox*>(AComponent))
        return static_cast<ui::TControl*>(AComponent);
    return nullptr;
}

void AppendItemLines(std::vector<std::string>& ALines, const std::string& AKey,
                     const std::vector<std::string>& AItems) {
    for (size_t i = 0; i < AItems.size(); ++i)
        ALines.push_back(AKey + std::to_string(i) + "=" + AItems[i]);
}

void TranslateItems(ui::TCustomListControl& AList, const std::string& AKey) {
    const TResourceStrings& table = LanguageTable();
    const int selected = AList.ItemIndex();
    for (int i = 0; i < static_cast<int>(AList.Items().size()); ++i)
        AList.SetItem(i, table.GetString(AKey + std::to_string(i), AList.Items()[i]));
    AList.SetItemIndex(selected);
}

} // namespace

void LoadDefaultLanguage() {
    const std::string_view data = plat::FindResourceData("LANGFILE");
    if (data.empty())
        throw EResNotFound("Resource LANGFILE not found");
    LanguageTable().LoadFromStream(data);
}

std::string LanguageRegistryPath() {
    return LanguageTable().GetString("res_manager_language_regkey", kLanguageRegKeyFallback);
}

void LoadLanguageFile() {
    const std::string registryPath = LanguageRegistryPath();
    std::string path;
    RegReadString(registryPath, plat::RootKey::LocalMachine, path);
    plat::IFileSystem& files = plat::Files();
    if (!files.FileExists(path)) {
        const std::string shipped = text::FolderOf(files.ModuleFileName()) + "\\lang\\manager.lng";
        if (files.FileExists(shipped)) {
            path = shipped;
            try {
                RegWriteString(registryPath, path, plat::RootKey::LocalMachine);
            } catch (const ERegistryException&) {
                // Without the key the file is found the same way next time.
            }
        }
    }
    if (files.FileExists(path))
        LanguageTable().LoadFromFile(path);
}

void TranslateForm(ui::TForm& AForm) {
    const TResourceStrings& table = LanguageTable();
    const std::string formClass = AForm.ClassName();
    AForm.SetCaption(table.GetString(formClass, AForm.Caption()));
    for (ui::TComponent* component : AForm.Components()) {
        const std::string key = formClass + component->Name();
        if (ui::TControl* control = CaptionedControl(component))
            control->SetCaption(table.GetString(key, control->Caption()));
        if (auto* check = dynamic_cast<ui::TCheckBox*>(component))
            check->SetHint(table.GetString(key + "Hint", check->Hint()));
        if (auto* action = dynamic_cast<ui::TAction*>(component))
            action->SetCaption(table.GetString(key, action->Caption()));
        if (auto* item = dynamic_cast<ui::TMenuItem*>(component))
            item->SetCaption(table.GetString(key, item->Caption()));
        if (auto* list = dynamic_cast<ui::TCustomListControl*>(component))
            TranslateItems(*list, key);
        if (auto* tree = dynamic_cast<ui::TTreeView*>(component))
            for (int i = 0; i < tree->NodeCount(); ++i)
                tree->SetNodeText(i, table.GetString(key + std::to_string(i), tree->NodeText(i)));
    }
}

void TranslateAllForms() {
    for (ui::TForm* form : ui::Screen().Forms())
        TranslateForm(*form);
}

bool ExportTemplate(const std::string& AFileName) {
    std::vector<std::string> lines;
    for (ui::TForm* form : ui::Screen().Forms()) {
        const std::string formClass = form->ClassName();
        lines.push_back(formClass + "=" + form->Caption());
        for (ui::TComponent* component : form->Components()) {
            const std::string key = formClass + component->Name();
            if (ui::TControl* control = CaptionedControl(component))
                lines.push_back(key + "=" + control->Caption());
            if (auto* action = dynamic_cast<ui::TAction*>(component))
                lines.push_back(key + "=" + action->Caption());
            if (auto* item = dynamic_cast<ui::TMenuItem*>(component))
                lines.push_back(key + "=" + item->Caption());
            if (auto* list = dynamic_cast<ui::TCustomListControl*>(component))
                AppendItemLines(lines, key, list->Items());
            if (auto* tree = dynamic_cast<ui::TTreeView*>(component)) {
                std::vector<std::string> nodes;
                for (int i = 0; i < tree->NodeCount(); ++i)
                    nodes.push_back(tree->NodeText(i));
                AppendItemLines(lines, key, nodes);
            }
        }
    }
    return SaveLinesAsANSI(AFileName, lines);
}

bool HandleTemplateSwitch(const TParams& AParams) {
    if (!FindCmdLineSwitch(AParams, "tpl_export"))
        return false;
    ui::Application().SetShowMainForm(false);
    ExportTemplate(text::FolderOf(plat::Files().ModuleFileName()) + "\\temp.lng");
    ui::Application().Terminate();
    return true;
}

TWinVersion GetWinVersion() {
    return GetWinVersionForManager();
}

} // namespace mui
