"""The attribution of resident memory by library and by start-up step."""
import json
import os
import sys
import tempfile
import unittest

import memprofile as mp

SMAPS = """\
00400000-00401000 r--p 00000000 fe:00 123 /work/build-i686/Quillmark.exe
Size:                  4 kB
Rss:                   4 kB
VmFlags: rd mr mw me
7b000000-7b010000 r-xp 00000000 fe:00 55 /usr/lib/i386-linux-gnu/wine/i386-windows/COMCTL32.dll
Rss:                 600 kB
7b010000-7b020000 r--p 00010000 fe:00 55 /usr/lib/i386-linux-gnu/wine/i386-windows/COMCTL32.dll
Rss:                  40 kB
7c000000-7c100000 rw-p 00000000 00:00 0
Rss:                1000 kB
7d000000-7d100000 rw-p 00000000 00:00 0 \t\t
Rss:                  24 kB
08000000-08100000 rw-p 00000000 00:00 0                                  [heap]
Rss:                 300 kB
f7000000-f7100000 rw-s 00000000 00:01 7 /SYSV00000000 (deleted)
Rss:                 512 kB
f7100000-f7101000 rw-s 00000000 00:01 8 /tmp/wine-x/server-fe00-b2/tmpmap-1 (deleted)
Rss:                   8 kB
f7200000-f7300000 r--s 00000000 fe:00 9 /usr/share/wine/nls/locale.nls
Rss:                 368 kB
f7300000-f7400000 r--p 00000000 fe:00 10 /usr/lib/i386-linux-gnu/libX11.so.6.4.0
Rss:                 880 kB
f7400000-f7401000 r--p 00000000 fe:00 11 /var/cache/fontconfig/abc-le32d4.cache-8
Rss:                  12 kB
f7500000-f7501000 r--p 00000000 fe:00 12 /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf
Rss:                 140 kB
ff000000-ff100000 rw-p 00000000 00:00 0                                  [stack]
Rss:                  16 kB
"""


class SmapsTest(unittest.TestCase):
    def test_every_mapping_counts_once_in_its_group(self):
        totals, kinds = mp.parse_smaps(SMAPS)
        self.assertEqual(totals['COMCTL32.dll'], 640)  # both mappings of one file
        self.assertEqual(kinds['COMCTL32.dll'], 'Windows')
        self.assertEqual(totals['Quillmark.exe'], 4)
        self.assertEqual(totals[mp.ANONYMOUS], 1024)  # a blank name with trailing white space too
        self.assertEqual(totals[mp.UNIX_HEAP], 300)
        self.assertEqual(totals[mp.X_SHARED], 512)
        self.assertEqual(totals[mp.SERVER_SHARED], 8)
        self.assertEqual(totals[mp.NLS], 368)
        self.assertEqual(totals['libX11.so.6.4.0'], 880)
        self.assertEqual(kinds['libX11.so.6.4.0'], 'Unix')
        self.assertEqual(totals[mp.FONTS], 152)  # the fonts and fontconfig's caches
        self.assertEqual(totals[mp.KERNEL], 16)
        self.assertEqual(sum(totals.values()), 4 + 640 + 1024 + 300 + 512 + 8 + 368 + 880 + 152 + 16)


class StepTest(unittest.TestCase):
    def test_a_log_line_becomes_its_step(self):
        self.assertEqual(mp.step_key('12/07/2026 20:57:45 Task: C:\\windows\\a.exe\r\n'), 'Task')
        self.assertEqual(mp.step_key('12/07/2026 20:57:45 Initializing tab control...'),
                         'Initializing tab control...')
        # A colon without a space after it is part of the step's text.
        self.assertEqual(mp.step_key('12/07/2026 20:57:45 ::InitTab(1)'), '::InitTab(1)')

    def test_growth_and_what_grew_come_from_the_reading_at_the_next_step(self):
        profile = {
            'steps': [
                {'step': 'a', 'start_ms': 0, 'groups': {}},
                {'step': 'b', 'start_ms': 20, 'groups': {'x.dll': 900, 'z.dll': 100}},
                {'step': 'b', 'start_ms': 40, 'groups': {'x.dll': 900, 'z.dll': 100}},
            ],
            'groups': {'x.dll': 900, mp.ANONYMOUS: 2200, 'y.dll': 10},
        }
        rows = mp.step_rows(profile)
        self.assertEqual([r['step'] for r in rows], ['a', 'b'])
        self.assertEqual((rows[0]['rss_kb'], rows[0]['growth_kb']), (1000, 1000))
        self.assertEqual(rows[0]['grew'], ['x.dll +900', 'z.dll +100'])
        # The end of the merged step is the final reading; a group that went
        # (z.dll) counts against the growth, and y.dll is under the threshold.
        self.assertEqual((rows[1]['rss_kb'], rows[1]['growth_kb']), (3110, 2110))
        self.assertEqual(rows[1]['grew'], [mp.ANONYMOUS + ' +2200'])


class LibraryRowsTest(unittest.TestCase):
    def test_sorted_by_how_far_above_the_floor_with_groups_of_either(self):
        program = {'groups': {'a.dll': 100, 'b.dll': 500, 'c.dll': 50}, 'kinds': {'a.dll': 'Windows'}}
        floor = {'groups': {'a.dll': 100, 'b.dll': 100, 'f.dll': 30}, 'kinds': {'f.dll': 'Windows'}}
        rows = mp.library_rows(program, floor)
        self.assertEqual([r[0] for r in rows], ['b.dll', 'c.dll', 'a.dll', 'f.dll'])
        self.assertEqual(rows[-1], ('f.dll', 'Windows', 0, 30))


class LogTailTest(unittest.TestCase):
    def test_newest_complete_line_also_after_the_log_is_written_anew(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, 'quillmark.log')
            tail = mp.LogTail(path)
            self.assertIsNone(tail.poll())  # no log yet
            with open(path, 'w') as f:
                f.write('first\r\nsecond\r\nthi')
            self.assertEqual(tail.poll(), 'second\r')
            with open(path, 'a') as f:
                f.write('rd\r\n')
            self.assertEqual(tail.poll(), 'third\r')
            with open(path, 'w') as f:  # the next start writes it again
                f.write('new\r\n')
            self.assertEqual(tail.poll(), 'new\r')


# Writes two log lines with an allocation of 24 MB between them, then waits
# to be ended.
CHILD = r"""
import sys, time
time.sleep(0.3)
log = open(sys.argv[1], 'a')
log.write('01/02/2026 10:00:00 Step one: allocating\r\n'); log.flush()
time.sleep(0.2)
block = bytearray(24 << 20)
for i in range(0, len(block), 4096):
    block[i] = 1
time.sleep(0.2)
log.write('01/02/2026 10:00:01 Step two\r\n'); log.flush()
time.sleep(60)
"""


class WatchTest(unittest.TestCase):
    def test_a_started_program_is_profiled_step_by_step_and_ended(self):
        with tempfile.TemporaryDirectory() as folder:
            log = os.path.join(folder, 'child.log')
            out = os.path.join(folder, 'profile.json')
            # The bound ends the profile; the child would wait a minute.
            self.assertEqual(mp.watch([sys.executable, '-c', CHILD, log], out, log, bound=4.0), 0)
            with open(out) as f:
                profile = json.load(f)
        self.assertFalse(os.path.exists('/proc/%d' % profile['pid']))  # ended and reaped
        rows = mp.step_rows(profile)
        self.assertEqual([r['step'] for r in rows], [mp.BEFORE_LOG, 'Step one', 'Step two'])
        step_one = rows[1]
        self.assertGreater(step_one['growth_kb'], 20 * 1024)
        self.assertTrue(step_one['grew'][0].startswith(mp.ANONYMOUS), step_one['grew'])


if __name__ == '__main__':
    unittest.main()
