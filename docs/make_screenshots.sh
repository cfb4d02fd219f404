#!/usr/bin/env bash
# Takes the README's screenshots: the main window filled with sample settings
# and the About box, under a virtual display with a plain window manager.
#   docs/make_screenshots.sh [build dir]   (writes docs/main-window.png, docs/about-box.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)

if [ -z "${VOMRA_SCREENSHOT_DISPLAY:-}" ]; then
  export VOMRA_SCREENSHOT_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program with sample settings beside it, and its own lock.
cp "$build/VomraServer" "$build/tutorial.html" "$work/"
printf '{\n    "DF": "/home/user/视频",\n    "m": 5,\n    "name": "电影",\n    "pass": "secret",\n    "port": 8080,\n    "user": "guest"\n}' > "$work/vomra.data"
export XDG_RUNTIME_DIR="$work/runtime" NO_AT_BRIDGE=1
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The program's window whose title contains $1, waiting for it to appear.
find_window() {
  for _ in $(seq 50); do
    for window in $(xdotool search --class VomraServer 2>/dev/null); do
      if xprop -id "$window" _NET_WM_NAME | grep -q "$1"; then echo "$window"; return; fi
    done
    sleep 0.2
  done
  echo "no window titled $1" >&2
  return 1
}

# Writes the window $1 with the window manager's frame around it to $2.
capture() {
  local frame geometry
  frame=$(xwininfo -tree -id "$1" | awk '/Parent window id/ {print $4}')
  geometry=$(xwininfo -id "$frame" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
  import -window root -crop "$geometry" +repage "$2"
}

jwm -f "$root/tests/app/data/jwmrc" & pids+=($!)
sleep 1
"$work/VomraServer" & pids+=($!)

main=$(find_window 'Vomra共享服务器')
# A click on the window's background lets the window manager finish its frame.
sleep 1
xdotool mousemove --window "$main" 3 3 click 1 mousemove 1000 700
sleep 1
capture "$main" "$root/docs/main-window.png"

# The About item sits in the menu of a right click on the window's background.
xdotool mousemove --window "$main" 12 200 click 3
sleep 1
xdotool key Down Return
about=$(find_window '关于 VomraServer')
sleep 1
capture "$about" "$root/docs/about-box.png"
echo "wrote docs/main-window.png and docs/about-box.png"
