#!/usr/bin/env bash
# Builds Release into build-bench/ and runs every benchmark program, one line each.
# Extra arguments go to every program (for example --benchmark_filter=Parse).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh nginx-light # nginx is the static-file ceiling of bench-server.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-bench -j"${JOBS:-2}" --target bench_Json bench_Model bench_CarouselView bench_FormEngine \
  bench_ColorWheel bench_CarouselPaint bench_PhoneScroll bench_ColorWheelDrag bench_ColdStart
cmake --build build-bench -j"${JOBS:-2}" --target bench_History bench_HistoryPage
build-bench/bench/platform/bench_Json "$@"
build-bench/bench/core/bench_Model "$@"
build-bench/bench/carousel/bench_CarouselView "$@"
build-bench/bench/forms/bench_FormEngine "$@"
# 10,000 history records: the oldest and newest opened, and the graph page beside the plain JSON.
build-bench/bench/forms/bench_History "$@"
build-bench/bench/server/bench_HistoryPage "$@"
build-bench/bench/editors/bench_ColorWheel "$@"
# The Qt client: carousel frames per style, a 1,000-row page scrolled, cold start to the start page.
QT_QPA_PLATFORM=offscreen build-bench/bench/qt/bench_CarouselPaint "$@"
build-bench/bench/qt/bench_PhoneScroll "$@"
# A brightness drag on the colour screen: slider change to the new wheel painted.
QT_QPA_PLATFORM=offscreen build-bench/bench/qt/bench_ColorWheelDrag "$@"
build-bench/bench/qt/bench_ColdStart "$@"
BUILD=build-bench bash scripts/bench-server.sh
