#include "SettingsUnit.h"

#include "LoggerUtilsUnit.h"
#include "MUISupportUnit.h"
#include "MegaUtils.h"
#include "ProcrunKeys.h"
#include "ResourceStrings.h"
#include "ServiceStatusUnit.h"
#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "text/PathText.h"
#include "text/SameText.h"

#include <charconv>

namespace {

void ReadService(const char* AName, bool& AInstalled, bool& AAutomatic) {
    AInstalled = TServiceUtils::IsServiceInstalled(AName);
    if (AInstalled)
        AAutomatic = TServiceUtils::ServiceGetStartType(AName) == plat::SERVICE_AUTO_START_;
}

std::string FileBytes(const std::string& APath) {
    std::string bytes;
    std::unique_ptr<plat::IFile> file = plat::Files().Open(APath, plat::OpenMode::Read);
    char buffer[8192];
    size_t got = 0;
    while (file && file->Read(buffer, sizeof buffer, got) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

// The language's own name as its file states it; a later statement overrides an earlier one.
std::string LanguageName(const std::string& APath) {
    std::string name = LanguageTable().GetString("res_na", "<not available>");
    for (const std::string& line : LoadTextLines(FileBytes(APath))) {
        const size_t equals = line.find('=');
        if (!line.starts_with("language_name") || equals == std::string::npos)
            continue;
        std::string_view value = std::string_view(line).substr(equals + 1);
        while (!value.empty() && value.front() == ' ')
            value.remove_prefix(1);
        while (!value.empty() && value.back() == ' ')
            value.remove_suffix(1);
        name = value;
    }
    return name;
}

} // namespace

TLoadedSettings& LoadedSettings() {
    static TLoadedSettings loaded;
    return loaded;
}

std::string AutostartCommandLine(const std::string& AExePath) {
    return "\"" + AExePath + "\" /background";
}

std::optional<int32_t> FieldInteger(const std::string& AText) {
    std::string_view digits(AText);
    const bool negative = digits.starts_with('-');
    if (negative || digits.starts_with('+'))
        digits.remove_prefix(1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    value = negative ? -value : value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

void TSettingsForm::LoadSettings() {
    TLoadedSettings& loaded = LoadedSettings();
    try {
        loaded.JavaMaxMem = RegReadInteger(JvmMxPath, plat::RootKey::LocalMachine);
    } catch (const ERegistryException&) {
        loaded.JavaMaxMem = 256;
    }
    ReadService("Tomcat9", loaded.WebServiceInstalled, loaded.WebServiceAutomatic);
    ReadJavaPort(loaded.JavaPort);
    try {
        loaded.CheckInterval = RegReadInteger(RefreshTimeRegistryPath(), plat::RootKey::LocalMachine);
    } catch (const EBaseError&) {
    }
    try {
        std::string run;
        RegReadString(ManagerRunValuePath, plat::RootKey::LocalMachine, run, true);
        loaded.ManagerAutostart = text::SameText(run, AutostartCommandLine(plat::Files().ModuleFileName()));
        RegReadString(mui::LanguageRegistryPath(), plat::RootKey::LocalMachine, loaded.LanguagePath);
    } catch (const EBaseError&) {
    }
    try {
        ReadService("pgsql", loaded.DbServiceInstalled, loaded.DbServiceAutomatic);
    } catch (const EBaseError&) {
    }
    try {
        LoadLanguageList();
    } catch (const EBaseError&) {
    }
    if (CheckDebugMode->Visible()) {
        try {
            CheckDebugMode->SetChecked(IsDebugLoggingOn());
        } catch (const EBaseError&) {
        }
    }
}

void TSettingsForm::LoadLanguageList() {
    TLoadedSettings& loaded = LoadedSettings();
    loaded.LanguageFiles.clear();
    ComboManagerLanguage->SetItems({});
    ListFiles(text::FolderOf(plat::Files().ModuleFileName()) + "\\lang\\*.lng", loaded.LanguageFiles);
    std::vector<std::string> names;
    for (const std::string& file : loaded.LanguageFiles)
        names.push_back(LanguageName(file));
    ComboManagerLanguage->SetItems(names);
    int selected = -1;
    for (size_t i = 0; i < loaded.LanguageFiles.size() && selected < 0; ++i)
        if (text::SameText(loaded.LanguageFiles[i], loaded.LanguagePath))
            selected = static_cast<int>(i);
    ComboManagerLanguage->SetItemIndex(selected);
}
