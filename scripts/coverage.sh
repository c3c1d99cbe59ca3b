#!/usr/bin/env bash
# Line and branch coverage of the product code by the test suite. Builds build-coverage/ with gcov
# counters, runs the tests and prints each product file's coverage and the total, lowest first.
# Usage: scripts/coverage.sh [ctest arguments]   e.g. "-L forms" runs one folder's tests only.
# COVERAGE_JSON=file also keeps gcovr's per-file summary there, for comparing two runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh gcovr
cmake -S . -B build-coverage -DCMAKE_BUILD_TYPE=Debug -DQUINDLE_COVERAGE=ON -DQUINDLE_BENCH=OFF >/dev/null
cmake --build build-coverage -j"$(nproc)"
find build-coverage -name '*.gcda' -delete
status=0
(cd build-coverage && ctest -j"$(nproc)" --output-on-failure "$@") || status=$?

summary=${COVERAGE_JSON:-build-coverage/coverage.json}
# Throw branches and branches the compiler proved unreachable say nothing about the tests.
gcovr -r . build-coverage -j"$(nproc)" \
  --filter '(app|carousel|content|core|editors|forms|frontends|meals|platform|server|ui)/' \
  --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary "$summary" --json-summary-pretty >/dev/null
python3 scripts/coverage-table.py "$summary"
exit $status
