#!/usr/bin/env bash
# Sets up the machine, builds, and starts Corvane.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
exec build/bin/corvane "$@"
