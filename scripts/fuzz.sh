#!/usr/bin/env bash
# Fuzzes the expression parser and evaluator for SECONDS (default 60): builds it with clang and
# libFuzzer (ASan + UBSan) into build-fuzz/, reads the seed corpus, adds what it finds to a
# scratch corpus there, and fails on a crash, a hang or a broken round trip.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
out=build-fuzz
mkdir -p "$out/corpus-expression"

# Built directly with clang so the ordinary g++ build never needs it.
binary="$out/fuzz_Expression"
sources=(tests/forms/fuzz/fuzz_Expression.cpp tests/forms/fuzz/ExpressionOracle.h forms/Expression.cpp forms/Expression.h)
stale=0
[ -x "$binary" ] || stale=1
for s in "${sources[@]}"; do [ "$s" -nt "$binary" ] && stale=1; done
if [ "$stale" -eq 1 ]; then
  clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -Wall -Wextra -Wshadow -Werror -I. -Itests \
    tests/forms/fuzz/fuzz_Expression.cpp forms/Expression.cpp -o "$binary"
fi

# New inputs go to the first directory; the seeds stay as they are. max_len reaches past the
# node cap (2000 parts take about 4000 bytes).
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  "$binary" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -max_len=8192 \
  -dict=tests/forms/fuzz/expression.dict -artifact_prefix="$out/" -print_final_stats=1 \
  "$out/corpus-expression" tests/forms/corpus/expression
