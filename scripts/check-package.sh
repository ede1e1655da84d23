#!/usr/bin/env bash
# Builds the Debian packages in build/ (scripts/package.sh), unpacks them into a
# scratch root as dpkg would install them and checks what a workstation gets:
# the files at their places, a valid menu entry and metainfo, dependencies
# computed from the binaries, and both programs running from there, the
# program with its bin folder read-only and a scratch home. Then builds the
# program for another service (in build-package-check/, so an administrator's
# build-package/ is left alone) and checks it carries that service.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
work="$(mktemp -d)"
children=()
cleanup() {
    for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
    chmod -R u+w "$work"
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
check() {
    local what="$1"
    shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
# Waits up to $2 seconds for the file $1 to hold the pattern $3.
wait_for() {
    for _ in $(seq 1 $(($2 * 10))); do
        grep -q "$3" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

"$root/scripts/package.sh"

version="$(sed -nE 's/^project\(QuorvelDPC VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")"
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
arch="$(dpkg --print-architecture)"
program_deb="$build/packages/quorvel-dpc_${version}_$arch.deb"
demo_deb="$build/packages/quorvel-dpc-demo_${version}_$arch.deb"
if [ ! -f "$program_deb" ] || [ ! -f "$demo_deb" ]; then
    echo "FAIL packages named after version $version:" "$build"/packages/*
    exit 1
fi

# Control fields: version, maintainer, description, computed dependencies.
for deb in "$program_deb" "$demo_deb"; do
    dpkg-deb --info "$deb" >"$work/info"
    name="$(basename "$deb")"
    check "$name: version $version" grep -qx " Version: $version" "$work/info"
    check "$name: maintainer" grep -qE "^ Maintainer: [^<]+ <[^>]+@[^>]+>$" "$work/info"
    check "$name: description" grep -qE "^ Description: .+" "$work/info"
    grep "^ Depends: " "$work/info" | tr -d ' ' | tr ',' '\n' | sed 's/^Depends://' >"$work/depends"
    libraries=(libqt6core6 libqt6network6 libc6 libstdc++6)
    if [ "$deb" = "$program_deb" ]; then
        libraries+=(libqt6gui6 libqt6widgets6 libqt6charts6 libqt6printsupport6)
        extras=(qt6-translations-l10n libxlsxwriter4)
    else
        libraries+=(libqt6sql6 libmicrohttpd12 libsqlite3-0)
        extras=(libqt6sql6-sqlite)
    fi
    for library in "${libraries[@]}"; do
        check "$name: computed dependency on $library" grep -q "^$library(>=.*)$" "$work/depends"
    done
    for extra in "${extras[@]}"; do
        check "$name: dependency on $extra" grep -qx "$extra" "$work/depends"
    done
done

scratch="$work/root"
mkdir -p "$scratch"
dpkg -x "$program_deb" "$scratch"
dpkg -x "$demo_deb" "$scratch"
share="$scratch/usr/share"

# Menu entry, metainfo and icon at their places, valid.
desktop="$share/applications/quorvel-dpc.desktop"
metainfo="$share/metainfo/it.quorvel.dpc.metainfo.xml"
check "desktop entry valid" desktop-file-validate "$desktop"
check "desktop entry runs an installed program" \
    test -x "$scratch/usr/bin/$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
icon="$(sed -n 's/^Icon=//p' "$desktop")"
check "metainfo valid" appstreamcli validate --no-net "$metainfo"
check "metainfo release $version" grep -q "<release version=\"$version\"" "$metainfo"
check "metainfo launches the desktop entry" \
    grep -q "<launchable type=\"desktop-id\">quorvel-dpc.desktop</launchable>" "$metainfo"
check "scalable icon" grep -q "<svg" "$share/icons/hicolor/scalable/apps/$icon.svg"
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }
for size in 48 256; do
    png="$share/icons/hicolor/${size}x$size/apps/$icon.png"
    check "${size}px icon" test "$(png_size "$png" 2>/dev/null)" = "${size}x$size"
done
for page in quorvel-dpc dpc-demo-service; do
    check "man page of $page" test -s "$share/man/man1/$page.1.gz"
done

# The program, installed: its folder read-only, a scratch home and desktop session.
home="$work/home"
mkdir -p "$home" "$work/runtime"
chmod 700 "$work/runtime"
chmod a-w "$scratch/usr/bin"
run=(timeout 120 env -i PATH=/usr/bin:/bin HOME="$home" XDG_DATA_HOME="$home/data"
    XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen)
"${run[@]}" "$scratch/usr/bin/quorvel-dpc" --version >"$work/version" 2>&1 || true
cat "$work/version"
check "--version: the project's version" grep -qx "QuorvelDPC $version" "$work/version"
check "--version: the endpoint built in" \
    grep -qxF "Service endpoint: $(cache DPC_ENDPOINT_URL)" "$work/version"
check "--version: the namespace built in" \
    grep -qxF "Service namespace: $(cache DPC_NAMESPACE_URI)" "$work/version"
check "stages in the user's data folder" \
    grep -qxF "Staging folder: $home/data/QuorvelDPC" "$work/version"
check "the user's data folder is made" test -d "$home/data/QuorvelDPC"

"${run[@]}" "$scratch/usr/bin/quorvel-dpc" >"$work/program.log" 2>&1 &
program=$!
children+=("$program")
started=false
for _ in $(seq 1 100); do
    if compgen -G "$work/runtime/quorvel-dpc-*.lock" >/dev/null; then
        started=true
        break
    fi
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
sleep 1 # the window is shown after the lock is taken
running() { $started && kill -0 "$program" 2>/dev/null; }
check "the program starts offscreen" running
# QtNetwork and TLS load with the first call to the service, not with the window.
# (The program runs as the child of `timeout`.)
no_network() {
    local maps
    maps="/proc/$(awk -v parent="$program" '$4 == parent { print $1; exit }' /proc/[0-9]*/stat 2>/dev/null)/maps"
    grep -q libQt6Widgets "$maps" && ! grep -qE "libQt6Network|libssl|libdpc_network" "$maps"
}
check "the first window loads no network library" no_network
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
cat "$work/program.log"
# The modules loaded on demand, where the installed program looks for them.
for module in network print chart; do
    check "the $module module beside the program's files" \
        test -f "$scratch/usr/lib/quorvel-dpc/libdpc_$module.so"
done
check "nothing written beside the program" \
    test "$(find "$scratch/usr/bin" -mindepth 1 -printf '%f ' | tr ' ' '\n' | sort | xargs)" \
    = "dpc-demo-service quorvel-dpc"

# The demo service, installed: its certificate from the package, its database in
# the user's data folder, trusted by the program's built-in certificate authority.
"${run[@]}" "$scratch/usr/bin/dpc-demo-service" --port 0 >"$work/demo.log" 2>&1 &
demo=$!
children+=("$demo")
listening=false
wait_for "$work/demo.log" 60 "listening on" && listening=true
check "the demo service starts" "$listening"
if $listening; then
    port="$(sed -nE 's|.*listening on https://127\.0\.0\.1:([0-9]+)/.*|\1|p' "$work/demo.log")"
    check "its database in the user's data folder" \
        test -s "$home/data/dpc-demo-service/dpc-demo.sqlite"
    verifies() {
        openssl s_client -connect "127.0.0.1:$port" -verify_return_error -verify_hostname localhost \
            -CAfile "$(cache DPC_CA_BUNDLE)" </dev/null >"$work/tls.log" 2>&1
    }
    check "its certificate verifies against the built-in CA" verifies
    kill -TERM "$demo"
    check "it stops cleanly" wait "$demo"
fi
cat "$work/demo.log"

# A package built for another service carries that service's settings.
custom="$root/build-package-check"
PACKAGE_BUILD_DIR="$custom" "$root/scripts/package.sh" \
    -DDPC_ENDPOINT_URL=https://dpc.asp.example.org/WS/WSQuorvel.asmx \
    -DDPC_NAMESPACE_URI=urn:example:dpc/ -DDPC_CA_BUNDLE="$build/demo-certs/untrusted.pem" \
    >"$work/custom.log" 2>&1 || cat "$work/custom.log"
mkdir -p "$work/custom"
dpkg -x "$custom/packages/quorvel-dpc_${version}_$arch.deb" "$work/custom"
"${run[@]}" "$work/custom/usr/bin/quorvel-dpc" --version >"$work/version" 2>&1 || true
cat "$work/version"
check "built for another service: its endpoint" grep -qxF \
    "Service endpoint: https://dpc.asp.example.org/WS/WSQuorvel.asmx" "$work/version"
check "built for another service: its namespace" \
    grep -qxF "Service namespace: urn:example:dpc/" "$work/version"
check "built for another service: its CA only" \
    grep -qxF "Trusted besides the system's CAs: localhost" "$work/version"

echo "package checks: $failures failed"
[ "$failures" -eq 0 ]
