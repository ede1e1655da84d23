#!/usr/bin/env bash
# Fails when a folder includes a header from a folder above it, or when classes of one folder
# include each other in a loop. Layers, bottom up:
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
[ "$bad" -eq 0 ] && echo "layers: every include points down or sideways, and none in a loop"
exit "$bad"
