#!/usr/bin/env bash
# Sets up, builds everything and runs every test: native, native with
# sanitizers, the 32-bit product checks and the Windows-side tests under wine64.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh

jobs=$(nproc)
for preset in linux linux-asan win32 win64; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

# The Windows-side tests share one Wine prefix and one Xvfb display.
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :87 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true; /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
  export DISPLAY=:87
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1

status=0
for preset in linux linux-asan win64; do
  echo "== test $preset"
  ctest --preset "$preset" -j "$jobs" || status=1
done
exit $status
