#!/usr/bin/env bash
# Installs the Debian packages the program and its tests need. Safe to run again: it only
# calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  qt6-base-dev libflac-dev libuchardet-dev libwavpack-dev libsndfile1-dev libebur128-dev zlib1g-dev
  fonts-wqy-microhei qt6-translations-l10n qt6-l10n-tools
  googletest libgtest-dev default-jre-headless libjmac-java ffmpeg flac wavpack
  xvfb xauth clang-14 libclang-rt-14-dev clang-tidy-14
  desktop-file-utils appstream parallel dpkg-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "These packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
