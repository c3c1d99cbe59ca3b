#!/usr/bin/env bash
# Loads quindle-server's contentForNode of a 200-item page over keep-alive connections, then the
# same reply bytes served by nginx as a static file (the ceiling), then a stream of handleForm
# writes. Prints requests/s, p50/p99 and the server-to-nginx ratio.
# Environment: BUILD (default build-bench), SECONDS_PER_RUN (5), CONNECTIONS (8), ITEMS (200),
# SERVER_BIN (another quindle-server build to measure, e.g. an older one), SERVER_OPTIONS.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BUILD:-build-bench}
RUN_SECONDS=${SECONDS_PER_RUN:-5}
CONNECTIONS=${CONNECTIONS:-8}
ITEMS=${ITEMS:-200}

cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j"${JOBS:-2}" --target quindle-server bench_ServerLoad >/dev/null
LOAD="$BUILD/bench/server/bench_ServerLoad"
NGINX=$(command -v nginx || echo /usr/sbin/nginx)

work=$(mktemp -d /tmp/quindle-bench-server.XXXXXX)
server_pid=""
nginx_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"${SERVER_BIN:-$BUILD/server/quindle-server}" --db "$work/quindle.db" --port 0 --host 127.0.0.1 --demo ${SERVER_OPTIONS:-} >"$work/server.out" 2>"$work/server.err" &
server_pid=$!
for _ in $(seq 100); do
  [ "$(wc -l <"$work/server.out")" -ge 2 ] && break
  sleep 0.1
done
base=$(sed -n 1p "$work/server.out")
login=$(sed -n 2p "$work/server.out")
case "$base" in http://127.0.0.1:*) ;; *) echo "quindle-server did not start:"; cat "$work/server.err"; exit 1 ;; esac

"$LOAD" prepare --base "$base" --login "$login" --items "$ITEMS" --body "$work/page.json" >"$work/prepare.out"
page=$(awk '$1 == "page" {print $2}' "$work/prepare.out")
token=$(awk '$1 == "token" {print $2}' "$work/prepare.out")
form=$(awk '$1 == "form" {print $2}' "$work/prepare.out")
echo "page $page: $ITEMS items, reply $(wc -c <"$work/page.json") bytes"

path="/~corvath/vantro/web/app_dev.php/contentForNode?assetid=$page"
# A second of warm-up, so the measured run does not pay for the writes that built the page.
"$LOAD" load --url "$base$path" --header "wibble: $token" --connections "$CONNECTIONS" --seconds 1 --label warm-up >/dev/null
"$LOAD" load --url "$base$path" --header "wibble: $token" --connections "$CONNECTIONS" --seconds "$RUN_SECONDS" \
  --label quindle-server | tee "$work/server.result"

# nginx serves the same bytes from a file, as JSON, with keep-alive; everything lives in $work.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/www" "$work/nginx-temp"
chmod 755 "$work" "$work/www" # nginx workers started by root read as nobody
cp "$work/page.json" "$work/www/page.json"
cat >"$work/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx.pid;
error_log $work/nginx-error.log warn;
events { worker_connections 1024; }
http {
  access_log off;
  client_body_temp_path $work/nginx-temp/body;
  proxy_temp_path $work/nginx-temp/proxy;
  fastcgi_temp_path $work/nginx-temp/fastcgi;
  uwsgi_temp_path $work/nginx-temp/uwsgi;
  scgi_temp_path $work/nginx-temp/scgi;
  keepalive_requests 1000000;
  tcp_nodelay on;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
    location / { default_type "application/json; charset=utf-8"; try_files /page.json =404; }
  }
}
CONF
"$NGINX" -p "$work" -c "$work/nginx.conf" 2>"$work/nginx.err" &
nginx_pid=$!
for _ in $(seq 50); do
  (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && break
  sleep 0.1
done
"$LOAD" load --url "http://127.0.0.1:$port$path" --connections "$CONNECTIONS" --seconds "$RUN_SECONDS" \
  --label nginx-static | tee "$work/nginx.result"

# The same load while 200 connections trickle their headers and reconnect when they are closed.
"$LOAD" slow --url "$base$path" --connections 200 --seconds $((RUN_SECONDS + 3)) >"$work/slow.out" &
slow_pid=$!
sleep 2
"$LOAD" load --url "$base$path" --header "wibble: $token" --connections "$CONNECTIONS" --seconds "$RUN_SECONDS" \
  --label quindle-server-200-slow | tee "$work/server-slow.result"
wait "$slow_pid" && cat "$work/slow.out"

server_rps=$(sed -n 's/^RESULT quindle-server rps=\([0-9.]*\).*/\1/p' "$work/server.result")
nginx_rps=$(sed -n 's/^RESULT nginx-static rps=\([0-9.]*\).*/\1/p' "$work/nginx.result")
awk -v s="$server_rps" -v n="$nginx_rps" 'BEGIN { if (n > 0) printf "quindle-server / nginx requests/s: %.3f\n", s / n }'

if [ -n "$form" ]; then
  "$LOAD" load --url "$base/json/handleForm.php?$form" --header "wibble: $token" --connections "$CONNECTIONS" \
    --seconds "$RUN_SECONDS" --label handleForm-writes
else
  echo "handleForm-writes: no resident form entry found in the demo data; not measured"
fi
