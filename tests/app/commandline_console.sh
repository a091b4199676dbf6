#!/bin/sh
# Quillmark.exe's command line started with wine from a Linux shell, its
# output redirected to files as a script would: the usage on standard
# output, errors on standard error, the exit codes, a list written to a file
# named relative to the shell's folder.
#   commandline_console.sh QUILLMARK_EXE
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failed=0
check() {  # check WHAT EXPECTED_CODE ACTUAL_CODE FILE TEXT
    if [ "$2" != "$3" ] || ! grep -qF -- "$5" "$4"; then
        echo "FAILED: $1 (exit $3, expected $2)"
        cat "$4"
        failed=1
    fi
}

wine "$exe" '/?' </dev/null >out.txt 2>err.txt
check "/? prints the usage" 0 $? out.txt "Usage: Quillmark.exe /export LIST FILE [/format FORMAT]"

wine "$exe" /export bogus x.csv </dev/null >out.txt 2>err.txt
check "a wrong list is a usage error" 1 $? err.txt "Quillmark: Unknown list: bogus"
[ -e x.csv ] && { echo "FAILED: a usage error wrote a file"; failed=1; }

wine "$exe" /export drivers drivers.csv </dev/null >out.txt 2>err.txt
check "drivers written beside the shell" 0 $? drivers.csv '"Driver","State","Startup","Name","Company","Description"'
[ -s out.txt ] && { echo "FAILED: a written list printed something"; cat out.txt; failed=1; }

wine "$exe" /export tasks missing/tasks.csv </dev/null >out.txt 2>err.txt
check "an unwritable file" 2 $? err.txt "Quillmark: the file could not be written: missing/tasks.csv"

[ $failed = 0 ] && echo "all checks passed"
exit $failed
