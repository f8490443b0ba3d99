#!/bin/sh
# Builds the APE decoding benchmark optimised and runs it. Fixtures are made on the first run
# (the 60-minute one takes a few minutes) and cached in the build tree.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_ape_decode -j2
"$build/bin/bench_ape_decode"
