#!/bin/sh
# Builds corvane-cli optimised and runs its benchmark: a CD image and eight files with one and
# two jobs at once, beside ffmpeg on the whole image. Fixtures are made on the first run and
# cached in the build tree. ROUNDS (default 3) runs of each; the best counts.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-bench}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_cli -j2
"$build/bin/bench_cli" "$@"
