#!/usr/bin/env bash
# The demo service started with a key that does not match its certificate must
# end at once with a clear message, having closed its listening socket exactly
# once (strace shows every close; a second close of the same number, before
# the number names another file, is a double close).
#   check_start_failure.sh SERVICE CERT_DIR
# strace comes with scripts/install-deps.sh.
set -euo pipefail
service="$1"
certs="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
check() {
    local what="$1"
    shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

status=0
strace -f -qq -o "$work/trace" "$service" --port 0 --database "$work/demo.sqlite" \
    --cert "$certs/server.pem" --key "$certs/untrusted.key" >"$work/out" 2>"$work/err" || status=$?
cat "$work/err"
check "the service ends with a failure" test "$status" -ne 0
check "it says the key does not match the certificate" \
    grep -q "cannot listen on 127.0.0.1:0: the key does not match the certificate" "$work/err"
check "it never says it listens" bash -c "! grep -q 'listening on' '$work/out'"

# The listening socket's number, then what happens to that number: closes until
# a call returns the same number for another file.
fd="$(sed -nE 's/.*socket\(AF_INET, SOCK_STREAM[^)]*\) += ([0-9]+)$/\1/p' "$work/trace" | head -n 1)"
check "a listening socket was made" test -n "$fd"
if [ -n "$fd" ]; then
    closes="$(awk -v fd="$fd" '
        !seen { if ($0 ~ "socket\\(AF_INET, SOCK_STREAM" && $0 ~ "= " fd "$") seen = 1; next }
        $0 ~ "[ (]close\\(" fd "[)< ]" { print; next }
        $0 ~ "= " fd "$" { exit }
    ' "$work/trace")"
    echo "closes of the listening socket ($fd):"
    echo "$closes"
    check "the listening socket is closed once" test "$(grep -c . <<<"$closes")" -eq 1
    check "and that close succeeds" grep -q "= 0$" <<<"$closes"
fi
echo "start-failure checks: $failures failed"
[ "$failures" -eq 0 ]
