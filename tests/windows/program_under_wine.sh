#!/usr/bin/env bash
# The Windows program itself under Wine, on a virtual display with a window
# manager, in a copy of its folder with stand-ins for nginx.exe (it listens;
# it comes in a zip laid out as nginx's) and htpasswd.exe that record their
# calls:
#   - it starts, and its window carries its title;
#   - a second start is refused with a message, and the first copy stays;
#   - Start without nginx.exe offers a chooser for nginx's zip; the zip
#     chosen there is unpacked into the server directory and the share starts;
#   - Start writes the password file itself, hashed, without htpasswd.exe,
#     runs the server in its job as the user's settings say, and Stop ends
#     the server;
#   - the Windows build's frame capture renders the same stills from the test
#     fixtures as the Linux build's (within what decoders may differ by).
# Text runs under the Chinese ANSI code page (936). Exit status 77 (skipped)
# when the cross build has no program: the Windows libraries are not built.
# Leaves no process behind. With VOMRA_WINDOWS_SCREENSHOT set to a PNG file's
# path, the main window as it first shows, framed, is written there (the
# README's docs/windows-main-window.png), and the box that Start without
# nginx.exe shows beside it, with "-nginx" added to the name.
# Usage: program_under_wine.sh SOURCE_DIR CROSS_BUILD_DIR NATIVE_STILL_RENDERER
set -euo pipefail
source_dir=$1
build_dir=$2
native_renderer=$3
here=$(dirname "$(readlink -f "$0")")
title='Vomra共享服务器-小白专用'

if [ -z "${VOMRA_WINE_DISPLAY:-}" ]; then
  export VOMRA_WINE_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
if [ ! -f "$build_dir/VomraServer.exe" ]; then
  echo "no VomraServer.exe in $build_dir (scripts/windows-deps.sh has not built the Windows libraries)"
  exit 77
fi

export WINEPREFIX=$build_dir/wineprefix-display
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
pids=()
failures=0
cleanup() {
  wineserver -k 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
# Runs a Windows program under the Chinese ANSI code page.
wine_chinese() { LC_ALL=zh_CN.GB18030 wine "$@"; }

# A prefix of its own with Wine's X11 display driver (the library tests' prefix
# is headless); made once, which takes a while.
if [ ! -f "$WINEPREFIX/.made" ]; then
  timeout 300 wine wineboot --init
  wineserver -w
  touch "$WINEPREFIX/.made"
fi

# The program's windows whose title is exactly $1 (UTF-8), one per line.
windows_titled() {
  local window
  for window in $(xdotool search --name . 2>/dev/null); do
    if [ "$(xprop -id "$window" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')" = "$1" ]; then
      echo "$window"
    fi
  done
}
# Waits up to $2 seconds for a window titled $1 and prints it.
wait_for_window() {
  local found
  for _ in $(seq $(($2 * 5))); do
    found=$(windows_titled "$1" | head -1)
    if [ -n "$found" ]; then echo "$found"; return 0; fi
    sleep 0.2
  done
  return 1
}

jwm -f "$source_dir/tests/app/data/jwmrc" & pids+=($!)

# --- The program's window and a second start ----------------------------------

install=$work/安装
mkdir -p "$install"
cp "$build_dir/VomraServer.exe" "$build_dir/tutorial.html" "$install/"
cp -r "$build_dir/vomrixserver" "$install/"
server_dir=$install/vomrixserver/server
# No nginx.exe: Start offers to take it out of nginx's zip, which holds the
# stand-in as nginx's own zip holds nginx.exe.
/usr/bin/python3 - "$work/nginx-1.26.2.zip" "$build_dir/tests/serving_stand_in.exe" <<'PYTHON'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as zip:
    zip.writestr("nginx-1.26.2/conf/nginx.conf", "worker_processes 1;\r\n")
    zip.write(sys.argv[2], "nginx-1.26.2/nginx.exe")
PYTHON
# An htpasswd.exe that a user might have placed, as older versions wanted:
# the program must leave it alone.
cp "$build_dir/tests/recording_stand_in.exe" "$server_dir/htpasswd.exe"
# Wine reads the names of the build machine's files in the locale's encoding:
# under GB18030 a folder the program knows as "共享" carries that name's
# GB18030 bytes.
mkdir "$work/$(printf 共享 | iconv -f UTF-8 -t GB18030)"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
windows_share=$(echo "Z:$work/共享" | tr / '\\' | sed 's/\\/\\\\/g')
# A double quote and "%" in the user name and password, to reach the
# password file as typed.
printf '{"DF": "%s", "m": 5, "name": "电影", "pass": "%s", "port": %d, "user": "%s"}' \
  "$windows_share" '密码\"50%off' "$port" '访\"客 100%' >"$install/vomra.data"

# The window $1 with its frame, as a PNG file $2, once it has settled.
screenshot() {
  local frame geometry
  sleep 2
  frame=$(xwininfo -tree -id "$1" | awk '/Parent window id/ {print $4}')
  geometry=$(xwininfo -id "$frame" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
    /Width:/ {w=$NF} /Height:/ {h=$NF} END {printf "%dx%d+%d+%d", w, h, x, y}')
  /usr/bin/import -window root -crop "$geometry" +repage "$2"
}

wine_chinese "$install/VomraServer.exe" & first=$!
pids+=($first)
if main=$(wait_for_window "$title" 90); then
  echo "window: \"$title\""
  [ -n "${VOMRA_WINDOWS_SCREENSHOT:-}" ] && screenshot "$main" "$VOMRA_WINDOWS_SCREENSHOT"
else
  fail "no window titled \"$title\""
fi

if [ -n "${main:-}" ]; then
  wine_chinese "$install/VomraServer.exe" & second=$!
  if wait_for_window '提示' 60 >/dev/null; then
    # Answered with Enter, typed into the message once it has the focus; Wine
    # may replace the window it first showed, so the message is looked up
    # afresh until the second copy has ended.
    for _ in $(seq 20); do
      for notice in $(windows_titled '提示'); do
        xdotool windowactivate --sync "$notice" key Return 2>/dev/null || true
      done
      sleep 0.5
      kill -0 "$second" 2>/dev/null || break
    done
    if kill -0 "$second" 2>/dev/null; then
      fail "the second copy did not end once its message was answered"
      kill "$second" 2>/dev/null || true
    fi
  else
    fail "a second start showed no message"
  fi
  wait "$second" 2>/dev/null || true
  kill -0 "$first" 2>/dev/null || fail "the first copy ended when a second one started"
  [ "$(windows_titled "$title" | wc -l)" -eq 1 ] || fail "not exactly one main window after a second start"
fi

# --- Start and Stop ------------------------------------------------------------

port_answers() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }
click() { wine "$build_dir/tests/button_clicker.exe" "$title" "$1"; }
# The arguments of the calls recorded in $1, one call per line.
calls() { [ -f "$1" ] && awk '/^call$/ {line = ""} /^arg / {line = line " " substr($0, 5)} /^end$/ {print line}' "$1"; }

# Start without nginx.exe: the box offers the zip's chooser, the zip typed
# into it is unpacked, and the share starts.
choose_nginx_zip() {
  local box chooser
  box=$(wait_for_window '警告' 30) || { fail "Start without nginx.exe: no box"; return 1; }
  [ -n "${VOMRA_WINDOWS_SCREENSHOT:-}" ] && screenshot "$box" "${VOMRA_WINDOWS_SCREENSHOT%.png}-nginx.png"
  wine "$build_dir/tests/button_clicker.exe" '警告' '选择 zip…' || { fail "the box offers no zip"; return 1; }
  chooser=$(wait_for_window '选择下载的 nginx Windows 版 zip 文件' 30) || { fail "no chooser for the zip"; return 1; }
  sleep 1
  xdotool windowactivate --sync "$chooser" type --delay 20 "$(echo "Z:$work/nginx-1.26.2.zip" | tr / '\\')"
  xdotool key --window "$chooser" Return
}

if [ -n "${main:-}" ]; then
  if click '启动共享服务'; then
    if choose_nginx_zip; then
      for _ in $(seq 50); do [ -f "$server_dir/nginx.exe" ] && break; sleep 0.2; done
      if cmp -s "$server_dir/nginx.exe" "$build_dir/tests/serving_stand_in.exe"; then
        echo "Start without nginx.exe: the zip chosen in the box's chooser gave nginx.exe"
      else
        fail "Start without nginx.exe: the zip's nginx.exe was not placed"
      fi
      [ -z "$(find "$install" -name 'nginx-1.26.2*')" ] || fail "more than nginx.exe was unpacked"
    fi
    for _ in $(seq 100); do port_answers && break; sleep 0.2; done
    if port_answers; then
      echo "Start: the server answers on port $port"
    else
      fail "Start: no server on port $port (the screen is in $build_dir/program_under_wine_start.png)"
      /usr/bin/import -window root "$build_dir/program_under_wine_start.png"
    fi
    [ -f "$server_dir/htpasswd.exe.calls" ] && fail "Start: htpasswd.exe was run"
    grep -qx '访"客 100%:{SSHA}[A-Za-z0-9+/]\{38\}==' "$server_dir/.htpasswd" ||
      fail "Start: the password file does not hold the user with a salted SHA-1 hash: $(cat "$server_dir/.htpasswd")"
    grep -q '50%off' "$server_dir/.htpasswd" && fail "Start: the password file holds the password itself"
    calls "$server_dir/nginx.exe.calls" | grep -qx "" || fail "Start: the server was not started without arguments"
    grep -qx "cwd .*vomrixserver.server" "$server_dir/nginx.exe.calls" ||
      fail "Start: the server did not run in the server directory"
    click '停止共享服务' || fail "no Stop button"
    for _ in $(seq 50); do port_answers || break; sleep 0.2; done
    if port_answers; then fail "Stop: the server still answers"; else echo "Stop: the server has ended"; fi
    pgrep -f "$server_dir/nginx.exe" >/dev/null && fail "Stop: a server process remains"
  else
    fail "no Start button"
  fi
fi

# --- The stills of the test fixtures, Windows against Linux -------------------

# Every fixture of a kind the program accepts, whether or not it gives a
# still: those that give none on Linux must give none on Windows either.
fixtures=()
for video in "$source_dir"/tests/data/*.{mp4,mkv,avi,mov,flv,wmv,m4v,mpeg,mpg,ts,webm}; do
  case $(basename "$video") in *[!A-Za-z0-9._-]*) continue ;; esac
  fixtures+=("$video")
done
"$native_renderer" "$work/linux" "${fixtures[@]}" >/dev/null 2>&1 || true
windows_fixtures=()
for video in "${fixtures[@]}"; do windows_fixtures+=("Z:$video"); done
wine_chinese "$build_dir/tests/still_renderer.exe" "Z:$work/windows" "${windows_fixtures[@]}" >/dev/null 2>&1 || true

# Decoders and scalers built with and without hand-written assembly may differ
# by a level here and there; a wrong frame, a wrong scale or a wrong colour
# space differs by far more.
mean_error_limit=0.01
compared=0
for video in "${fixtures[@]}"; do
  still=$(basename "$video").png
  if [ ! -f "$work/linux/$still" ]; then
    [ -f "$work/windows/$still" ] && fail "$still: rendered on Windows, not on Linux"
    continue
  fi
  if [ ! -f "$work/windows/$still" ]; then
    fail "$still: rendered on Linux, not on Windows"
    continue
  fi
  linux_size=$(/usr/bin/identify -format '%wx%h' "$work/linux/$still")
  windows_size=$(/usr/bin/identify -format '%wx%h' "$work/windows/$still")
  if [ "$linux_size" != "$windows_size" ]; then
    fail "$still: $windows_size on Windows, $linux_size on Linux"
    continue
  fi
  error=$(/usr/bin/compare -metric MAE "$work/linux/$still" "$work/windows/$still" null: 2>&1 |
    sed -n 's/.*(\(.*\))$/\1/p')
  echo "still $still: $windows_size, mean error $error"
  awk -v e="$error" -v limit=$mean_error_limit 'BEGIN { exit !(e != "" && e <= limit) }' ||
    fail "$still: mean error ${error:-unknown} above $mean_error_limit"
  compared=$((compared + 1))
done
[ "$compared" -ge 10 ] || fail "only $compared stills compared"

if [ "$failures" -gt 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all passed"
