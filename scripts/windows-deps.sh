#!/usr/bin/env bash
# Cross-builds the libraries the Windows program needs beyond MinGW-w64's own
# from Debian's source packages, static, for 64-bit Windows, into cache
# folders outside the checkout, in four groups: wxWidgets' MSW port with the
# zlib and libpng its PNG loading needs, FFmpeg's decoding half with the
# encoders the playback helper needs (x264's H.264 encoder among them) and
# libdeflate, cpp-httplib's single header (Debian's own package splits it
# into a header and a Linux library), libqrencode, and minizip (the zip
# reader in zlib's contrib/) with a zlib of its own.
#
# Each group's folder is named by a hash of the source versions Debian offers
# of its packages, the compiler's version and the group's build steps with
# their flags, so a change to any of them builds that group afresh while a
# second run reuses the first's work. One more folder, named by all, links
# them as wxwidgets/, ffmpeg/, httplib/, qrencode/ and minizip/; the script
# prints it on its last line.
#
# Usage: windows-deps.sh [--lookup] [CACHE_ROOT]
#   --lookup   only print the folder if it is filled (exit status 1 if not);
#              adds no sources, fetches and builds nothing
#   CACHE_ROOT defaults to /var/cache/vomra-windows-deps
set -euo pipefail
lookup=false
if [ "${1:-}" = --lookup ]; then
  lookup=true
  shift
fi
cache_root=${1:-/var/cache/vomra-windows-deps}
host=x86_64-w64-mingw32
wx_packages=(zlib libpng1.6 wxwidgets3.2)
ffmpeg_packages=(libdeflate x264 ffmpeg)
httplib_packages=(cpp-httplib)
qrencode_packages=(qrencode)
# A package with another build step than its own name's: package:step.
minizip_packages=(zlib:minizip)
jobs=2

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
log() { echo "windows-deps: $*" >&2; }

# --- Debian's source packages -------------------------------------------------

# deb-src entries beside each existing deb entry, so apt-get source works.
add_source_entries() {
  local list=/etc/apt/sources.list.d/vomra-deb-src.sources
  if apt-cache showsrc "${wx_packages[0]}" 2>/dev/null | grep '^Version:' >/dev/null; then
    return
  fi
  log "adding deb-src entries and updating the package lists"
  {
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && [ "$f" != "$list" ] && sed -n 's/^Types: deb$/Types: deb-src/;p' "$f" && echo
    done
    if [ -f /etc/apt/sources.list ]; then
      # One-line entries become a deb822 stanza each.
      sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\) \([^ ]*\) \(.*\)$/Types: deb-src\nURIs: \2\nSuites: \3\nComponents: \4\n/p' \
        /etc/apt/sources.list
    fi
  } | $sudo tee "$list" >/dev/null
  $sudo apt-get update -q >&2
}

# Sorts Debian version numbers, newest first.
newest_first() {
  local versions=() v i j t
  while read -r v; do versions+=("$v"); done
  for ((i = 0; i < ${#versions[@]}; i++)); do
    for ((j = i + 1; j < ${#versions[@]}; j++)); do
      if dpkg --compare-versions "${versions[j]}" gt "${versions[i]}"; then
        t=${versions[i]} versions[i]=${versions[j]} versions[j]=$t
      fi
    done
  done
  printf '%s\n' "${versions[@]}"
}

# Unpacks the newest version of a source package whose files the mirror has
# into the current directory; prints the source directory and the version.
# Where the mirror lacks Debian's packaging of every version, the newest
# version's upstream tarball (which apt checks against the package's sums as
# it fetches it) is unpacked as it is.
fetch_source() {
  local package=$1 version versions orig
  versions=$(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | newest_first | uniq)
  while read -r version; do
    rm -rf ./*
    if apt-get source -q "$package=$version" >/dev/null 2>&1; then
      echo "$(find . -mindepth 1 -maxdepth 1 -type d | head -1) $version"
      return
    fi
    log "$package $version: not fetched, trying an older version"
  done <<<"$versions"
  version=$(head -1 <<<"$versions")
  rm -rf ./*
  apt-get source -q --download-only "$package=$version" >/dev/null 2>&1 || true
  orig=$(find . -maxdepth 1 -name "${package}_*.orig.tar.*" | head -1)
  if [ -n "$orig" ]; then
    tar -xf "$orig"
    log "$package $version: only its upstream sources were fetched, built as they are"
    echo "$(find . -mindepth 1 -maxdepth 1 -type d | head -1) $version (upstream sources)"
    return
  fi
  log "$package: no version could be fetched"
  return 1
}

# --- The build steps, whose text is part of the cache keys ------------------

# The function that builds a package: build_ and its name less the version
# some names carry (libpng1.6, wxwidgets3.2), or the step a package:step
# entry names; x264's digits are its name.
build_step() {
  local step=${1#*:}
  echo "build_${step%[0-9].[0-9]*}"
}

cc=$host-gcc-posix
cxx=$host-g++-posix
common_cflags="-O2"

build_zlib() {
  local src=$1 prefix=$2 f
  mkdir -p "$prefix/lib" "$prefix/include"
  for f in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate inftrees trees uncompr zutil; do
    $cc $common_cflags -c "$src/$f.c" -o "$src/$f.o"
  done
  $host-ar rcs "$prefix/lib/libz.a" "$src"/*.o
  cp "$src/zlib.h" "$src/zconf.h" "$prefix/include/"
}

build_libpng() {
  local src=$1 prefix=$2
  (cd "$src" && ./configure -q --host=$host --prefix="$prefix" --disable-shared --enable-static \
    CC=$cc CFLAGS="$common_cflags" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" &&
    make -j$jobs >/dev/null && make install >/dev/null)
}

build_libdeflate() {
  local src=$1 prefix=$2
  local version
  make -C "$src" -j$jobs CC=$cc AR=$host-ar CFLAGS="$common_cflags" DISABLE_SHARED=1 libdeflatestatic.lib >/dev/null
  mkdir -p "$prefix/lib/pkgconfig" "$prefix/include"
  cp "$src/libdeflatestatic.lib" "$prefix/lib/libdeflate.a"
  cp "$src/libdeflate.h" "$prefix/include/"
  version=$(sed -n 's/^#define LIBDEFLATE_VERSION_STRING[^"]*"\(.*\)"/\1/p' "$src/libdeflate.h")
  sed -e "s|@PREFIX@|$prefix|" -e "s|@LIBDIR@|$prefix/lib|" -e "s|@INCDIR@|$prefix/include|" \
    -e "s|@VERSION@|$version|" "$src/libdeflate.pc.in" >"$prefix/lib/pkgconfig/libdeflate.pc"
}

# The H.264 encoder the playback helper converts pictures with: the library
# alone (without its program, nothing else is read through other libraries),
# 8-bit pictures, with its hand-written assembly (nasm assembles it) and
# without the OpenCL look-ahead.
build_x264() {
  local src=$1 prefix=$2
  (cd "$src" && CC=$cc ./configure --host=$host --cross-prefix=$host- --prefix="$prefix" \
    --enable-static --disable-cli --bit-depth=8 --disable-opencl >/dev/null &&
    make -j$jobs >/dev/null && make install-lib-static >/dev/null)
}

# Decoding only: the demuxers of the container kinds the program accepts and
# the decoders of the video formats they carry, reading files and nothing
# else; no programs, network, devices, filters or FFmpeg's own hand-written
# assembly.
# MPEG program streams name no codec: their video is recognised by the raw
# video demuxers' probes, so those are in too.
ffmpeg_demuxers=mov,matroska,avi,flv,asf,mpegps,mpegts,rm,ogg,mpegvideo,m4v,h264,hevc,vc1
ffmpeg_decoders=h264,hevc,mpeg1video,mpeg2video,mpeg4,h263,msmpeg4v1,msmpeg4v2,msmpeg4v3,wmv1,wmv2,wmv3,vc1
ffmpeg_decoders+=,vp8,vp9,flv,mjpeg,prores,theora,rv10,rv20,rv30,rv40
ffmpeg_parsers=h264,hevc,mpeg4video,mpegvideo,vc1,vp8,vp9,mjpeg,h263,rv30,rv40
# The playback helper: HLS segments (MPEG-TS) with the picture copied or
# converted to H.264 by x264 (which makes the whole GPL-2.0-or-later), and the
# sound of every kind the containers carry decoded, mixed and encoded as AAC.
# x264 is found through its pkg-config file in the folder, and no other.
ffmpeg_decoders+=,aac,ac3,eac3,dca,flac,mp2,mp3,opus,vorbis,wmav1,wmav2,cook,pcm_s16le,pcm_s24le
ffmpeg_parsers+=,aac,ac3,dca,flac,mpegaudio,opus,vorbis
ffmpeg_encoders=aac,libx264
ffmpeg_muxers=mpegts
ffmpeg_bsfs=h264_mp4toannexb,hevc_mp4toannexb
build_ffmpeg() {
  local src=$1 prefix=$2
  (cd "$src" && PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" ./configure --prefix="$prefix" \
    --enable-cross-compile --arch=x86_64 --target-os=mingw32 --cross-prefix=$host- --cc=$cc --cxx=$cxx \
    --pkg-config=pkg-config --pkg-config-flags=--static --enable-gpl --enable-libx264 \
    --enable-static --disable-shared --disable-debug --disable-doc --disable-programs \
    --disable-autodetect --enable-w32threads --disable-x86asm \
    --disable-everything --disable-network --disable-avdevice --disable-avfilter \
    --enable-swresample --disable-postproc --enable-swscale \
    --enable-protocol=file --enable-demuxer=$ffmpeg_demuxers \
    --enable-decoder=$ffmpeg_decoders --enable-parser=$ffmpeg_parsers --enable-encoder=$ffmpeg_encoders \
    --enable-muxer=$ffmpeg_muxers --enable-bsf=$ffmpeg_bsfs >/dev/null &&
    make -j$jobs >/dev/null && make install >/dev/null)
}

# The playback helper's HTTP server: the upstream single header, which the
# source package keeps as it is.
build_cpp-httplib() {
  local src=$1 prefix=$2
  install -D -m 644 "$src/httplib.h" "$prefix/include/httplib.h"
}

# The window's QR codes: the library alone, without its program (which would
# need libpng) and its tests, and without its locks, as only the window's
# thread calls it.
build_qrencode() {
  local src=$1 prefix=$2
  (cd "$src" && ./configure -q --host=$host --prefix="$prefix" --disable-shared --enable-static \
    --without-tools --without-tests --disable-thread-safety CC=$cc CFLAGS="$common_cflags" >/dev/null &&
    make -j$jobs >/dev/null && make install >/dev/null)
}

# The zip reader the program takes nginx.exe out of nginx's own zip with,
# and the zip writer its tests make zips with, over a zlib of their own;
# a pkg-config file names both.
build_minizip() {
  local src=$1 prefix=$2 f
  build_zlib "$src" "$prefix"
  mkdir -p "$prefix/include/minizip" "$prefix/lib/pkgconfig"
  for f in ioapi unzip zip; do
    $cc $common_cflags -I"$src" -c "$src/contrib/minizip/$f.c" -o "$src/contrib/minizip/$f.o"
    cp "$src/contrib/minizip/$f.h" "$prefix/include/minizip/"
  done
  $host-ar rcs "$prefix/lib/libminizip.a" "$src"/contrib/minizip/*.o
  printf '%s\n' "prefix=$prefix" 'Name: minizip' 'Description: zip reading and writing' \
    "Version: $(sed -n 's/^#define ZLIB_VERSION "\(.*\)"/\1/p' "$src/zlib.h")" \
    'Cflags: -I${prefix}/include/minizip -I${prefix}/include' 'Libs: -L${prefix}/lib -lminizip -lz' \
    >"$prefix/lib/pkgconfig/minizip.pc"
}

# The MSW port, static, with what the program's window uses: the core and
# base libraries, PNG images (its icons) through the zlib and libpng above.
build_wxwidgets() {
  local src=$1 prefix=$2
  (cd "$src" && ./configure -q --host=$host --build="$(gcc -dumpmachine)" --prefix="$prefix" \
    CC=$cc CXX=$cxx CFLAGS="$common_cflags" CXXFLAGS="$common_cflags" \
    CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" \
    --with-msw --disable-shared --enable-unicode --disable-tests --without-subdirs \
    --with-zlib=sys --with-libpng=sys --without-libjpeg --without-libtiff --without-expat \
    --without-liblzma --without-libcurl --without-opengl --with-regex=builtin \
    --disable-xrc --disable-html --disable-richtext --disable-stc --disable-aui --disable-ribbon \
    --disable-propgrid --disable-webview --disable-mediactrl --disable-debugreport \
    --disable-webrequest --disable-sound --disable-sockets --disable-secretstore >/dev/null &&
    make -j$jobs >/dev/null && make install >/dev/null)
}

# --- The cache ----------------------------------------------------------------

# What names a group's folder: the versions Debian offers of its packages, the
# compiler and the text of the group's build steps, flags included.
group_key() {
  local group=$1 p
  shift
  {
    for p in "$@"; do echo "$p $(apt-cache showsrc "${p%%:*}" | sed -n 's/^Version: //p' | sort -u | tr '\n' ' ')"; done
    $cc --version | head -1
    declare -p common_cflags jobs
    [ "$group" = ffmpeg ] &&
      declare -p ffmpeg_demuxers ffmpeg_decoders ffmpeg_parsers ffmpeg_encoders ffmpeg_muxers ffmpeg_bsfs
    for p in "$@"; do declare -f "$(build_step "$p")"; done
  } | sha256sum | cut -c1-16
}

# Builds a group's packages in order into its folder, unless filled already.
# The libraries are built in place (their pkg-config files and wx-config name
# the folder they were configured for); the folder counts as filled only once
# .complete is written.
build_group() {
  local prefix=$1 p dir version start
  shift
  [ -f "$prefix/.complete" ] && return
  log "building into $prefix (from an empty cache this takes a while)"
  $sudo mkdir -p "$cache_root"
  $sudo rm -rf "$prefix"
  $sudo mkdir -p "$prefix"
  $sudo chown "$(id -u):$(id -g)" "$prefix"
  for p in "$@"; do
    mkdir -p "$work/$p"
    read -r dir version < <(cd "$work/$p" && fetch_source "${p%%:*}")
    log "$p $version"
    echo "$p $version" >>"$prefix/sources"
    start=$SECONDS
    "$(build_step "$p")" "$work/$p/$dir" "$prefix"
    log "$p built in $((SECONDS - start)) s"
    rm -rf "${work:?}/$p"
  done
  touch "$prefix/.complete"
}

$lookup || add_source_entries
wx_prefix=$cache_root/wxwidgets-$(group_key wxwidgets "${wx_packages[@]}")
ffmpeg_prefix=$cache_root/ffmpeg-$(group_key ffmpeg "${ffmpeg_packages[@]}")
httplib_prefix=$cache_root/httplib-$(group_key httplib "${httplib_packages[@]}")
qrencode_prefix=$cache_root/qrencode-$(group_key qrencode "${qrencode_packages[@]}")
minizip_prefix=$cache_root/minizip-$(group_key minizip "${minizip_packages[@]}")
both=$cache_root/windows-$(echo "$wx_prefix $ffmpeg_prefix $httplib_prefix $qrencode_prefix $minizip_prefix" |
  sha256sum | cut -c1-16)
if [ -f "$both/.complete" ] && [ -f "$wx_prefix/.complete" ] && [ -f "$ffmpeg_prefix/.complete" ] &&
  [ -f "$httplib_prefix/.complete" ] && [ -f "$qrencode_prefix/.complete" ] && [ -f "$minizip_prefix/.complete" ]; then
  $lookup || log "reusing $wx_prefix, $ffmpeg_prefix, $httplib_prefix, $qrencode_prefix and $minizip_prefix"
  echo "$both"
  exit 0
fi
$lookup && exit 1

# Other work shares the machine: the builds run niced, on two cores.
renice -n 10 -p $$ >/dev/null
work=$(mktemp -d /var/tmp/vomra-windows-deps.XXXXXX)
trap 'rm -rf "$work"' EXIT
build_group "$wx_prefix" "${wx_packages[@]}"
build_group "$ffmpeg_prefix" "${ffmpeg_packages[@]}"
build_group "$httplib_prefix" "${httplib_packages[@]}"
build_group "$qrencode_prefix" "${qrencode_packages[@]}"
build_group "$minizip_prefix" "${minizip_packages[@]}"
$sudo mkdir -p "$both"
$sudo ln -sfn "$wx_prefix" "$both/wxwidgets"
$sudo ln -sfn "$ffmpeg_prefix" "$both/ffmpeg"
$sudo ln -sfn "$httplib_prefix" "$both/httplib"
$sudo ln -sfn "$qrencode_prefix" "$both/qrencode"
$sudo ln -sfn "$minizip_prefix" "$both/minizip"
$sudo touch "$both/.complete"
echo "$both"
