#!/usr/bin/env bash
# Load test: copies of the real program under one Xvfb, on one private server holding a
# school of STUDENTS, while bench/load_writer makes one change a second and a 100-row
# transaction every 30 s. For each number of copies, in one run:
#   - every copy alive and answering: its main window takes a key press within 1 s
#     (before the writer, every minute while it writes, and at the end);
#   - each copy's list (its first screen) and headcount true at the end;
#   - from a change's commit to the last copy's grid showing it: median and worst;
#   - the server's processor time per change (and the copies' own, beside it).
#   bench/load.sh [STUDENTS [COPIES...]]        default: 1000000 students, 10 then 50 copies
# Environment: KORVANA_LOAD_PORT (the server's port; events on the next one; default 3131),
# KORVANA_LOAD_SECONDS (how long the writer writes, default 300), KORVANA_LOAD_EXE (the
# program, default the build's korvana_v20). Traffic stays on 127.0.0.1.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${KORVANA_BUILD:-$ROOT/build}
STUDENTS=${1:-1000000}
shift || true
COPIES=("$@")
[ ${#COPIES[@]} -gt 0 ] || COPIES=(10 50)
PORT=${KORVANA_LOAD_PORT:-3131}
RUN_SECONDS=${KORVANA_LOAD_SECONDS:-300}
EXE=${KORVANA_LOAD_EXE:-$BUILD/korvana_v20}
WORK=$BUILD/load-$PORT
FBDIR=$WORK/fb
DB=$BUILD/load-data/students-$STUDENTS.fdb
DISPLAY_NO=$((PORT % 1000 + 100))
TICK=$(getconf CLK_TCK)

targets=(load_writer)
[ -n "${KORVANA_LOAD_EXE:-}" ] || targets+=(korvana_v20)
cmake -S "$ROOT" -B "$BUILD" >/dev/null
cmake --build "$BUILD" -j"$(nproc)" --target "${targets[@]}" >/dev/null

copy_pids=()
xvfb_pid=""
stop_copies() {
    [ ${#copy_pids[@]} -gt 0 ] || return 0
    kill -TERM "${copy_pids[@]}" 2>/dev/null || true
    for _ in $(seq 1 100); do
        local alive=0
        for p in "${copy_pids[@]}"; do kill -0 "$p" 2>/dev/null && alive=1; done
        [ "$alive" = 0 ] && break
        sleep 0.1
    done
    for p in "${copy_pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
    copy_pids=()
}
cleanup() {
    stop_copies
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    "$ROOT/scripts/fbserver" stop "$FBDIR"
}
trap cleanup EXIT

rm -rf "$WORK"
mkdir -p "$WORK/prog" "$BUILD/load-data"
"$ROOT/scripts/fbserver" start "$FBDIR" "$PORT"
if [ ! -f "$DB" ]; then
    KORVANA_FB_PORT=$PORT "$ROOT/scripts/create-db" "$DB" --students "$STUDENTS"
else
    KORVANA_FB_PORT=$PORT "$ROOT/scripts/upgrade-db" "$DB" >/dev/null
fi
server_pid=$(cat "$FBDIR/server.pid")
# One program folder for every copy, as on a shared drive.
cp "$EXE" "$WORK/prog/korvana_v20"
cp -r "$ROOT/sqls" "$WORK/prog/sqls"
printf '127.0.0.1/%s:%s\n' "$PORT" "$DB" > "$WORK/prog/database.src"

[ ! -e "/tmp/.X$DISPLAY_NO-lock" ] || { echo "load.sh: display :$DISPLAY_NO is taken" >&2; exit 1; }
Xvfb ":$DISPLAY_NO" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:$DISPLAY_NO
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

now_ms() { date +%s%3N; }
# processor time of processes, in ms
cpu_ms() {
    local total=0 f
    for p in "$@"; do
        f=$(cut -d' ' -f14,15 "/proc/$p/stat" 2>/dev/null) || continue
        total=$((total + ${f% *} + ${f#* }))
    done
    echo $((total * 1000 / TICK))
}

# key_round DIR : every copy's main window is sent a key; prints "answered WORST_MS"
key_round() {
    local dir=$1 answered=0 worst=0 i t0 seen
    for i in "${!copy_pids[@]}"; do
        t0=$(now_ms)
        xdotool key --window "${windows[$i]}" F12 2>/dev/null || continue
        seen=""
        while [ $(($(now_ms) - t0)) -lt 1000 ]; do
            seen=$(awk -v t0="$t0" '$2 == "key" && $3 >= t0 { print $3; exit }' "$dir/copy-$i.log")
            [ -n "$seen" ] && break
            sleep 0.02
        done
        if [ -n "$seen" ]; then
            answered=$((answered + 1))
            [ $((seen - t0)) -le "$worst" ] || worst=$((seen - t0))
        fi
    done
    echo "$answered $worst"
}

# analyse DIR : from the writer's log and the copies' traces: the change-to-grid times,
# and how many copies show the final list and headcount
analyse() {
    local dir=$1 out times
    out=$(awk '
    FNR == 1 { copy = FILENAME }
    copy ~ /writer.log$/ {
        if ($1 == "change") { committed[$2] = $4; last = $2; if (first == "") first = $2 }
        if ($1 == "final") { fseq = $2; fcount = $3; fdigest = $4 }
        next
    }
    !(copy in seen) { seen[copy] = 0; copies++ }
    $2 == "grid" {
        s = ($(NF - 2) == "Terhelés" && $(NF - 1) == "Jelző") ? $NF + 0 : 0
        for (k = seen[copy] + 1; k <= s; k++) arrived[copy, k] = $3
        if (s > seen[copy]) seen[copy] = s
        shownseq[copy] = s; digest[copy] = $5
    }
    $2 == "letszam" { count[copy] = $4 }
    END {
        reached = 0
        for (k = first; k <= last; k++) {
            worst = -1
            for (c in seen) {
                if (!((c, k) in arrived)) { worst = -2; break }
                d = arrived[c, k] - committed[k]; if (d > worst) worst = d
            }
            if (worst != -2) { reached++; print "T", worst }
        }
        lists = 0; heads = 0
        for (c in seen) {
            if (fseq != "" && shownseq[c] == fseq && digest[c] == fdigest) lists++
            if (fcount != "" && count[c] == fcount) heads++
        }
        printf "S changes %d reached_all %d lists_true %d heads_true %d copies %d\n", (first == "" ? 0 : last - first + 1), reached, lists, heads, copies
    }' "$dir/writer.log" "$dir"/copy-*.log)
    times=$(sed -n 's/^T //p' <<<"$out" | sort -n)
    printf '%s median_ms %s worst_ms %s\n' "$(sed -n 's/^S //p' <<<"$out")" \
        "$(sed -n "$((($(grep -c . <<<"$times") + 1) / 2))p" <<<"$times")" "$(tail -n 1 <<<"$times")"
}

field() { sed -n "s/\(^\|.* \)$1 \([-0-9]*\).*/\2/p" <<<"$2"; }

echo "Load test: $STUDENTS students, ${RUN_SECONDS} s of writing per copy count, program $EXE"
for n in "${COPIES[@]}"; do
    dir=$WORK/copies-$n
    mkdir -p "$dir"
    windows=()
    launched=()
    for i in $(seq 0 $((n - 1))); do
        launched[i]=$(now_ms)
        QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="korvana.trace.debug=true" \
            "$WORK/prog/korvana_v20" 2> "$dir/copy-$i.log" &
        copy_pids+=($!)
        sleep 0.2
    done
    # Every copy's main window, once its list has been painted.
    startups=()
    for i in $(seq 0 $((n - 1))); do
        shown=""
        for _ in $(seq 1 1200); do
            shown=$(awk '$2 == "grid" { print $3; exit }' "$dir/copy-$i.log")
            [ -n "$shown" ] && break
            sleep 0.1
        done
        [ -n "$shown" ] || { echo "copy $i did not start:"; cat "$dir/copy-$i.log"; exit 1; }
        startups+=($((shown - launched[i])))
        windows[i]=$(xdotool search --all --onlyvisible --pid "${copy_pids[$i]}" --name '^Korvana v2.0$' | head -n 1)
    done
    sleep 5
    read -r answered_before worst_key <<<"$(key_round "$dir")"

    server0=$(cpu_ms "$server_pid")
    copies0=$(cpu_ms "${copy_pids[@]}")
    wall0=$(now_ms)
    "$BUILD/bench/load_writer" "127.0.0.1/$PORT:$DB" "$RUN_SECONDS" "$WORK/prog/sqls" > "$dir/writer.log" &
    writer=$!
    answered_min=$answered_before
    while kill -0 "$writer" 2>/dev/null; do
        for _ in $(seq 1 60); do kill -0 "$writer" 2>/dev/null && sleep 1; done
        kill -0 "$writer" 2>/dev/null || break
        read -r a w <<<"$(key_round "$dir")"
        [ "$a" -ge "$answered_min" ] || answered_min=$a
        [ "$w" -le "$worst_key" ] || worst_key=$w
    done
    wait "$writer"
    server1=$(cpu_ms "$server_pid")
    copies1=$(cpu_ms "${copy_pids[@]}")
    wall1=$(now_ms)
    changes=$(grep -c '^change ' "$dir/writer.log")

    # The copies catch up (at most a minute), then every one is read.
    for _ in $(seq 1 60); do
        result=$(analyse "$dir")
        [ "$(field lists_true "$result")" = "$n" ] && [ "$(field heads_true "$result")" = "$n" ] && break
        sleep 1
    done
    read -r a w <<<"$(key_round "$dir")"
    [ "$a" -ge "$answered_min" ] || answered_min=$a
    [ "$w" -le "$worst_key" ] || worst_key=$w
    alive=0
    for p in "${copy_pids[@]}"; do kill -0 "$p" 2>/dev/null && alive=$((alive + 1)); done
    result=$(analyse "$dir")
    sorted=$(printf '%s\n' "${startups[@]}" | sort -n)

    echo
    echo "== $n copies on $STUDENTS students"
    printf 'start-up to the painted list: median %d ms, slowest %d ms (copies started 0.2 s apart)\n' \
        "$(sed -n "$(((n + 1) / 2))p" <<<"$sorted")" "$(tail -n 1 <<<"$sorted")"
    echo "alive at the end: $alive/$n; answering a key within 1 s: at least $answered_min/$n in every round (slowest answer $worst_key ms)"
    echo "true at the end: list $(field lists_true "$result")/$n, headcount $(field heads_true "$result")/$n"
    echo "change to the last copy's grid: median $(field median_ms "$result") ms, worst $(field worst_ms "$result") ms" \
        "($(field reached_all "$result") of $(field changes "$result") changes reached every copy)"
    printf 'server processor time: %d ms per change (%d ms for %d changes in %d s)\n' \
        $(((server1 - server0) / changes)) $((server1 - server0)) "$changes" $(((wall1 - wall0) / 1000))
    printf "copies' processor time: %d ms per change, all copies together\n" $(((copies1 - copies0) / changes))
    stop_copies
done
