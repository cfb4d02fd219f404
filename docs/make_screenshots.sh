#!/usr/bin/env bash
# Takes the README's screenshots, and the same set at a 125 % font to check
# the layout, under a virtual display with a plain window manager and a tray:
#   docs/make_screenshots.sh [build dir]
# writes, in docs/, for the default font and (with "-125") the 125 % one:
#   main-window.png     the window sharing a folder of three videos, with
#                       the QR code of its address
#   tray-menu.png       the tray icon's right-click menu over the tray
#   folder-chooser.png  the 浏览… button's folder chooser
#   message-box.png     the message of a Start that failed (a missing folder)
#   failed-start.png    the window after it, its status line saying why
#   about-box.png       the About box
#   share-warning.png   (run as root) a share with a subfolder the program
#                       may not read, run as "nobody"
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)

if [ -z "${VOMRA_SCREENSHOT_DISPLAY:-}" ]; then
  export VOMRA_SCREENSHOT_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$build"
fi

work=$(mktemp -d)
pids=()
program=""
cleanup() {
  [ -n "$program" ] && kill "$program" 2>/dev/null
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A copy of the program with its server directory and its own lock, and a
# folder of three videos to share.
cp -r "$build/VomraServer" "$build/tutorial.html" "$build/vomrixserver" "$work/"
mkdir -p "$work/视频/剧集"
cp "$root/tests/data/clip.mp4" "$work/视频/电影.mp4"
cp "$root/tests/data/clip.mkv" "$work/视频/剧集/第一集.mkv"
cp "$root/tests/data/中文视频.mp4" "$work/视频/剧集/第二集.mp4"
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
export XDG_RUNTIME_DIR="$work/runtime" NO_AT_BRIDGE=1
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The newest program window whose title contains $1, waiting for it to appear.
find_window() {
  for _ in $(seq 50); do
    local found
    found=$(for window in $(xdotool search --class VomraServer 2>/dev/null); do
      xprop -id "$window" _NET_WM_NAME | grep -q "$1" && echo "$window"
    done | sort -n | tail -1)
    if [ -n "$found" ]; then echo "$found"; return; fi
    sleep 0.2
  done
  echo "no window titled $1" >&2
  return 1
}

# Waits until a window other than the main one $1 holds the focus, and prints it.
wait_for_other_window() {
  for _ in $(seq 50); do
    local focus
    focus=$(xdotool getwindowfocus 2>/dev/null || true)
    if [ -n "$focus" ] && [ "$focus" != "$1" ] && xprop -id "$focus" WM_CLASS 2>/dev/null | grep -q VomraServer; then
      echo "$focus"; return
    fi
    sleep 0.2
  done
  echo "no second window" >&2
  return 1
}

# Writes the window $1 with the window manager's frame around it to $2.
capture() {
  local frame geometry
  frame=$(xwininfo -tree -id "$1" | awk '/Parent window id/ {print $4}')
  geometry=$(xwininfo -id "$frame" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
  /usr/bin/import -window root -crop "$geometry" +repage "$2"
}

# A right click on the window $1's background, left of the status line.
right_click_background() {
  local height
  height=$(xwininfo -id "$1" | awk '/Height:/ {print $NF}')
  xdotool mousemove --window "$1" 5 $((height * 104 / 156)) click 3
  sleep 1
}

# One run of the program at the font scale $1, writing the screenshots with
# the suffix $2.
shoot() {
  local scale=$1 suffix=$2
  printf '{\n    "DF": "%s",\n    "m": 5,\n    "name": "电影",\n    "pass": "secret",\n    "port": %d,\n    "user": "guest"\n}' \
    "$work/视频" "$port" > "$work/vomra.data"
  GDK_DPI_SCALE=$scale "$work/VomraServer" &
  program=$!
  local main
  main=$(find_window 'Vomra共享服务器')
  sleep 1
  # The folder box has the focus: Enter in it starts the share.
  xdotool key Return
  sleep 3
  xdotool mousemove 1000 700
  capture "$main" "$root/docs/main-window$suffix.png"

  # The tray icon is the first one in the top left corner.
  xdotool mousemove 16 16 click 3
  sleep 1
  /usr/bin/import -window root -crop 260x165+0+0 +repage "$root/docs/tray-menu$suffix.png"
  xdotool key Escape
  sleep 0.5

  # 浏览… is next to the folder box in the tab order.
  xdotool mousemove --window "$main" 3 3 click 1
  xdotool key Tab space
  local chooser
  chooser=$(find_window '选择要共享的文件夹')
  sleep 1
  capture "$chooser" "$root/docs/folder-chooser$suffix.png"
  xdotool key Escape
  sleep 1

  # A missing folder in the box (back from 浏览…), then Stop (five tab
  # stops on, as Start is greyed out) and Start, which takes the focus.
  xdotool key shift+Tab ctrl+a
  xdotool type --delay 20 "/nonexistent/videos"
  xdotool key Tab Tab Tab Tab Tab space
  sleep 1
  xdotool key Return
  local box
  box=$(wait_for_other_window "$main")
  sleep 1
  capture "$box" "$root/docs/message-box$suffix.png"
  xdotool key Return
  sleep 1
  capture "$main" "$root/docs/failed-start$suffix.png"

  # The About item sits in the menu of a right click on the window's background.
  right_click_background "$main"
  xdotool key Down Return
  local about
  about=$(find_window '关于 VomraServer')
  sleep 1
  capture "$about" "$root/docs/about-box$suffix.png"
  xdotool key Return
  sleep 0.5

  kill "$program"
  wait "$program" 2>/dev/null || true
  program=""
}

# A share whose folder holds a subfolder the program may not read, at the
# font scale $1, as the user "nobody" (permissions do not hold back root):
# the status line's second line then names the folder.
shoot_warning() {
  local scale=$1 suffix=$2 other="$work/nobody"
  mkdir -p "$other/runtime" "$other/视频/私密"
  cp -r "$work/VomraServer" "$work/tutorial.html" "$work/vomrixserver" "$work/视频" "$other/"
  cp "$root/tests/data/clip.mp4" "$other/视频/私密/"
  printf '{\n    "DF": "%s",\n    "m": 5,\n    "name": "电影",\n    "pass": "secret",\n    "port": %d,\n    "user": "guest"\n}' \
    "$other/视频" "$port" > "$other/vomra.data"
  cp "$XAUTHORITY" "$other/xauthority"
  chown -R nobody: "$other"
  chmod 700 "$other/runtime"
  chmod 000 "$other/视频/私密"
  chmod 711 "$work"
  XDG_RUNTIME_DIR="$other/runtime" XAUTHORITY="$other/xauthority" HOME="$other" GDK_DPI_SCALE=$scale \
    setpriv --reuid=nobody --regid=nogroup --clear-groups "$other/VomraServer" &
  program=$!
  local main
  main=$(find_window 'Vomra共享服务器')
  sleep 1
  xdotool key Return
  wait_for_other_window "$main" >/dev/null
  sleep 2
  xdotool key Return
  sleep 1
  xdotool mousemove 1000 700
  capture "$main" "$root/docs/share-warning$suffix.png"
  kill "$program"
  wait "$program" 2>/dev/null || true
  program=""
  chmod -R u+rwx "$other"
  rm -rf "$other"
}

jwm -f "$root/tests/app/data/jwmrc" & pids+=($!)
trayer --edge top --align left --widthtype request --height 32 --SetDockType false --SetPartialStrut false &
pids+=($!)
sleep 1
shoot 1 ""
shoot 1.25 "-125"
echo "wrote docs/{main-window,tray-menu,folder-chooser,message-box,failed-start,about-box}{,-125}.png"
if [ "$(id -u)" -eq 0 ]; then
  shoot_warning 1 ""
  shoot_warning 1.25 "-125"
  echo "wrote docs/share-warning{,-125}.png"
fi
