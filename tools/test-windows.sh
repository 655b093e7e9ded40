#!/usr/bin/env bash
# Builds the Windows programs with mingw-w64 and runs their tests under wine, on a private X server and a
# private wine prefix (build/wineprefix), with the Japanese locale so that the 8-bit code page is 932 as on
# the users' systems. LUMIVEX_WINE_DISPLAY=:N uses that X display instead of a private Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

elapsed() { echo "$(($(date +%s) - $1)) s"; }

started=$(date +%s)
tools/install-packages.sh cmake make libfmt-dev googletest g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 fonts-wine \
    xvfb xauth fonts-ipafont-gothic locales
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    echo "Generating the ja_JP.UTF-8 locale"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8
fi
echo "packages and locale: $(elapsed "$started")"

# Everything wine runs from here on, test discovery included, sees a Japanese system of its own.
unset LC_ALL LC_CTYPE LC_MESSAGES LANGUAGE
export LANG=ja_JP.UTF-8
export WINEPREFIX="$root/build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko prompts; no menu entries in $HOME; the link mark opens no real browser.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winebrowser.exe=d"

xvfb_pid=""
cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

if [ -n "${LUMIVEX_WINE_DISPLAY:-}" ]; then
    export DISPLAY="$LUMIVEX_WINE_DISPLAY"
else
    # -displayfd: the server takes a free display number and writes it once it accepts connections.
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$display_file" ] && break
        sleep 0.1
    done
    number=$(head -n1 "$display_file")
    rm -f "$display_file"
    [ -n "$number" ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$number"
fi
echo "display $DISPLAY, wine prefix $WINEPREFIX"

if ! grep -qs '"Managed"="N"' "$WINEPREFIX/user.reg"; then
    echo "== Creating the wine prefix"
    started=$(date +%s)
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # Without a window manager every show and destroy of a managed window waits for one.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    grep -qs '"Managed"="N"' "$WINEPREFIX/user.reg" || { echo "wine prefix set-up failed" >&2; exit 1; }
    echo "wine prefix: $(elapsed "$started")"
fi

# One wineserver for the whole run, settled before the first test. A server started on demand ends about
# 3 s after its last client has gone, and a wine process that connects while it is ending is cut off
# ("wine client error: recvmsg: Connection reset by peer"). Every test case is a wine process of its own,
# often started just as the previous one ended, so the server must not end between them; it is ended once,
# by the clean-up, after the last test.
wineserver -p
# Wine's own services start with the first wine process and, under a persistent server, outlive it holding
# its standard output: started by a test, they would keep ctest's pipe open until the test times out. Start
# them here, their output going nowhere.
wine rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1

echo "== Windows build (mingw-w64)"
started=$(date +%s)
# Compiler and make messages in English; only wine needs the Japanese locale.
LC_ALL=C.UTF-8 cmake --preset windows --no-warn-unused-cli >/dev/null
LC_ALL=C.UTF-8 cmake --build --preset windows -j2
for program in build/windows/app/win32/Lumivex.exe build/windows/cli/lumivex.exe; do
    # A static runtime: only system DLLs are imported.
    x86_64-w64-mingw32-objdump -p "$program" | awk '/DLL Name/ {print $3}' |
        grep -viE '^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|msvcrt|advapi32)\.dll$' &&
        { echo "$program imports a non-system DLL" >&2; exit 1; }
done
echo "build: $(elapsed "$started")"

echo "== Windows tests under wine"
started=$(date +%s)
mkdir -p "$root/build/artifacts"
status=0
ctest --preset windows -j2 || status=$?
echo "wine tests: $(elapsed "$started")"
[ -f "$root/build/artifacts/window.png" ] && echo "screenshot: build/artifacts/window.png"
exit "$status"
