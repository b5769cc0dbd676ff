#!/bin/bash
# The host program of the README, as it stands there: built against the
# library of this build and run on a copy of the demo, as the README's
# commands show.
# usage: readme_host_test.sh SOURCE-DIR LIBRARY [FLAGS...]
# FLAGS are compiler and linker flags the host needs too (the sanitizers).
set -eu
source=$1 library=$2
shift 2
flags="$*"
scratch=$(mktemp -d /tmp/tabrix-readme-XXXXXX)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

# The C block after the heading "## Embedding the library".
awk '/^## Embedding the library/ { inside = 1 }
     inside && /^```c$/ { code = 1; next }
     code && /^```$/ { exit }
     code { print }' "$source/README.md" > "$scratch/host.c"
[ -s "$scratch/host.c" ] || fail "no host program in the README"

libdir=$(dirname "$library")
cc -Wall -Wextra -Werror $flags "$scratch/host.c" -I"$source/include" -L"$libdir" -ltabrix \
    -Wl,-rpath,"$libdir" -o "$scratch/host"
cp -r "$source/examples/demo" "$scratch/demo"

cd "$scratch"
[ "$(./host demo/TABAXIS.SCT 4500.5)" = "$(printf 'unsaved changes\nsaved AXIS.TXT')" ] || fail "the save"
grep -q "^0010:	+04500.500	" demo/AXIS.TXT || fail "the value saved"
out=$(./host demo/TABAXIS.SCT 45x 2>err) && fail "a refused field succeeded"
[ "$out" = "unsaved changes" ] && [ "$(cat err)" = "a field was refused: 45x" ] || fail "the refusal: $out $(cat err)"
out=$(./host demo/NOPE.SCT 1 2>err) && fail "a missing script succeeded"
[ "$(cat err)" = "NOPE.SCT:0:0: error 1: cannot open NOPE.SCT: No such file or directory" ] || fail "the error: $(cat err)"
echo "the README's host runs as written"
