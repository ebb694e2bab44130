#!/bin/sh
# Runs a command on a virtual X display of its own (the real X11 platform, not
# Qt's offscreen one): on_xvfb.sh COMMAND [ARGS...]
set -eu
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb "$@"
