# Shared by run.sh and test.sh: installs what the build needs and prepares
# the Wine prefixes. Source it; it defines functions only.

QM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QM_CACHE=${QM_CACHE:-$HOME/.cache/quillmark}

qm_say() { printf '== %s\n' "$*"; }

# Debian packages: the two MinGW-w64 cross compilers (posix threads), Wine
# with its 32-bit half, Xvfb, CMake and Ninja, GoogleTest's sources, Python
# for the image generator; CUPS with its PDF printer and poppler's pdftotext
# for the printing tests; chmcmd (fp-utils) for the help file, makensis
# (nsis) for the setup program, chmlib's tools (libchm-bin) to read the help
# file back in its test.
qm_install_packages() {
    local need=()
    local pkgs=(cmake ninja-build python3 googletest g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
                wine wine32:i386 wine64 fonts-wine xvfb x11-utils imagemagick xdotool
                cups printer-driver-cups-pdf poppler-utils fp-utils nsis libchm-bin)
    for p in "${pkgs[@]}"; do
        dpkg -s "$p" >/dev/null 2>&1 || need+=("$p")
    done
    [ ${#need[@]} -eq 0 ] && return 0
    qm_say "installing: ${need[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${need[@]}" >/dev/null
}

# qm_prefix ARCH -> path of the prefix for i686 or x86_64
qm_prefix() { echo "$QM_CACHE/wine-$1"; }

# Creates a prefix once: 32-bit for i686, 64-bit for x86_64, with the crash
# debugger dialog off, the Gecko/Mono download prompts off, and Wine drawing
# window frames itself (no window manager under Xvfb).
qm_make_prefix() {
    local arch=$1 prefix
    prefix=$(qm_prefix "$arch")
    if [ -f "$prefix/.quillmark-ready" ]; then
        qm_prefix_fonts "$prefix"
        return 0
    fi
    local winearch=win32
    [ "$arch" = x86_64 ] && winearch=win64
    qm_say "creating the $winearch Wine prefix in $prefix"
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    (
        export WINEPREFIX="$prefix" WINEARCH=$winearch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        wineboot -i </dev/null >"$QM_CACHE/wineboot-$arch.log" 2>&1
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 0 /f
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
        wine reg add 'HKCU\Software\Wine\MSHTML' /v GeckoUrl /d '' /f
        wine reg add 'HKCU\Software\Wine\Mono' /v MonoUrl /d '' /f
        wineserver -w
    ) </dev/null >>"$QM_CACHE/wineboot-$arch.log" 2>&1
    qm_prefix_fonts "$prefix"
    touch "$prefix/.quillmark-ready"
}

# Debian's Wine loads only the bitmap fonts of its data folder, not the
# TrueType ones of fonts-wine, so window captions draw their buttons in a
# substitute font: the Marlett symbols come out as the letters "0 1 r".
# Fonts in the prefix's Fonts folder are loaded, so Marlett is copied there
# (only it: the text fonts stay as the tests were written against).
qm_prefix_fonts() {
    local fonts="$1/drive_c/windows/Fonts" marlett=/usr/share/wine/fonts/marlett.ttf
    [ -f "$marlett" ] || return 0
    mkdir -p "$fonts"
    [ -f "$fonts/marlett.ttf" ] || cp "$marlett" "$fonts/"
}

# Starts a persistent wineserver for a prefix so that each program starts fast.
qm_start_wineserver() {
    # A server that already runs for the prefix is fine.
    WINEPREFIX=$(qm_prefix "$1") wineserver -p </dev/null >/dev/null 2>&1 || true
}

qm_stop_wineserver() {
    WINEPREFIX=$(qm_prefix "$1") wineserver -k </dev/null >/dev/null 2>&1 || true
}

# Starts Xvfb on a display unless one answers there already; sets QM_XVFB_PID
# when it started one.
qm_start_xvfb() {
    local display=$1
    QM_XVFB_PID=""
    if DISPLAY=$display xdpyinfo >/dev/null 2>&1; then return 0; fi
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$QM_CACHE/xvfb${display#:}.log" 2>&1 &
    QM_XVFB_PID=$!
    for _ in $(seq 50); do
        DISPLAY=$display xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb did not start on $display" >&2
    return 1
}

# qm_build ARCH [BUILD_TYPE [TARGET...]] -> builds into build-ARCH (every
# target unless some are named)
qm_build() {
    local arch=$1 type=${2:-Release}
    local dir="$QM_ROOT/build-$arch"
    cmake -S "$QM_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" \
        -DCMAKE_TOOLCHAIN_FILE="$QM_ROOT/cmake/toolchain-$arch.cmake" \
        -DQM_WINEPREFIX="$(qm_prefix "$arch")" -DQM_DISPLAY="${QM_TEST_DISPLAY:-:97}" >/dev/null
    shift $(($# < 2 ? $# : 2))
    cmake --build "$dir" ${1:+--target "$@"}
}

# The printer the printing tests print on: starts the CUPS daemon unless one
# runs, and adds the PDF printer QuillmarkPDF (cups-pdf) as the default
# destination unless it exists. Sets QM_CUPSD_PID and QM_PRINTER_ADDED for
# qm_stop_printer, which undoes only what this did.
QM_PRINTER=QuillmarkPDF
qm_start_printer() {
    QM_CUPSD_PID="" QM_PRINTER_ADDED=""
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    if ! lpstat -r 2>/dev/null | grep -q "is running"; then
        $sudo /usr/sbin/cupsd -f </dev/null >"$QM_CACHE/cupsd.log" 2>&1 &
        QM_CUPSD_PID=$!
        for _ in $(seq 100); do
            lpstat -r 2>/dev/null | grep -q "is running" && break
            sleep 0.1
        done
    fi
    if ! lpstat -p "$QM_PRINTER" >/dev/null 2>&1; then
        local ppd="" f
        for f in /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd /usr/share/ppd/cups-pdf/*.ppd; do
            if [ -f "$f" ]; then ppd=$f; break; fi
        done
        if [ -z "$ppd" ] || ! $sudo lpadmin -p "$QM_PRINTER" -v cups-pdf:/ -P "$ppd" -E 2>/dev/null; then
            echo "could not add the PDF printer $QM_PRINTER" >&2
            return 1
        fi
        QM_PRINTER_ADDED=1
    fi
    $sudo lpadmin -d "$QM_PRINTER"
}

qm_stop_printer() {
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    if [ -n "${QM_PRINTER_ADDED:-}" ]; then $sudo lpadmin -x "$QM_PRINTER" 2>/dev/null || true; fi
    if [ -n "${QM_CUPSD_PID:-}" ]; then
        $sudo kill "$QM_CUPSD_PID" 2>/dev/null || true
        wait "$QM_CUPSD_PID" 2>/dev/null || true
    fi
    QM_CUPSD_PID="" QM_PRINTER_ADDED=""
}
