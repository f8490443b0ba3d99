#!/usr/bin/env bash
# Builds the libFuzzer targets with clang 14 in build-fuzz and runs each for SECONDS.
# Usage: fuzz/run.sh SECONDS [target ...]   (default: every target, one after the other)
# New inputs collect in build-fuzz/corpus/<target>, crashes in build-fuzz/artifacts/<target>;
# the seeds in fuzz/corpus/<target> (for the decoders: build-fuzz/seeds, made by jmac and
# ffmpeg) are only read.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run.sh SECONDS [target ...]}
shift
all=(fuzz_cue fuzz_apetag fuzz_id3v2 fuzz_flacfile_read fuzz_flacfile_write fuzz_apedecoder
  fuzz_ttadecoder fuzz_imageinfo fuzz_accuraterip)
targets=("${@:-${all[@]}}")

declare -A max_len=(
  [fuzz_cue]=16384            # a cue sheet is a few kilobytes of text
  [fuzz_apetag]=32768         # room for items of several kilobytes and an ID3v1 tag
  [fuzz_id3v2]=16384
  [fuzz_flacfile_read]=65536  # a metadata chain with a few blocks and a little audio
  [fuzz_flacfile_write]=65536
  [fuzz_apedecoder]=65536     # a header, a seek table and a few small frames
  [fuzz_ttadecoder]=65536     # likewise
  [fuzz_imageinfo]=4096       # the headers of a JPEG, PNG or GIF image
  [fuzz_accuraterip]=8192     # a few submissions of up to 99 tracks, 904 bytes each
)

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON -DCORVANE_BUILD_APP=OFF \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz --target "${targets[@]}" -j "$(nproc)"

# The decoders' seeds are tiny files made by jmac and ffmpeg now, not audio kept in the
# repository.
seeds() {
  if [[ "$1" == fuzz_apedecoder ]]; then
    cmake --build build-fuzz --target make_ape_seeds -j "$(nproc)" >/dev/null
    build-fuzz/bin/make_ape_seeds build-fuzz/seeds/fuzz_apedecoder >&2
    echo build-fuzz/seeds/fuzz_apedecoder
  elif [[ "$1" == fuzz_ttadecoder ]]; then
    cmake --build build-fuzz --target make_tta_seeds -j "$(nproc)" >/dev/null
    build-fuzz/bin/make_tta_seeds build-fuzz/seeds/fuzz_ttadecoder >&2
    echo build-fuzz/seeds/fuzz_ttadecoder
  else
    echo "fuzz/corpus/$1"
  fi
}

# The readers take file names, so every input goes through a scratch file; on a memory-backed
# folder that costs microseconds instead of milliseconds.
if [[ -z "${TMPDIR:-}" && -d /dev/shm && -w /dev/shm ]]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
  [[ -n "${max_len[$target]:-}" ]] || { echo "unknown target $target" >&2; exit 2; }
  work=build-fuzz/corpus/$target
  artifacts=build-fuzz/artifacts/$target/
  mkdir -p "$work" "$artifacts"
  echo "== $target for ${seconds}s"
  if ! build-fuzz/bin/"$target" "$work" "$(seeds "$target")" -max_total_time="$seconds" \
      -rss_limit_mb=512 -max_len="${max_len[$target]}" -timeout=10 -artifact_prefix="$artifacts" \
      -print_final_stats=1; then
    echo "!! $target failed; inputs in $artifacts" >&2
    status=1
  fi
done
exit $status
