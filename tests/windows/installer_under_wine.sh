#!/usr/bin/env bash
# Runs the Windows installer silently in the cross build's Wine prefix:
# checks that it put the same folder as the zip's in the user's own
# AppData\Local\VomraServer with an uninstaller and a Start-menu entry; then,
# with files there as the program makes them and one the user added, runs
# the uninstaller silently and checks that it took away all but the user's
# file. Leaves no Wine process behind.
# Usage: installer_under_wine.sh CROSS_BUILD_DIR
set -euo pipefail
build_dir=$1
here=$(dirname "$(readlink -f "$0")")
prefix=$build_dir/wineprefix
installer=$build_dir/VomraServer-windows-x64-setup.exe
folder=$build_dir/windows-folder/VomraServer

export WINEPREFIX=$prefix
end_wine() { wineserver -k 2>/dev/null || true; }
trap end_wine EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
if [ ! -f "$installer" ]; then
  echo "no installer: the cross build made none (makensis missing)"
  exit 77
fi
wine() { "$here/wine_run.sh" "$prefix" "$@"; }
# A Windows folder of the user's, as a path here.
user_folder() { wine winepath -u "$(wine cmd /c echo "%$1%" | tr -d '\r')" | tr -d '\r'; }
files_below() { (cd "$1" && find . -mindepth 1 | sort); }

dir=$(user_folder LOCALAPPDATA)/VomraServer
shortcut="$(user_folder APPDATA)/Microsoft/Windows/Start Menu/Programs/Vomra共享服务器.lnk"
rm -rf "$dir" "$shortcut"

wine "$installer" /S
wineserver -w
[ -f "$dir/VomraServer.exe" ] || fail "no VomraServer.exe in $dir"
[ -f "$dir/vomrixserver/server/conf/nginx.confbak" ] || fail "no server directory in $dir"
[ -f "$dir/uninstall.exe" ] || fail "no uninstaller"
[ -f "$shortcut" ] || fail "no Start-menu entry"
diff <(files_below "$folder") <(files_below "$dir" | grep -vx './uninstall.exe') ||
  fail "the installed folder differs from the zip's"

# What the program makes beside itself, and a file of the user's.
server=$dir/vomrixserver/server
echo '{}' >"$dir/vomra.data"
cp "$dir/VomraServer.exe" "$server/nginx.exe"
echo 'guest:{SSHA}x' >"$server/.htpasswd"
echo 'events {}' >"$server/conf/nginx.conf"
mkdir -p "$server/logs" "$server/temp/playback"
echo 'started' >"$server/logs/error.log"
echo 'mine' >"$dir/my notes.txt"

# The uninstaller copies itself elsewhere and runs from there: it has ended
# once every Wine process has.
wine "$dir/uninstall.exe" /S
timeout 60 wineserver -w || fail "the uninstaller did not end"
[ "$(files_below "$dir")" = "./my notes.txt" ] || fail "the uninstaller left: $(files_below "$dir")"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is left"
rm -rf "$dir"
echo "installed, checked and uninstalled"
