#!/usr/bin/env bash
# Builds Quillmark for i686 and x86_64 and runs the whole test suite on both,
# each in its own Wine prefix, on a private Xvfb display. Installs what is
# missing first. Stops every process it started.
set -euo pipefail
source "$(dirname "$0")/common.sh"
mkdir -p "$QM_CACHE"
export QM_TEST_DISPLAY=${QM_TEST_DISPLAY:-:97}

qm_install_packages
archs=(${QM_ARCHS:-i686 x86_64})

cleanup() {
    for a in "${archs[@]}"; do qm_stop_wineserver "$a"; done
    qm_stop_printer
    [ -n "${QM_XVFB_PID:-}" ] && kill "$QM_XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT

qm_start_xvfb "$QM_TEST_DISPLAY"
# The printing tests print on a real (PDF) printer; here a missing one fails them.
qm_start_printer || qm_say "no PDF printer: the printing tests will fail"
export QM_REQUIRE_PRINTER=1
status=0
for arch in "${archs[@]}"; do
    qm_say "$arch: prefix"
    qm_make_prefix "$arch"
    qm_say "$arch: build"
    qm_build "$arch" Release
    qm_start_wineserver "$arch"
    qm_say "$arch: tests"
    (cd "$QM_ROOT/build-$arch" && ctest --output-on-failure -LE benchmark) || status=1
    qm_stop_wineserver "$arch"
done
exit $status
