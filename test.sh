#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test against a throw-away
# private Firebird server (ctest starts and stops it).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BUILD=${KORVANA_BUILD:-$ROOT/build}
source "$ROOT/scripts/setup.sh"

install_missing
build
rm -rf "$BUILD/testdata" "$BUILD/fbtest"
cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900
