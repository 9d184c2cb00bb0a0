#!/usr/bin/env bash
# Gives the test server under $1 (started once with KOVARA_TSQL_TLS=1) a
# certificate that names 127.0.0.1 and localhost, as a server's certificate
# should, in place of the start script's, and a copy of it beside the root's
# data that a client may take as its only authority. Prints "changed" when it
# made one; the server must then be started again to use it.
set -euo pipefail
root=$1
owner=kovaratsql
data=$root/data
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
if as_root cmp -s "$root/kovara-tls.crt" "$data/server.crt"; then
  exit 0
fi
made=$(mktemp -d)
trap 'rm -rf "$made"' EXIT
openssl req -new -x509 -days 3650 -nodes -subj "/CN=kovara-test-named" \
  -addext "subjectAltName=IP:127.0.0.1,DNS:localhost" -keyout "$made/key" -out "$made/crt" >/dev/null 2>&1
as_root install -o "$owner" -m 600 "$made/key" "$data/server.key"
as_root install -o "$owner" -m 644 "$made/crt" "$data/server.crt"
as_root install -m 644 "$made/crt" "$root/kovara-tls.crt"
echo changed
