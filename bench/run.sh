#!/usr/bin/env bash
# Builds and runs the benchmarks on a private server: a school of $1 students (100,000
# unless given) measured beside one of $2 (10,000 unless given), in one run.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${KORVANA_BUILD:-$ROOT/build}
STUDENTS=${1:-100000}
BASE=${2:-10000}
PORT=${KORVANA_BENCH_PORT:-3111}
FBDIR=$BUILD/bench-fb
DB=$BUILD/bench-data/students-$STUDENTS.fdb
BASEDB=$BUILD/bench-data/students-$BASE.fdb
cmake -S "$ROOT" -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target bench_lists bench_documents bench_tanev bench_import bench_oktoberi
"$ROOT/scripts/fbserver" start "$FBDIR" "$PORT"
trap '"$ROOT/scripts/fbserver" stop "$FBDIR"' EXIT
mkdir -p "$BUILD/bench-data"
for pair in "$DB:$STUDENTS" "$BASEDB:$BASE"; do
    db=${pair%:*} n=${pair##*:}
    if [ ! -f "$db" ]; then
        KORVANA_FB_PORT=$PORT "$ROOT/scripts/create-db" "$db" --students "$n"
    else # a database made by an earlier version is brought up to this one
        KORVANA_FB_PORT=$PORT "$ROOT/scripts/upgrade-db" "$db" >/dev/null
    fi
done
"$BUILD/bench/bench_lists" "127.0.0.1/$PORT:$DB" "127.0.0.1/$PORT:$BASEDB" "${REPEATS:-5}"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD/bench/bench_documents" "127.0.0.1/$PORT:$DB" "127.0.0.1/$PORT:$BASEDB" "${REPEATS:-5}"
"$BUILD/bench/bench_tanev" "127.0.0.1/$PORT:$DB" "127.0.0.1/$PORT:$BASEDB" "${REPEATS:-5}"
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD/bench/bench_import" "127.0.0.1/$PORT:$DB" "127.0.0.1/$PORT:$BASEDB" "${REPEATS:-5}"
"$BUILD/bench/bench_oktoberi" "127.0.0.1/$PORT:$DB" "127.0.0.1/$PORT:$BASEDB" "${REPEATS:-5}"
"$ROOT/bench/mentes.sh" "127.0.0.1/$PORT:$DB" "127.0.0.1/$PORT:$BASEDB"
