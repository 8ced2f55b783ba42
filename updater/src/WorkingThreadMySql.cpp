// The MySQL upgrade's database steps: dump the old MySQL database to XML with the installation's own
// scripts, then convert the dump into a PostgreSQL script.
#include "WorkingThreadUnit.h"

#include "CommandLine.h"
#include "DataConverterUnit.h"
#include "Errors.h"
#include "InspectionUnit.h"
#include "LoggerUnit.h"
#include "TableListUnit.h"
#include "platform/Platform.h"
#include "text/PathText.h"

#include <vector>

namespace {

// One item of a comma text: quoted when it holds blanks, control characters, commas or quotes.
std::string CommaTextItem(const std::string& item) {
    bool quote = item.empty();
    for (unsigned char c : item)
        quote = quote || c <= ' ' || c == ',' || c == '"';
    if (!quote)
        return item;
    std::string out = "\"";
    for (char c : item)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string CommaText(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items)
        text += (text.empty() ? "" : ",") + CommaTextItem(item);
    return text;
}

} // namespace

std::string TWorkingThread::MySqlDir() const {
    return SourceDir + "\\tomcat\\webapps\\" + GetWebAppName() + "\\WEB-INF\\sql\\mysql\\";
}

void TWorkingThread::ExtractMySQLDatabase() {
    TLogger::Fine("Step 2: Extracting old MySQL database");
    StartMySQLService();
    RequireRunning("Mysql", "MySQL");
    const std::string m = MySqlDir();
    const std::string programFolder = text::FolderOf(plat::Files().ModuleFileName());

    const std::string updateScripts = programFolder + "\\update_scripts";
    std::vector<plat::FindEntry> entries;
    if (!plat::Files().FindFiles(updateScripts + "\\*", entries))
        throw EOSError(plat::LastError(), "Cannot list the folder \"" + updateScripts + "\"");
    for (const auto& e : entries) {
        if (e.Attributes & plat::FILE_ATTRIBUTE_DIRECTORY_)
            continue;
        if (!plat::Files().CopyFile(updateScripts + "\\" + e.Name, m + e.Name, false))
            throw EOSError(plat::LastError(), "Cannot copy \"" + e.Name + "\" to \"" + m + "\"");
    }

    const std::string upgrade = m + "upgrade_db.bat";
    TLogger::Fine("upgrade script - %s", {upgrade});
    RunScript(upgrade, m);

    const std::string custom = m + "upgrade_custom_db.bat";
    if (plat::Files().FileExists(custom)) {
        TLogger::Fine("Custom upgrade script found, path - %s", {custom});
        RunScript(custom, m);
    } else {
        TLogger::Fine("Custom upgrade script not found");
    }

    const std::string backupScript = m + "xml-backup.bat";
    TLogger::Fine("backup script - %s", {backupScript});
    plat::Files().MoveFile(programFolder + "\\xml-backup.bat", backupScript, false);
    RunScript(backupScript, m);
    plat::Files().ForceDirectories(DestDir + "\\backup");
    plat::Files().MoveFile(m + "full-backup.xml", DestDir + "\\backup\\full-backup.xml", false);
}

void TWorkingThread::ConvertMySQLDatabase() {
    TLogger::Fine("Step 3: Converting MySQL database");
    const std::string xml = DestDir + "\\backup\\full-backup.xml";
    const std::string script = DestDir + "\\backup\\full-backup.sql";
    // The script of an earlier run gives way only to a complete one.
    const std::string partial = script + ".part";
    bool completed = false;
    try {
        const std::unique_ptr<TTableList> tables = LoadTableList(CommandLineParams());
        TLogger::Fine("Tables for export - %s", {CommaText(tables->Names())});
        TDataConverter converter(xml, partial, tables.get());
        converter.Process();
        completed = true;
    } catch (const std::exception& e) {
        TLogger::Fine(DescribeException(e));
    }
    if (!completed)
        throw EUpgradeError("The MySQL database was not converted; the XML dump is kept in \"" + xml + "\"");
    if (!plat::Files().MoveFile(partial, script, true))
        throw EUpgradeError("The converted script could not be moved to \"" + script + "\" - " +
                            plat::Host().SysErrorMessage(plat::LastError()));
    if (plat::Files().FileExists(xml))
        plat::Files().DeleteFile(xml);
}
