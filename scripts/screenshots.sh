#!/usr/bin/env bash
# Walks the demo site in the Qt client against a quindle-server process, offscreen, and leaves a
# picture of each screen in build/screenshots/ (start page, an event, login, a document form after
# login, reorder mode, the start page with the gallery restyled, the add menu, the text editor, the
# colour wheel, the image grid and the carousel styles). Each picture is checked: the
# phone's size, not blank, different from the one before.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target test_e2e_ScreenshotWalk quindle quindle-server >/dev/null
QT_QPA_PLATFORM=offscreen build/tests/e2e/test_e2e_ScreenshotWalk
ls -1 "$PWD"/build/screenshots/*.png
