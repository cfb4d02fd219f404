#!/usr/bin/env bash
# Installs everything VomraServer needs to build, run and test (from Debian's
# packages only), then configures and builds it into build/.
# Unattended and safe to run again.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  # build
  build-essential cmake pkg-config
  libwxgtk3.2-dev wx3.2-i18n
  # the message boxes are closed through GTK when the program is asked to end
  libgtk-3-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  nlohmann-json3-dev libstb-dev libgtest-dev libgmock-dev libdeflate-dev
  # the playback helper speaks HTTP to nginx through cpp-httplib
  libcpp-httplib-dev
  # the window's QR code of the share's address
  libqrencode-dev
  # the thumbnail benchmark compares the stills' encoder with libspng's
  libspng-dev
  # run: the web server, its password tool, the browser launcher, pgrep
  nginx apache2-utils xdg-utils procps
  # test: a virtual display with a tray, a CJK font, an HTTP client,
  # the tools that make the video fixtures and the benchmark's rivals
  xvfb xauth trayer x11-utils xdotool imagemagick fonts-wqy-microhei
  curl ffmpeg ffmpegthumbnailer
  # a QR code reader, which reads the window's code off a screenshot
  zbar-tools
  # the TV page's tests: a real browser and its driver, and an ECMAScript 5 parser
  chromium chromium-driver python3-selenium node-acorn
  # and WebKitGTK, a browser without HLS, with GStreamer's FFmpeg decoders
  # for its H.264, AAC and AC-3
  webkit2gtk-driver gstreamer1.0-libav
  # a window manager for the window tests and the screenshots: title bars,
  # focus and minimising, and no tray of its own
  jwm
  # the Windows build: MinGW-w64 cross compilers and windres, Wine to run the
  # tests, a Chinese locale for the run under a Chinese ANSI code page
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 locales
  # its wxWidgets and FFmpeg, built from Debian's source packages, and the
  # assembler of x264's hand-written assembly
  dpkg-dev make nasm
)

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# npm for the TV page's browser-side libraries: Debian's, unless Node.js
# came with its own.
command -v npm >/dev/null || missing+=(nodejs npm)
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine takes the ANSI code page from the locale: GB18030 gives code page 936.
if ! locale -a | grep -qix 'zh_CN.gb18030'; then
  $sudo localedef -i zh_CN -f GB18030 zh_CN.GB18030
fi
# The program's GTK texts (the folder chooser, stock buttons) come from
# GTK's Chinese catalogue, which needs a Chinese messages locale.
if ! locale -a | grep -qix 'zh_CN.utf8'; then
  $sudo localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

# The TV page's browser-side libraries (hls.js), as pinned in the lock file.
(cd res/tvpage-libs && npm ci --ignore-scripts --no-audit --no-fund)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

# The Windows build, whose tests the native suite runs under Wine. wxWidgets,
# FFmpeg and the libraries they need are built for Windows from Debian's
# source packages first, once: a cache folder outside the checkout keeps them.
scripts/windows-deps.sh
cmake --preset windows-cross
cmake --build --preset windows-cross
