# Shared by run.sh and test.sh: installs what the build needs and prepares
# the Wine prefixes. Source it; it defines functions only.

QM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QM_CACHE=${QM_CACHE:-$HOME/.cache/quillmark}

qm_say() { printf '== %s\n' "$*"; }

# Debian packages: the two MinGW-w64 cross compilers (posix threads), Wine
# with its 32-bit half, Xvfb, CMake and Ninja, GoogleTest's sources, Python
# for the image generator; chmcmd (fp-utils) for the help file, makensis
# (nsis) for the setup program, chmlib's tools (libchm-bin) to read the help
# file back in its test.
qm_install_packages() {
    local need=()
    local pkgs=(cmake ninja-build python3 googletest g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
                wine wine32:i386 wine64 fonts-wine xvfb x11-utils imagemagick xdotool
                fp-utils nsis libchm-bin)
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
    [ -f "$prefix/.quillmark-ready" ] && return 0
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
    touch "$prefix/.quillmark-ready"
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
