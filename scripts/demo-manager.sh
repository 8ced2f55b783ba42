# Sourced by scripts/demo for --manager: the Server Manager, TFManager.exe, under Wine with two sample
# services registered under the names it manages ("Tomcat9" and "pgsql": the tests' own service program,
# which reports start and stop pending phases). Screenshots of its main window are saved with the web
# server running and then stopped.
#
# As for the Updater's Wine demo, the program is taken from the win64 build (the same code as the 32-bit
# deliverable), since this kernel may run no 32-bit programs.

run_manager_demo() {
    local loader=/usr/lib/wine/wine64
    echo "== building TFManager.exe and the sample service (win64 preset)"
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target TFManager wine_test_service -- -j"$(nproc)" | tail -1

    local demo prefix app
    demo=$(mktemp -d /tmp/tk-demo-manager.XXXXXX)
    prefix="$demo/prefix"
    export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    echo "== creating a Wine prefix in $prefix"
    "$loader" wineboot -i >/dev/null 2>&1
    wineserver -w

    # The installation: the manager's folder beside tomcat\ and bin\, as it forms its paths with "..".
    app="$prefix/drive_c/Tallyfix"
    mkdir -p "$app/manager" "$app/tomcat/conf" "$app/bin"
    cp build/win64/manager/src/TFManager.exe "$app/manager/"
    cp build/win64/tests/wine/wine_test_service.exe "$app/bin/"
    cat >"$app/tomcat/conf/server.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<Server port="8005" shutdown="SHUTDOWN">
  <Service name="Catalina">
    <Connector port="8080" protocol="HTTP/1.1" connectionTimeout="20000" redirectPort="8443"/>
    <Connector port="8443" maxThreads="150" scheme="https" secure="true" SSLEnabled="true"/>
    <Connector port="8009" protocol="AJP/1.3" redirectPort="8443"/>
  </Service>
</Server>
XML

    local svc='C:\Tallyfix\bin\wine_test_service.exe'
    "$loader" sc create Tomcat9 binpath= "$svc Tomcat9 C:\\tomcat9.log 4 500 2000" >/dev/null 2>&1
    "$loader" sc create pgsql binpath= "$svc pgsql C:\\pgsql.log 2 300 1000" >/dev/null 2>&1
    "$loader" sc start Tomcat9 >/dev/null 2>&1
    "$loader" sc start pgsql >/dev/null 2>&1
    # Poll every second, so the demo need not wait five.
    "$loader" reg add 'HKLM\SOFTWARE\Pendrow\ServiceManager' /v RefreshTime /t REG_DWORD /d 1 /f >/dev/null 2>&1

    local running="$demo/manager-running.png" stopped="$demo/manager-stopped.png"
    echo "== running: C:\\Tallyfix\\manager\\TFManager.exe (under Xvfb)"
    xvfb-run -a -s "-screen 0 800x600x24" bash -c "
        '$loader' 'C:\\Tallyfix\\manager\\TFManager.exe' &
        sleep 8
        import -window root '$running' 2>/dev/null
        '$loader' sc stop Tomcat9 >/dev/null 2>&1
        sleep 6
        import -window root '$stopped' 2>/dev/null
        wineserver -k"
    echo
    echo "Screenshot with the web server running: $running"
    echo "Screenshot with the web server stopped: $stopped"
    echo "The sample stays in $demo"
}
