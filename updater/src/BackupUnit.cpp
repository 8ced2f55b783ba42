#include "BackupUnit.h"

#include "Errors.h"
#include "InspectionUnit.h"
#include "LoggerUnit.h"
#include "zip/ZipWriter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

struct TConfigFile {
    const char* Source; // below SourceDir; "webapp" stands for the web application folder
    const char* Target;
};

const TConfigFile ConfigFiles[] = {
    {"\\tomcat\\webapps\\webapp\\WEB-INF\\servers.properties", "servers.properties"},
    {"\\tomcat\\webapps\\webapp\\WEB-INF\\messages.properties", "messages.properties"},
    {"\\tomcat\\webapps\\webapp\\ua.txt", "ua.txt"},
    {"\\tomcat\\webapps\\webapp\\info.rtf", "info.rtf"},
    {"\\tomcat\\webapps\\webapp\\WEB-INF\\ipfilter.properties", "ipfilter.properties"},
    {"\\tomcat\\webapps\\webapp\\META-INF\\context.xml", "context.xml"},
    {"\\tomcat\\.keystore", ".keystore"},
};

// The first six are removed before copying; .keystore is simply replaced.
constexpr size_t StaleCopies = 6;

std::string WithWebApp(const std::string& relative) {
    std::string path = relative;
    const std::string marker = "\\webapp\\";
    if (const size_t at = path.find(marker); at != std::string::npos)
        path.replace(at + 1, marker.size() - 2, GetWebAppName());
    return path;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

void Walk(const std::string& folder, const std::string& excluded, TInstallationListing& listing) {
    std::vector<plat::FindEntry> entries;
    if (!plat::Files().FindFiles(folder + "\\*", entries))
        throw EOSError(plat::LastError(), "Cannot list the folder \"" + folder + "\"");
    const bool folderExcluded = StartsWithNoCase(folder, excluded);
    for (const auto& e : entries) {
        const std::string path = folder + "\\" + e.Name;
        if (e.Attributes & plat::FILE_ATTRIBUTE_DIRECTORY_) {
            // A left-out folder's contents are left out too, so there is no need to descend.
            if (!StartsWithNoCase(path, excluded)) {
                listing.Folders.push_back(path);
                Walk(path, excluded, listing);
            }
        } else if (!folderExcluded) {
            listing.Files.push_back(path);
        }
    }
}

std::string TrimTrailingBackslash(std::string path) {
    while (path.size() > 1 && path.back() == '\\')
        path.pop_back();
    return path;
}

} // namespace

void BackupConfigurationFiles(const std::string& sourceDir, const std::string& destDir) {
    const std::string backup = destDir + "\\backup";
    if (!plat::Files().DirectoryExists(backup))
        plat::Files().ForceDirectories(backup);
    for (size_t i = 0; i < StaleCopies; ++i) {
        const std::string stale = backup + "\\" + ConfigFiles[i].Target;
        if (plat::Files().FileExists(stale)) {
            plat::Files().DeleteFile(stale);
            TLogger::Fine(std::string("Delete ") + ConfigFiles[i].Target + " from backup folder");
        }
    }
    for (const auto& file : ConfigFiles) {
        const std::string source = sourceDir + WithWebApp(file.Source);
        if (plat::Files().FileExists(source)) {
            plat::Files().CopyFile(source, backup + "\\" + file.Target, false);
            TLogger::Fine(std::string("Backing up ") + file.Target + " to backup folder");
        }
    }
    DeleteDirectoryTree(backup + "\\maps");
    const std::string maps = sourceDir + "\\tomcat\\webapps\\" + GetWebAppName() + "\\images\\maps";
    if (plat::Files().DirectoryExists(maps)) {
        CopyDirectoryTree(maps, backup);
        TLogger::Fine("Backing up map backgrounds to backup folder");
    }
}

std::string ArchiveFileName(const plat::LocalTime& t) {
    char name[64];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d %02d.%02d.%02d.zip", t.Year, t.Month, t.Day, t.Hour,
                  t.Minute, t.Second);
    return name;
}

TInstallationListing ListInstallation(const std::string& sourceDir) {
    const std::string excluded =
        sourceDir + (!sourceDir.empty() && sourceDir.back() == '\\' ? "" : "\\") + "backup";
    TInstallationListing listing;
    Walk(TrimTrailingBackslash(sourceDir), excluded, listing);
    return listing;
}

void ArchiveInstallation(const std::string& sourceDir, const std::string& archivePath) {
    const TInstallationListing listing = ListInstallation(sourceDir);
    const size_t cut = sourceDir.size();
    auto entryName = [&](const std::string& path) {
        return path.size() > cut ? path.substr(cut) : std::string();
    };

    TZipWriter zip(archivePath, TZipOpenMode::zoCreateOrAppend);
    for (const auto& file : listing.Files)
        zip.AddFile(file, entryName(file), TZipMethod::zmStored);
    const plat::LocalTime now = plat::Clock().Now();
    const plat::FileTime archivedAt{now.Year, now.Month, now.Day, now.Hour, now.Minute, now.Second};
    for (const auto& folder : listing.Folders)
        zip.AddFolder(entryName(folder) + "\\", archivedAt);
    zip.Close();
}
