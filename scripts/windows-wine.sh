# Sourced by the Windows scripts: a throwaway Wine prefix on an X server of its own (Win32
# windows need Wine's X11 driver, the tests' hidden ones included), with Wine's services up
# before anything else runs, and both gone when the script exits.
WINEPREFIX=$(mktemp -d)
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no prompts for the .NET and HTML runtimes
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WINEPREFIX.display" &
xvfb=$!
stop_wine() {
    wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -rf "$WINEPREFIX" "$WINEPREFIX.display"
}
trap stop_wine EXIT
for _ in $(seq 1 100); do
    [ -s "$WINEPREFIX.display" ] && break
    sleep 0.1
done
DISPLAY=:$(cat "$WINEPREFIX.display")
export DISPLAY
# Wine's services start first with their output elsewhere: a caller reading the output of a
# Windows program would otherwise wait on a pipe they keep open.
wineserver -p
wineboot --init </dev/null >/dev/null 2>&1
# A crash ends the program at once with its failure, instead of a debugger that waits for a
# terminal until the time-out.
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ \
    /d '' /f >/dev/null
