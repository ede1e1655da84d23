#!/usr/bin/env bash
# Builds the program and the demo D.P.C. service, starts the service on
# https://localhost:8443 and then the program, which talks to it out of the box.
# The demo users are listed in the README and printed by the service at start.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
"$root/scripts/install-deps.sh"
# Only what is run: the program and the demo service (the demo certificates
# are made when the tree is configured). Tests and benchmarks are built by
# scripts/test.sh and on demand.
BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" TARGETS="quorvel-dpc dpc-demo-service" \
    "$root/scripts/build.sh" "$build"

log="$(mktemp)"
"$build/demo/dpc-demo-service" --port 8443 >"$log" 2>&1 &
service=$!
trap 'kill "$service" 2>/dev/null || true; wait "$service" 2>/dev/null || true; rm -f "$log"' EXIT
for _ in $(seq 1 600); do
    grep -q "listening on" "$log" && break
    kill -0 "$service" 2>/dev/null || { cat "$log"; exit 1; }
    sleep 0.1
done
cat "$log"
"$build/app/quorvel-dpc"
