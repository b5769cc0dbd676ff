#!/bin/bash
# Compares the functions a shared library exports with a list.
# usage: check_exports.sh LIBRARY EXPECTED-LIST
set -eu
actual=$(nm -D --defined-only "$1" | awk 'NF == 3 { print $3 }' | sort)
expected=$(grep -v '^#' "$2" | sort)
if [ "$actual" != "$expected" ]; then
    echo "exports differ (< expected, > actual):"
    diff <(echo "$expected") <(echo "$actual") || true
    exit 1
fi
echo "$(echo "$actual" | wc -l) exports as expected"
