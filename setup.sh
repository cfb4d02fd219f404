#!/usr/bin/env bash
# Installs what VomraServer needs (from Debian's packages only), then
# configures and builds it into build/. Unattended and safe to run again.
#
# Usage: setup.sh [--tests]
#   (nothing)  the Linux program alone: what builds and runs it
#   --tests    also the whole test suite: its tools, browsers and virtual
#              display, and the Windows build the suite runs under Wine
#              (MinGW-w64, Wine, and wxWidgets and FFmpeg cross-built from
#              Debian's sources into a cache folder, which takes a while once)
set -euo pipefail
cd "$(dirname "$0")"

tests=false
case "${1:-}" in
  "") ;;
  --tests) tests=true ;;
  *)
    echo "usage: $0 [--tests]" >&2
    exit 2
    ;;
esac

packages=(
  # build
  build-essential cmake pkg-config
  libwxgtk3.2-dev wx3.2-i18n
  # the message boxes are closed through GTK when the program is asked to end
  libgtk-3-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  nlohmann-json3-dev libstb-dev libdeflate-dev
  # the playback helper speaks HTTP to nginx through cpp-httplib
  libcpp-httplib-dev
  # the window's QR code of the share's address
  libqrencode-dev
  # the zip reader that takes nginx.exe out of nginx's Windows zip (the
  # Windows program's own step; its tests run here too)
  libminizip-dev
  # run: the web server, its password tool, the browser launcher, pgrep
  nginx apache2-utils xdg-utils procps
  # a font for the window's Chinese texts, and the Chinese messages locale
  # GTK's own texts need
  fonts-wqy-microhei locales
)
test_packages=(
  libgtest-dev libgmock-dev
  # the thumbnail benchmark compares the stills' encoder with libspng's
  libspng-dev
  # a virtual display with a tray, an HTTP client,
  # the tools that make the video fixtures and the benchmark's rivals
  xvfb xauth trayer x11-utils xdotool imagemagick
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
  # tests (under a Chinese ANSI code page too, from a locale made below)
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64
  # its wxWidgets and FFmpeg, built from Debian's source packages, and the
  # assembler of x264's hand-written assembly
  dpkg-dev make nasm
  # the Windows installer
  nsis
)
$tests && packages+=("${test_packages[@]}")

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
if $tests && ! locale -a | grep -qix 'zh_CN.gb18030'; then
  $sudo localedef -i zh_CN -f GB18030 zh_CN.GB18030
fi
# The program's GTK texts (the folder chooser, stock buttons) come from
# GTK's Chinese catalogue, which needs a Chinese messages locale.
if ! locale -a | grep -qix 'zh_CN.utf8'; then
  $sudo localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

# The TV page's browser-side libraries (hls.js), as pinned in the lock file.
(cd res/tvpage-libs && npm ci --ignore-scripts --no-audit --no-fund)

# The test programs and benchmarks are built only for the suite.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOMRA_BUILD_TESTS=$tests -DVOMRA_BUILD_BENCH=$tests
cmake --build build -j "$(nproc)"
$tests || exit 0

# The Windows build, whose tests the native suite runs under Wine. wxWidgets,
# FFmpeg and the libraries they need are built for Windows from Debian's
# source packages first, once: a cache folder outside the checkout keeps them.
scripts/windows-deps.sh
cmake --preset windows-cross
cmake --build --preset windows-cross
