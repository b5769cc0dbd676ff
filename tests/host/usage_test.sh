#!/bin/bash
# A usage error ends tabrixtest with status 2 and names the fault, without
# a display; --help ends it with status 0.
# usage: usage_test.sh PROGRAM
set -u
program=$1
unset DISPLAY WAYLAND_DISPLAY

fail() { echo "FAIL: $*"; exit 1; }

err=$("$program" --lang xx 2>&1 >/dev/null); status=$?
[ $status -eq 2 ] || fail "--lang xx: status $status, expected 2"
grep -q "unknown language 'xx'" <<<"$err" || fail "--lang xx: message: $err"

out=$("$program" --help); status=$?
[ $status -eq 0 ] || fail "--help: status $status"
grep -q -- "--lang" <<<"$out" || fail "--help: no usage: $out"
echo "usage errors and --help as expected"
