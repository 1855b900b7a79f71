#!/usr/bin/env bash
# Builds and runs the benchmarks on a private server with 100,000 students (or $1).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${KORVANA_BUILD:-$ROOT/build}
STUDENTS=${1:-100000}
PORT=3111
FBDIR=$BUILD/bench-fb
DB=$BUILD/bench-data/students-$STUDENTS.fdb
cmake -S "$ROOT" -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target bench_lists
"$ROOT/scripts/fbserver" start "$FBDIR" "$PORT"
trap '"$ROOT/scripts/fbserver" stop "$FBDIR"' EXIT
if [ ! -f "$DB" ]; then
    mkdir -p "$(dirname "$DB")"
    KORVANA_FB_PORT=$PORT "$ROOT/scripts/create-db" "$DB" --students "$STUDENTS"
fi
"$BUILD/bench/bench_lists" "127.0.0.1/$PORT:$DB" "${REPEATS:-5}"
