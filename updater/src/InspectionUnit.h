#pragma once
// Inspection of the previous installation: the web application folder, the database type, file
// versions, WOW64 redirection and whole-folder operations through the shell.
#include <string>

// "server" for the Tallyfix product (switch "tf"), otherwise "corvane".
std::string GetWebAppName();

// True unless the web application's db.properties names the MySQL adapter. Never raises: a file
// that cannot be read is logged and counts as PostgreSQL.
bool DetectPostgresInstallation(const std::string& SourceDir);

struct TFileVersionNumbers {
    int Major = 0;
    int Minor = 0;
};

// Major and minor number of an executable's "FileVersion" text; (0, 0) when they cannot be read,
// and always for a file on a network path.
TFileVersionNumbers GetFileVersionNumbers(const std::string& AFileName);

// The numbers of a version text: "14.12.0.0" gives (14, 12), "14" and "14.x" give (14, 0), a text
// whose first part is not a number gives (0, 0).
TFileVersionNumbers ParseVersionNumbers(const std::string& AVersion);

// AOff true switches the calling thread's WOW64 file-system redirection off, false on again. False
// when the system has no such switch.
bool SetWow64Redirection(bool AOff);

bool DeleteDirectoryTree(const std::string& APath);
bool CopyDirectoryTree(const std::string& ASource, const std::string& ATarget);
