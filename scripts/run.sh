#!/usr/bin/env bash
# Installs dependencies, builds quindle-term and quindle-server into build/ (incrementally) and
# runs the text client. Without --server it first starts the reference server with its demo
# data on a free loopback port (database in a temporary folder) and stops it afterwards.
#   bash scripts/run.sh                        # the demo server
#   bash scripts/run.sh --server http://HOST:PORT
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quindle-term quindle-server >/dev/null

for argument in "$@"; do
  if [ "$argument" = "--server" ]; then
    exec build/frontends/term/quindle-term "$@"
  fi
done

work=$(mktemp -d /tmp/quindle-demo.XXXXXX)
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
build/server/quindle-server --db "$work/quindle.sqlite" --port 0 --host 127.0.0.1 --demo \
  >"$work/server.out" 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 200); do
  [ "$(wc -l <"$work/server.out")" -ge 2 ] && break
  kill -0 "$server_pid" 2>/dev/null || break
  sleep 0.05
done
base=$(sed -n 1p "$work/server.out")
case "$base" in
  http://127.0.0.1:*) ;;
  *) echo "quindle-server did not start:" >&2; cat "$work/server.log" >&2; exit 1 ;;
esac
echo "demo server at $base ($(sed -n 2p "$work/server.out"))" >&2
build/frontends/term/quindle-term --server "$base" "$@"
