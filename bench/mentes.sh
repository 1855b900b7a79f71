#!/usr/bin/env bash
# What proving a backup by its rows costs beside proving it by its record counts, on two
# schools in one run (bench/run.sh passes them): the backup itself, the restore that the
# count check needs, then the rows' checksums of the live database and of the copy.
#   bench/mentes.sh DATABASE BASE-DATABASE   (as in database.src, on a local server)
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/db-common.sh
source "$ROOT/scripts/db-common.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 777 "$work"

# seconds COMMAND... : the wall-clock seconds COMMAND took, to a hundredth
seconds() {
    local t0
    t0=$(date +%s.%N)
    "$@" > /dev/null
    echo "$(date +%s.%N) - $t0" | bc | xargs printf '%.2f'
}

measure() {
    local db=$1 server copy students marks backup restore live rows
    server=${db%%:*}
    copy=$server:$work/copy-$RANDOM.fdb
    students=$(fp_sql "$db" "select count(*) from table_diak;")
    marks=$(fp_marks "$db")
    backup=$(seconds gbak -b -v "$db" "$work/b.fbk")
    restore=$(seconds gbak -c "$work/b.fbk" "$copy")
    live=$(seconds fp_live "$db" "$marks")
    rows=$(seconds fp_copy "$copy")
    printf '%s %s %s %s %s\n' "$students" "$backup" "$restore" "$live" "$rows"
    printf 'CONNECT %s;\nDROP DATABASE;\n' "$(sqlq "$copy")" | isql-fb -q
    rm -f "$work/b.fbk"
}

read -r n1 b1 r1 l1 c1 < <(measure "$1")
read -r n2 b2 r2 l2 c2 < <(measure "$2")
echo "A mentés ellenőrzése a sorok ellenőrzőösszegével (másodperc):"
printf '  %9s tanuló: mentés %7s, visszaállítás (rekordszám) %7s, élő összeg %7s, másolat összege %7s\n' \
    "$n1" "$b1" "$r1" "$l1" "$c1" "$n2" "$b2" "$r2" "$l2" "$c2"
for pair in "$n1 $r1 $l1 $c1" "$n2 $r2 $l2 $c2"; do
    read -r n r l c <<<"$pair"
    printf '  %9s tanuló: ellenőrzés összeggel / csak rekordszámmal = %s×\n' "$n" "$(echo "scale=2; ($r + $l + $c) / $r" | bc)"
done
printf '  az összeg ideje %s / %s tanulónál = %s× (a tanulók aránya %s×)\n' "$n1" "$n2" \
    "$(echo "scale=1; ($l1 + $c1) / ($l2 + $c2)" | bc)" "$(echo "scale=1; $n1 / $n2" | bc)"
