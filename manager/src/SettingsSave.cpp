#include "SettingsUnit.h"

#include "ConnectorUpdate.h"
#include "LoggerUtilsUnit.h"
#include "MUISupportUnit.h"
#include "MegaUtils.h"
#include "PortRules.h"
#include "ResourceStrings.h"
#include "ServiceStatusUnit.h"
#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"

namespace {

void ShowWarning(const std::string& AText) {
    ui::Dialogs().ShowMessageBox(AText, LanguageTable().GetString("res_error", "Error"),
                                 ui::MB_OK_ | ui::MB_ICONWARNING_);
}

int32_t FieldValue(const ui::TEdit& AEdit) {
    return FieldInteger(AEdit.Text()).value_or(0);
}

} // namespace

bool TSettingsForm::Refuse(const std::string& AText, int ANode, ui::TControl& AFocus) {
    ShowWarning(AText);
    if (TreeMenu->Selected() != ANode)
        TreeMenu->Select(ANode); // runs TreeMenuClick through the change
    else
        TreeMenuClick(TreeMenu);
    if (AFocus.CanFocus())
        AFocus.SetFocus();
    return false;
}

bool TSettingsForm::ValidateSettings() {
    const TResourceStrings& table = LanguageTable();
    if (const auto failure =
            CheckPortFields(EditWebServerPort->Text(), CheckHttpsEnabled->Checked(), EditHttpsPort->Text()))
        return Refuse(failure->Text, 0,
                      failure->Field == TPortField::HttpPort ? *EditWebServerPort : *EditHttpsPort);
    const std::optional<int32_t> memory = FieldInteger(EditJavaMaxMem->Text());
    if (!memory || *memory < 64)
        return Refuse(
            table.GetString("res_error_java_mem_error",
                            "Java Virtual Machine maximum size must be a non-negative number over 64 MB"),
            2, *EditJavaMaxMem);
    const std::optional<int32_t> interval = FieldInteger(EditCheckInterval->Text());
    if (!interval || *interval <= 0)
        return Refuse(table.GetString("res_error_check_interval_error",
                                      "Service check interval must be an positive number"),
                      3, *EditCheckInterval);
    if (LanguagePanel->Visible() && !ComboManagerLanguage->Items().empty() &&
        ComboManagerLanguage->ItemIndex() < 0)
        return Refuse(table.GetString("res_manager_lang_error", "Must select a language for the manager"), 3,
                      *ComboManagerLanguage);
    return true;
}

bool TSettingsForm::SaveSettings() {
    bool result = true;
    SaveJavaSettings(result);
    SaveAutostart();
    const TLoadedSettings& loaded = LoadedSettings();
    const int language = ComboManagerLanguage->ItemIndex();
    if (LanguagePanel->Visible() && language >= 0 && language < static_cast<int>(loaded.LanguageFiles.size()))
        RegWriteString(mui::LanguageRegistryPath(), loaded.LanguageFiles[language],
                       plat::RootKey::LocalMachine);
    SaveConnectors(result);
    SaveStartType("Tomcat9", loaded.WebServiceInstalled, loaded.WebServiceAutomatic,
                  *CheckWebServiceAutostart, result);
    SaveStartType("pgsql", loaded.DbServiceInstalled, loaded.DbServiceAutomatic, *CheckMySQLAutoStart,
                  result);
    SaveDebugMode(result);
    return result;
}

void TSettingsForm::SaveJavaSettings(bool& AResult) {
    try {
        RegWriteInteger(JvmMxPath, FieldValue(*EditJavaMaxMem), plat::RootKey::LocalMachine);
        RegWriteInteger(RefreshTimeRegistryPath(), FieldValue(*EditCheckInterval),
                        plat::RootKey::LocalMachine);
    } catch (const EBaseError&) {
        ShowWarning(LanguageTable().GetString("res_error_save_java_settings", "Error saving JVM settings"));
        AResult = false;
    }
}

// Not guarded: a failure reaches the application's error box and ends the save.
void TSettingsForm::SaveAutostart() {
    if (CheckManagerAutostart->Checked() == LoadedSettings().ManagerAutostart)
        return;
    if (CheckManagerAutostart->Checked())
        RegWriteString(ManagerRunValuePath, AutostartCommandLine(plat::Files().ModuleFileName()),
                       plat::RootKey::LocalMachine, true);
    else
        RegDeleteValue(ManagerRunValuePath, plat::RootKey::LocalMachine, true);
}

void TSettingsForm::SaveConnectors(bool& AResult) {
    try {
        UpdateConnectors(EditWebServerPort->Text(),
                         CheckHttpsEnabled->Checked() ? THttpsChange::Enable : THttpsChange::Disable,
                         EditHttpsPort->Text());
    } catch (const EConnectorUpdateError& e) {
        ShowWarning(e.what());
        AResult = false;
    } catch (const EBaseError&) {
        ShowWarning(LanguageTable().GetString("res_error_settings_save", "Error saving settings"));
        AResult = false;
    }
}

void TSettingsForm::SaveStartType(const char* AService, bool AInstalled, bool ALoaded,
                                  const ui::TCheckBox& ABox, bool& AResult) {
    if (!AInstalled || ABox.Checked() == ALoaded)
        return;
    try {
        TServiceUtils::ServiceSetStartType(AService, ABox.Checked() ? plat::SERVICE_AUTO_START_
                                                                    : plat::SERVICE_DEMAND_START_);
    } catch (const EBaseError&) {
        ShowWarning(LanguageTable().GetString("res_error_settings_save", "Error saving settings"));
        AResult = false;
    }
}

void TSettingsForm::SaveDebugMode(bool& AResult) {
    if (!CheckDebugMode->Visible() || CheckDebugMode->Checked() == IsDebugLoggingOn())
        return;
    if (!SetDebugLogging(CheckDebugMode->Checked())) {
        ShowWarning(LanguageTable().GetString("res_error_debug_mode", "Can not change debug mode parameter"));
        AResult = false;
    }
}

void TSettingsForm::ApplySettings() {
    if (!ValidateSettings() || !SaveSettings())
        return;
    mui::LoadLanguageFile();
    const int32_t interval = FieldValue(*EditCheckInterval);
    if (interval != LoadedSettings().CheckInterval && OnCheckIntervalChanged)
        OnCheckIntervalChanged(CheckIntervalFromSeconds(interval));
    if (OnSaved)
        OnSaved();
    Close();
}
