#!/usr/bin/env bash
# Takes the README's screenshots: the main window filled with sample settings
# and the About box, under a virtual display with a plain window manager; or
# the Windows program's main window under Wine, under code page 936.
#   docs/make_screenshots.sh [build dir]   (writes docs/main-window.png, docs/about-box.png)
#   docs/make_screenshots.sh --windows [cross build dir]   (writes docs/windows-main-window.png)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
windows=false
if [ "${1:-}" = --windows ]; then
  windows=true
  shift
fi
$windows && default_build=$root/build-windows || default_build=$root/build
build=$(cd "${1:-$default_build}" && pwd)

if [ -z "${VOMRA_SCREENSHOT_DISPLAY:-}" ]; then
  export VOMRA_SCREENSHOT_DISPLAY=1
  $windows && set -- --windows "$build" || set -- "$build"
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
  if $windows; then wineserver -k 2>/dev/null || true; fi
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program with sample settings beside it, and its own lock.
if $windows; then
  cp "$build/VomraServer.exe" "$build/tutorial.html" "$work/"
  shared_folder='C:\\Users\\user\\视频'
  # The display prefix of the Windows program's test (made there if need be).
  export WINEPREFIX=$build/wineprefix-display WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [ -f "$WINEPREFIX/.made" ] || { wine wineboot --init && wineserver -w && touch "$WINEPREFIX/.made"; }
else
  cp "$build/VomraServer" "$build/tutorial.html" "$work/"
  shared_folder=/home/user/视频
fi
printf '{\n    "DF": "%s",\n    "m": 5,\n    "name": "电影",\n    "pass": "secret",\n    "port": 8080,\n    "user": "guest"\n}' "$shared_folder" > "$work/vomra.data"
export XDG_RUNTIME_DIR="$work/runtime" NO_AT_BRIDGE=1
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The program's window whose title contains $1, waiting for it to appear.
find_window() {
  for _ in $(seq 150); do
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
if $windows; then
  LC_ALL=zh_CN.GB18030 wine "$work/VomraServer.exe" & pids+=($!)
else
  "$work/VomraServer" & pids+=($!)
fi

main=$(find_window 'Vomra共享服务器')
# A click on the window's background lets the window manager finish its frame.
sleep 1
xdotool mousemove --window "$main" 3 3 click 1 mousemove 1000 700
sleep 1
if $windows; then
  capture "$main" "$root/docs/windows-main-window.png"
  echo "wrote docs/windows-main-window.png"
  exit 0
fi
capture "$main" "$root/docs/main-window.png"

# The About item sits in the menu of a right click on the window's background.
xdotool mousemove --window "$main" 12 200 click 3
sleep 1
xdotool key Down Return
about=$(find_window '关于 VomraServer')
sleep 1
capture "$about" "$root/docs/about-box.png"
echo "wrote docs/main-window.png and docs/about-box.png"
