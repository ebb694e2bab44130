#!/bin/sh
# Builds TagShelf, installs it into its program folder and starts it there.
#
# The program folder is $TAGSHELF_HOME (default: ~/TagShelf). The program reads its
# INI file and catalogue from its working folder and writes the INI file on a first
# start only in a folder whose name ends in "TagShelf", so when $TAGSHELF_HOME's
# name does not, the program folder is the folder "TagShelf" inside it. The
# catalogue file must exist, so an empty one is placed there when missing. A later
# run keeps the catalogue.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
sh "$root/scripts/install-deps.sh"

build="$root/build/release"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTAGSHELF_BENCH=OFF -DTAGSHELF_WERROR=OFF >/dev/null
targets="TagShelf"
if cmake --build "$build" --target help | grep -q "tagshelf-cli"; then
    targets="$targets tagshelf-cli"
fi
# shellcheck disable=SC2086
cmake --build "$build" --target $targets -j"$(nproc)"

home="${TAGSHELF_HOME:-$HOME/TagShelf}"
home="${home%/}"
case "$home" in
    *TagShelf) ;;
    *)
        home="$home/TagShelf"
        echo "TAGSHELF_HOME does not end in \"TagShelf\": the program folder is $home."
        ;;
esac
mkdir -p "$home"
cmake --install "$build" --prefix "$home" >/dev/null
[ ! -x "$build/cli/tagshelf-cli" ] || cp "$build/cli/tagshelf-cli" "$home/"
[ -e "$home/TagShelfList.mdb" ] || : > "$home/TagShelfList.mdb"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # No desktop session: run on a virtual X display so the program still starts.
    export DISPLAY="${TAGSHELF_XVFB_DISPLAY:-:99}"
    if ! xdpyinfo >/dev/null 2>&1; then
        Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        sleep 1
    fi
    echo "No display was set: TagShelf runs on the virtual display $DISPLAY."
fi

if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="/tmp/runtime-$(id -u)"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
fi
echo "Starting TagShelf in $home"
cd "$home"
exec ./TagShelf
