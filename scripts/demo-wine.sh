# Sourced by scripts/demo for --wine: the Windows program itself, Updater.exe, upgrades a sample PostgreSQL
# installation inside a Wine prefix of its own, with its scripts run by Wine's cmd.exe and its registry
# values written with reg; a screenshot of its window is saved while it works.
#
# Wine on machines whose kernel runs no 32-bit programs can only run 64-bit ones, so the demo takes
# Updater.exe from the win64 build (the same code as the 32-bit deliverable).

run_wine_demo() {
    local loader=/usr/lib/wine/wine64
    echo "== building Updater.exe (win64 preset)"
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target Updater -- -j"$(nproc)" | tail -1

    local demo prefix old new
    demo=$(mktemp -d /tmp/tk-demo-wine.XXXXXX)
    prefix="$demo/prefix"
    export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    echo "== creating a Wine prefix in $prefix"
    "$loader" wineboot -i >/dev/null 2>&1
    wineserver -w

    old="$prefix/drive_c/Old Version"
    new="$prefix/drive_c/New Version"
    local webapp="$old/tomcat/webapps/corvane"
    crlf() { mkdir -p "$(dirname "$1")"; printf '%b' "$2" | sed 's/$/\r/' > "$1"; }
    crlf "$webapp/WEB-INF/db.properties" "torque.database.maindb.adapter=postgresql"
    crlf "$webapp/WEB-INF/servers.properties" "server.name=demo"
    crlf "$webapp/META-INF/context.xml" "<Context/>"
    crlf "$old/tomcat/conf/server.xml" "<Server port=\"8005\"/>"
    crlf "$old/tomcat/.keystore" "keystore"
    crlf "$webapp/WEB-INF/sql/postgresql/full-backup.bat" \
        "@echo off\necho Dumping the PostgreSQL database\nping -n 4 127.0.0.1 >nul\necho -- demo dump> full-backup.sql"
    crlf "$old/unins000.bat" "@echo off\necho uninstaller ran in %CD% with %*> C:\\\\uninstalled.txt"
    mkdir -p "$new"
    cp build/win64/updater/src/Updater.exe "$new/"

    local key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Corvane Server_is1'
    "$loader" reg add "$key" /v DisplayName /d "Corvane Server 5.2" /f >/dev/null 2>&1
    "$loader" reg add "$key" /v UninstallString /d 'C:\windows\system32\cmd.exe /c "C:\Old Version\unins000.bat"' /f >/dev/null 2>&1
    "$loader" reg add "$key" /v InstallLocation /d 'C:\Old Version' /f >/dev/null 2>&1
    "$loader" reg add 'HKLM\SOFTWARE\Apache Software Foundation\Procrun 2.0\Tomcat9\Parameters\Java' \
        /v JvmMx /t REG_DWORD /d 256 /f >/dev/null 2>&1

    echo "== running: Updater.exe \"C:\\Old Version\" \"C:\\New Version\" (under Xvfb)"
    local shot="$demo/updater-window.png"
    xvfb-run -a -s "-screen 0 640x400x24" bash -c "
        '$loader' 'C:\\New Version\\Updater.exe' 'C:\\Old Version' 'C:\\New Version' &
        pid=\$!
        sleep 3
        import -window root '$shot' 2>/dev/null
        wait \$pid
        echo \"   exit code \$?\"
        wineserver -k"
    echo
    echo "== log (C:\\New Version\\backup\\Updater.log)"
    sed 's/\r$//; s/^/   /' "$new/backup/Updater.log"
    echo "== backup folder"
    ls -la "$new/backup" | tail -n +4 | sed 's/^/   /'
    echo "== uninstaller"
    sed 's/\r$//; s/^/   /' "$prefix/drive_c/uninstalled.txt" 2>/dev/null || echo "   not run"
    echo "== registry (heap backup)"
    "$loader" reg query 'HKLM\SOFTWARE\Corvane Inc\backup' 2>/dev/null | tr -d '\r' | sed 's/^/   /'
    wineserver -k 2>/dev/null || true
    echo
    echo "Screenshot of the window: $shot"
    echo "The sample stays in $demo"
}
