#!/bin/sh
# Deliberate faults: applies each fault of scripts/mutants.txt to the program's
# code, one at a time, rebuilds, runs the test suite and counts the faults the
# suite catches. A fault the suite misses is a gap in the tests.
#
#   sh scripts/mutants.sh [LIST] [BUILD-FOLDER]
#
# Each line of the list is "file :: text :: replacement [:: what it breaks]"; the
# text must stand exactly once in the file. Lines starting with "#" are comments.
# The source file is put back after every fault, also when the script is stopped.
# Ends with status 1 when a fault was missed or could not be applied.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
list="${1:-$root/scripts/mutants.txt}"
# Absolute: the tests run from inside the build folder, where a relative path
# to the log would not exist (and a failed write must not count as a catch).
build=$(realpath -m "${2:-$root/build/mutants}")

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTAGSHELF_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

saved=""
target=""
restore() {
    if [ -n "$saved" ]; then
        cp -p "$saved" "$target"
        rm -f "$saved"
        saved=""
    fi
}
trap 'restore' EXIT
trap 'restore; exit 130' INT TERM

slow='EveryStepFails|Killed|ScanFaults|e2e|ToolkitOnX11'
caught=0
missed=0
broken=0
n=0
log="$build/mutants.log"
: >"$log"
# The list is read on descriptor 3 so the build and the tests cannot eat it.
while IFS= read -r line <&3; do
    case "$line" in '' | '#'*) continue ;; esac
    n=$((n + 1))
    file=$(printf '%s' "$line" | awk -F ' :: ' '{print $1}')
    what=$(printf '%s' "$line" | awk -F ' :: ' '{print $4}')
    target="$root/$file"
    saved=$(mktemp)
    cp -p "$target" "$saved"
    # Literal replacement of the one occurrence; perl ships with every Debian.
    if ! MUTANT_LINE="$line" perl -0777 -i -e '
        my ($file, $from, $to) = split / :: /, $ENV{MUTANT_LINE};
        local $/; my $text = <>;
        my $count = () = $text =~ /\Q$from\E/g;
        if ($count != 1) { print STDERR "found $count times\n"; print $text; exit 3; }
        $text =~ s/\Q$from\E/$to/;
        print $text;' "$target" 2>>"$log"; then
        restore
        echo "BROKEN  #$n $file: the text does not stand exactly once ($what)"
        broken=$((broken + 1))
        continue
    fi
    touch "$target"
    if ! cmake --build "$build" -j"$(nproc)" >>"$log" 2>&1; then
        restore
        echo "BROKEN  #$n $file: does not compile ($what)"
        broken=$((broken + 1))
        continue
    fi
    # The quick tests first: most faults are caught there without waiting for
    # the slow ones (every failing step of a write, kills, the real X server).
    if (cd "$build" && export QT_QPA_PLATFORM=offscreen &&
        ctest -j"$(nproc)" --timeout 120 --stop-on-failure -E "$slow" >>"$log" 2>&1 &&
        ctest -j"$(nproc)" --timeout 120 --stop-on-failure -R "$slow" >>"$log" 2>&1); then
        echo "MISSED  #$n $file: $what"
        missed=$((missed + 1))
    else
        echo "caught  #$n $file: $what"
        caught=$((caught + 1))
    fi
    restore
    touch "$target"
done 3<"$list"
cmake --build "$build" -j"$(nproc)" >/dev/null 2>&1 || true

echo "faults: $n, caught: $caught, missed: $missed, not applied: $broken"
[ "$missed" -eq 0 ] && [ "$broken" -eq 0 ]
