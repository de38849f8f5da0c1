#!/usr/bin/env bash
# Pindrel.exe started as a user starts it, from a fresh run directory, under
# Wine on an Xvfb display of its own (no other test's window can cover it):
# the window must appear centred with its banner, the red hint, a white path
# box and a greyed "提取", and Esc must end the program with code 0. The same
# again with command-line arguments, which the program ignores.
#
#   gui_e2e.sh WINE_RUN TESTS_DIR PINDREL_EXE [SHOT_DIR]
#
# TESTS_DIR holds drag_files.exe, whose --where tells the client area's
# position. With SHOT_DIR, the screenshots are kept there for a person.
set -euo pipefail
wine_run=$1 tests=$2 exe=$3 shots=${4:-}

work=$(mktemp -d)
xvfb=
app=
cleanup() {
  if [ -n "$app" ]; then kill "$app" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display")

# Up to a minute: Wine may be starting its prefix, and the machine busy.
wait_window() {
  for _ in $(seq 300); do
    if id=$(xdotool search --name '^Pindrel$' 2>/dev/null | head -n1) && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    kill -0 "$app" 2>/dev/null || break
    sleep 0.2
  done
  cat "$work/app.out" >&2
  return 1
}

# Looks at the screenshot in client coordinates; prints what is wrong.
check_pixels() {
  convert "$1" -depth 8 rgb:"$work/shot.rgb"
  python3 - "$work/shot.rgb" "$2" "$3" "$4" <<'EOF'
import sys
path, width, cx, cy = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
data = open(path, "rb").read()

def px(x, y):
    o = ((cy + y) * width + cx + x) * 3
    return tuple(data[o:o + 3])

def region(x0, y0, x1, y1):
    return [px(x, y) for y in range(y0, y1) for x in range(x0, x1)]

white, problems = (255, 255, 255), []
background = px(300, 100)  # beside the hint, nothing but the window
if background == white:
    problems.append(f"the window's background is white")
# The banner: drawn from the picture box's corner (3, 1); its left 17 columns
# are white, the lettering black, and the box's two bottom rows show the
# background below the 46 rows of the picture.
if any(p != white for p in region(3, 1, 20, 47)):
    problems.append("the banner's left margin is not white")
dark = sum(1 for p in region(20, 6, 331, 45) if max(p) < 80)
if dark < 500:
    problems.append(f"only {dark} dark pixels of lettering in the banner")
if px(100, 46) != white or px(100, 47) != background or px(100, 48) != background:
    problems.append(f"banner rows 45..47: {px(100, 46)} {px(100, 47)} {px(100, 48)}")
# The hint is red; the path box is white.
if not any(r > 180 and g < 90 and b < 90 for r, g, b in region(115, 80, 267, 104)):
    problems.append("no red in the hint label")
if px(100, 124) != white:
    problems.append(f"path box inside is {px(100, 124)}")
# "提取" greyed, "删除" in black: the darkest pixel inside each button.
extract = min(sum(p) for p in region(78, 152, 154, 168))
delete = min(sum(p) for p in region(214, 152, 290, 168))
if extract < 3 * 80:
    problems.append(f"the Extract button's text is not grey (darkest sum {extract})")
if delete > 3 * 60:
    problems.append(f"the Delete button's text is not black (darkest sum {delete})")
for p in problems:
    print(p)
sys.exit(1 if problems else 0)
EOF
}

run() {
  local label=$1
  shift
  rm -rf "$work/run"
  mkdir -p "$work/run"
  cp "$exe" "$work/run/Pindrel.exe"
  timeout 90 "$wine_run" "$work/run/Pindrel.exe" "$@" >"$work/app.out" 2>&1 &
  app=$!
  local id cx cy
  id=$(wait_window) || fail "$label: no window titled Pindrel"
  read -r cx cy < <("$wine_run" "$tests/drag_files.exe" --where --title Pindrel --timeout 5000 |
    tr -d '\r' | awk '/^client/ {print $2, $3}')
  [ -n "$cy" ] || fail "$label: the client area was not found"
  # Centred: the outer window is 346 x 234, its frame 3 pixels wide.
  [ "$cx" = $(((1024 - 346) / 2 + 3)) ] || fail "$label: client area at x $cx, not centred"
  sleep 1
  import -window root "$work/shot.png"
  if [ -n "$shots" ]; then cp "$work/shot.png" "$shots/gui-e2e-$label.png"; fi
  check_pixels "$work/shot.png" 1024 "$cx" "$cy" || fail "$label: the window does not look as it should"
  echo "PASS: $label: the window looks right"

  # Without a window manager Wine activates no window by itself, and keys go
  # to Wine's active window: a click on the banner makes it ours. A click is
  # now and then not taken, hence a few tries.
  for _ in 1 2 3; do
    xdotool mousemove 0 0
    sleep 0.2
    xdotool mousemove $((cx + 160)) $((cy + 25)) click 1
    sleep 0.5
    xdotool key --window "$id" Escape 2>/dev/null
    for _ in $(seq 40); do
      kill -0 "$app" 2>/dev/null || break 2
      sleep 0.25
    done
  done
  local code=0
  wait "$app" || code=$?
  app=
  [ "$code" = 0 ] || fail "$label: exit code $code after Esc"
  echo "PASS: $label: Esc ended the program with code 0"
}

run plain
run arguments extra.dll /x "--flag with spaces"
