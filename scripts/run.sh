#!/usr/bin/env bash
# Builds the 32-bit Quillmark and runs it under Wine on the user's display,
# starting Xvfb when there is none. Installs what is missing first.
# By default it also starts the project's publisher service on
# 127.0.0.1:8123 with a sample database and points Quillmark's update check,
# downloads and submissions at it, so nothing leaves the machine.
#   --configured-service  leaves "OrnavaDB"/"ServiceUrl" as it is and starts
#                         no publisher: Quillmark uses the configured address
#                         (or its built-in one when the value is missing).
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

export WINEPREFIX=$(qm_prefix i686) WINEDEBUG=-all
publisher_pid=""
cleanup() {
    [ -n "$publisher_pid" ] && kill "$publisher_pid" 2>/dev/null || true
    [ -n "${QM_XVFB_PID:-}" ] && kill "$QM_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

use_publisher=1
case "${1:-}" in
    --configured-service) use_publisher=0 ;;
    --with-publisher | "") ;;
    *) echo "usage: $0 [--configured-service]" >&2; exit 2 ;;
esac

if [ "$use_publisher" = 1 ]; then
    sample="Z:$(echo "$QM_ROOT/tools/publisher/sample-ornava-db.xml" | tr / '\\')"
    record="Z:$(echo "$QM_CACHE/publisher-requests.log" | tr / '\\')"
    qm_say "publisher service on http://127.0.0.1:8123 (requests recorded in $QM_CACHE/publisher-requests.log)"
    wine "$QM_ROOT/build-i686/tools/publisher/qm_publisher.exe" --port 8123 --version 400000000 \
        --db "$sample" --record "$record" </dev/null >"$QM_CACHE/publisher.out" 2>&1 &
    publisher_pid=$!
    wine reg add 'HKCU\Software\Ornava Utilities\Quillmark\OrnavaDB' /v ServiceUrl \
        /d http://127.0.0.1:8123 /f </dev/null >/dev/null 2>&1
fi

qm_say "running Quillmark (its log is build-i686/quillmark.log)"
wine "$QM_ROOT/build-i686/Quillmark.exe" </dev/null >"$QM_CACHE/quillmark.out" 2>&1
