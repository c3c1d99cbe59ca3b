#!/usr/bin/env bash
# Installs dependencies, builds quindle-term into build/ (incrementally) and runs it with the
# given arguments. Without --server it starts the reference server in-process with its demo
# data on a free loopback port.
#   bash scripts/run.sh                        # the demo server
#   bash scripts/run.sh --server http://HOST:PORT
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quindle-term quindle-server >/dev/null
exec build/frontends/term/quindle-term "$@"
