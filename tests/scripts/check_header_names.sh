#!/usr/bin/env bash
# scripts/check-layers.sh on compile commands written here: two headers of one name fail the
# check only when one compile searches both their folders (its -I or -iquote folders, or its
# source's own), never through -isystem folders or separate compiles.
# Usage: check_header_names.sh ROOT
set -euo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work"/{a,b,c,src}
touch "$work"/a/Name.h "$work"/b/Name.h "$work"/c/Other.h

# Writes a compile_commands.json of the given entries ("FILE|FLAGS" each).
commands() {
    local sep=""
    echo "["
    for entry in "$@"; do
        printf '%s{"directory": "%s", "file": "%s", "command": "c++ %s -c %s"}\n' \
            "$sep" "$work" "${entry%%|*}" "${entry#*|}" "${entry%%|*}"
        sep=","
    done
    echo "]"
}
# The header check alone, or within the whole layer check.
check() {
    python3 "$root/scripts/check-header-names.py" "$work/commands.json" "$root" >"$work/out" 2>&1
}
check_layers() {
    DPC_COMPILE_COMMANDS="$work/commands.json" "$root/scripts/check-layers.sh" >"$work/out" 2>&1
}
fail() {
    echo "FAIL: $1"
    cat "$work/out"
    exit 1
}

commands "src/one.cpp|-Ia -Ic -isystem b" "src/two.cpp|-I b -Ic" >"$work/commands.json"
check || fail "folders never searched together were refused"

commands "src/one.cpp|-Ia -Ic" "src/two.cpp|-Ic -iquote b -I a" >"$work/commands.json"
! check_layers || fail "-iquote b and -I a together were accepted"
grep -q "Name.h lies in .*/a/ and .*/b/, which .*/src/two.cpp searches together" "$work/out" ||
    fail "the clash is not named"
grep -q "Other.h" "$work/out" && fail "a header found once was named"

commands "a/three.cpp|-Ib" >"$work/commands.json"
! check || fail "a source's own folder and -Ib were accepted"
echo "same-named headers: refused only when one compile searches both"
