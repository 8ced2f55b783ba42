# Sourced by scripts/demo for --manager: the Server Manager, TFManager.exe, under Wine with two sample
# services registered under the names it manages ("Tomcat9" and "pgsql": the tests' own service program,
# which reports start and stop pending phases). Screenshots of its main window are saved with the web
# server running and then stopped.
#
# As for the Updater's Wine demo, the program is taken from the win64 build (the same code as the 32-bit
# deliverable), since this kernel may run no 32-bit programs.

# Waits up to a minute for a condition (a command and its arguments); says so when it never came.
manager_wait_for() {
    local what=$1 i
    shift
    for i in $(seq 120); do
        "$@" && return 0
        sleep 0.5
    done
    echo "   gave up waiting for $what" >&2
    return 1
}

# The main window is on the screen: the blue of its title band is.
manager_window_shown() {
    [ "$(import -window root png:- 2>/dev/null | convert png:- -alpha off -fill black +opaque 'rgb(31,83,146)' \
        -format '%[fx:maxima.b>0]' info: 2>/dev/null)" = 1 ]
}

manager_service_is() {
    "$WINE_LOADER" sc query "$1" 2>/dev/null | grep -q "STATE.*$2"
}

# Everything that starts a Wine program runs here, on the virtual screen: the prefix's desktop is made
# by the first program that needs it and keeps the screen it found then.
manager_session() {
    local running=$1 stopped=$2 failed=0
    local svc='C:\Tallyfix\bin\wine_test_service.exe'
    # No window manager runs on the virtual screen: Wine draws the window frames itself.
    "$WINE_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    "$WINE_LOADER" sc create Tomcat9 binpath= "$svc Tomcat9 C:\\tomcat9.log 4 500 2000" >/dev/null 2>&1
    "$WINE_LOADER" sc create pgsql binpath= "$svc pgsql C:\\pgsql.log 2 300 1000" >/dev/null 2>&1
    "$WINE_LOADER" sc start Tomcat9 >/dev/null 2>&1
    "$WINE_LOADER" sc start pgsql >/dev/null 2>&1
    # Poll every second, so the demo need not wait five.
    "$WINE_LOADER" reg add 'HKLM\SOFTWARE\Pendrow\ServiceManager' /v RefreshTime /t REG_DWORD /d 1 /f \
        >/dev/null 2>&1

    "$WINE_LOADER" 'C:\Tallyfix\manager\TFManager.exe' &
    manager_wait_for "the main window" manager_window_shown || failed=1
    manager_wait_for "Tomcat9 to run" manager_service_is Tomcat9 RUNNING || failed=1
    manager_wait_for "pgsql to run" manager_service_is pgsql RUNNING || failed=1
    sleep 3 # the next poll, a second later, shows the state
    import -window root "$running"

    "$WINE_LOADER" sc stop Tomcat9 >/dev/null 2>&1
    manager_wait_for "Tomcat9 to stop" manager_service_is Tomcat9 STOPPED || failed=1
    sleep 3
    import -window root "$stopped"
    wineserver -k 2>/dev/null
    return $failed
}

run_manager_demo() {
    export WINE_LOADER=/usr/lib/wine/wine64
    echo "== building TFManager.exe and the sample service (win64 preset)"
    cmake --preset win64 >/dev/null
    cmake --build --preset win64 --target TFManager wine_test_service -- -j"$(nproc)" | tail -1

    local demo prefix app
    demo=$(mktemp -d /tmp/tk-demo-manager.XXXXXX)
    prefix="$demo/prefix"
    export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
    echo "== creating a Wine prefix in $prefix"
    "$WINE_LOADER" wineboot -i >/dev/null 2>&1
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

    local running="$demo/manager-running.png" stopped="$demo/manager-stopped.png" status=0
    echo "== running: C:\\Tallyfix\\manager\\TFManager.exe with Tomcat9 and pgsql (under Xvfb)"
    # xvfb-run goes through sh, which passes no exported functions on: the session carries their text.
    local functions
    functions=$(declare -f manager_session manager_wait_for manager_window_shown manager_service_is)
    xvfb-run -a -s "-screen 0 800x600x24" bash -c "$functions"'
        manager_session "$0" "$1"' "$running" "$stopped" || status=$?
    echo
    echo "Screenshot with the web server running: $running"
    echo "Screenshot with the web server stopped: $stopped"
    echo "The sample stays in $demo"
    return $status
}
