#!/usr/bin/env bash
# shellcheck disable=SC2015  # in 'test && pass || fail' pass never fails
# scripts/backup-db and scripts/restore-db: a quiet round trip compared table by table, a
# backup taken while another connection keeps inserting students, and the failures an
# office meets (server down, wrong path, full disk, existing target, broken backup).
# Needs a running private server at 127.0.0.1/$KORVANA_FB_PORT.
set -u

src=${KORVANA_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
# shellcheck source=tests/shell_checks.sh
source "$src/tests/shell_checks.sh"
tmp=$(scratch backup_restore)
backup=$src/scripts/backup-db
restore=$src/scripts/restore-db

# tables DB : every table of the database, one a line, with its primary key's columns
tables() {
    sql "$1" "SET HEADING OFF; select trim(r.rdb\$relation_name) || ' ' || coalesce((select cast(list(trim(s.rdb\$field_name)) as varchar(500))
        from rdb\$relation_constraints c join rdb\$index_segments s on s.rdb\$index_name = c.rdb\$index_name
        where c.rdb\$relation_name = r.rdb\$relation_name and c.rdb\$constraint_type = 'PRIMARY KEY'), '1')
        from rdb\$relations r where r.rdb\$system_flag = 0 and r.rdb\$view_blr is null order by 1;" | sed '/^[[:space:]]*$/d'
}

# dump DB [WHERE] : every row of every table, blobs included, in key order; the students
# limited by WHERE
dump() {
    local table key
    while read -r table key; do
        # the headcount's and the October statistics' change rows follow every write after
        # the snapshot too; they are checked by their sums against the students instead
        case "$table" in TABLE_LETSZAM_VALTOZAS | TABLE_OKT_VALTOZAS_BIZALMAS) continue ;; esac
        # the history and the log are written by triggers beside every student's row, so
        # they follow the writer after the snapshot too: their counts are compared instead
        case "$table" in TABLE_NAPLO | TABLE_NAPLO_MEZO | TABLE_NAPLO_FUGGO | TABLE_OSZTALY_TORTENET) continue ;; esac
        # a student's further data come with the student: limited the same way
        printf 'select * from %s where %s order by %s;\n' "$table" \
            "$(case "$table" in TABLE_DIAK) echo "${2:-1 = 1}" ;; TABLE_DIAK_ADAT) w=${2:-1 = 1}; echo "${w/id/diak_id}" ;; *) echo "1 = 1" ;; esac)" "$key"
    done < <(tables "$1") > "$tmp/dump.sql"
    sql "$1" "SET LIST ON; SET BLOB ALL; $(cat "$tmp/dump.sql")"
}
checksum() { dump "$@" | md5sum | cut -d' ' -f1; }

# counts DB : the rows of every table, and the database's own objects
counts() {
    local table key query=""
    while read -r table key; do
        query+="select '$table=' || count(*) from $table union all "
    done < <(tables "$1")
    rows "$1" "$query
        select 'procedures=' || count(*) from rdb\$procedures where rdb\$system_flag = 0
        union all select 'triggers=' || count(*) from rdb\$triggers where rdb\$system_flag = 0
        union all select 'foreign keys=' || count(*) from rdb\$relation_constraints where rdb\$constraint_type = 'FOREIGN KEY'
        union all select 'inactive indexes=' || count(*) from rdb\$indices where rdb\$index_inactive = 1
        order by 1"
}

# broken_references DB : rows whose reference points nowhere
broken_references() {
    value "$1" "select
        (select count(*) from table_diak d where not exists (select 1 from table_osztaly o where o.id = d.osztaly_ID)
            or not exists (select 1 from table_nyelv n where n.id = d.tanult_nyelv_ID))
      + (select count(*) from table_osztaly o where o.osztalyfonok_id is not null
            and not exists (select 1 from table_tanar t where t.id = o.osztalyfonok_id))
      + (select count(*) from table_tanar_targy x where not exists (select 1 from table_tanar t where t.id = x.tanar_id)
            or not exists (select 1 from table_targy s where s.id = x.targy_id))
      + (select count(*) from table_osztaly_targy x where not exists (select 1 from table_osztaly o where o.id = x.osztaly_id)
            or not exists (select 1 from table_tanar_targy tt where tt.tanar_id = x.tanar_id and tt.targy_id = x.targy_id))
      from rdb\$database"
}

start=$SECONDS
db=$tmp/school.fdb
out=$("$src/scripts/create-db" "$db" --students 20000 2>&1) && pass || fail "create-db: $out"

# ---------------------------------------------------------------- quiet round trip
out=$("$backup" "$db" "$tmp/quiet.fbk" 2>&1) && pass || fail "mentés: $out"
check_eq "a mentésfájlt csak a tulajdonosa olvashatja" "$(stat -c %a "$tmp/quiet.fbk")" 600
out=$("$restore" "$tmp/quiet.fbk" "127.0.0.1/$port:$tmp/quiet.fdb" 2>&1) && pass || fail "visszaállítás: $out"
original_counts=$(counts "$db")
check_eq "visszaállítva: a táblák sorai és az adatbázis objektumai" "$(counts "$tmp/quiet.fdb")" "$original_counts"
case "$original_counts" in *TABLE_DIAK=20000*) pass ;; *) fail "a táblák számlálása: $original_counts" ;; esac
original_sum=$(checksum "$db")
check_eq "visszaállítva: minden sor minden oszlopa" "$(checksum "$tmp/quiet.fdb")" "$original_sum"
# the demo's leavers took ids after the students'
next_id=$(($(value "$db" "select max(id) from (select id from table_diak union all select id from table_diak_archiv)") + 1))
check_eq "a visszaállított adatbázis is írható, az azonosítók folytatódnak" \
    "$(value "$tmp/quiet.fdb" "insert into table_diak (nev, osztaly_ID, tanult_nyelv_ID) values ('Új Ödön', 1, 1) returning id")" \
    "$next_id"

# ---------------------------------------------------------------- backup under a writer
# Another connection inserts three students in each transaction, a batch; diak_diak holds
# the batch's number. No column is empty, and the note's second line closes each row.
batch_rows() {
    local b=$1 k
    for k in 1 2 3; do
        printf "insert into table_diak (nev, diak_cim, diak_cim_varos, szul_hely, szul_ido, sz_szam, diak_tel, anyja_nev, gondviselo_nev, gondviselo_cim, gondviselo_tel, diak_taj, diak_OM, diak_diak, osztaly_ID, mj, tanult_nyelv_ID, evfolyam) select 'Párhuzamos Írisz %d/%d', 'Fő utca %d.', 'Győr', 'Sopron', date '2010-01-01' + %d, '%06dKR', '+36 30 %03d %04d', 'Anya %d', 'Gondviselő %d', 'Fő utca %d.', '+36 20 %03d %04d', '%09d', '7%010d', '%010d', (select id from table_osztaly order by id rows %d to %d), 'köteg %d, %d. tanuló' || ascii_char(10) || 'ellenőrző sor', (select id from table_nyelv order by id rows %d to %d), 2026 from rdb\$database;\n" \
            "$b" "$k" "$b" "$((b % 3000))" "$b" "$((b % 1000))" "$k" "$b" "$b" "$b" "$((b % 1000))" "$k" \
            "$((b * 10 + k))" "$((b * 10 + k))" "$b" \
            "$((b % 16 + 1))" "$((b % 16 + 1))" "$b" "$k" "$((k % 9 + 1))" "$((k % 9 + 1))"
    done
    echo "commit;"
}
writer_sql() {
    local b begun=$SECONDS
    printf "SET NAMES UTF8;\nCONNECT '127.0.0.1/%s:%s' USER SYSDBA PASSWORD velvetoak;\n" "$port" "$db"
    # bounded in count and time; stops early when the test says so
    for ((b = 1; b <= 3000 && SECONDS - begun < 40; b++)); do
        [ -e "$tmp/stop" ] && break
        batch_rows "$b"
        sleep 0.02
    done
}
written() { value "$db" "select count(*) from table_diak where nev starting with 'Párhuzamos'"; }
# wait_written MIN : until at least MIN students of the writer are committed (10 s at most)
wait_written() {
    local n=0
    for _ in $(seq 1 100); do n=$(written); [ "${n:-0}" -ge "$1" ] && break; sleep 0.1; done
    echo "${n:-0}"
}

writer_sql | isql-fb -q -bail > "$tmp/writer.log" 2>&1 &
writer=$!
before=$(wait_written 30)
out=$("$backup" "127.0.0.1/$port:$db" "$tmp/busy.fbk" 2>&1) && pass || fail "mentés írás közben: $out"
after=$(written)
wait_written $((after + 30)) > /dev/null
touch "$tmp/stop"
wait "$writer" && pass || fail "az író kapcsolat hibát kapott: $(tail -n 5 "$tmp/writer.log")"
total=$(written)
[ "$before" -ge 30 ] && [ "$after" -gt "$before" ] && [ "$total" -gt "$after" ] && pass ||
    fail "az író nem dolgozott a mentés alatt: előtte $before, utána $after, végül $total"

out=$("$restore" "$tmp/busy.fbk" "$tmp/busy.fdb" 2>&1) && pass || fail "visszaállítás: $out"
busy=$tmp/busy.fdb
got=$(value "$busy" "select count(*) from table_diak where nev starting with 'Párhuzamos'")
[ "$got" -ge "$before" ] && [ "$got" -le "$after" ] && pass ||
    fail "a mentés pillanata: $got tanuló, a mentés előtt $before, utána $after"
check_eq "minden köteg egész: a tranzakciók vagy teljesen, vagy sehogy" \
    "$(value "$busy" "select count(*) from (select diak_diak from table_diak where nev starting with 'Párhuzamos' group by 1 having count(*) <> 3)")" 0
check_eq "a kötegek hézag nélkül követik egymást" \
    "$(value "$busy" "select max(cast(diak_diak as integer)) * 3 from table_diak where nev starting with 'Párhuzamos'")" "$got"
check_eq "minden tanuló minden oszlopa kitöltve" \
    "$(value "$busy" "select count(*) from table_diak where nev starting with 'Párhuzamos' and (diak_cim is null or diak_cim_varos is null or szul_hely is null or szul_ido is null or sz_szam is null or diak_tel is null or anyja_nev is null or gondviselo_nev is null or gondviselo_cim is null or gondviselo_tel is null or diak_taj is null or diak_OM is null or diak_diak is null or osztaly_ID is null or mj is null or tanult_nyelv_ID is null or evfolyam is null or mj not containing 'ellenőrző sor')")" 0
check_eq "minden hivatkozás érvényes" "$(broken_references "$busy")" 0
last=$(value "$busy" "select max(id) from table_diak")
check_eq "visszaállítva: a mentés pillanatának minden sora, minden oszlopa" \
    "$(checksum "$busy")" "$(checksum "$db" "id <= $last")"
check_eq "visszaállítva: a többi tábla és az objektumok" \
    "$(counts "$busy" | sed 's/TABLE_DIAK=[0-9]*//; s/TABLE_DIAK_ADAT=[0-9]*//; s/TABLE_LETSZAM_VALTOZAS=[0-9]*//; s/TABLE_OKT_VALTOZAS_BIZALMAS=[0-9]*//; s/TABLE_NAPLO_FUGGO=[0-9]*//; s/TABLE_OSZTALY_TORTENET=[0-9]*//')" \
    "$(counts "$db" | sed 's/TABLE_DIAK=[0-9]*//; s/TABLE_DIAK_ADAT=[0-9]*//; s/TABLE_LETSZAM_VALTOZAS=[0-9]*//; s/TABLE_OKT_VALTOZAS_BIZALMAS=[0-9]*//; s/TABLE_NAPLO_FUGGO=[0-9]*//; s/TABLE_OSZTALY_TORTENET=[0-9]*//')"
check_eq "visszaállítva: a mentés pillanatának története és naplója tanulónként" \
    "$(value "$busy" "select (select count(*) from table_diak) - (select count(distinct diak_id) from table_osztaly_tortenet t where exists (select 1 from table_diak d where d.id = t.diak_id)) from rdb\$database")" 0
check_eq "visszaállítva: a létszám a tanulók száma" \
    "$(value "$busy" "select (select sum(valtozas) from table_letszam_valtozas) - (select count(*) from table_diak) from rdb\$database")" 0
# long after every enrolment and leaving, the October statistics count the registry
check_eq "visszaállítva: az októberi statisztika a tanulók száma" \
    "$(value "$busy" "select (select sum(letszam) from PRC_OKTOBERI_STATISZTIKA(date '2999-01-01') where sor not starting with 'kilépett') - (select count(*) from table_diak) from rdb\$database")" 0

# ---------------------------------------------------------------- failures
no_leftovers() {  # DESCRIPTION FOLDER : no temporary file of a backup stays behind
    check_eq "$1: nem maradt félkész fájl" "$(find "$2" -maxdepth 1 -name '.*.part' | wc -l)" 0
}
# expect_failure DESCRIPTION MESSAGE COMMAND... : fails with exit 1 and says MESSAGE
expect_failure() {
    local what=$1 message=$2 status=0
    shift 2
    out=$("$@" 2>&1) || status=$?
    [ "$status" -eq 1 ] && [[ $out == *"$message"* ]] && pass ||
        fail "$what: kilépési kód $status, üzenet: $out"
}

echo "régi mentés" > "$tmp/old.fbk"
old=$(md5sum < "$tmp/old.fbk")
down=$((port + 9))
if (exec 3<>"/dev/tcp/127.0.0.1/$down") 2>/dev/null; then
    echo "leállt szerver: kihagyva, a $down porton valami figyel"
else
    expect_failure "leállt szerver" "nem érhető el a Firebird-szerver: 127.0.0.1/$down" \
        env KORVANA_FB_PORT=$down "$backup" "$db" "$tmp/old.fbk"
    check_eq "sikertelen mentés után a régi mentés változatlan" "$(md5sum < "$tmp/old.fbk")" "$old"
fi
# stopped while gbak writes: the older backup stays byte for byte, nothing else is left
before=$(ls -A "$tmp")
"$backup" "$db" "$tmp/old.fbk" > /dev/null 2>&1 &
pid=$!
for _ in $(seq 1 1000); do
    [ -n "$(find "$tmp" -maxdepth 1 -name '.old.fbk.*.part' -size +0)" ] && break
    [ "$(md5sum < "$tmp/old.fbk")" != "$old" ] && break
    sleep 0.01
done
kill "$pid" 2>/dev/null
wait "$pid" && fail "megszakított mentés: mégis sikeresnek mondta" || pass
check_eq "megszakított mentés után a régi mentés változatlan" "$(md5sum < "$tmp/old.fbk")" "$old"
check_eq "megszakított mentés után más nem maradt a mappában" "$(ls -A "$tmp")" "$before"
expect_failure "nem létező adatbázis" "nincs ilyen adatbázis a szerveren" "$backup" "$tmp/nincs.fdb" "$tmp/x.fbk"
[ ! -e "$tmp/x.fbk" ] && pass || fail "nem létező adatbázis: mégis lett mentésfájl"
expect_failure "nem létező mappa" "a mappa nem létezik" "$backup" "$db" "$tmp/nincs/x.fbk"
no_leftovers "sikertelen mentések" "$tmp"
# a full disk: a small file system of its own, seen by this test only
full=$tmp/full
mkdir -p "$full"
# shellcheck disable=SC2016  # expanded by the inner shell
if unshare -m bash -c 'mount -t tmpfs -o size=64k korvana-probe "$1"' _ "$full" 2> /dev/null; then
    out=$(unshare -m bash -c 'mount -t tmpfs -o size=512k korvana-full "$1" || exit 9
        "$2" "$3" "$1/x.fbk"; echo "kód=$?"; ls -A "$1"' _ "$full" "$backup" "$db" 2>&1)
    case "$out" in
        *"megtelt a lemez"*"kód=1") pass ;;
        *) fail "megtelt lemez: $out" ;;
    esac
else
    echo "megtelt lemez: kihagyva (itt nem csatolható saját fájlrendszer)"
fi

before=$(checksum "$tmp/quiet.fdb")
expect_failure "visszaállítás létező fájlra" "már létezik, nem írom felül" "$restore" "$tmp/quiet.fbk" "$tmp/quiet.fdb"
expect_failure "visszaállítás létező adatbázisra a szerveren át" "már létezik, nem írom felül" \
    "$restore" "$tmp/quiet.fbk" "127.0.0.1/$port:$tmp/quiet.fdb"
check_eq "a létező adatbázis változatlan" "$(checksum "$tmp/quiet.fdb")" "$before"
head -c 2000000 "$tmp/quiet.fbk" > "$tmp/cut.fbk"
expect_failure "csonka mentésből" "a mentésfájl csonka" "$restore" "$tmp/cut.fbk" "$tmp/cut.fdb"
[ ! -e "$tmp/cut.fdb" ] && pass || fail "csonka mentésből félkész adatbázis maradt"
expect_failure "nem létező mentésből" "nincs ilyen (olvasható) mentésfájl" "$restore" "$tmp/nincs.fbk" "$tmp/y.fdb"
expect_failure "visszaállítás leállt szerverre" "nem érhető el" \
    "$restore" "$tmp/quiet.fbk" "127.0.0.1/$down:$tmp/z.fdb"
for args in "" "$db" "$db a b"; do
    # shellcheck disable=SC2086
    "$backup" $args > /dev/null 2>&1; check_eq "backup-db $args: használat" "$?" 2
    # shellcheck disable=SC2086
    "$restore" $args > /dev/null 2>&1; check_eq "restore-db $args: használat" "$?" 2
done

echo "backup_restore: $((SECONDS - start)) s"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
