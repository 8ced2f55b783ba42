#include "UninstallUnit.h"

#include "InspectionUnit.h"
#include "LoggerUnit.h"
#include "MegaUtils.h"
#include "UpgradeError.h"
#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "text/TextCodec.h"

#include <algorithm>
#include <cctype>

namespace {

// What WinExec32AndWait gives for a program that could not be started (or whose end was not seen).
constexpr uint32_t UninstallerNotRun = 0xFFFFFFFF;

// The stop script of older versions checks the registry file through system32, which a 32-bit
// process on 64-bit Windows sees redirected; the replacement falls back to sysnative.
const std::string SearchedLine =
    R"(>nul 2>&1 "%SYSTEMROOT%\system32\cacls.exe" "%SYSTEMROOT%\system32\config\system")";
const std::string ReplacementText =
    std::string(R"(set REGISTRY_FILE="%SYSTEMROOT%\system32\config\system")") + "\n\r" +
    R"(if NOT EXIST %REGISTRY_FILE% set REGISTRY_FILE="%SYSTEMROOT%\sysnative\config\system")" + "\n\r" +
    R"(>nul 2>&1 "%SYSTEMROOT%\system32\cacls.exe" "%REGISTRY_FILE%")";

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

std::string ReadWholeFile(const std::string& path) {
    auto file = plat::Files().Open(path, plat::OpenMode::Read);
    if (!file)
        throw EOSError(plat::LastError(), "Cannot open file \"" + path + "\"");
    std::string bytes;
    char buffer[65536];
    size_t got = 0;
    while (file->Read(buffer, sizeof buffer, got) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

std::string UninstallKey(bool tallyfix) {
    return tallyfix ? "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tallyfix_is1"
                    : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvane Server_is1";
}

} // namespace

void SaveJavaHeap() {
    int32_t heap = -1;
    try {
        const int32_t old =
            RegReadInteger(std::string(TomcatJavaKey) + "\\JvmMx", plat::RootKey::LocalMachine);
        TLogger::Fine("Old java heap - %d", {std::to_string(old)});
        heap = old <= 512 ? 1024 : old;
    } catch (const ERegistryException&) {
        heap = -1;
    }
    if (heap > 0)
        RegWriteInteger(std::string(JvmMxBackupKey) + "\\JvmMx_backup", heap, plat::RootKey::LocalMachine);
}

bool PatchStopTomcatText(std::string& text) {
    if (Lower(text).find(Lower(SearchedLine)) == std::string::npos)
        return false;
    std::string result;
    size_t from = 0;
    for (size_t at; (at = text.find(SearchedLine, from)) != std::string::npos;
         from = at + SearchedLine.size())
        result.append(text, from, at - from).append(ReplacementText);
    result.append(text, from, std::string::npos);
    text = std::move(result);
    return true;
}

void PatchStopTomcatScript(const std::string& location) {
    const std::string script = location + "\\bin\\stop_tomcat_service.bat";
    if (!plat::Files().FileExists(script))
        return;
    std::string text = text::DecodeWithByteOrderMark(ReadWholeFile(script));
    if (!PatchStopTomcatText(text))
        return;
    if (auto file = plat::Files().Open(script, plat::OpenMode::CreateAlways))
        file->Write(text.data(), text.size());
}

TUninstallInfo ReadUninstallInfo(bool tallyfix) {
    const std::string key = UninstallKey(tallyfix);
    const bool in64 = !ReadRegistryString(plat::RootKey::LocalMachine, key + "\\UninstallString", true)
                           .value_or("")
                           .empty();
    TUninstallInfo info;
    info.UninstallString =
        ReadRegistryString(plat::RootKey::LocalMachine, key + "\\UninstallString", in64).value_or("");
    info.InstallLocation =
        ReadRegistryString(plat::RootKey::LocalMachine, key + "\\InstallLocation", in64).value_or("");
    return info;
}

bool IsRemovableInstallFolder(const std::string& path) {
    auto isSep = [](char c) { return c == '\\' || c == '/'; };
    std::string p = path;
    while (!p.empty() && isSep(p.back()))
        p.pop_back();
    const bool drive = p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
    if (drive)
        return p.size() > 3 && isSep(p[2]);
    // Rooted paths only; a relative location would resolve against whatever the current folder is.
    return p.size() > 1 && isSep(p[0]) &&
           !(p.size() > 2 && isSep(p[1]) && p.find_first_of("\\/", 2) == std::string::npos);
}

void UninstallOldVersion(bool tallyfix) {
    TLogger::Fine("Step 4-0: Saving java heap value");
    SaveJavaHeap();
    TLogger::Fine("Step 4: uninstall old application");
    const TUninstallInfo info = ReadUninstallInfo(tallyfix);
    TLogger::Fine("Uninstall string - %s", {info.UninstallString});
    TLogger::Fine("Install location - %s", {info.InstallLocation});
    if (!IsRemovableInstallFolder(info.InstallLocation) ||
        !plat::Files().DirectoryExists(info.InstallLocation)) {
        throw EUpgradeError("No usable install location of the previous version (\"" + info.InstallLocation +
                            "\"): its uninstaller was not run");
    }
    PatchStopTomcatScript(info.InstallLocation);
    const std::string command = info.UninstallString + " /VERYSILENT";
    // Its folders go only after the uninstaller itself: a previous version left half-removed would
    // neither run nor uninstall.
    if (TWinUtils::WinExec32AndWait(command, plat::SW_SHOW_, info.InstallLocation) == UninstallerNotRun) {
        throw EUpgradeError("The uninstaller could not be run - " + command + " - " +
                            plat::Host().SysErrorMessage(plat::LastError()));
    }
    for (const char* leftover : {"/mysql5", "/pgsql", "/tomcat/webapps"})
        DeleteDirectoryTree(info.InstallLocation + leftover);
}
