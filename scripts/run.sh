#!/usr/bin/env bash
# Builds the 32-bit Quillmark and runs it under Wine on the user's display,
# starting Xvfb when there is none. Installs what is missing first.
set -euo pipefail
source "$(dirname "$0")/common.sh"
mkdir -p "$QM_CACHE"

qm_install_packages
qm_make_prefix i686
qm_build i686 Release

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    export DISPLAY=:98
    qm_say "no X display: starting Xvfb on $DISPLAY (look at it with: DISPLAY=$DISPLAY import -window root shot.png)"
    qm_start_xvfb "$DISPLAY"
fi

qm_say "running Quillmark (its log is build-i686/quillmark.log)"
WINEPREFIX=$(qm_prefix i686) WINEDEBUG=-all wine "$QM_ROOT/build-i686/Quillmark.exe" \
    </dev/null >"$QM_CACHE/quillmark.out" 2>&1
