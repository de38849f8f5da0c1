#!/usr/bin/env bash
# Pindrel.exe under Wine and Xvfb, driven from the keyboard as a user would:
# the About window opened through the menu (Alt+G, then the entry), looked
# at, closed with Esc; then the main window closed with Esc, and the program
# must end with exit code 0.
#
#   about_e2e.sh WINE_RUN PINDREL_EXE [SHOTS_DIR]
#
# With SHOTS_DIR, screenshots are saved there first: the main window in each
# of the four interface styles (chosen through Alt+F) and the About window.
# Exits 0 on success.
set -euo pipefail
wine_run=$1 pindrel=$2 shots=${3:-}

work=$(mktemp -d)
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The program runs from a run directory of its own.
cp "$pindrel" "$work/Pindrel.exe"
"$wine_run" "$work/Pindrel.exe" >"$work/out.log" 2>&1 &
app=$!

# xdotool must talk to the display Wine uses. Without one, wine-run has
# started an Xvfb whose number comes from the prefix.
if [ -z "${DISPLAY:-}" ]; then
  prefix=${PINDREL_WINEPREFIX:-$(cd "$(dirname "$wine_run")/.." && pwd)/build/wineprefix}
  export DISPLAY=:$(( 90 + $(printf '%s' "$prefix" | cksum | cut -d' ' -f1) % 400 ))
fi

# Other programs on the display may show windows of the same names; only
# this process's count.
find_window() { xdotool search --all --onlyvisible --pid "$app" --name "^$1\$" 2>/dev/null | head -n1; }

# Waits until a visible X window of the program with exactly this name
# exists; prints its id.
wait_window() {
  for _ in $(seq 200); do
    if id=$(find_window "$1") && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    kill -0 "$app" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}

wait_gone() {
  for _ in $(seq 100); do
    [ -z "$(find_window "$1")" ] && return 0
    sleep 0.2
  done
  return 1
}

# Keys are typed as on a keyboard (XTEST) into the focused X window, which
# is the main window's from the start: without a window manager the focus is
# set directly, and Wine hands each key to the window that has the focus
# among its own (the About window while it is open). Keys sent to one X
# window with XSendEvent are not used, as Wine may hold them back.
press() {
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.8
  done
}

# A screenshot of one window, cut from the whole screen.
shoot() {
  local window=$1 file=$2
  eval "$(xdotool getwindowgeometry --shell "$window")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$file"
}

main=$(wait_window Pindrel) || fail "the main window did not appear"
sleep 2
xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
sleep 0.5
# Park the pointer away from the windows, so that nothing is drawn hot.
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
xdotool mousemove $(( screen_w - 1 )) $(( screen_h - 1 ))

if [ -n "$shots" ]; then
  mkdir -p "$shots"
  names=(none blue green silver)
  for n in 1 2 3 0; do
    downs=()
    for (( i = 0; i < n; i++ )); do downs+=(Down); done
    press alt+f "${downs[@]}" Return
    sleep 1
    shoot "$main" "$shots/main-style-$n-${names[$n]}.png"
  done
fi

# Alt+G opens "帮助(&G)"; its only entry, "关于", is the one highlighted.
press alt+g Return
about=$(wait_window '关于"Pindrel"') || fail "the About window did not open"
sleep 1
shot=$work/about.png
[ -n "$shots" ] && shot=$shots/about.png
shoot "$about" "$shot"
# Its background is the light blue of the description.
blue=$(convert "$shot" -format '%[pixel:p{20,60}]' info:)
case "$blue" in
  "srgb(128,128,255)" | "rgb(128,128,255)") ;;
  *) fail "the About window shows $blue where its background should be" ;;
esac

press Escape
wait_gone '关于"Pindrel"' || fail "Esc did not close the About window"
sleep 0.5
[ -n "$(find_window Pindrel)" ] || fail "the main window went with the About window"

press Escape
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$app" 2>/dev/null; then fail "Esc did not end the program"; fi
code=0
wait "$app" || code=$?
app=
[ "$code" = 0 ] || { cat "$work/out.log" >&2; fail "the program ended with code $code"; }
echo "about_e2e: ok"
