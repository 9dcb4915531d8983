# Shared by the set-up scripts: install Debian packages that are missing, and
# give the Windows programs a virtual display and a prepared Wine prefix.
# shellcheck shell=bash

# ensure_packages PKG... : installs the packages that dpkg doesn't know yet.
ensure_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Need root (or sudo) to install: ${missing[*]}" >&2; return 1; }
        sudo="sudo"
    fi
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq >/dev/null
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# jobs: how many compile jobs the machine can take.
jobs() {
    nproc 2>/dev/null || echo 2
}

# start_wine_display: starts Xvfb on the first free display number (exported
# as DISPLAY) and one Wine server for the prefix WINEPREFIX, made and prepared
# here when new. Stop both with stop_wine_display (e.g. trap stop_wine_display EXIT).
xvfb_pid=""
start_wine_display() {
    local display=99
    while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
        display=$((display + 1))
    done
    export DISPLAY=":$display"
    echo "== Xvfb on $DISPLAY, Wine prefix $WINEPREFIX"
    Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$display" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start" >&2; return 1; }
        sleep 0.1
    done
    [ -e "/tmp/.X11-unix/X$display" ] || { echo "Xvfb did not come up on $DISPLAY" >&2; return 1; }

    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot --init >/dev/null 2>&1
        wineserver -w
    fi
    # One Wine server for every program of the run (each cold start costs
    # seconds); -p fails when the prefix has a server already, which serves as well.
    wineserver -p >/dev/null 2>&1 || true
    # Debian's Wine doesn't look in its own font folder: without these links
    # "MS Sans Serif" becomes another font and the dialogs change size.
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    # No window manager on Xvfb: Wine draws its own frames (no 2 s stall on
    # every hidden window), and a crash ends the program instead of waiting
    # for a click.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wine cmd /c exit 0 >/dev/null 2>&1
}

stop_wine_display() {
    # The Wine server first: it talks to the X server until it goes.
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" >/dev/null 2>&1 || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
