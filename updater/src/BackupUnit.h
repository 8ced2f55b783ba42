#pragma once
// The backup of the previous installation: its configuration files copied into the new installation's
// backup folder, and the whole installation stored in a zip archive named after the time of archiving.
#include "platform/Platform.h"

#include <string>
#include <vector>

// Stale copies removed, the configuration files and the map backgrounds copied (services already
// stopped by the caller).
void BackupConfigurationFiles(const std::string& ASourceDir, const std::string& ADestDir);

// "yyyy-mm-dd hh.nn.ss.zip"
std::string ArchiveFileName(const plat::LocalTime& ATime);

struct TInstallationListing {
    std::vector<std::string> Files;   // full paths, in listing order
    std::vector<std::string> Folders; // full paths, without a trailing backslash
};

// Every file and folder below ASourceDir except those under ASourceDir + "backup" (compared without
// regard to case and without a separator check, so "backup2" is left out as well). Raises when a
// folder cannot be listed.
TInstallationListing ListInstallation(const std::string& ASourceDir);

// Adds the listed installation to the archive (created, or extended when it exists): files stored
// with their times, folders as empty entries ending with a backslash. Entry names are the paths
// without the first length-of-ASourceDir characters. Raises when the archive or a file fails.
void ArchiveInstallation(const std::string& ASourceDir, const std::string& AArchivePath);
