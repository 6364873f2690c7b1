#!/usr/bin/env bash
# Installs, builds and starts the editor on the bundled sample scene with the stand-in renderer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
bin="$PWD/build/bin"
if [ ! -f "$bin/Pellith.ini" ]; then
  printf '[System]\r\nEXEPath=%s\r\n' "$bin/yafray" > "$bin/Pellith.ini"
fi
mkdir -p "$HOME/kelvane-sample"
cp -n data/samples/* "$HOME/kelvane-sample/" 2>/dev/null || true
exec "$bin/kelvane" "$HOME/kelvane-sample/sample.xml"
