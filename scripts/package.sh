#!/usr/bin/env bash
# Builds what a Windows user gets, from the 32-bit build:
#   build-i686/Quillmark.chm                            the help file (also beside Quillmark.exe)
#   build-i686/package/Quillmark-2.09-setup.exe         the setup program
#   build-i686/package/Quillmark-2.09-portable.zip      the same files, to unpack anywhere
# Installs what is missing first (chmcmd from fp-utils, makensis from nsis).
# Needs no Wine and no display. Test the setup program with
#   cd build-i686 && ctest -R test_package --output-on-failure
set -euo pipefail
source "$(dirname "$0")/common.sh"
mkdir -p "$QM_CACHE"

qm_install_packages
qm_build i686 Release qm_help qm_package

out="$QM_ROOT/build-i686"
qm_say "help file: $out/Quillmark.chm"
for f in "$out"/package/*; do
    qm_say "package:   $f"
done
