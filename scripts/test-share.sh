#!/bin/sh
# Non-blank lines of the tests against those of the program's code (benchmarks
# left out), and their ratio.
set -eu
cd "$(dirname "$0")/.."
count() { cat "$@" /dev/null | grep -cv '^[[:space:]]*$' || true; }
code=$(count $(git ls-files -co --exclude-standard core id3 catalogue cataloguing views windows app cli | grep -E '\.(cpp|h)$'))
tests=$(count $(git ls-files -co --exclude-standard tests | grep -E '\.(cpp|h|sh)$'))
echo "code $code, tests $tests, ratio $(awk "BEGIN{printf \"%.2f\", $tests/$code}")"
