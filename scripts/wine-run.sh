#!/bin/sh
# Runs one Windows program under Wine for CTest. Wine's processes inherit the
# caller's pipes and keep them open, so the program writes to files that are
# shown once it has ended; its exit code is passed through.
out=$(mktemp) err=$(mktemp)
wine "$@" </dev/null >"$out" 2>"$err"
rc=$?
cat "$out"
grep -v -e '^Could not find Wine Gecko' -e 'fixme:' "$err" >&2
rm -f "$out" "$err"
exit $rc
