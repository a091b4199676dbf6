#!/usr/bin/env bash
# The setup program as a user meets it, in a fresh Wine prefix of its own,
# for both kinds of installation. Just for the user (the default): a silent
# install puts the files under the user's own program folder, the Start-menu
# shortcuts and the uninstall entry (HKCU) in place; the installed Quillmark
# starts, writes beside itself and its Help command opens the installed help
# file; setup refuses to run over a running Quillmark; an upgrade keeps the
# user's data and "Start with Windows" (a quoted path); the uninstaller removes
# the program and its registry entries and keeps the data unless asked to
# remove it. For all users (/ALLUSERS): Program Files, the machine's uninstall
# entry and Start menu, the program folder and the common data folder
# writable for the Users group; an upgrade stays there, an installation just
# for the user starts with a copy of the data; both uninstall on their own.
# Also checks the portable zip's contents.
#
# usage: installer_test.sh SETUP_EXE PORTABLE_ZIP WINTOOL_EXE WORK_DIR
# Needs DISPLAY (an X server, Xvfb will do). WORK_DIR is removed at the end.
set -u
setup=$1 zip=$2 wintool=$3 work=$4
: "${DISPLAY:?needs an X display}"

export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all
# No HTML engine, no Mono, and no desktop menu entries on the host for the
# shortcuts the setup program creates.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# For all users; the folder just for the user is known once the prefix is made.
machine_dir_win='C:\Program Files\Ornava Utilities\Quillmark'
machine_dir="$WINEPREFIX/drive_c/Program Files/Ornava Utilities/Quillmark"
common_data_win='C:\Program Files\Ornava Utilities\Common'
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmark'
user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmark'
users_sid='S-1-5-32-545'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Ornava Utilities\Quillmark'
log="$work/wine.log"
failures=0
quillmark_pid=""

say() { printf '%s\n' "$*"; }
check() {
    local what=$1
    shift
    if "$@"; then say "ok:   $what"; else say "FAIL: $what"; failures=$((failures + 1)); fi
}
not() { ! "$@"; }

cleanup() {
    if [ -n "$quillmark_pid" ] && kill -0 "$quillmark_pid" 2>/dev/null; then kill "$quillmark_pid" 2>/dev/null; fi
    # This test's own prefix only: WINEPREFIX names it.
    [ -d "$WINEPREFIX" ] && wineserver -k </dev/null >/dev/null 2>&1
    if [ $failures -ne 0 ] && [ -f "$log" ]; then say "--- wine output"; tail -n 40 "$log"; fi
    rm -rf "$work"
}
trap cleanup EXIT

w() { timeout 120 wine "$@" </dev/null >>"$log" 2>&1; }
tool() { timeout 90 wine "$wintool" "$@" </dev/null >>"$log" 2>&1; }

# regval KEY NAME: prints the value's data; fails when it is missing.
regval() {
    timeout 30 wine reg query "$1" /v "$2" </dev/null 2>>"$log" | tr -d '\r' |
        awk -v n="$2" '$1 == n { sub(/^[ \t]*[^ \t]+[ \t]+REG_[A-Z_]+[ \t]*/, ""); print; f = 1 } END { exit !f }'
}
haskey() { timeout 30 wine reg query "$1" </dev/null >/dev/null 2>>"$log"; }
regis() { [ "$(regval "$1" "$2")" = "$3" ]; }

# wait_until BOUND_S COMMAND...: polls the condition every 0.2 s.
wait_until() {
    local bound=$1
    shift
    local end=$((SECONDS + bound))
    until "$@"; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.2
    done
}
files_gone() { [ ! -e "$1/uninstall.exe" ] && ! haskey "$2"; }
dir_gone() { [ ! -e "$1" ]; }
same_file() { cmp -s "$1" "$2"; }

# The Start-menu folder under the users' folders or the machine's (ProgramData).
startmenu() { find "$WINEPREFIX/drive_c/$1" -path '*/Start Menu/Programs/Quillmark' -type d 2>/dev/null | head -n 1; }

# ---------------------------------------------------------------- the prefix
# A run that was cut short may have left its prefix behind.
[ -d "$WINEPREFIX" ] && wineserver -k </dev/null >/dev/null 2>&1
rm -rf "$work"
mkdir -p "$work"
say "making a fresh prefix in $WINEPREFIX"
timeout 120 wineboot -i </dev/null >>"$log" 2>&1
cat >"$work/prefix.reg" <<'EOF'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Debugger"=""
"Auto"="0"

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\Software\Wine\MSHTML]
"GeckoUrl"=""

[HKEY_CURRENT_USER\Software\Wine\Mono]
"MonoUrl"=""
EOF
w regedit /S "$work/prefix.reg"
# Keeps the server between the many short wine runs below; it still ends by
# itself shortly after the last process, should the cleanup never run.
wineserver -p10 </dev/null >/dev/null 2>&1
check "the prefix was made" regis 'HKCU\Software\Wine\X11 Driver' Managed N

# The user's own program folder, as the prefix has it.
localappdata_win=$(timeout 30 wine cmd /c 'echo %LOCALAPPDATA%' </dev/null 2>>"$log" | tr -d '\r')
instdir_win="$localappdata_win\\Programs\\Ornava Utilities\\Quillmark"
instdir=$(timeout 30 winepath -u "$instdir_win" </dev/null 2>>"$log")
check "the user's program folder is known" test -n "$localappdata_win" -a -n "$instdir"
say "installing just for the user into $instdir_win"

# ---------------------------------------------- first install, just for me
w "$setup" /S
check "silent install ends with exit code 0" test $? -eq 0
for f in Quillmark.exe Quillmark.chm readme.txt uninstall.exe; do
    check "installed $f in the user's program folder" test -f "$instdir/$f"
done
check "nothing in Program Files" test ! -e "$machine_dir"
sm=$(startmenu users)
check "Start-menu folder of the user" test -n "$sm"
check "no Start-menu folder for all users" test -z "$(startmenu ProgramData)"
check "Start-menu shortcut to Quillmark" test -f "$sm/Quillmark.lnk"
check "Start-menu shortcut to the help file" test -f "$sm/Quillmark Help.lnk"
check "uninstall entry names the program" regis "$user_key" DisplayName "Quillmark 2.09"
check "uninstall entry's version" regis "$user_key" DisplayVersion "2.09"
check "uninstall entry's location" regis "$user_key" InstallLocation "$instdir_win"
check "uninstall entry's command" regis "$user_key" UninstallString "\"$instdir_win\\uninstall.exe\""
check "no uninstall entry of the machine" not haskey "$machine_key"
check "no start-at-logon value unless chosen" not regval "$run_key" Quillmark

# ------------------------------------------------- the installed program
# Never the publisher's real service: a closed port on loopback, and no
# connection question when it checks for an update at start-up.
w reg add 'HKCU\Software\Ornava Utilities\Quillmark\OrnavaDB' /v ServiceUrl /d http://127.0.0.1:9 /f
w reg add 'HKCU\Software\Ornava Utilities\Quillmark\OrnavaDB' /v PromptBeforeUpdate /t REG_DWORD /d 0 /f
wine "$instdir/Quillmark.exe" </dev/null >>"$log" 2>&1 &
quillmark_pid=$!
check "the installed Quillmark opens its window" tool wait QuillmarkWndClass Quillmark 60000
check "it runs from the install folder (its log is there)" wait_until 20 test -f "$instdir/quillmark.log"

# F1's command with the help file beside the program: the shell opens it in
# the help viewer, which reads the file's title; no "not found" box.
tool command QuillmarkWndClass Quillmark 2810
check "Help opens the installed help file" tool wait "HH Parent" "Quillmark Help" 30000
check "no 'help file was not found' box" not tool exists "#32770" Quillmark "help file was not found"
tool close "HH Parent" "Quillmark Help"
check "the help viewer closed" tool gone "HH Parent" "Quillmark Help" 20000

cp "$instdir/Quillmark.exe" "$work/installed.exe"
w "$setup" /S
check "setup refuses to run while Quillmark runs" test $? -ne 0
check "... and leaves the running program's files alone" same_file "$instdir/Quillmark.exe" "$work/installed.exe"

tool command QuillmarkWndClass Quillmark 2772
if ! wait_until 30 not kill -0 "$quillmark_pid" 2>/dev/null; then
    say "note: Quillmark did not exit through its Exit command; ending it by its pid"
    kill "$quillmark_pid" 2>/dev/null
    wait_until 20 not kill -0 "$quillmark_pid" 2>/dev/null
fi
quillmark_pid=""

# -------------------------------------------- upgrade over the installation
printf 'notepad.exe;1\r\nregedit.exe;0\r\n' >"$instdir/protect.dat"
printf '<?xml version="1.0"?>\r\n<database>\r\n</database>\r\n' >"$instdir/local-db.xml"
cp "$instdir/protect.dat" "$work/protect.dat"
cp "$instdir/local-db.xml" "$work/local-db.xml"
w "$setup" /S /STARTWITHWINDOWS
check "upgrade ends with exit code 0" test $? -eq 0
check "upgrade keeps protect.dat" same_file "$instdir/protect.dat" "$work/protect.dat"
check "upgrade keeps local-db.xml" same_file "$instdir/local-db.xml" "$work/local-db.xml"
check "upgrade keeps the settings" regis "$settings_key\\OrnavaDB" ServiceUrl http://127.0.0.1:9
check "upgrade replaced the program" test -f "$instdir/Quillmark.exe"
check "Start with Windows writes the program's own Run value, quoted" \
    regis "$run_key" Quillmark "\"$instdir_win\\Quillmark.exe\""

w "$setup" /S
check "an upgrade without the option keeps Start with Windows on" \
    regis "$run_key" Quillmark "\"$instdir_win\\Quillmark.exe\""

# ----------------------------------------------------------------- uninstall
w "$instdir/uninstall.exe" /S
check "the uninstaller finishes" wait_until 60 files_gone "$instdir" "$user_key"
for f in Quillmark.exe Quillmark.chm readme.txt uninstall.exe quillmark.log; do
    check "uninstall removed $f" test ! -e "$instdir/$f"
done
check "uninstall removed the Start-menu folder" test ! -e "$sm"
check "uninstall removed the uninstall entry" not haskey "$user_key"
check "uninstall removed the Run value" not regval "$run_key" Quillmark
check "uninstall keeps protect.dat" same_file "$instdir/protect.dat" "$work/protect.dat"
check "uninstall keeps local-db.xml" same_file "$instdir/local-db.xml" "$work/local-db.xml"
check "uninstall keeps the settings" regis "$settings_key\\OrnavaDB" ServiceUrl http://127.0.0.1:9

# ------------------------------------- reinstall, then remove with the data
# Another copy (a portable one) starts at logon: neither the setup program nor
# the uninstaller takes its value over or away.
other='C:\Tools\Quillmark\Quillmark.exe'
w reg add "$run_key" /v Quillmark /d "$other" /f
w "$setup" /S
check "reinstall ends with exit code 0" test $? -eq 0
check "reinstall finds protect.dat again" same_file "$instdir/protect.dat" "$work/protect.dat"
check "reinstall leaves another copy's Run value alone" regis "$run_key" Quillmark "$other"
w "$instdir/uninstall.exe" /S /REMOVEUSERDATA
check "uninstall asked to remove the data leaves no folder" wait_until 60 dir_gone "$instdir"
check "... not even the company's folder" dir_gone "$(dirname "$instdir")"
check "... and no settings" not haskey "$settings_key"
check "... and leaves another copy's Run value alone" regis "$run_key" Quillmark "$other"
w reg delete "$run_key" /v Quillmark /f

# -------------------------------------------------------- for all users
w reg add 'HKCU\Software\Ornava Utilities\Quillmark\OrnavaDB' /v ServiceUrl /d http://127.0.0.1:9 /f
w reg add 'HKCU\Software\Ornava Utilities\Quillmark\OrnavaDB' /v PromptBeforeUpdate /t REG_DWORD /d 0 /f
# With the security calls traced: this Wine neither keeps nor enforces the
# access lists of files (the calls succeed and a read-back shows the old
# list), so where the list cannot be read back the calls themselves are
# checked.
WINEDEBUG=-all,trace+advapi timeout 120 wine "$setup" /S /ALLUSERS </dev/null >>"$log" 2>"$work/security.log"
check "install for all users ends with exit code 0" test $? -eq 0
for f in Quillmark.exe Quillmark.chm readme.txt uninstall.exe; do
    check "installed $f in Program Files" test -f "$machine_dir/$f"
done
check "nothing in the user's program folder" test ! -e "$instdir"
msm=$(startmenu ProgramData)
check "Start-menu folder for all users" test -n "$msm"
check "Start-menu shortcut to Quillmark for all users" test -f "$msm/Quillmark.lnk"
check "uninstall entry of the machine" regis "$machine_key" InstallLocation "$machine_dir_win"
check "no uninstall entry of the user" not haskey "$user_key"
# granted FOLDER: the folder's list lets Users write, or (where the list is
# not kept) the setup program asked for exactly that.
granted() {
    tool writable "$1" "$users_sid" && return 0
    local traced=${1//\\/\\\\}
    grep -q 'grfAccessPermissions = 0x1301bf' "$work/security.log" &&
        grep -q 'grfAccessMode = 1' "$work/security.log" &&
        grep -q 'grfInheritance = 0x3' "$work/security.log" &&
        grep -qF "SetNamedSecurityInfoW L\"$traced\" 1 4 " "$work/security.log"
}
check "Users may write to the program folder" granted "$machine_dir_win"
check "Users may write to the common data folder" granted "$common_data_win"
check "nobody else's folder was opened up" not granted "$localappdata_win"

wine "$machine_dir/Quillmark.exe" </dev/null >>"$log" 2>&1 &
quillmark_pid=$!
check "Quillmark installed for all users opens its window" tool wait QuillmarkWndClass Quillmark 60000
check "it writes beside itself" wait_until 20 test -f "$machine_dir/quillmark.log"
tool command QuillmarkWndClass Quillmark 2772
if ! wait_until 30 not kill -0 "$quillmark_pid" 2>/dev/null; then
    kill "$quillmark_pid" 2>/dev/null
    wait_until 20 not kill -0 "$quillmark_pid" 2>/dev/null
fi
quillmark_pid=""

# An upgrade finds the installation for all users and stays there.
cp "$work/protect.dat" "$machine_dir/protect.dat"
cp "$work/local-db.xml" "$machine_dir/local-db.xml"
w "$setup" /S
check "upgrade for all users ends with exit code 0" test $? -eq 0
check "... stays in Program Files" test ! -e "$instdir"
check "... and keeps protect.dat" same_file "$machine_dir/protect.dat" "$work/protect.dat"
check "... and keeps local-db.xml" same_file "$machine_dir/local-db.xml" "$work/local-db.xml"

# An installation just for the user beside it starts with a copy of the data.
w "$setup" /S /CURRENTUSER
check "install just for the user beside it ends with exit code 0" test $? -eq 0
check "... installs into the user's program folder" test -f "$instdir/Quillmark.exe"
check "... with a copy of protect.dat" same_file "$instdir/protect.dat" "$work/protect.dat"
check "... and of local-db.xml" same_file "$instdir/local-db.xml" "$work/local-db.xml"
check "... and its own uninstall entry" regis "$user_key" InstallLocation "$instdir_win"
w "$instdir/uninstall.exe" /S /REMOVEUSERDATA
check "that one uninstalls alone" wait_until 60 dir_gone "$instdir"
check "... leaving the installation for all users" regis "$machine_key" InstallLocation "$machine_dir_win"
check "... and its files" test -f "$machine_dir/Quillmark.exe"

w "$machine_dir/uninstall.exe" /S /REMOVEUSERDATA
check "uninstall for all users leaves no folder" wait_until 60 dir_gone "$machine_dir"
check "... and no uninstall entry" not haskey "$machine_key"
check "... and no Start-menu folder" test ! -e "$msm"
check "... and no company folder" dir_gone "$(dirname "$machine_dir")"

# ------------------------------------------------------------- portable zip
listing=$(python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip" 2>>"$log")
for f in Quillmark.exe Quillmark.chm readme.txt; do
    check "portable zip holds $f" grep -qx "Quillmark-2.09/$f" <<<"$listing"
done

say "$failures failure(s)"
[ $failures -eq 0 ]
