#!/usr/bin/env bash
# A real drag of files from one Windows process onto the window of another,
# under Wine and Xvfb, with the pointer moved by xdotool as a user would.
#
#   drag_e2e.sh window  WINE_RUN TESTS_DIR
#       the target is drop_window (the drop object alone); the dropped text
#       must arrive byte for byte, three paths each followed by CR LF.
#   drag_e2e.sh pindrel WINE_RUN TESTS_DIR PINDREL_EXE ICON
#       the target is Pindrel.exe, started from a fresh run directory: after
#       the drop of ICON, a click on "提取" must write 1.ico there, a click on
#       "删除" must remove it again, and Esc must end the program with code 0.
#       With PINDREL_E2E_SHOTS set to a directory, a screenshot taken after
#       the drop is saved there.
#
# TESTS_DIR holds drag_files.exe and drop_window.exe. Exits 0 on success.
set -euo pipefail
mode=$1 wine_run=$2 tests=$3

# xdotool must talk to the display Wine uses. Without one, wine-run starts an
# Xvfb whose number comes from the prefix; pick the same one.
if [ -z "${DISPLAY:-}" ]; then
  prefix=${PINDREL_WINEPREFIX:-$(cd "$(dirname "$wine_run")/.." && pwd)/build/wineprefix}
  num=$(( 90 + $(printf '%s' "$prefix" | cksum | cut -d' ' -f1) % 400 ))
  # A first Wine call without a display makes wine-run start that Xvfb.
  "$wine_run" "$tests/drag_files.exe" --where --title "no such window" --timeout 0 >/dev/null 2>&1 || true
  export DISPLAY=:$num
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  # Park the pointer in the far corner, off any other test's window.
  read -r w h < <(xdotool getdisplaygeometry 2>/dev/null) && xdotool mousemove $(( w - 1 )) $(( h - 1 )) || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Waits until the X window with exactly this name exists; prints its id.
wait_window() {
  for _ in $(seq 150); do
    if id=$(xdotool search --name "^$1\$" 2>/dev/null | head -n1) && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Moves the pointer to (x, y) in a few steps, the way a hand would.
glide_to() {
  local x=$1 y=$2
  xdotool mousemove 5 5
  sleep 0.3
  for f in 1 2 3; do
    xdotool mousemove $(( x * f / 4 )) $(( y * f / 4 ))
    sleep 0.2
  done
  xdotool mousemove "$x" "$y"
}

# Drags the paths onto the window titled $1 (client origin $2 $3, pointer at
# client offset $4 $5) and waits for the drag to end.
drag_onto() {
  local title=$1 cx=$2 cy=$3 dx=$4 dy=$5
  shift 5
  timeout 60 "$wine_run" "$tests/drag_files.exe" --title "$title" --timeout 20000 "$@" >"$work/drag.out" 2>&1 &
  local drag=$!
  pids+=("$drag")
  # The drag starts with the pointer wherever it is; it must then enter the window.
  for _ in $(seq 50); do grep -q dragging "$work/drag.out" && break; sleep 0.2; done
  sleep 0.5
  glide_to $(( cx + dx )) $(( cy + dy ))
  wait "$drag" || { cat "$work/drag.out" >&2; fail "the drag was not dropped"; }
  cat "$work/drag.out"
}

client_origin() {
  "$wine_run" "$tests/drag_files.exe" --where --title "$1" --timeout 5000 | tr -d '\r' | awk '/^client/ {print $2, $3}'
}

case $mode in
window)
  title="Pindrel drop test $$"
  timeout 90 "$wine_run" "$tests/drop_window.exe" "$title" 'Z:'"${work//\//\\}"'\dropped.txt' 60000 \
    >"$work/window.out" 2>&1 &
  window=$!
  pids+=("$window")
  wait_window "$title" >/dev/null || fail "drop_window did not show its window"
  read -r cx cy < <(client_origin "$title")
  drag_onto "$title" "$cx" "$cy" 160 100 'C:\first\a.exe' 'C:\second\b.dll' 'C:\third\c.ico'
  wait "$window" || fail "drop_window saw no drop"
  printf 'C:\\first\\a.exe\r\nC:\\second\\b.dll\r\nC:\\third\\c.ico\r\n' >"$work/expected.txt"
  cmp "$work/expected.txt" "$work/dropped.txt" || fail "dropped text differs: $(od -c "$work/dropped.txt")"
  echo "PASS: three paths dragged across processes arrived with CR LF"
  ;;
pindrel)
  exe=$4 icon=$5
  mkdir -p "$work/run" "$work/source"
  cp "$exe" "$work/run/Pindrel.exe"
  cp "$icon" "$work/source/app.ico"
  source_path='Z:'"${work//\//\\}"'\source\app.ico'
  timeout 120 "$wine_run" "$work/run/Pindrel.exe" >"$work/pindrel.out" 2>&1 &
  app=$!
  pids+=("$app")
  id=$(wait_window Pindrel) || fail "Pindrel did not show its window"
  read -r cx cy < <(client_origin Pindrel)
  echo "Pindrel window $id, client area at $cx,$cy"

  # Dropped on the banner, away from the buttons.
  drag_onto Pindrel "$cx" "$cy" 160 30 "$source_path"

  # "提取" is 88 x 32 at (72, 144) of the client area, "删除" at (208, 144).
  sleep 0.5
  if [ -n "${PINDREL_E2E_SHOTS:-}" ]; then
    # For a person to look at: the window with the dropped path in its box.
    import -window "$id" "$PINDREL_E2E_SHOTS/after-drop.png" || true
  fi
  xdotool mousemove $(( cx + 116 )) $(( cy + 160 )) click 1
  for _ in $(seq 100); do [ -f "$work/run/1.ico" ] && break; sleep 0.2; done
  [ -f "$work/run/1.ico" ] || fail "no 1.ico after a click on the Extract button"
  [ ! -e "$work/run/2.ico" ] || fail "an icon file has only one group, yet 2.ico was written"
  echo "PASS: drop then Extract wrote 1.ico ($(stat -c %s "$work/run/1.ico") bytes)"

  xdotool mousemove $(( cx + 252 )) $(( cy + 160 )) click 1
  for _ in $(seq 50); do [ ! -e "$work/run/1.ico" ] && break; sleep 0.2; done
  [ ! -e "$work/run/1.ico" ] || fail "1.ico is still there after a click on the Delete button"
  [ -f "$work/source/app.ico" ] || fail "the dropped source file was lost"
  echo "PASS: Delete removed it, the source file is untouched"

  xdotool key --window "$id" Escape
  code=0
  wait "$app" || code=$?
  [ "$code" = 0 ] || fail "Pindrel ended with code $code after Esc"
  echo "PASS: Esc ended Pindrel with code 0"
  ;;
*)
  echo "usage: drag_e2e.sh window|pindrel WINE_RUN TESTS_DIR [PINDREL_EXE ICON]" >&2
  exit 2
  ;;
esac
