#!/usr/bin/env bash
# What a running Quillmark costs, side by side with its floors and with Wine's
# own task manager.
#
# In one private prefix on its own Xvfb display, for each count N it starts N
# idle GUI processes, measures a baseline with nothing else running, then runs
# each program alone for the same duration and reads from /proc: its own CPU,
# the extra CPU in wineserver and Xvfb (baseline subtracted), its resident
# memory, and the time from start to its first window and to filled lists.
# The floors: for CPU the probe (the system process query alone, once per
# interval) and the floor window sampling what Quillmark samples while it is
# seen ("floor+samplers": the memory status every 100 ms, the CPU times and
# the interface table every second on threads, the process query every 2 s,
# and one load at start on a thread that ends, as the snapshot's), and
# "floor+icons", the same with a row per running process showing the icon of
# its program file as Quillmark's lists take it (its own, else the shell's),
# and in the notification area "floor+tray", the floor window never shown with
# Quillmark's one- and two-second timers; for memory and time the floor
# window (tools/benchfloor: a static window with the same kinds of controls
# and N list rows), started the same
# way at every count. It prints a table with the ratios and differences, and
# where Quillmark's resident memory goes over its start (by library against
# the floor window, and by start-up step).
#
#   scripts/bench.sh [options]
#     --counts "0 50 200 1000"  idle GUI process counts (ascending)
#     --duration S              seconds each program is measured (default 30)
#     --variant-counts "200"    counts at which the 0.5 s interval, the
#                               Services tab, the Applications tab with a row
#                               selected and the publisher database loaded,
#                               and Quillmark minimised and started in the
#                               notification area are measured too ("" = none)
#     --visible-windows         the idle programs show their windows, so they
#                               are application windows (the Applications
#                               list has N rows); without it they stay
#                               hidden. taskmgr is measured both ways anyway,
#                               and the Applications variant always with them
#                               shown.
#     --profile-counts "0 1000" counts at which Quillmark's and the floor
#                               window's whole start is profiled for memory
#                               ("" = none)
#     --smoke                   quick run: --counts "0 5" --duration 10
#                               --variant-counts 5 --profile-counts 5
#                               --list-timeout 20; fails when a figure is
#                               missing
#     --build DIR               build folder with the tools (default build-i686)
#     --quillmark EXE           the Quillmark.exe to measure (default DIR/Quillmark.exe)
#     --display :N              the Xvfb display it starts (default :86)
#     --readme                  also write the table into README.md between
#                               the bench markers
#     --out FILE                also write the table and the profiles to FILE
#     --programs "quillmark floor taskmgr probe"  which programs are measured
#                               (a quick comparison of two builds can leave
#                               taskmgr out)
#     --list-timeout S          how long to wait for a window and filled lists
#                               (default 60)
#     --suspect-warnings 0|1    Quillmark's warnings about suspect programs
#                               (default 1, its own default): with them on it
#                               samples every 5 s in the notification area.
#                               With them on, the tray variant is also
#                               measured with them off, and the probe at 5 s
#                               (the watch's query alone) is its floor
# Long: about (5 + 8 variants) x duration per count plus start-up. Not part of
# scripts/test.sh; ctest -L benchmark runs the smoke mode.
# The whole script is one block, read before it runs, so that editing the
# file during a long run does not change the run.
{
set -euo pipefail
source "$(dirname "$0")/common.sh"

counts="0 50 200 1000"
duration=30
variant_counts="200"
profile_counts="0 1000"
visible_windows=0
smoke=0
build="$QM_ROOT/build-i686"
quillmark=""
display=":86"
write_readme=0
out_file=""
list_timeout=60
programs="quillmark floor taskmgr probe"
suspect_warnings=1
while [ $# -gt 0 ]; do
    case $1 in
    --counts) counts=$2; shift ;;
    --duration) duration=$2; shift ;;
    --variant-counts) variant_counts=$2; shift ;;
    --profile-counts) profile_counts=$2; shift ;;
    --visible-windows) visible_windows=1 ;;
    --smoke) counts="0 5"; duration=10; variant_counts="5"; profile_counts="5"; list_timeout=20; smoke=1 ;;
    --build) build=$2; shift ;;
    --quillmark) quillmark=$2; shift ;;
    --display) display=$2; shift ;;
    --readme) write_readme=1 ;;
    --out) out_file=$2; shift ;;
    --list-timeout) list_timeout=$2; shift ;;
    --suspect-warnings) suspect_warnings=$2; shift ;;
    --programs) programs=$2; shift ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
quillmark=${quillmark:-$build/Quillmark.exe}
idle_exe=$build/tools/benchidle/qm_benchidle.exe
probe_exe=$build/tools/benchprobe/qm_benchprobe.exe
watch_exe=$build/tools/benchwatch/qm_benchwatch.exe
floor_exe=$build/tools/benchfloor/qm_benchfloor.exe
memprofile=$QM_ROOT/tools/benchmem/memprofile.py
for f in "$quillmark" "$idle_exe" "$probe_exe" "$watch_exe" "$floor_exe"; do
    [ -f "$f" ] || { echo "missing $f (build Quillmark qm_benchidle qm_benchprobe qm_benchwatch qm_benchfloor)" >&2; exit 2; }
done
# What is measured, read before the run: the tree may change while it runs.
commit=$(git -C "$QM_ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)
if [ -n "$(git -C "$QM_ROOT" status --porcelain 2>/dev/null)" ]; then tree="with changes not committed"; else tree="clean"; fi
build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt" 2>/dev/null)
built="commit $commit (tree $tree), ${build_type:-unknown} build $(basename "$build"): $quillmark built $(date -u -r "$quillmark" '+%Y-%m-%d %H:%M UTC')"
# Quillmark's activity log, beside the program: its lines mark the start-up
# steps of the memory profile.
quillmark_log=$(dirname "$quillmark")/quillmark.log
wanted() { case " $programs " in *" $1 "*) return 0 ;; esac; return 1; }

mkdir -p "$QM_CACHE"
# One run per prefix: the end of a run stops the prefix's server.
exec 9>"$QM_CACHE/bench.lock"
flock -n 9 || { echo "another bench.sh runs with QM_CACHE=$QM_CACHE" >&2; exit 2; }
work=$(mktemp -d "$QM_CACHE/bench.XXXXXX")
export WINEPREFIX=$(qm_prefix bench) WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=$display
hz=$(getconf CLK_TCK)

# ---- Every process this script starts, ended by its id --------------------

started=()        # unix pids of everything started (idle programs, subjects)
xvfb_pid=""
cleanup() {
    trap - EXIT INT TERM
    local p
    for p in "${started[@]}"; do kill "$p" 2>/dev/null || true; done
    # The private prefix's server and its helper processes (services,
    # explorer...) belong to this run alone.
    WINEPREFIX=$(qm_prefix bench) wineserver -k </dev/null >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    # A run cut short in the Applications variant leaves no database behind.
    [ -n "${publisher_db:-}" ] && rm -f "$publisher_db"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- /proc readings ---------------------------------------------------------

# ticks PID: utime+stime of a process in clock ticks (0 when it is gone).
ticks() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || { echo 0; return; }
    stat=${stat##*) }  # the fields after the command name, which may hold spaces
    set -- $stat
    echo $(( ${12} + ${13} ))
}
# The summed CPU ticks of the idle programs: a monitor that talks to every
# window (icons, titles) makes them work too.
# One reader for all of them (their command name holds no spaces).
idle_ticks() {
    [ ${#idle_pids[@]} -eq 0 ] && { echo 0; return; }
    printf '/proc/%s/stat\n' "${idle_pids[@]}" | xargs cat 2>/dev/null | awk '{ s += $14 + $15 } END { print s + 0 }'
}
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
now_ms() { date +%s%3N; }
# A sleep the INT/TERM trap can cut short (bash runs a trap only between
# commands, and a foreground sleep is one command).
pause() { sleep "$1" & wait $!; }
pct() { awk -v t="$1" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.2f", 100 * t / hz / s }'; }

# The wineserver of the private prefix: the one whose folder is named after
# the prefix's device and inode.
wineserver_pid() {
    local tag p
    tag=$(printf 'server-%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")
    for p in $(pgrep -x wineserver64; pgrep -x wineserver); do
        case $(readlink "/proc/$p/cwd" 2>/dev/null) in */"$tag") echo "$p"; return 0 ;; esac
    done
    return 1
}

# The unix pid of a Windows program started in the private prefix whose
# command line starts with text, newer than pid "after".
pid_of_program() {
    local text=$1 after=$2 p
    for p in $(pgrep -f -- "$text"); do
        [ "$p" -gt "$after" ] || continue
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$p"; return 0; }
    done
    return 1
}

# Waits (at most 60 s) until wineserver and Xvfb are quiet: under 3 % of a
# core over one second, so a phase does not start in the tail of the last.
settle() {
    local i a b c d
    for i in $(seq 60); do
        a=$(ticks "$ws_pid"); c=$(ticks "$xvfb_pid")
        pause 1
        b=$(ticks "$ws_pid"); d=$(ticks "$xvfb_pid")
        [ $(( (b - a + d - c) * 100 / hz )) -lt 3 ] && return 0
    done
    echo "   (wineserver/Xvfb did not quieten within 60 s)" >&2
}

# ---- Setting up --------------------------------------------------------------

qm_say "prefix $WINEPREFIX, display $display, counts: $counts, ${duration}s each"
qm_say "measuring $built"
if xdpyinfo >/dev/null 2>&1 || [ -e "/tmp/.X11-unix/X${display#:}" ]; then
    echo "display $display is in use: the Xvfb CPU would not be ours; choose another with --display" >&2
    exit 2
fi
qm_make_prefix bench
# Every Wine GUI process holds two X connections; Xvfb allows 256 clients
# unless told otherwise, which would stop the idle programs near 127.
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp -maxclients 2048 </dev/null >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $display" >&2; exit 1; }
wineserver -p </dev/null >/dev/null 2>&1 || true
# A first program brings up the prefix's own services (explorer, services...).
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
ws_pid=$(wineserver_pid) || { echo "no wineserver found for $WINEPREFIX" >&2; exit 1; }

# Quillmark's settings for a run: no update check, the service address on a
# closed loopback port in any case, the tab and interval index given, and
# whether it starts in the notification area (1) or with its window. A saved
# window placement (640 x 480 at 100,100) is what "start minimised" hides,
# and it gives every run the same window size.
quillmark_settings() {
    local tab=$1 interval_index=$2 minimized=${3:-0} warnings=${4:-$suspect_warnings} key='HKEY_CURRENT_USER\Software\Ornava Utilities\Quillmark'
    cat >"$work/qm.reg" <<EOF
REGEDIT4

[$key\\OrnavaDB]
"ServiceUrl"="http://127.0.0.1:9"
"CheckUpdates"=dword:00000000
"PromptBeforeUpdate"=dword:00000000

[$key\\General]
"SaveLastTab"=dword:00000001
"LastTabIndex"=dword:0000000$tab
"StartMinimized"=dword:0000000$minimized
"WarnSuspectPrograms"=dword:0000000$warnings

[$key\\WindowPos]
"WindowPlacement"=hex:2c,00,00,00,00,00,00,00,01,00,00,00,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,ff,\\
  ff,ff,ff,ff,64,00,00,00,64,00,00,00,e4,02,00,00,44,02,00,00

[$key\\Update]
"EnableAutoUpdate"=dword:00000001
"AutoMode"=dword:00000000
"UpdateTime"=dword:0000000$interval_index
EOF
    wine regedit /S "$work/qm.reg" </dev/null >/dev/null 2>&1
}

# Wine's task manager keeps its options in one binary value; as laid out by
# Wine 8's taskmgr (observed by changing them in its menus), 32-bit word 5 is
# the open page (1 = Processes) and word 10 the update speed (1 = High, 0.5 s;
# 2 = Normal, 2 s). The rest is its default layout.
taskmgr_settings() {
    local speed=$1 blob=""
    blob+=00000000B6010000300100004A030000CF020000010000000000000001000000010000000100000002000000
    blob+=0000000000000000010000000000000001000000010000000100000001000000010000000000000000000000
    blob+=0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000
    blob+=0000000000000000000000000000000000000000000000000000000000000000010000000200000003000000
    blob+=0400000005000000060000000700000008000000090000000A0000000B0000000C0000000D0000000E000000
    blob+=0F00000010000000110000001200000013000000140000001500000016000000170000001800000069000000
    blob+=320000006B000000460000002300000046000000460000006400000046000000460000004600000046000000
    blob+=46000000460000003C0000003C0000003C0000003C0000003C00000046000000460000004600000046000000
    blob+=460000004600000001000000010000000100000000000000
    blob=${blob:0:80}0${speed}000000${blob:88}
    wine reg add 'HKCU\Software\Wine\TaskManager' /v Preferences /t REG_BINARY /d "$blob" /f </dev/null >/dev/null 2>&1
}

# The publisher database of the sample service, as the program finds it at
# start in the common data folder, with an entry for the idle programs so
# that every Applications row has its company and description.
publisher_db="$WINEPREFIX/drive_c/Program Files/Ornava Utilities/Common/ornava-db.xml"
place_publisher_db() {
    mkdir -p "$(dirname "$publisher_db")"
    awk '/<\/database>/ {
            print "        <company>"
            print "            <name>Quillmark bench</name>"
            print "            <url>www.ornava.com</url>"
            print "            <executable>"
            print "                <rating>0</rating>"
            print "                <filename>qm_benchidle.exe</filename>"
            print "                <description>An idle window that the side-by-side measurement starts by the hundred.</description>"
            print "            </executable>"
            print "        </company>"
        }
        { print }' "$QM_ROOT/tools/publisher/sample-ornava-db.xml" >"$publisher_db"
}
remove_publisher_db() { rm -f "$publisher_db"; }

# ---- Idle GUI processes -----------------------------------------------------

idle_pids=()
# Whether the idle programs' windows are shown now ("shown" or "hidden").
windows_now=$([ "$visible_windows" = 1 ] && echo shown || echo hidden)
# Shows or hides every idle program's window and waits (bounded) until each
# is so; new idle programs start in that state.
set_windows() {
    [ "$1" = "$windows_now" ] && return 0
    windows_now=$1
    [ ${#idle_pids[@]} -eq 0 ] && return 0
    timeout 300 wine "$watch_exe" --class QmBenchIdle --windows "$1" --timeout 240000 </dev/null >"$work/windows.out" 2>&1 ||
        echo "   not every idle window is $1: $(cat "$work/windows.out")" >&2
    settle
}

# Brings the idle processes up to n, in batches, while memory lasts (each
# holds about 17 MB resident; at least 3 GB are left for everyone else).
grow_idle() {
    local n=$1 batch avail p last arg
    arg=$([ "$windows_now" = hidden ] && echo hidden || true)
    while [ ${#idle_pids[@]} -lt "$n" ]; do
        avail=$(awk '/^MemAvailable:/ {print int($2/1024)}' /proc/meminfo)
        if [ "$avail" -lt 3072 ]; then
            echo "   stopped at ${#idle_pids[@]} idle processes: ${avail} MB of memory left" >&2
            return 1
        fi
        batch=$(( n - ${#idle_pids[@]} ))
        [ "$batch" -gt 25 ] && batch=25
        for _ in $(seq "$batch"); do
            wine "$idle_exe" $arg </dev/null >/dev/null 2>&1 &
            idle_pids+=($!); started+=($!)
        done
        settle
        # One that ended (a limit of the server) does not count.
        last=()
        for p in "${idle_pids[@]}"; do [ -d "/proc/$p" ] && last+=("$p"); done
        if [ ${#last[@]} -lt ${#idle_pids[@]} ]; then
            idle_pids=("${last[@]}")
            echo "   idle processes fail to start beyond ${#idle_pids[@]}" >&2
            return 1
        fi
    done
}

# The reference: the resident memory of one idle GUI program, measured alone
# (it also brings up the prefix's own processes before the first baseline).
reference_idle_kb() {
    local pid kb
    wine "$idle_exe" </dev/null >/dev/null 2>&1 &
    pid=$!; started+=("$pid")
    wine "$watch_exe" --class QmBenchIdle --timeout 20000 </dev/null >/dev/null 2>&1 || true
    pause 2
    kb=$(rss_kb "$pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 100); do [ -d "/proc/$pid" ] || break; sleep 0.1; done
    echo "${kb:-0}"
}

# ---- One measured run ---------------------------------------------------------

# One line per run: n windows interval tab program own ws xvfb rss_kb
# window_ms list_ms idle refresh_ms rows (-1: none).
results="$work/results.tsv"
: >"$results"

# watch OUT ARGS...: qm_benchwatch with a bound of its own on top of its
# internal one (a program that stops answering holds up a cross-process read).
watch() {
    local out=$1; shift
    timeout $((list_timeout + 30)) wine "$watch_exe" "$@" </dev/null >"$out" 2>&1
}
field() { sed -n "s/.*$1=\\(-\\{0,1\\}[0-9]*\\).*/\\1/p" "$2" | head -1; }

# The start-up watch of each kind of run, into wargs (empty: none).
set_watch_args() {
    local kind=$1 tab=$2 n=$3
    case $kind in
    quillmark | quillmark-min)
        # The drivers list is filled last: when it has rows, so has every list.
        wargs=(--class QuillmarkWndClass --last-list 3003 --list-id "$([ "$tab" = Services ] && echo 3002 || echo 3001)") ;;
    quillmark-apps) wargs=(--class QuillmarkWndClass --last-list 3003 --list-id 3000 --select-row 0) ;;
    floor) wargs=(--class QmBenchFloor --list-id 3001 --min-rows "$n") ;;
    taskmgr) wargs=(--class '#32770' --title 'Task Manager' --list-class SysListView32) ;;
    *) wargs=() ;;
    esac
}

# Waits (at most 60 s) until a process spends under 5 % of a core over a
# second: the end of a start-up that has no window to watch.
wait_quiet() {
    local q0 q1
    for _ in $(seq 60); do
        q0=$(ticks "$1"); pause 1; q1=$(ticks "$1")
        [ $(( (q1 - q0) * 100 / hz )) -lt 5 ] && return 0
    done
}

# measure N INTERVAL TAB NAME KIND start command...: starts the program,
# times its window and lists, measures it for the duration (then its refresh,
# for Quillmark on the Tasks tab), ends it.
measure() {
    local n=$1 interval=$2 tab=$3 name=$4 kind=$5; shift 5
    local before t0 pid w=-1 l=-1 r=-1 rows=-1 a0 b0 c0 d0 a1 b1 c1 d1 rss launcher rc
    before=$(cat /proc/sys/kernel/ns_last_pid)
    t0=$(now_ms)
    wine "$@" </dev/null >"$work/$name.out" 2>&1 &
    launcher=$!; started+=("$launcher")
    set_watch_args "$kind" "$tab" "$n"
    if [ ${#wargs[@]} -gt 0 ]; then
        watch "$work/watch.out" "${wargs[@]}" --since "$t0" --timeout $((list_timeout * 1000)) || true
        w=$(field window_ms "$work/watch.out"); l=$(field list_ms "$work/watch.out"); rows=$(field rows "$work/watch.out")
        w=${w:--1}; l=${l:--1}; rows=${rows:--1}
        if [ "$kind" = quillmark-apps ] && [ "$(field selected "$work/watch.out")" != 0 ]; then
            echo "   no Applications row could be selected: $(cat "$work/watch.out")" >&2
        fi
    fi
    # wine execs into the program itself; a built-in program may come from a
    # second process.
    pid=$launcher
    if [ "$kind" = taskmgr ]; then
        pid=$(pid_of_program 'taskmgr\.exe' "$before") || pid=$launcher
        started+=("$pid")
    fi
    case $kind in
    floor-tray) wait_quiet "$pid" ;;
    quillmark-tray)
        wait_quiet "$pid"
        if wine "$watch_exe" --class QuillmarkWndClass --timeout 1000 </dev/null >/dev/null 2>&1; then
            echo "   quillmark shows its window although told to start in the notification area" >&2
        fi ;;
    quillmark-min)
        watch "$work/min.out" --class QuillmarkWndClass --minimize --timeout 10000 ||
            echo "   quillmark could not be minimised: $(cat "$work/min.out")" >&2 ;;
    esac
    # Settle into the steady cycle: two intervals or three seconds.
    pause "$(awk -v i="$interval" 'BEGIN { print (2 * i > 3 ? 2 * i : 3) }')"
    # The idle programs are read outside the window of the others, whose
    # readings are taken back to back.
    d0=$(idle_ticks); a0=$(ticks "$pid"); b0=$(ticks "$ws_pid"); c0=$(ticks "$xvfb_pid")
    pause "$duration"
    a1=$(ticks "$pid"); b1=$(ticks "$ws_pid"); c1=$(ticks "$xvfb_pid"); d1=$(idle_ticks)
    rss=$(rss_kb "$pid")
    if [ ! -d "/proc/$pid" ]; then
        rc=0; wait "$launcher" 2>/dev/null || rc=$?
        echo "   $name ended by itself during the run (exit status $rc); its figures are void" >&2
    elif { [ "$kind" = quillmark ] && [ "$tab" = Tasks ]; } || [ "$kind" = floor ]; then
        # F5 with the lists as they are: until the Tasks list is filled
        # again and the status bar says "Ready" (the floor window answers
        # the same command in the same way).
        watch "$work/refresh.out" --class "$([ "$kind" = floor ] && echo QmBenchFloor || echo QuillmarkWndClass)" \
            --refresh --list-id 3001 --min-rows "$([ "$kind" = floor ] && echo "$n" || echo 1)" \
            --timeout $((list_timeout * 1000)) || true
        r=$(field refresh_ms "$work/refresh.out"); r=${r:--1}
    fi
    kill "$pid" "$launcher" 2>/dev/null || true
    for _ in $(seq 100); do [ -d "/proc/$pid" ] || break; sleep 0.1; done
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$n" "$windows_now" "$interval" "$tab" "$name" \
        "$(pct $((a1 - a0)) "$duration")" "$(pct $((b1 - b0)) "$duration")" "$(pct $((c1 - c0)) "$duration")" \
        "$rss" "$w" "$l" "$(pct $((d1 - d0)) "$duration")" "$r" "$rows" >>"$results"
    printf '   %-10s %-12s own %s %%, wineserver %s %%, Xvfb %s %%, idle programs %s %%, %s kB, window %s ms, lists %s ms (%s rows), refresh %s ms\n' \
        "$name" "$tab" "$(pct $((a1 - a0)) "$duration")" "$(pct $((b1 - b0)) "$duration")" "$(pct $((c1 - c0)) "$duration")" \
        "$(pct $((d1 - d0)) "$duration")" "$rss" "$w" "$l" "$rows" "$r"
    settle
}

baseline() {
    local n=$1 b0 c0 d0 b1 c1 d1
    settle
    d0=$(idle_ticks); b0=$(ticks "$ws_pid"); c0=$(ticks "$xvfb_pid")
    pause "$duration"
    b1=$(ticks "$ws_pid"); c1=$(ticks "$xvfb_pid"); d1=$(idle_ticks)
    printf '%s\t%s\t-\t-\tbaseline\t0\t%s\t%s\t%s\t-1\t-1\t%s\t-1\t-1\n' "$n" "$windows_now" "$(pct $((b1 - b0)) "$duration")" \
        "$(pct $((c1 - c0)) "$duration")" "$idle_kb" "$(pct $((d1 - d0)) "$duration")" >>"$results"
    printf '   baseline   windows %s: wineserver %s %%, Xvfb %s %%, idle programs %s %%\n' "$windows_now" \
        "$(pct $((b1 - b0)) "$duration")" "$(pct $((c1 - c0)) "$duration")" "$(pct $((d1 - d0)) "$duration")"
}

# run_set N INTERVAL SET: one set of runs at the interval. Sets: Tasks
# (Quillmark on its Tasks tab, the floor window, taskmgr on its Processes
# page, the probe), Services, apps (the Applications tab with row 0 selected
# and the publisher database loaded), tray, minimised, taskmgr (alone).
run_set() {
    local n=$1 interval=$2 set=$3 ms idx speed
    ms=$(awk -v i="$interval" 'BEGIN { print int(i * 1000) }')
    case $interval in 0.5) idx=0; speed=1 ;; *) idx=2; speed=2 ;; esac
    case $set in
    tray)
        # Started in the notification area, Tasks the last tab: nothing is
        # shown, so only the warnings' watch queries (every 5 s).
        wanted quillmark || return 0
        quillmark_settings 1 "$idx" 1
        measure "$n" "$interval" tray quillmark quillmark-tray "$quillmark"
        if [ "$suspect_warnings" = 1 ]; then
            # What the warnings' watch costs there, and its floor: the same
            # process query alone at the watch's rate.
            quillmark_settings 1 "$idx" 1 0
            measure "$n" "$interval" "tray, warnings off" quillmark quillmark-tray "$quillmark"
            if wanted probe; then measure "$n" 5 - probe probe "$probe_exe" 5000; fi
            # The floor of a hidden window that keeps Quillmark's timers.
            if wanted floor; then measure "$n" "$interval" tray floor+tray floor-tray "$floor_exe" "$n" tray; fi
        fi ;;
    minimised)
        wanted quillmark || return 0
        quillmark_settings 1 "$idx"
        measure "$n" "$interval" minimised quillmark quillmark-min "$quillmark" ;;
    Services)
        wanted quillmark || return 0
        quillmark_settings 2 "$idx"
        measure "$n" "$interval" Services quillmark quillmark "$quillmark" ;;
    apps)
        wanted quillmark || return 0
        quillmark_settings 0 "$idx"
        place_publisher_db
        measure "$n" "$interval" "Applications, row selected, database" quillmark quillmark-apps "$quillmark"
        remove_publisher_db ;;
    taskmgr)
        wanted taskmgr || return 0
        taskmgr_settings "$speed"
        measure "$n" "$interval" Processes taskmgr taskmgr 'C:\windows\system32\taskmgr.exe' ;;
    Tasks)
        if wanted quillmark; then
            quillmark_settings 1 "$idx"
            measure "$n" "$interval" Tasks quillmark quillmark "$quillmark"
        fi
        # The floor window's figures do not depend on the interval.
        if wanted floor && [ "$interval" = 2 ]; then
            measure "$n" "$interval" - floor floor "$floor_exe" "$n"
            # The floor of a window keeping Quillmark's histories: the same
            # window sampling what Quillmark samples while it is seen, after
            # one load on a thread of its own.
            measure "$n" "$interval" - floor+samplers floor "$floor_exe" "$n" samplers loader
            # And the floor of a list of programs with their icons: the same,
            # with a row per running process showing its program file's icon
            # (the file's own, else the shell's), one image per file as
            # Quillmark's lists keep them.
            measure "$n" "$interval" - floor+icons floor "$floor_exe" "$n" samplers loader icons
        fi
        run_set "$n" "$interval" taskmgr
        if wanted probe; then measure "$n" "$interval" - probe probe "$probe_exe" "$ms"; fi ;;
    esac
    return 0
}

# ---- Whole-start memory profile -----------------------------------------------

profiled=()  # "n" of each count profiled
# profile N: Quillmark (Tasks tab) and the floor window, each started alone
# by memprofile.py, which samples its /proc over the whole start and ends it
# when told.
profile() {
    local n=$1 name prof t0 log=() cmd=()
    for name in quillmark floor; do
        wanted "$name" || continue
        log=()
        if [ "$name" = quillmark ]; then
            quillmark_settings 1 2
            rm -f "$quillmark_log"
            log=(--log "$quillmark_log")
            cmd=(wine "$quillmark")
        else
            cmd=(wine "$floor_exe" "$n")
        fi
        t0=$(now_ms)
        python3 "$memprofile" watch "$work/profile-$n-$name.json" --bound $((list_timeout + 60)) "${log[@]}" \
            -- "${cmd[@]}" </dev/null >"$work/profile.out" 2>&1 &
        prof=$!; started+=("$prof")
        set_watch_args "$name" Tasks "$n"
        watch "$work/watch.out" "${wargs[@]}" --since "$t0" --timeout $((list_timeout * 1000)) ||
            echo "   $name: $(cat "$work/watch.out")" >&2
        # The start's last allocations: the first view updates after the fill.
        pause 3
        kill -TERM "$prof" 2>/dev/null || true
        wait "$prof" 2>/dev/null || echo "   the memory profile of $name failed: $(cat "$work/profile.out")" >&2
        settle
    done
    profiled+=("$n")
}

# ---- The run ------------------------------------------------------------------

idle_kb=$(reference_idle_kb)
qm_say "an idle GUI program holds $idle_kb kB"
settle
main_windows=$windows_now
other_windows=$([ "$main_windows" = shown ] && echo hidden || echo shown)
for n in $counts; do
    set_windows "$main_windows"
    if ! grow_idle "$n"; then n=${#idle_pids[@]}; fi
    qm_say "N=$n idle GUI processes, their windows $main_windows"
    variants=0
    case " $variant_counts " in *" $n "*) variants=1 ;; esac
    baseline "$n"
    run_set "$n" 2 Tasks
    if [ "$variants" = 1 ]; then
        run_set "$n" 0.5 Tasks
        run_set "$n" 2 Services
        run_set "$n" 2 tray
        run_set "$n" 2 minimised
        [ "$main_windows" = shown ] && run_set "$n" 2 apps
    fi
    case " $profile_counts " in *" $n "*) profile "$n" ;; esac
    # taskmgr's cost depends on whether the windows are shown, so it is
    # measured the other way too; the Applications variant needs them shown.
    if [ "$n" -gt 0 ] && { wanted taskmgr || { [ "$variants" = 1 ] && [ "$other_windows" = shown ] && wanted quillmark; }; }; then
        set_windows "$other_windows"
        qm_say "N=$n, their windows $other_windows"
        baseline "$n"
        run_set "$n" 2 taskmgr
        [ "$variants" = 1 ] && [ "$other_windows" = shown ] && run_set "$n" 2 apps
    fi
done

# ---- The table ----------------------------------------------------------------

table=$(awk -F'\t' '
function ms(v) { return v < 0 ? "-" : v }
function diff(v, f) { return (v < 0 || f == "" || f < 0) ? "-" : sprintf("%+d", v - f) }
$5 == "baseline" { bws[$1, $2] = $7; bx[$1, $2] = $8; idle[$1] = $9; bi[$1, $2] = $12; next }
{ row[++rows] = $0 }
END {
    for (r = 1; r <= rows; r++) {
        split(row[r], f, "\t")
        tot[r] = f[6] + (f[7] - bws[f[1], f[2]]) + (f[8] - bx[f[1], f[2]])
        if (f[5] == "taskmgr") tm[f[1], f[2], f[3]] = tot[r]
        if (f[5] == "probe") pr[f[1], f[3]] = tot[r]
        if (f[5] == "floor") { frss[f[1]] = f[9]; fw[f[1]] = f[10]; fl[f[1]] = f[11]; fr[f[1]] = f[13] }
    }
    print "| N | windows | interval | tab | program | own CPU % | + wineserver % | + Xvfb % | total % | x taskmgr | x probe | + idle programs % | resident MB | above idle MB | above floor MB | window ms | vs floor | lists ms | vs floor | list rows | refresh ms | vs floor |"
    print "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
    for (r = 1; r <= rows; r++) {
        split(row[r], f, "\t")
        n = f[1]
        if (f[9] == 0) { printf "| %s | %s | %s s | %s | %s | ended by itself: no figures |||||||||||||||||\n", n, f[2], f[3], f[4], f[5]; continue }
        rt = ((n, f[2], f[3]) in tm && tm[n, f[2], f[3]] > 0) ? sprintf("%.2f", tot[r] / tm[n, f[2], f[3]]) : "-"
        # Hidden, Quillmark takes the query only for the watch of the warnings,
        # every 5 s: its floor is the probe at that rate.
        pi = (f[4] ~ /^(tray|minimised)/ && ((n, 5) in pr)) ? 5 : f[3]
        rp = ((n, pi) in pr && pr[n, pi] >= 0.1) ? sprintf("%.2f", tot[r] / pr[n, pi]) : "-"
        above = idle[n] > 0 ? sprintf("%.1f", (f[9] - idle[n]) / 1024) : "-"
        afloor = (n in frss && frss[n] > 0) ? sprintf("%.1f", (f[9] - frss[n]) / 1024) : "-"
        w = ms(f[10]); l = ms(f[11]); dw = diff(f[10], fw[n]); dl = diff(f[11], fl[n]); lr = ms(f[14])
        rr = ms(f[13]); dr = diff(f[13], fr[n])
        if (f[5] == "probe") { w = l = dw = dl = lr = above = afloor = "n/a" }
        if (f[5] == "floor") { dw = dl = dr = afloor = "0" }
        printf "| %s | %s | %s s | %s | %s | %.2f | %.2f | %.2f | %.2f | %s | %s | %.2f | %.1f | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n",
            n, f[2], f[3], f[4], f[5], f[6], f[7] - bws[n, f[2]], f[8] - bx[n, f[2]], tot[r], rt, rp,
            f[12] - bi[n, f[2]], f[9] / 1024, above, afloor, w, dw, l, dl, lr, rr, dr
    }
}' "$results")

# What taskmgr costs with the windows shown and hidden, count by count.
taskmgr_note=$(awk -F'\t' '
$5 == "baseline" { bws[$1, $2] = $7; bx[$1, $2] = $8; next }
$5 == "taskmgr" && $3 == 2 && $9 > 0 { t[$1, $2] = $6 + $7 - bws[$1, $2] + $8 - bx[$1, $2]; n[$1] = 1 }
END {
    s = ""
    for (k in n) if (((k, "shown") in t) && ((k, "hidden") in t))
        s = s sprintf("%sN = %s: %.2f %% with the windows shown, %.2f %% hidden", s == "" ? "" : "; ", k, t[k, "shown"], t[k, "hidden"])
    if (s != "") print "taskmgr (2 s, Processes page) in all: " s "."
}' "$results")

# Quillmark against the floor of a list of programs with their icons.
icons_note=$(awk -F'\t' '
$5 == "floor+icons" && $9 > 0 { fi[$1] = $9 }
$5 == "quillmark" && $4 == "Tasks" && $3 == 2 && $9 > 0 { q[$1] = $9 }
END {
    s = ""
    for (k in q) if (k in fi)
        s = s sprintf("%sN = %s: %+.1f MB", s == "" ? "" : "; ", k, (q[k] - fi[k]) / 1024)
    if (s != "") print "Quillmark (Tasks, 2 s) against floor+icons: " s "."
}' "$results")

stamp="$(date -u '+%Y-%m-%d %H:%M UTC'), $(wine --version 2>/dev/null), $(nproc) cores, ${duration} s per program"
profiles=""
for n in "${profiled[@]}"; do
    [ -f "$work/profile-$n-quillmark.json" ] || continue
    floor_json=""
    [ -f "$work/profile-$n-floor.json" ] && floor_json="$work/profile-$n-floor.json"
    profiles+=$'\n'$(python3 "$memprofile" report "$work/profile-$n-quillmark.json" $floor_json \
        --title "of Quillmark (Tasks tab, N = $n, windows $main_windows)" 2>&1)$'\n'
done
echo
echo "$stamp"
echo "Measured: $built"
echo "$table"
[ -n "$taskmgr_note" ] && echo "$taskmgr_note"
[ -n "$icons_note" ] && echo "$icons_note"
echo "Idle GUI program (tools/benchidle): $(awk -v k="$idle_kb" 'BEGIN { printf "%.1f", k / 1024 }') MB resident."
echo "CPU in % of one core; wineserver, Xvfb and the idle programs after the baseline with only the idle programs"
echo "running (windows shown or hidden as in the row). 'total' is own + wineserver + Xvfb (the idle programs' extra"
echo "work is shown apart). 'vs floor' is the difference to the floor window's time at the same N."
echo "'-' for a window or list that did not come within ${list_timeout} s."
echo "$profiles"
[ -n "$out_file" ] && { echo "$stamp"; echo "Measured: $built"; echo; echo "$table"; echo; echo "$taskmgr_note"; echo "$icons_note"; echo "$profiles"; } >"$out_file"

if [ "$write_readme" = 1 ]; then
    readme="$QM_ROOT/README.md"
    if grep -q '<!-- bench:begin -->' "$readme" && grep -q '<!-- bench:end -->' "$readme"; then
        { echo "Measured $stamp; $built."; echo; echo "$table"; [ -n "$taskmgr_note" ] && { echo; echo "$taskmgr_note"; }; [ -n "$icons_note" ] && { echo; echo "$icons_note"; }; } >"$work/table.md"
        awk -v f="$work/table.md" '
            /<!-- bench:begin -->/ { print; while ((getline line < f) > 0) print line; skip = 1; next }
            /<!-- bench:end -->/ { skip = 0 }
            !skip' "$readme" >"$work/README.new" && mv "$work/README.new" "$readme"
        qm_say "README.md updated"
    else
        echo "README.md has no bench markers; not written" >&2
    fi
fi

# ---- The smoke run's check: every figure there --------------------------------

missing=$(awk -F'\t' '
$5 == "baseline" || $5 == "probe" { next }
{ what = $1 " " $2 " " $3 "s " $4 " " $5 }
$9 <= 0 { print what ": no resident memory" }
($5 == "quillmark" && $4 !~ /^tray/) || $5 == "floor" || $5 == "taskmgr" {
    if ($10 < 0) print what ": no window time"
    if ($11 < 0) print what ": no list time"
}
(($5 == "quillmark" && $4 == "Tasks") || $5 == "floor") && $3 == 2 && $13 < 0 { print what ": no refresh time" }' "$results")
for n in "${profiled[@]}"; do
    for name in quillmark floor; do
        wanted "$name" || continue
        grep -q '"groups": {"' "$work/profile-$n-$name.json" 2>/dev/null || missing+=$'\n'"$n $name: no memory profile"
    done
done
missing=$(echo "$missing" | sed '/^$/d')
if [ -n "$missing" ]; then
    echo "Missing figures:" >&2
    echo "$missing" >&2
    [ "$smoke" = 1 ] && exit 1
fi
exit 0
}
