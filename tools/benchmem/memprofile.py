#!/usr/bin/env python3
"""Where a running Wine program's resident memory goes over its whole start,
read from outside through /proc, without changing the program.

    memprofile.py watch OUT.json [--log FILE] [--bound S] -- COMMAND...
        Starts COMMAND (e.g. wine prog.exe) and samples its process until the
        profiler gets SIGTERM or SIGINT, the process ends, or the bound passes
        (default 120 s): its resident size (VmRSS) every 10 ms, the activity
        log's newest line (the program's start-up step), and at every change
        of step the resident memory of each mapping (/proc/PID/smaps),
        grouped by library. Then ends the process it started and writes
        OUT.json. Starting the program itself is what lets it see the first
        milliseconds (wine execs into the program, so the process is the
        program's from its start).

    memprofile.py report PROGRAM.json [FLOOR.json] [--title T]
        Prints, as Markdown tables, the start step by step (resident memory at
        the end of each step, its growth and the groups that grew most) and
        the resident memory at the end by library, beside the floor's when
        one is given, sorted by how far the program is above it.

Resident means VmRSS, as scripts/bench.sh measures it: shared library pages
count in full in every process that maps them.
"""
import json
import os
import re
import signal
import subprocess
import sys
import time

SAMPLE_S = 0.01

_MAPPING = re.compile(r'^[0-9a-f]+-[0-9a-f]+ \S+ \S+ \S+ \S+\s*(.*)$')
_TIMESTAMP = re.compile(r'^\d\d/\d\d/\d{4} \d\d:\d\d:\d\d ')
_UNIX_LIBRARY = re.compile(r'\.so(\.\d+)*$')
_WINDOWS_MODULE = re.compile(r'\.(dll|drv|exe|sys|ocx|cpl|acm|ax|tlb)$', re.IGNORECASE)

ANONYMOUS = 'anonymous (Windows heaps and stacks, Wine\'s own)'
UNIX_HEAP = '[heap] (the Unix side\'s heap)'
X_SHARED = 'X shared memory (window surfaces)'
SERVER_SHARED = 'wineserver shared mappings'
NLS = 'Wine locale tables (*.nls)'
FONTS = 'fonts and font caches'
KERNEL = '[stack], [vdso] and the like'
BEFORE_LOG = '(process start, before the log opens)'


def group_of(path):
    """The group a mapping's backing path counts to, and its kind."""
    path = path.strip()
    if path.endswith(' (deleted)'):
        path = path[:-len(' (deleted)')]
    if not path:
        return ANONYMOUS, 'anonymous'
    if path == '[heap]':
        return UNIX_HEAP, 'anonymous'
    if path.startswith('['):
        return KERNEL, 'anonymous'
    if path.startswith('/SYSV'):
        return X_SHARED, 'shared'
    if '/server-' in path:
        return SERVER_SHARED, 'shared'
    name = os.path.basename(path)
    lower = name.lower()
    if lower.endswith('.nls'):
        return NLS, 'data'
    if lower.endswith(('.ttf', '.ttc', '.otf', '.fon', '.pfb')) or '/fontconfig/' in path:
        return FONTS, 'data'
    if _UNIX_LIBRARY.search(name):
        return name, 'Unix'
    if _WINDOWS_MODULE.search(name):
        return name, 'Windows'
    return name, 'data'


def parse_smaps(text):
    """Resident kB per group, and each group's kind, from smaps text."""
    totals, kinds = {}, {}
    group = None
    for line in text.splitlines():
        m = _MAPPING.match(line)
        if m:
            group, kind = group_of(m.group(1))
            kinds[group] = kind
            totals.setdefault(group, 0)
        elif group is not None and line.startswith('Rss:'):
            totals[group] += int(line.split()[1])
    return totals, kinds


def step_key(log_line):
    """A log line as a start-up step: its time stamp dropped, and only the
    text before the first ': ' kept, so that the lines of one row each
    ("Task: C:\\...") make one step."""
    text = _TIMESTAMP.sub('', log_line.rstrip('\r\n'))
    head, sep, _ = text.partition(': ')
    return head if sep else text


def _read(path):
    try:
        with open(path, 'r', errors='replace') as f:
            return f.read()
    except OSError:
        return None


def _status(pid):
    """(VmRSS kB, threads) of a process, or None when it is gone."""
    text = _read('/proc/%d/status' % pid)
    if text is None:
        return None
    rss = re.search(r'^VmRSS:\s+(\d+)', text, re.MULTILINE)
    threads = re.search(r'^Threads:\s+(\d+)', text, re.MULTILINE)
    return (int(rss.group(1)) if rss else 0, int(threads.group(1)) if threads else 0)


class LogTail:
    """The newest complete line of a log file that the program deletes and
    writes again at every start."""

    def __init__(self, path):
        self.path, self.offset, self.partial, self.last, self.inode = path, 0, '', None, None

    def poll(self):
        if not self.path:
            return self.last
        try:
            st = os.stat(self.path)
        except OSError:
            return self.last
        size = st.st_size
        if st.st_ino != self.inode or size < self.offset:
            self.offset, self.partial, self.inode = 0, '', st.st_ino
        if size > self.offset:
            with open(self.path, 'rb') as f:
                f.seek(self.offset)
                chunk = f.read(size - self.offset)
            self.offset = size
            lines = (self.partial + chunk.decode('latin-1')).split('\n')
            self.partial = lines.pop()
            complete = [l for l in lines if l.strip()]
            if complete:
                self.last = complete[-1]
        return self.last


def watch(command, out, log=None, bound=120.0):
    stop = []
    for sig in (signal.SIGTERM, signal.SIGINT):
        signal.signal(sig, lambda *_: stop.append(1))
    tail = LogTail(log)
    start = time.monotonic()
    child = subprocess.Popen(command, stdin=subprocess.DEVNULL)
    pid = child.pid
    steps = []  # {step, start_ms, threads, groups: resident kB by group when the step was first seen}
    samples = []  # (ms, VmRSS kB) at every change
    kinds = {}
    current = None
    while not stop and time.monotonic() - start < bound and child.poll() is None:
        status = _status(pid)
        if status is None:
            break
        rss, threads = status
        now_ms = int((time.monotonic() - start) * 1000)
        line = tail.poll()
        key = step_key(line) if line else BEFORE_LOG
        if key != current:
            groups, k = parse_smaps(_read('/proc/%d/smaps' % pid) or '')
            kinds.update(k)
            steps.append({'step': key, 'start_ms': now_ms, 'threads': threads, 'groups': groups})
            current = key
        if not samples or samples[-1][1] != rss:
            samples.append((now_ms, rss))
        time.sleep(SAMPLE_S)
    final, k = parse_smaps(_read('/proc/%d/smaps' % pid) or '')
    kinds.update(k)
    status = _status(pid)
    if child.poll() is None:
        child.terminate()
        try:
            child.wait(10)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()
    result = {'command': command, 'pid': pid, 'rss_kb': samples[-1][1] if samples else 0, 'samples': samples,
              'threads': status[1] if status else 0,
              'steps': steps, 'groups': final, 'kinds': kinds}
    with open(out, 'w') as f:
        json.dump(result, f)
    return 0 if final else 1


def step_rows(profile, top=3):
    """The start by step, consecutive steps with the same key merged. A
    step's memory is the smaps total when the next step was first seen (or
    at the end), so that its growth and what grew come from the same
    readings; the lag of a reading behind the log line (up to a sample and
    the reading itself) counts to the step before."""
    merged = []
    for s in profile['steps']:
        if not merged or merged[-1]['step'] != s['step']:
            merged.append(s)
    rows = []
    before = {}
    for i, s in enumerate(merged):
        nxt = merged[i + 1] if i + 1 < len(merged) else profile
        after = nxt['groups']
        growth = {g: after.get(g, 0) - before.get(g, 0) for g in set(after) | set(before)}
        grew = sorted(((d, g) for g, d in growth.items() if d >= 64), key=lambda x: (-x[0], x[1]))[:top]
        rows.append({'step': s['step'], 'start_ms': s['start_ms'], 'rss_kb': sum(after.values()),
                     'threads': nxt.get('threads', 0),
                     'growth_kb': sum(after.values()) - sum(before.values()),
                     'grew': ['%s +%d' % (g, d) for d, g in grew]})
        before = after
    return rows


def library_rows(program, floor=None):
    """(group, kind, program kB, floor kB or None) sorted by how far the
    program is above the floor (or by size without one)."""
    groups = set(program['groups'])
    if floor:
        groups |= set(floor['groups'])
    kinds = dict(floor['kinds']) if floor else {}
    kinds.update(program['kinds'])
    rows = []
    for g in groups:
        p = program['groups'].get(g, 0)
        f = floor['groups'].get(g, 0) if floor else None
        if p == 0 and not f:
            continue
        rows.append((g, kinds.get(g, ''), p, f))
    rows.sort(key=lambda r: (-(r[2] - (r[3] or 0)), r[0]))
    return rows


def report(program_path, floor_path=None, title='', top=30, least_kb=16):
    with open(program_path) as f:
        program = json.load(f)
    floor = None
    if floor_path:
        with open(floor_path) as f:
            floor = json.load(f)
    total = sum(program['groups'].values())
    head = 'Whole-start memory%s: %.1f MB resident at the end' % (' ' + title if title else '', total / 1024)
    if floor:
        head += ', the floor window %.1f MB' % (sum(floor['groups'].values()) / 1024)
    print(head + '.')
    print()
    print('| ms | start-up step (the log\'s newest line) | resident MB | + kB | threads | grew most (kB) |')
    print('|---|---|---|---|---|---|')
    for r in step_rows(program):
        print('| %d | %s | %.1f | %+d | %d | %s |' % (r['start_ms'], r['step'].replace('|', '/'), r['rss_kb'] / 1024,
                                                     r['growth_kb'], r['threads'], ', '.join(r['grew'])))
    print()
    rows = library_rows(program, floor)
    if floor:
        print('| library or kind of memory | kind | program kB | floor kB | above floor kB |')
        print('|---|---|---|---|---|')
    else:
        print('| library or kind of memory | kind | program kB |')
        print('|---|---|---|')
    rest = [0, 0, 0]
    for i, (g, kind, p, f) in enumerate(rows):
        if i >= top or abs(p - (f or 0)) < least_kb:
            rest[0] += p
            rest[1] += f or 0
            rest[2] += 1
            continue
        if floor:
            print('| %s | %s | %d | %d | %+d |' % (g, kind, p, f, p - f))
        else:
            print('| %s | %s | %d |' % (g, kind, p))
    if rest[2]:
        if floor:
            print('| %d others | | %d | %d | %+d |' % (rest[2], rest[0], rest[1], rest[0] - rest[1]))
        else:
            print('| %d others | | %d |' % (rest[2], rest[0]))
    if floor:
        ftotal = sum(floor['groups'].values())
        print('| total | | %d | %d | %+d |' % (total, ftotal, total - ftotal))
    else:
        print('| total | | %d |' % total)
    return 0


def main(argv):
    if len(argv) >= 4 and argv[0] == 'watch' and '--' in argv:
        log, bound = None, 120.0
        rest = argv[2:argv.index('--')]
        while rest:
            opt = rest.pop(0)
            if opt == '--log' and rest:
                log = rest.pop(0)
            elif opt == '--bound' and rest:
                bound = float(rest.pop(0))
            else:
                print('unknown option ' + opt, file=sys.stderr)
                return 2
        command = argv[argv.index('--') + 1:]
        if not command:
            print('watch needs a command after --', file=sys.stderr)
            return 2
        return watch(command, argv[1], log, bound)
    if len(argv) >= 2 and argv[0] == 'report':
        files, title = [], ''
        rest = argv[1:]
        while rest:
            opt = rest.pop(0)
            if opt == '--title' and rest:
                title = rest.pop(0)
            else:
                files.append(opt)
        if len(files) not in (1, 2):
            print('report takes one or two profiles', file=sys.stderr)
            return 2
        return report(files[0], files[1] if len(files) > 1 else None, title)
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
