#!/usr/bin/env bash
# Fails when a folder includes a header from a folder above it, when classes of one folder
# include each other in a loop, or when two headers of one file name lie in folders that one
# compile searches together (scripts/check-header-names.py). Those folders come from the
# build's compile commands: those of $DPC_COMPILE_COMMANDS when it names a
# compile_commands.json, else of a scratch tree configured here (with clang when it is
# installed, so that the fuzzers count too), so the check needs no build. Layers, bottom up:
# the service client, the list pieces and the file export; the pieces every window shares; the
# files written for the operator from a report and the year statistics; the tabs and their
# windows; the shell that composes them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
declare -A layer=(
    [service]=0 [lists]=0 [export]=0
    [windowkit]=1
    [notices]=2 [statistics]=2
    [errors]=3 [drugs]=3 [registration]=3 [patients]=3 [reports]=3
    [app]=4
)
# Which layered folder each header lives in.
declare -A home=()
for folder in "${!layer[@]}"; do
    for header in "$folder"/*.h; do
        [ -e "$header" ] && home[$(basename "$header")]=$folder
    done
done
bad=0
for folder in "${!layer[@]}"; do
    for file in "$folder"/*.h "$folder"/*.cpp "$folder"/*.in; do
        [ -e "$file" ] || continue
        while IFS= read -r included; do
            target=${home[$included]:-}
            [ -n "$target" ] || continue
            if [ "${layer[$target]}" -gt "${layer[$folder]}" ]; then
                echo "$file includes $included from $target/, a layer above $folder/"
                bad=1
            fi
        done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" | xargs -rn1 basename)
    done
done
# Within a folder, the files of one class (A.h, A.cpp) must not reach their own header again
# through those of others: classes that include each other are one idea split in two.
for folder in "${!layer[@]}"; do
    pairs=""
    for file in "$folder"/*.h "$folder"/*.cpp; do
        [ -e "$file" ] || continue
        unit=$(basename "${file%.*}")
        while IFS= read -r included; do
            other=${included%.*}
            if [ "$other" != "$unit" ] && [ -e "$folder/$other.h" ]; then
                pairs+="$unit $other"$'\n'
            fi
        done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" | xargs -rn1 basename)
    done
    if ! loop=$(printf '%s' "$pairs" | tsort 2>&1 >/dev/null); then
        echo "$folder/: these include each other in a loop:" $(sed -n 's/^tsort: \([^ ]*\)$/\1/p' <<<"$loop")
        bad=1
    fi
done
# Headers of one name in the folders one compile searches together.
commands=${DPC_COMPILE_COMMANDS:-}
if [ -z "$commands" ]; then
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    compilers=()
    fuzzers=OFF
    if command -v clang >/dev/null && command -v clang++ >/dev/null; then
        compilers=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++)
        fuzzers=ON
    fi
    if cmake -S "$root" -B "$scratch" "${compilers[@]}" -DDPC_BUILD_FUZZERS="$fuzzers" \
        -DDPC_UNITY_BUILD=OFF -DDPC_PRECOMPILED_HEADERS=OFF -DDPC_USE_CCACHE=OFF \
        >"$scratch/configure.log" 2>&1; then
        commands=$scratch/compile_commands.json
    else
        cat "$scratch/configure.log"
        echo "cannot configure a build to learn which folders each compile searches"
        bad=1
    fi
fi
if [ -n "$commands" ] && ! python3 "$root/scripts/check-header-names.py" "$commands" "$root"; then
    bad=1
fi
[ "$bad" -eq 0 ] && echo "layers: every include points down or sideways, none in a loop," \
    "and no header name twice in the folders of one compile"
exit "$bad"
