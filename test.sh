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
  xvfb_fd=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$xvfb_fd" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$xvfb_fd" ] && break; sleep 0.1; done
  export DISPLAY=:$(head -n1 "$xvfb_fd")
  rm -f "$xvfb_fd"
  trap 'kill $xvfb_pid 2>/dev/null' EXIT
fi

# Keep one Wine server and its system processes (services, explorer, rpcss)
# up for the whole run. Started by a test, they would inherit that test's
# output pipe and keep CTest waiting for it; and a program that starts while
# an idle server shuts down loses its connection.
export WINEPREFIX=$PWD/build/wineprefix PINDREL_WINEPREFIX=$PWD/build/wineprefix
scripts/wine-run cmd /c exit >/dev/null 2>&1 || true   # creates the prefix once
/usr/lib/wine/wineserver -w
/usr/lib/wine/wineserver -p
scripts/wine-run cmd /c exit >/dev/null 2>&1 || true
trap '/usr/lib/wine/wineserver -k 2>/dev/null; kill ${xvfb_pid:-} 2>/dev/null; true' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1

passed=0 failed=0
for preset in linux linux-asan win64; do
  echo "== test $preset"
  log=build/$preset/ctest-summary.log
  # Wine tests run one at a time: a Wine program that ends while another one
  # runs a drag loop can hang in its exit, and most of them share the screen.
  parallel=$jobs; [ "$preset" = win64 ] && parallel=1
  ctest --preset "$preset" -j "$parallel" 2>&1 | tee "$log" || true
  # ctest's summary: "N% tests passed, F tests failed out of T"
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of' "$log" | tail -n1)
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
  if [ -z "$line" ]; then total=1 bad=1; echo "test.sh: no ctest summary for $preset"; fi
  passed=$((passed + total - bad)) failed=$((failed + bad))
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
