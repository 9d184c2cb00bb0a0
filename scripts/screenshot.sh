#!/usr/bin/env bash
# Redraws docs/window.png: the window after a successful run, on a virtual X
# server, with the recording database standing in for SQL Server.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/install-deps.sh --tests
cmake -S . -B build/shot -DCMAKE_BUILD_TYPE=Release -DKOVARA_BUILD_TESTS=ON >/dev/null
cmake --build build/shot --parallel "$(nproc)" --target kovara_window_screenshot >/dev/null
mkdir -p docs
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" \
  ./build/shot/tests/app/kovara_window_screenshot docs/window.png
echo "docs/window.png"
