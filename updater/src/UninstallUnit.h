#pragma once
// The last step of an upgrade: keep the web server's Java heap setting, repair the previous version's
// stop script, run its uninstaller silently and remove the folders it leaves behind.
#include <string>

// Registry values of the heap step (HKEY_LOCAL_MACHINE, default view).
inline constexpr const char* TomcatJavaKey =
    "SOFTWARE\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java";
inline constexpr const char* JvmMxBackupKey = "SOFTWARE\\Corvane Inc\\backup";

// Copies "JvmMx" (megabytes) into "JvmMx_backup", raising values of 512 or less to 1024. A missing key
// or value writes nothing; a failed write raises.
void SaveJavaHeap();

// Replaces the registry-file check of location\bin\stop_tomcat_service.bat by one that also works for
// a 32-bit process on 64-bit Windows. A missing script is left alone; write errors are ignored.
void PatchStopTomcatScript(const std::string& ALocation);

// The same edit on a script's text; true when the searched line was found (compared without regard
// to case). Only occurrences with exactly the searched letters are replaced.
bool PatchStopTomcatText(std::string& AText);

struct TUninstallInfo {
    std::string UninstallString;
    std::string InstallLocation;
};

// The product's uninstall key: the 64-bit view when it has an uninstall string there, otherwise the
// default view. Values of an unexpected type raise.
TUninstallInfo ReadUninstallInfo(bool ATallyfix);

// True when APath is a rooted folder below a drive or file-system root, so that the leftover folders
// formed from it stay inside the previous installation.
bool IsRemovableInstallFolder(const std::string& APath);

// Heap value, stop-script repair, silent uninstall and removal of the leftover folders. Without a usable
// install location, or when the uninstaller cannot be run, nothing is deleted and EUpgradeError is
// raised.
void UninstallOldVersion(bool ATallyfix);
