# Sourced by scripts/demo: lays out a sample previous installation, its registry values and services,
# and the new installation folder with the Updater in it. Scripts of the sample are shell scripts run by
# the cmd.exe stand-in of the simulated system folder.

write() { mkdir -p "$(dirname "$1")"; printf '%b' "$2" > "$1"; }

make_common() {
    write "$webapp/WEB-INF/servers.properties" "server.name=demo\n"
    write "$webapp/WEB-INF/messages.properties" "welcome=Welcome\n"
    write "$webapp/WEB-INF/ipfilter.properties" "allow=127.0.0.1\n"
    write "$webapp/META-INF/context.xml" "<Context/>\n"
    write "$webapp/ua.txt" "user agreement\n"
    write "$webapp/images/maps/floor1.png" "PNG"
    write "$webapp/index.jsp" "<html/>\n"
    write "$old/tomcat/.keystore" "keystore"
    write "$old/tomcat/conf/server.xml" "<Server port=\"8005\"/>\n"
    write "$old/bin/stop_tomcat_service.bat" \
        '@echo off\r\n>nul 2>&1 "%%SYSTEMROOT%%\\system32\\cacls.exe" "%%SYSTEMROOT%%\\system32\\config\\system"\r\nnet stop Tomcat9\r\n'
    write "$old/backup/previous-upgrade.log" "left out of the archive\n"
    write "$old/unins000.exe" "#!/bin/sh\necho \"uninstaller ran in \$(pwd) with \$*\" > \"$demo/uninstalled.txt\"\n"
    chmod +x "$old/unins000.exe"
    mkdir -p "$new"
    cp "$repo/build/linux/updater/src/Updater" "$new/Updater"

    cat > "$demo/registry.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvane Server_is1]
"DisplayName"="Corvane Server 5.2"
"UninstallString"="\\"$old/unins000.exe\\""
"InstallLocation"="$old"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java]
"JvmMx"=dword:00000200
REG
}

make_mysql() {
    local m="$webapp/WEB-INF/sql/mysql"
    write "$webapp/WEB-INF/db.properties" "torque.database.maindb.adapter=mysql\n"
    write "$old/mysql5/data/ibdata1" "mysql data"
    write "$m/upgrade_db.bat" 'echo "Upgrading the MySQL database with the update scripts:"\nls *.sql\n'
    write "$m/xml-backup.bat" "echo \"Dumping the MySQL database to full-backup.xml\"\ncp \"$demo/dump.xml\" full-backup.xml\n"
    write "$new/update_scripts/update_1.sql" "ALTER TABLE app ADD note TEXT;\n"
    write "$new/xml-backup.bat" "echo newer dump script\n"
    cp "$repo/tests/data/sample-dump.xml" "$demo/dump.xml"
    cat > "$demo/services.ini" <<INI
[Mysql]
DisplayName=MySQL
State=1
[Tomcat9]
DisplayName=Apache Tomcat 9
State=4
ProcessId=4242
INI
}

make_postgres() {
    local p="$webapp/WEB-INF/sql/postgresql"
    write "$webapp/WEB-INF/db.properties" "torque.database.maindb.adapter=postgresql\n"
    write "$old/pgsql/data/PG_VERSION" "14\n"
    write "$p/full-backup.bat" 'echo "Dumping the PostgreSQL database"\nprintf -- "-- demo dump\\nCREATE TABLE app (id int);\\n" > full-backup.sql\n'
    cat > "$demo/services.ini" <<INI
[pgsql]
DisplayName=PostgreSQL
State=1
[Tomcat9]
DisplayName=Apache Tomcat 9
State=4
ProcessId=4242
INI
}

make_sample() {
    make_common
    if [ "$1" = mysql ]; then make_mysql; else make_postgres; fi
}
