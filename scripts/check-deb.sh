#!/usr/bin/env bash
# Builds the Debian package from a build folder and checks it as a user would get it: its
# fields, the files it installs, and its programs run from the unpacked package (each finds its
# decoder library in the package's own folder, not in the build tree).
#
#   scripts/check-deb.sh [build folder]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

fail() {
  echo "check-deb: $*" >&2
  exit 1
}

cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)" --target corvane corvane-cli MACDll
version=$(sed -n 's/^project(Corvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -f "$build"/corvane_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/corvane_"$version"_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no corvane_${version}_*.deb"
deb=${debs[0]}
echo "== $deb"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = corvane ] || fail "Package is \"$(field Package)\""
[ "$(field Version)" = "$version" ] || fail "Version is \"$(field Version)\", not $version"
[ "$(field Section)" = sound ] || fail "Section is \"$(field Section)\""
depends=$(field Depends)
# Loaded at run time (listed by hand), and linked (found by dpkg-shlibdeps).
for package in libflac12 fonts-wqy-microhei libqt6core6 libqt6gui6 libqt6widgets6 libuchardet0 \
  libwavpack1 libsndfile1 libc6; do
  [[ ", $depends," == *", $package"[\ ,]* ]] || fail "Depends lacks $package: $depends"
done
echo "Depends: $depends"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch/root"
root=$scratch/root
for file in usr/bin/corvane usr/bin/corvane-cli usr/lib/corvane/libMACDll.so \
  usr/share/applications/io.github.corvane.Corvane.desktop \
  usr/share/metainfo/io.github.corvane.Corvane.metainfo.xml \
  usr/share/mime/packages/io.github.corvane.Corvane.xml \
  usr/share/icons/hicolor/256x256/apps/corvane.png usr/share/man/man1/corvane.1 \
  usr/share/man/man1/corvane-cli.1 usr/share/man/zh_CN/man1/corvane.1 \
  usr/share/man/zh_CN/man1/corvane-cli.1 usr/share/bash-completion/completions/corvane-cli \
  usr/share/doc/corvane/LICENSE; do
  [ -e "$root/$file" ] || fail "the package has no /$file"
done
grep -qx "Exec=/usr/bin/corvane %F" "$root/usr/share/applications/io.github.corvane.Corvane.desktop" ||
  fail "the desktop entry does not start /usr/bin/corvane"
# Nothing in the package may lean on the build tree.
if grep -rlF "$(cd "$build" && pwd)" "$root/usr/bin/" "$root/usr/lib/" >/dev/null 2>&1; then
  fail "a program or library names the build folder"
fi

export QT_QPA_PLATFORM=offscreen
cli=$root/usr/bin/corvane-cli
[ "$("$cli" --version)" = "corvane-cli $version" ] || fail "corvane-cli --version: $("$cli" --version)"
"$cli" --help | head -n 1 | grep -q '^Usage: corvane-cli ' || fail "corvane-cli --help"
[ "$("$root/usr/bin/corvane" --version)" = "corvane $version" ] ||
  fail "corvane --version: $("$root/usr/bin/corvane" --version)"

# A conversion with the packaged program: the FLAC it writes passes flac's own test.
ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=2:sample_rate=44100" \
  -ac 2 -c:a pcm_s16le "$scratch/tone.wav"
"$cli" -q -o "$scratch/out" "$scratch/tone.wav"
flac --totally-silent -t "$scratch/out/tone.flac" || fail "the converted file fails flac -t"
echo "check-deb: $deb is fine"
