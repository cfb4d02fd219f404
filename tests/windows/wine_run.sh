#!/bin/sh
# Runs one Windows program under Wine: headless, quiet, in the given private
# prefix. The program's exit status is passed on.
# Usage: wine_run.sh PREFIX PROGRAM [ARGUMENTS...]
prefix=$1
shift
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and Wine would offer to install them.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
exec wine "$@"
