#pragma once
// A previous installation as an installer finds it, for runs of the whole Updater: its folder tree
// with the web application, the database's data and dump scripts, the registry values the Updater
// reads (the uninstall key and the Java heap), its services, and an uninstaller stand-in that notes
// how it was called in a file beside the installation.
#include "TempDir.h"
#include "pe_image.h"
#include "platform/sim/SimServices.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace testing_support {

// Points the simulated system folder, where the Updater finds cmd.exe, at a folder for its lifetime:
// by default the stand-in that runs scripts with the shell.
class SimSystemDir {
public:
    explicit SimSystemDir(const std::string& folder = std::string(TK_SOURCE_DIR) +
                                                      "/common/platform/sim/system32") {
        if (const char* saved = std::getenv("TK_SIM_SYSTEM_DIR")) {
            saved_ = saved;
        }
        setenv("TK_SIM_SYSTEM_DIR", folder.c_str(), 1);
    }
    ~SimSystemDir() {
        if (saved_) {
            setenv("TK_SIM_SYSTEM_DIR", saved_->c_str(), 1);
        } else {
            unsetenv("TK_SIM_SYSTEM_DIR");
        }
    }
    SimSystemDir(const SimSystemDir&) = delete;
    SimSystemDir& operator=(const SimSystemDir&) = delete;

private:
    std::optional<std::string> saved_;
};

enum class OldDatabase { MySql, PostgresFast, PostgresDump };

class OldInstallation {
public:
    // Lays the installation out in tree, below the folder run ("" for the tree itself).
    OldInstallation(const testsupport::TempDir& tree, OldDatabase database, const std::string& run = "")
        : tree_(tree), database_(database), run_(run.empty() ? "" : run + "/") {
        const std::string webapp = WebAppFolder;
        const bool mysql = database == OldDatabase::MySql;
        Write(webapp + "/WEB-INF/db.properties",
              std::string("torque.database.maindb.adapter=") + (mysql ? "mysql" : "postgresql") + "\r\n");
        Write(webapp + "/WEB-INF/servers.properties", "server.name=old\r\n");
        Write(webapp + "/META-INF/context.xml", "<Context/>\r\n");
        Write(webapp + "/images/maps/floor1.png", "PNG");
        Write("old/tomcat/conf/server.xml", "<Server port=\"8005\"/>\r\n");
        Write("old/tomcat/.keystore", "keystore");
        Write("new/.keep", "");
        if (mysql) {
            Write("old/mysql5/data/ibdata1", "mysql data");
            MySqlScript("upgrade_db.bat", "echo Upgrading the MySQL database\n");
            // The Updater's own files: it moves xml-backup.bat into the installation and copies its
            // update scripts there.
            XmlBackupScript("cp '" + std::string(TK_SOURCE_DIR) +
                            "/tests/data/sample-dump.xml' full-backup.xml\n");
            Write("new/update_scripts/update_1.sql", "ALTER TABLE app ADD note TEXT;\n");
        } else {
            Write("old/pgsql/data/PG_VERSION", "14\n");
            Write("old/pgsql/data/base/1/1259", "relation");
            DumpScript("echo Dumping the database\nprintf -- '-- new dump\\n' > full-backup.sql\n");
            if (database == OldDatabase::PostgresFast) {
                Write("old/pgsql/bin/initdb.exe", PeImage(VersionInfo("14.12.0.0")));
            }
        }
        Write("old/unins000.exe",
              "#!/bin/sh\n{ pwd; echo \"$*\"; } > '" + tree_.Path(run_ + "uninstalled.txt") + "'\n");
        std::filesystem::permissions(tree_.Root / (run_ + "old/unins000.exe"),
                                     std::filesystem::perms::owner_all);
    }

    // Windows-style paths as the Updater is given them.
    std::string Old() const { return tree_.Path(run_ + "old"); }
    std::string New() const { return tree_.Path(run_ + "new"); }
    std::string WebApp() const { return Old() + "\\tomcat\\webapps\\corvane"; }
    // The program's own folder in the new installation, where the Updater runs from.
    std::string Program() const { return tree_.Path(run_ + "new/Updater.exe"); }

    void DumpScript(const std::string& body) const {
        Write(std::string(WebAppFolder) + "/WEB-INF/sql/postgresql/full-backup.bat", body);
    }
    void XmlBackupScript(const std::string& body) const { Write("new/xml-backup.bat", body); }
    // A script of the installation's MySQL folder.
    void MySqlScript(const std::string& name, const std::string& body) const {
        Write(std::string(WebAppFolder) + "/WEB-INF/sql/mysql/" + name, body);
    }

    // The uninstall key in the program's default (32-bit) view, with the install location given (none
    // when unset), and the web server's heap of 512 MB.
    std::string Registry(const std::optional<std::string>& installLocation) const {
        return "Windows Registry Editor Version 5.00\r\n\r\n[" + std::string(UninstallKey) + "]\r\n" +
               Value("DisplayName", "Corvane Server 5.2") +
               Value("UninstallString", "\"" + Old() + "/unins000.exe\"") +
               (installLocation ? Value("InstallLocation", *installLocation) : "") + "\r\n[" + TomcatJavaKey +
               "]\r\n\"JvmMx\"=dword:00000200\r\n";
    }
    std::string Registry() const { return Registry(Old()); }
    // One string value in the .reg text format.
    static std::string Value(const std::string& name, const std::string& text) {
        std::string escaped;
        for (char c : text) {
            escaped += c == '\\' || c == '"' ? std::string{'\\', c} : std::string{c};
        }
        return "\"" + name + "\"=\"" + escaped + "\"\r\n";
    }
    static constexpr const char* UninstallKey =
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\"
        "CurrentVersion\\Uninstall\\Corvane Server_is1";
    static constexpr const char* TomcatJavaKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Apache Software "
                                                 "Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java";

    // The database service in the state the scenario finds it, and a running web server.
    void AddServices(plat::sim::SimServiceManager& services) const {
        const bool mysql = database_ == OldDatabase::MySql;
        services.AddService(
            Service(mysql ? "Mysql" : "pgsql", mysql ? plat::SERVICE_RUNNING_ : plat::SERVICE_STOPPED_));
        services.AddService(Service("tomcat9", plat::SERVICE_RUNNING_));
    }
    static plat::sim::SimService Service(const std::string& name, uint32_t state) {
        plat::sim::SimService service;
        service.Name = name;
        service.DisplayName = name;
        service.State = state;
        return service;
    }

    bool Uninstalled() const { return tree_.Exists(run_ + "uninstalled.txt"); }
    // The uninstaller's working folder and arguments, one per line.
    std::string UninstallerCall() const { return tree_.Read(run_ + "uninstalled.txt"); }

private:
    static constexpr const char* WebAppFolder = "old/tomcat/webapps/corvane";

    void Write(const std::string& relative, const std::string& bytes) const {
        tree_.Write(run_ + relative, bytes);
    }

    const testsupport::TempDir& tree_;
    OldDatabase database_;
    std::string run_;
};

} // namespace testing_support
