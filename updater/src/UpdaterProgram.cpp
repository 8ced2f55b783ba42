#include "UpdaterProgram.h"

#include "LoggerUnit.h"
#include "MainUnit.h"
#include "WinUtilsUnit.h"
#include "platform/ComScope.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"

namespace {

constexpr const char* Title = "Corvane Updater";
constexpr const char* Usage = "Usage: Updater <previous installation directory> <new installation directory> "
                              "[-tf] [-custom <table set>]";

bool Blank(const std::string& s) {
    return s.find_first_not_of(" \t") == std::string::npos;
}

void ShowError(const std::string& text) {
    ui::Dialogs().ShowMessageBox(text, Title, ui::MB_OK_ | ui::MB_ICONERROR_);
}

} // namespace

std::optional<std::string> CheckDirectoryParams(const TParams& AParams) {
    std::string source = AParams.size() > 1 ? AParams[1] : std::string();
    std::string dest = AParams.size() > 2 ? AParams[2] : std::string();
    if (Blank(source) || Blank(dest)) {
        std::string missing = Blank(source) && Blank(dest)
                                  ? "The previous and the new installation directory are"
                              : Blank(source) ? "The previous installation directory is"
                                              : "The new installation directory is";
        return missing + " missing from the command line.\r\n\r\n" + Usage;
    }
    if (!plat::Files().DirectoryExists(source)) {
        return "The previous installation directory \"" + source + "\" does not exist.\r\n\r\n" + Usage;
    }
    return std::nullopt;
}

int RunUpdater(const TParams& AParams) {
    plat::ComScope com; // the window thread's COM, for the document model and the shell
    SetCommandLineParams(AParams);
    TServiceUtils::Configure(TServiceUtilsSettings::Updater());
    ui::TApplication& application = ui::Application();
    application.Reset();
    application.Initialize();
    application.SetMainFormOnTaskBar(true);
    application.SetTitle(Title);
    if (auto problem = CheckDirectoryParams(AParams)) {
        ShowError(*problem);
        return ExitBadCommandLine;
    }
    TMainForm form(nullptr);
    application.SetMainForm(&form);
    try {
        form.DoCreate();
    } catch (const std::exception& error) {
        // A run whose scenario is not established must not go on to change the installation.
        if (form.LogOpen()) {
            TLogger::Fine(DescribeException(error));
        }
        ShowError(error.what());
        application.SetMainForm(nullptr);
        return ExitUpgradeFailed;
    }
    application.Run();
    application.SetMainForm(nullptr);
    return form.ExitCode();
}
