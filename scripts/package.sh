#!/usr/bin/env bash
# Builds the Debian packages quorvel-dpc and quorvel-dpc-demo:
#   scripts/package.sh [CMAKE ARGS...]
# Without arguments the program is built for the demo service, in build/ (as
# run.sh). With arguments, such as the authority's service settings
# (-DDPC_ENDPOINT_URL=... -DDPC_NAMESPACE_URI=... -DDPC_CA_BUNDLE=...), it is
# built in build-package/, so build/ keeps the demo settings. The service
# settings are set afresh each time: a package never carries ones left over
# from an earlier run. The packages are written to <build folder>/packages;
# PACKAGE_BUILD_DIR names another build folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
[ $# -eq 0 ] || build="$root/build-package"
build="${PACKAGE_BUILD_DIR:-$build}"
"$root/scripts/install-deps.sh"
# Building the packages builds only the two programs and the man pages.
BUILD_TYPE=RelWithDebInfo TARGETS="quorvel-dpc dpc-demo-service dpc_man_pages" \
    "$root/scripts/build.sh" "$build" \
    -U DPC_ENDPOINT_URL -U DPC_NAMESPACE_URI -U DPC_CA_BUNDLE \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "$@"
rm -f "$build"/packages/*.deb
(cd "$build" && cpack -G DEB)
ls "$build"/packages/*.deb
