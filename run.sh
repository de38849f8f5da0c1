#!/usr/bin/env bash
# Sets up, builds everything and runs the main job: extracts every icon group
# of a module into a directory as 1.ico, 2.ico, ...
#   ./run.sh [FILE [DIR]]   default: Wine's x86_64 shell32.dll into out/
#   ./run.sh --gui [FILE]   Pindrel.exe (64-bit build) under Wine; see scripts/gui-run
#   ./run.sh --gui --screenshots   the main window in its four styles and the
#                           About window, saved to out/ (tests/win/about_e2e.sh)
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh

if [ "${1:-}" = --gui ]; then
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 -j "$(nproc)" --target Pindrel >/dev/null
  if [ "${2:-}" = --screenshots ]; then
    exec bash tests/win/about_e2e.sh scripts/wine-run build/win64/shell/Pindrel.exe out
  fi
  exec scripts/gui-run build/win64/shell/Pindrel.exe "${@:2}"
fi

jobs=$(nproc)
for preset in linux win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" >/dev/null
done

source=${1:-/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/shell32.dll}
dest=${2:-out}
mkdir -p "$dest"
exec build/linux/cli/pindrel-cli extract "$source" -o "$dest"
