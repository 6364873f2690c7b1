#!/usr/bin/env bash
# Installs the packages and builds everything into build/ (or $KELVANE_BUILD_DIR).
# KELVANE_WERROR=1 makes warnings errors; KELVANE_SANITIZE=1 builds with ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
dir="${KELVANE_BUILD_DIR:-build}"
onoff() { [ "${1:-0}" = 1 ] && echo ON || echo OFF; }
sanitize="$(onoff "${KELVANE_SANITIZE:-0}")"
# Timings under the sanitizers mean nothing: such builds leave the benchmarks out.
bench=ON; [ "$sanitize" = ON ] && bench=OFF
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKELVANE_WERROR="$(onoff "${KELVANE_WERROR:-0}")" -DKELVANE_SANITIZE="$sanitize" -DKELVANE_BENCH="$bench"
cmake --build "$dir" -j"$(nproc)"
