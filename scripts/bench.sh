#!/usr/bin/env bash
# What a running Quillmark costs, side by side with Wine's own task manager
# and with the floor (a probe that only issues the system process query).
#
# In one private prefix on its own Xvfb display, for each count N it starts N
# idle GUI processes, measures a baseline with nothing else running, then runs
# each program alone for the same duration and reads from /proc: its own CPU,
# the extra CPU in wineserver and Xvfb (baseline subtracted), its resident
# memory, and the time from start to its first window and to a filled list.
# It prints a table with the ratios to taskmgr and to the floor.
#
#   scripts/bench.sh [options]
#     --counts "0 50 200 1000"  idle GUI process counts (ascending)
#     --duration S              seconds each program is measured (default 30)
#     --variant-counts "200"    counts at which the 0.5 s interval, the
#                               Services tab and Quillmark started in the
#                               notification area are measured too ("" = none)
#     --smoke                   quick run: --counts "0 5" --duration 10
#                               --variant-counts 5 --list-timeout 20
#     --build DIR               build folder with the tools (default build-i686)
#     --quillmark EXE           the Quillmark.exe to measure (default DIR/Quillmark.exe)
#     --display :N              the Xvfb display it starts (default :86)
#     --readme                  also write the table into README.md between
#                               the bench markers
#     --out FILE                also write the table to FILE
#     --programs "quillmark taskmgr probe"  which programs are measured (a
#                               quick comparison of two builds can leave
#                               taskmgr out)
#     --list-timeout S          how long to wait for a window and a filled
#                               list (default 60)
#     --suspect-warnings 0|1    Quillmark's warnings about suspect programs
#                               (default 1, its own default): with them on it
#                               samples every 5 s in the notification area
# Long: about (3 + 5 variants) x duration per count plus start-up. Not part of
# scripts/test.sh; ctest -L benchmark runs the smoke mode.
# The whole script is one block, read before it runs, so that editing the
# file during a long run does not change the run.
{
set -euo pipefail
source "$(dirname "$0")/common.sh"

counts="0 50 200 1000"
duration=30
variant_counts="200"
build="$QM_ROOT/build-i686"
quillmark=""
display=":86"
write_readme=0
out_file=""
list_timeout=60
programs="quillmark taskmgr probe"
suspect_warnings=1
while [ $# -gt 0 ]; do
    case $1 in
    --counts) counts=$2; shift ;;
    --duration) duration=$2; shift ;;
    --variant-counts) variant_counts=$2; shift ;;
    --smoke) counts="0 5"; duration=10; variant_counts="5"; list_timeout=20 ;;
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
for f in "$quillmark" "$idle_exe" "$probe_exe" "$watch_exe"; do
    [ -f "$f" ] || { echo "missing $f (build Quillmark qm_benchidle qm_benchprobe qm_benchwatch)" >&2; exit 2; }
done

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
    local tab=$1 interval_index=$2 minimized=${3:-0} key='HKEY_CURRENT_USER\Software\Ornava Utilities\Quillmark'
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
"WarnSuspectPrograms"=dword:0000000$suspect_warnings

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

# ---- Idle GUI processes -----------------------------------------------------

idle_pids=()
# Brings the idle processes up to n, in batches, while memory lasts (each
# holds about 17 MB resident; at least 3 GB are left for everyone else).
grow_idle() {
    local n=$1 batch avail p last
    while [ ${#idle_pids[@]} -lt "$n" ]; do
        avail=$(awk '/^MemAvailable:/ {print int($2/1024)}' /proc/meminfo)
        if [ "$avail" -lt 3072 ]; then
            echo "   stopped at ${#idle_pids[@]} idle processes: ${avail} MB of memory left" >&2
            return 1
        fi
        batch=$(( n - ${#idle_pids[@]} ))
        [ "$batch" -gt 25 ] && batch=25
        for _ in $(seq "$batch"); do
            wine "$idle_exe" </dev/null >/dev/null 2>&1 &
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
    echo "${kb:-0}"
}

# ---- One measured run ---------------------------------------------------------

results="$work/results.tsv"   # n interval tab program own ws xvfb rss window list
: >"$results"

# measure N INTERVAL TAB NAME -- start command...: starts the program, times
# its window and list, measures it for the duration, ends it.
measure() {
    local n=$1 interval=$2 tab=$3 name=$4 kind=$5; shift 5
    local before t0 pid w=-1 l=-1 a0 b0 c0 d0 a1 b1 c1 d1 rss launcher watch=() rc
    before=$(cat /proc/sys/kernel/ns_last_pid)
    t0=$(now_ms)
    wine "$@" </dev/null >"$work/$name.out" 2>&1 &
    launcher=$!; started+=("$launcher")
    case $kind in
    quillmark-tray) ;;  # no window to wait for: the start-up settles in the warm-up
    quillmark) watch=(--class QuillmarkWndClass --list-id "$([ "$tab" = Services ] && echo 3002 || echo 3001)") ;;
    taskmgr) watch=(--class '#32770' --title 'Task Manager' --list-class SysListView32) ;;
    esac
    if [ ${#watch[@]} -gt 0 ]; then
        wine "$watch_exe" "${watch[@]}" --since "$t0" --timeout $((list_timeout * 1000)) </dev/null >"$work/watch.out" 2>&1 || true
        w=$(sed -n 's/.*window_ms=\(-\{0,1\}[0-9]*\).*/\1/p' "$work/watch.out"); l=$(sed -n 's/.*list_ms=\(-\{0,1\}[0-9]*\).*/\1/p' "$work/watch.out")
        w=${w:--1}; l=${l:--1}
    fi
    # wine execs into the program itself; a built-in program may come from a
    # second process.
    pid=$launcher
    if [ "$kind" = taskmgr ]; then
        pid=$(pid_of_program 'taskmgr\.exe' "$before") || pid=$launcher
        started+=("$pid")
    fi
    if [ "$kind" = quillmark-tray ]; then
        # No list to wait for: wait (at most 60 s) until the start-up's load is
        # over, i.e. the program spends under 5 % of a core over a second.
        local q0 q1
        for _ in $(seq 60); do
            q0=$(ticks "$pid"); pause 1; q1=$(ticks "$pid")
            [ $(( (q1 - q0) * 100 / hz )) -lt 5 ] && break
        done
    fi
    if [ "$kind" = quillmark-tray ] &&
        wine "$watch_exe" --class QuillmarkWndClass --timeout 1000 </dev/null >/dev/null 2>&1; then
        echo "   quillmark shows its window although told to start in the notification area" >&2
    fi
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
    fi
    kill "$pid" "$launcher" 2>/dev/null || true
    for _ in $(seq 100); do [ -d "/proc/$pid" ] || break; sleep 0.1; done
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$n" "$interval" "$tab" "$name" \
        "$(pct $((a1 - a0)) "$duration")" "$(pct $((b1 - b0)) "$duration")" "$(pct $((c1 - c0)) "$duration")" \
        "$rss" "$w" "$l" "$(pct $((d1 - d0)) "$duration")" >>"$results"
    printf '   %-10s own %s %%, wineserver %s %%, Xvfb %s %%, idle programs %s %%, %s kB, window %s ms, list %s ms\n' \
        "$name" "$(pct $((a1 - a0)) "$duration")" "$(pct $((b1 - b0)) "$duration")" "$(pct $((c1 - c0)) "$duration")" \
        "$(pct $((d1 - d0)) "$duration")" "$rss" "$w" "$l"
    settle
}

baseline() {
    local n=$1 b0 c0 d0 b1 c1 d1
    settle
    d0=$(idle_ticks); b0=$(ticks "$ws_pid"); c0=$(ticks "$xvfb_pid")
    pause "$duration"
    b1=$(ticks "$ws_pid"); c1=$(ticks "$xvfb_pid"); d1=$(idle_ticks)
    printf '%s\t-\t-\tbaseline\t0\t%s\t%s\t%s\t-1\t-1\t%s\n' "$n" "$(pct $((b1 - b0)) "$duration")" \
        "$(pct $((c1 - c0)) "$duration")" "$idle_kb" "$(pct $((d1 - d0)) "$duration")" >>"$results"
    printf '   baseline   wineserver %s %%, Xvfb %s %%, idle programs %s %%\n' "$(pct $((b1 - b0)) "$duration")" \
        "$(pct $((c1 - c0)) "$duration")" "$(pct $((d1 - d0)) "$duration")"
}

run_set() {
    local n=$1 interval=$2 tab=$3 ms idx speed
    ms=$(awk -v i="$interval" 'BEGIN { print int(i * 1000) }')
    case $interval in 0.5) idx=0; speed=1 ;; *) idx=2; speed=2 ;; esac
    wanted() { case " $programs " in *" $1 "*) return 0 ;; esac; return 1; }
    if [ "$tab" = tray ]; then
        wanted quillmark || return 0
        # Started in the notification area, Tasks the last tab: nothing is
        # shown, so nothing should be queried.
        quillmark_settings 1 "$idx" 1
        measure "$n" "$interval" "$tab" quillmark quillmark-tray "$quillmark"
        return 0
    fi
    if wanted quillmark; then
        quillmark_settings "$([ "$tab" = Services ] && echo 2 || echo 1)" "$idx"
        measure "$n" "$interval" "$tab" quillmark quillmark "$quillmark"
    fi
    [ "$tab" = Services ] && return 0
    if wanted taskmgr; then
        taskmgr_settings "$speed"
        measure "$n" "$interval" "$tab" taskmgr taskmgr 'C:\windows\system32\taskmgr.exe'
    fi
    wanted probe && measure "$n" "$interval" "$tab" probe probe "$probe_exe" "$ms"
    return 0
}

idle_kb=$(reference_idle_kb)
qm_say "an idle GUI program holds $idle_kb kB"
settle
for n in $counts; do
    if ! grow_idle "$n"; then n=${#idle_pids[@]}; fi
    qm_say "N=$n idle GUI processes"
    baseline "$n"
    run_set "$n" 2 Tasks
    case " $variant_counts " in
    *" $n "*)
        run_set "$n" 0.5 Tasks
        run_set "$n" 2 Services
        run_set "$n" 2 tray
        ;;
    esac
done

# ---- The table ----------------------------------------------------------------

table=$(awk -F'\t' '
function key(n, i, t) { return n SUBSEP i SUBSEP t }
$4 == "baseline" { bws[$1] = $6; bx[$1] = $7; idle[$1] = $8; bi[$1] = $11; next }
{ row[++rows] = $0 }
END {
    # totals first, to have the ratios
    for (r = 1; r <= rows; r++) {
        split(row[r], f, "\t")
        ews = f[6] - bws[f[1]]; ex = f[7] - bx[f[1]]
        tot[r] = f[5] + ews + ex
        if (f[4] == "taskmgr") tm[key(f[1], f[2], f[3])] = tot[r]
        if (f[4] == "probe") fl[key(f[1], f[2], f[3])] = tot[r]
    }
    print "| N | interval | tab | program | own CPU % | + wineserver % | + Xvfb % | total % | x taskmgr | x floor | + idle programs % | resident MB | above idle MB | window ms | lists ms |"
    print "|---|---|---|---|---|---|---|---|---|---|---|---|---|---|---|"
    for (r = 1; r <= rows; r++) {
        split(row[r], f, "\t")
        k = key(f[1], f[2], "Tasks")
        rt = (k in tm && tm[k] > 0) ? sprintf("%.2f", tot[r] / tm[k]) : "-"
        rf = (k in fl && fl[k] >= 0.1) ? sprintf("%.2f", tot[r] / fl[k]) : "-"
        above = idle[f[1]] > 0 ? sprintf("%.1f", (f[8] - idle[f[1]]) / 1024) : "-"
        w = f[9] < 0 ? "-" : f[9]; l = f[10] < 0 ? "-" : f[10]
        if (f[4] == "probe") { w = "n/a"; l = "n/a"; above = "n/a" }
        if (f[8] == 0) { printf "| %s | %s s | %s | %s | ended by itself: no figures |||||||||||\n", f[1], f[2], f[3], f[4]; continue }
        printf "| %s | %s s | %s | %s | %.2f | %.2f | %.2f | %.2f | %s | %s | %.2f | %.1f | %s | %s | %s |\n",
            f[1], f[2], f[3], f[4], f[5], f[6] - bws[f[1]], f[7] - bx[f[1]], tot[r], rt, rf, f[11] - bi[f[1]],
            f[8] / 1024, above, w, l
    }
}' "$results")

stamp="$(date -u '+%Y-%m-%d %H:%M UTC'), $(wine --version 2>/dev/null), $(nproc) cores, ${duration} s per program; Quillmark: $quillmark"
echo
echo "$stamp"
echo "$table"
echo "Idle GUI program (tools/benchidle): $(awk -v k="$idle_kb" 'BEGIN { printf "%.1f", k / 1024 }') MB resident."
echo "CPU in % of one core; wineserver, Xvfb and the idle programs after the baseline with only the idle programs"
echo "running. 'total' is own + wineserver + Xvfb (the idle programs' extra work is shown apart)."
echo "'-' for a window or list that did not come within ${list_timeout} s."
[ -n "$out_file" ] && { echo "$stamp"; echo; echo "$table"; } >"$out_file"

if [ "$write_readme" = 1 ]; then
    readme="$QM_ROOT/README.md"
    if grep -q '<!-- bench:begin -->' "$readme" && grep -q '<!-- bench:end -->' "$readme"; then
        { echo "Measured $stamp."; echo; echo "$table"; } >"$work/table.md"
        awk -v f="$work/table.md" '
            /<!-- bench:begin -->/ { print; while ((getline line < f) > 0) print line; skip = 1; next }
            /<!-- bench:end -->/ { skip = 0 }
            !skip' "$readme" >"$work/README.new" && mv "$work/README.new" "$readme"
        qm_say "README.md updated"
    else
        echo "README.md has no bench markers; not written" >&2
    fi
fi
exit 0
}
