#!/usr/bin/env bash
# What the Windows build writes for nginx, checked by this machine's nginx:
# the configuration it renders from the template (paths as Windows spells
# them, without disable_symlinks) loads with `nginx -t` once its drive paths
# are mapped back to this machine's, and, served on a loopback port, the
# password file the program wrote itself lets in exactly the right user name
# and password, Chinese ones included. Leaves no process behind.
# Usage: windows_files_with_nginx.sh CROSS_BUILD_DIR NGINX
set -euo pipefail
build_dir=$1
nginx=$2
here=$(dirname "$(readlink -f "$0")")
writer=$build_dir/tests/share_files_writer.exe

work=$(mktemp -d)
nginx_pid=""
cleanup() {
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
  fi
  WINEPREFIX=$build_dir/wineprefix wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

install="$work/程序 (2)"
server_dir=$install/vomrixserver/server
shared="$work/共享 文件夹"
mkdir -p "$install" "$shared"
cp -r "$build_dir/vomrixserver" "$install/"
echo "a film" >"$shared/电影.txt"
share=电影
user='访客 "一" 100%'
password='密 码"50%off\'
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

# Wine's drive Z: is this machine's root; the names travel as UTF-8.
windows_path() { echo "Z:$1" | tr / '\\'; }
printf '%s\n' "$password" | LC_ALL=C.UTF-8 "$here/wine_run.sh" "$build_dir/wineprefix" "$writer" \
  "$(windows_path "$install")" "$(windows_path "$shared")" "$share" "$port" "$user" ||
  { echo "FAILED: the Windows build did not write the configuration and the password file"; exit 1; }

config=$server_dir/conf/nginx.conf
grep -q '"Z:/' "$config" || fail "the configuration holds no path as Windows spells it"
grep -q 'disable_symlinks' "$config" && fail "the Windows configuration holds disable_symlinks"
# Mapped: the drive's paths to this machine's, the port to the loopback address.
sed -i -e 's#"Z:/#"/#g' -e "s/listen $port;/listen 127.0.0.1:$port;/" "$config"
grep -q "listen 127.0.0.1:$port;" "$config" || fail "the configuration listens elsewhere than on port $port"
settings=("daemon off;")
[ "$(id -u)" -eq 0 ] && settings+=("user root root;")
nginx_command=("$nginx" -p "$server_dir/" -c conf/nginx.conf -e logs/error.log -g "${settings[*]}")

if ! "${nginx_command[@]}" -t -q; then
  echo "FAILED: nginx -t refuses the Windows configuration"
  exit 1
fi
echo "nginx -t: the Windows configuration loads"

"${nginx_command[@]}" & nginx_pid=$!
for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done

url="http://127.0.0.1:$port/$(python3 -c 'import urllib.parse, sys; print(urllib.parse.quote(sys.argv[1]))' "$share/电影.txt")"
# The status of a request for the file with the login user $1, password $2.
status() { curl -s -m 10 -o /dev/null -w '%{http_code}' -u "$1:$2" "$url"; }
[ "$(status "$user" "$password")" = 200 ] || fail "the right user name and password were refused"
[ "$(curl -s -m 10 -u "$user:$password" "$url")" = "a film" ] || fail "the file did not come through"
for wrong in "$user|${password}x" "$user|${password%?}" "$user|" "访客 \"一\" 10%|$password" "访客|$password"; do
  [ "$(status "${wrong%%|*}" "${wrong#*|}")" = 401 ] || fail "a wrong login got in: ${wrong/|/ / }"
done
[ "$(curl -s -m 10 -o /dev/null -w '%{http_code}' "$url")" = 401 ] || fail "no login got in"
[ $failures -eq 0 ] && echo "the password file lets in the right login alone"
exit $((failures > 0))
