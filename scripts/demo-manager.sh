# Sourced by scripts/demo for --manager: the Server Manager, TFManager.exe, under Wine with two sample
# services registered under the names it manages ("Tomcat9" and "pgsql": the tests' own service program,
# which reports start and stop pending phases). Screenshots are saved of its main window with the web
# server running, of the progress window during a restart chosen on the main window, of a backup's
# result (a sample backup script writes the chosen file), of each page of the settings dialog and of the
# HTTP port changed there to 8090 (saved into server.xml), and of the window with the web server stopped.
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

# Clicks a point of a window's client area (title, client width and height, x, y), as the mouse does
# (xdotool on the virtual screen). Wine draws the frame itself: the client area is the window less its
# borders and caption.
manager_click_in() {
    local title=$1 cw=$2 ch=$3 x=$4 y=$5 wid border top
    wid=$(xdotool search --onlyvisible --name "^$title\$" | head -n 1)
    [ -n "$wid" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    border=$(((WIDTH - cw) / 2))
    top=$((HEIGHT - ch - border))
    xdotool mousemove --window "$wid" $((x + border)) $((y + top)) click 1
}

# The same on the main window.
manager_click() {
    manager_click_in 'Tallyfix Server Manager' 417 294 "$1" "$2"
}

# A click into the settings dialog.
manager_click_settings() {
    manager_click_in Settings 540 330 "$1" "$2"
}

# A window with this title shows.
manager_window_called() {
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1
}

manager_service_is() {
    "$WINE_LOADER" sc query "$1" 2>/dev/null | grep -q "STATE.*$2"
}

# Everything that starts a Wine program runs here, on the virtual screen: the prefix's desktop is made
# by the first program that needs it and keeps the screen it found then.
manager_session() {
    local running=$1 stopped=$2 restart=$3 backup=$4 pages=$5 failed=0 page
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

    # Restart, the third button of the selected service (the web server).
    manager_click 376 145 || failed=1
    manager_wait_for "the progress window" manager_window_called "Service Control" || failed=1
    sleep 1
    import -window root "$restart"
    manager_wait_for "Tomcat9 to run again" manager_service_is Tomcat9 RUNNING || failed=1
    sleep 3

    # Backup Data: the question (OK), the file dialog (the proposed name in ..\backup), the phases,
    # then the result.
    manager_click 221 244 || failed=1
    manager_wait_for "the question" manager_window_called Backup || failed=1
    xdotool key Return
    manager_wait_for "the file dialog" manager_window_called "Backup Location" || failed=1
    sleep 1
    xdotool key Return
    sleep 2
    manager_wait_for "the result" manager_window_called Backup || failed=1
    sleep 1
    import -window root "$backup"
    xdotool key Return
    manager_wait_for "Tomcat9 to run after the backup" manager_service_is Tomcat9 RUNNING || failed=1

    # Settings: each page of the tree (chosen with the arrow keys), then the HTTP port changed to 8090.
    manager_click 349 244 || failed=1
    manager_wait_for "the settings dialog" manager_window_called Settings || failed=1
    sleep 2
    manager_click_settings 48 17 || failed=1
    for page in 1 2 3 4; do
        sleep 1
        import -window root "$pages-$page.png"
        xdotool key Down
    done
    xdotool key Home
    sleep 1
    manager_click_settings 380 106 || failed=1
    xdotool key End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
    xdotool type 8090
    sleep 1
    import -window root "$pages-port.png"
    manager_click_settings 413 310 || failed=1
    sleep 3
    # A message about the change, if any, is confirmed.
    manager_window_called Settings && xdotool key Return

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
    mkdir -p "$app/manager" "$app/tomcat/conf" "$app/bin" "$app/tomcat/webapps/server/WEB-INF/sql/postgresql"
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

    # The web application's backup script: writes a sample script into the chosen file.
    printf '@echo off\r\necho -- Tallyfix sample backup > %%1\r\necho SELECT 1; >> %%1\r\n' \
        >"$app/tomcat/webapps/server/WEB-INF/sql/postgresql/full-backup.bat"

    local running="$demo/manager-running.png" stopped="$demo/manager-stopped.png" status=0
    local restart="$demo/manager-restart.png" backup="$demo/manager-backup.png" pages="$demo/manager-settings"
    echo "== running: C:\\Tallyfix\\manager\\TFManager.exe with Tomcat9 and pgsql (under Xvfb)"
    # xvfb-run goes through sh, which passes no exported functions on: the session carries their text.
    local functions
    functions=$(declare -f manager_session manager_wait_for manager_window_shown manager_service_is \
        manager_click_in manager_click manager_click_settings manager_window_called)
    xvfb-run -a -s "-screen 0 800x600x24" bash -c "$functions"'
        manager_session "$0" "$1" "$2" "$3" "$4"' "$running" "$stopped" "$restart" "$backup" "$pages" || status=$?
    echo
    echo "Screenshot with the web server running: $running"
    echo "Screenshot of a restart chosen on the main window: $restart"
    echo "Screenshot of a backup's result: $backup"
    echo "Screenshots of the settings pages and of the port being changed: $pages-*.png"
    echo "The HTTP connector in server.xml after the settings were saved:"
    grep -o '<Connector port="[0-9]*" protocol="HTTP/1.1"' "$app/tomcat/conf/server.xml" | sed 's/^/   /'
    echo "The backup folder:"
    ls -l "$app/backup" 2>/dev/null | sed 's/^/   /'
    echo "Screenshot with the web server stopped: $stopped"
    echo "The sample stays in $demo"
    return $status
}
