#!/usr/bin/env bash
# Installs dependencies, builds quindle-term into build/ (incrementally) and runs it with the
# given arguments, e.g. `bash scripts/run.sh --server http://127.0.0.1:8080`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quindle-term >/dev/null
exec build/frontends/term/quindle-term "$@"
