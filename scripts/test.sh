#!/usr/bin/env bash
# Installs, builds and runs every test (the build folder and options as scripts/build.sh takes them).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${KELVANE_BUILD_DIR:-build}" --output-on-failure -j"$(nproc)"
